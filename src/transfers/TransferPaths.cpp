#include "transfers/TransferPaths.h"

#include "store/TextDecoding.h"

#include <QDir>

namespace {

template <class Text>
int LastSeparator(const Text& path)
{
    for (int at = int(path.size()) - 1; at >= 0; --at)
        if (path[at] == '\\' || path[at] == '/')
            return at;
    return -1;
}

} // namespace

std::string GetFileName(const std::string& path)
{
    return path.substr(size_t(LastSeparator(path) + 1));
}

QString GetFileName(const QString& path)
{
    return path.mid(LastSeparator(path) + 1);
}

std::string GetFolder(const std::string& path)
{
    const int separator = LastSeparator(path);
    return separator < 0 ? std::string() : path.substr(0, size_t(separator));
}

QString GetFolder(const QString& path)
{
    const int separator = LastSeparator(path);
    return separator < 0 ? QString() : path.left(separator);
}

std::string GetParentFolder(const std::string& path)
{
    std::string trimmed = path;
    while (!trimmed.empty() && trimmed.back() == '\\')
        trimmed.pop_back();
    return GetFolder(trimmed);
}

std::string RemotePath(const std::string& folder, const std::string& fileName)
{
    return folder.empty() ? fileName : folder + '\\' + fileName;
}

QString SafePathComponent(const QString& name)
{
    QString safe = name;
    for (QChar& c : safe)
        if (c == QChar(0) || c == '/' || c == '\\')
            c = '_';
    if (safe.isEmpty())
        return QStringLiteral("_");
    if (safe == "." || safe == "..")
        return QString(safe.size(), '_');
    return safe;
}

QStringList DownloadSubfolders(const std::string& remoteFolder, int subfolderLevel)
{
    QStringList parts;
    std::string folder = remoteFolder;
    for (int level = 0; level <= subfolderLevel && !folder.empty(); ++level) {
        const std::string part = GetFileName(folder);
        if (!part.empty())
            parts.prepend(SafePathComponent(ToQString(part)));
        folder = GetParentFolder(folder);
    }
    return parts;
}

bool IsInsideFolder(const QString& path, const QString& folder)
{
    const QString cleanFolder = QDir::cleanPath(QDir(folder).absolutePath());
    const QString cleanPath = QDir::cleanPath(QDir(folder).absoluteFilePath(path));
    return cleanPath.startsWith(cleanFolder.endsWith('/') ? cleanFolder : cleanFolder + '/')
        && cleanPath.size() > cleanFolder.size() + 1;
}
