#include "shares/FolderScan.h"

#include <QFile>
#include <QSet>

#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

QString ChildPath(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

namespace {
// Closes a listed folder however the listing ends.
struct FolderStream
{
    explicit FolderStream(const QString& path)
        : stream(opendir(QFile::encodeName(path).constData()))
    {
    }
    ~FolderStream()
    {
        if (stream)
            closedir(stream);
    }
    FolderStream(const FolderStream&) = delete;
    FolderStream& operator=(const FolderStream&) = delete;

    DIR* stream;
};
} // namespace

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

        // Entries are looked at relative to the open folder, as find(1) does:
        // no path is resolved again for each file.
        FolderStream listing(folder);
        if (!listing.stream) {
            unlisted(folder, qt_error_string(errno));
            continue;
        }
        const int folderFd = dirfd(listing.stream);
        ScannedFolder listed;
        listed.path = folder;
        std::vector<QString> subfolders;
        for (;;) {
            errno = 0;
            const dirent* entry = readdir(listing.stream);
            if (!entry)
                break;
            const char* name = entry->d_name;
            if (name[0] == '.')
                continue;
            unsigned char type = entry->d_type;
            struct stat status = {};
            const bool needStatus = type == DT_REG || type == DT_UNKNOWN;
            // A file gone since the listing is skipped.
            if (needStatus && fstatat(folderFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            if (type == DT_UNKNOWN)
                type = S_ISDIR(status.st_mode) ? DT_DIR : S_ISREG(status.st_mode) ? DT_REG : DT_LNK;
            if (type == DT_DIR)
                subfolders.push_back(ChildPath(folder, QFile::decodeName(name)));
            else if (type == DT_REG)
                listed.files.push_back({QFile::decodeName(name), qint64(status.st_size)});
        }
        if (errno != 0) {
            unlisted(folder, qt_error_string(errno));
            continue;
        }
        result.folders.push_back(std::move(listed));
        // Reversed so that the folders are taken in listing order.
        pending.insert(pending.end(), subfolders.rbegin(), subfolders.rend());
    }
    return result;
}
