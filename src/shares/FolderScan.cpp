#include "shares/FolderScan.h"

#include <QFile>
#include <QSet>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::size_t FolderScan::FileCount() const
{
    std::size_t count = 0;
    for (const ScannedRoot& root : roots)
        for (const ScannedFolder& folder : root.folders)
            count += folder.files.size();
    return count;
}

QString ChildPath(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

ScannedRoot WalkSharedFolder(const QString& root, const std::function<bool()>& stopped,
                             const std::function<void(const QString&, const QString&)>& unlisted)
{
    ScannedRoot result;
    result.root = root;
    QSet<QString> visited;
    // Depth first without recursion, so that deep trees cannot exhaust the stack.
    std::vector<QString> pending{root};
    while (!pending.empty() && !stopped()) {
        const QString folder = std::move(pending.back());
        pending.pop_back();
        if (!folder.startsWith(root) || visited.contains(folder))
            continue;
        visited.insert(folder);

        std::error_code error;
        fs::directory_iterator entries(fs::path(QFile::encodeName(folder).toStdString()), error);
        if (error) {
            unlisted(folder, QString::fromStdString(error.message()));
            continue;
        }
        ScannedFolder listed;
        listed.path = folder;
        std::vector<QString> subfolders;
        for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
            const fs::directory_entry& entry = *entries;
            const std::string fileName = entry.path().filename().native();
            if (fileName.empty() || fileName[0] == '.')
                continue;
            std::error_code entryError;
            const fs::file_status status = entry.symlink_status(entryError);
            if (entryError || fs::is_symlink(status))
                continue;
            const QString name = QFile::decodeName(QByteArray::fromStdString(fileName));
            if (fs::is_directory(status)) {
                subfolders.push_back(ChildPath(folder, name));
            } else if (fs::is_regular_file(status)) {
                const std::uintmax_t size = entry.file_size(entryError);
                if (!entryError)
                    listed.files.push_back({name, qint64(size)});
            }
        }
        if (error) {
            unlisted(folder, QString::fromStdString(error.message()));
            continue;
        }
        result.folders.push_back(std::move(listed));
        // Reversed so that the folders are taken in listing order.
        pending.insert(pending.end(), subfolders.rbegin(), subfolders.rend());
    }
    return result;
}
