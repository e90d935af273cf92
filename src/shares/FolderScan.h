#ifndef SHARES_FOLDERSCAN_H
#define SHARES_FOLDERSCAN_H

#include <QMetaType>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

// What a walk of shared folders found on disk: per root, every folder reached
// (the root first, each folder once) with the files directly in it. Built on
// the scanner thread and handed whole to the event-loop thread.
struct ScannedFile
{
    QString name;
    qint64 size = 0;
};

struct ScannedFolder
{
    QString path;
    std::vector<ScannedFile> files;
};

struct ScannedRoot
{
    QString root;
    // Empty when the root itself could not be listed.
    std::vector<ScannedFolder> folders;
};

struct FolderScan
{
    std::vector<ScannedRoot> roots;
};

using FolderScanPtr = std::shared_ptr<const FolderScan>;
Q_DECLARE_METATYPE(FolderScanPtr)

// The path of an entry of a folder.
QString ChildPath(const QString& folder, const QString& name);

// Lists one shared folder tree. Hidden entries (names starting with ".") and
// symbolic links are left out, so they are neither shared nor followed; only
// regular files are shared and only folders below the root are entered, each
// once. A folder that cannot be listed is reported through `unlisted` and left
// out with everything below it; a file that vanishes while being listed is
// skipped. `stopped` is asked before each folder; when it answers true the walk
// ends with what it has.
ScannedRoot WalkSharedFolder(const QString& root, const std::function<bool()>& stopped,
                             const std::function<void(const QString& folder, const QString& error)>& unlisted);

#endif
