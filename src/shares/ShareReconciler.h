#ifndef SHARES_SHARERECONCILER_H
#define SHARES_SHARERECONCILER_H

#include "shares/FolderScan.h"
#include "store/Data.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class ShareIndex;

// Brings the share index up to date with a walk of the shared folders, in
// slices of a few milliseconds so that the event loop stays responsive.
// Between slices the index is consistent: searches and listings see each file
// either as it was or as it is now.
//
// For every folder reached: the folder joins its shared folder; new files are
// created with name and size, changed sizes replaced, files gone from disk
// removed; MP3 files without header data are asked for; every file gets its
// search words. Then, by kind of walk:
// - StartUp: every folder of the index that the walk did not reach goes;
// - AddFolder: nothing more;
// - Rescan: each walked shared folder lets go of the folders it no longer
//   reaches; folders left in no shared folder go, and their files count as
//   removed.
// Removed files take along the names, sizes and words only they used.
class ShareReconciler : public QObject
{
    Q_OBJECT
public:
    enum class Kind
    {
        StartUp,
        AddFolder,
        Rescan,
    };

    // Work time of one slice; the event loop runs between slices.
    static constexpr int SliceMs = 10;

    explicit ShareReconciler(ShareIndex& index, QObject* parent = nullptr);
    ~ShareReconciler() override;

    // Starts applying a walk; one at a time, each after Finished of the last.
    void Start(Kind kind, FolderScanPtr scan);

    static bool IsMp3Candidate(const QString& fileName);

signals:
    void MP3ScanRequired(QString path);
    // The files created and, for a rescan, the files removed.
    void Finished(int added, int removed);

private:
    enum class Phase
    {
        Folders,
        RemoveFiles,
        RemoveFolders,
    };

    void OnSlice();
    // One small piece of work; true when the whole walk is applied.
    bool Step();
    bool StepFolders();
    void OpenFolder(ItemPtr sharedFolder, const ScannedFolder& folder);
    // Ties the open folder to the graph again (a slice may have passed).
    void ResolveFolder(ItemPtr sharedFolder, const ScannedFolder& folder);
    void ReconcileFile(const ScannedFolder& folder, const ScannedFile& file);
    void CloseFolder();
    void ChooseDoomed();
    void Doom(ItemPtr folder);

    ShareIndex& index;
    QTimer sliceTimer;
    Kind kind = Kind::StartUp;
    FolderScanPtr scan;
    Phase phase = Phase::Folders;
    int added = 0;
    int removed = 0;

    std::size_t rootIndex = 0;
    std::size_t folderIndex = 0;
    std::size_t fileIndex = 0;
    std::vector<QSet<QString>> reachedFolders; // per root
    bool folderOpen = false;
    bool folderResolved = false;
    ItemPtr currentFolder;
    std::vector<ItemPtr> currentWords;
    // The open folder's files before the walk, by name; those still in
    // `unseenFiles` have not been found on disk yet.
    std::unordered_map<std::string, Item*> filesByName;
    std::unordered_set<Item*> unseenFiles;
    std::unordered_set<Item*> doomedFiles;
    std::unordered_set<Item*> doomedFolders;
    // Items that others remove meanwhile leave these sets.
    Data::RemovalWatch unseenWatch{&d, &unseenFiles};
    Data::RemovalWatch doomedFilesWatch{&d, &doomedFiles};
    Data::RemovalWatch doomedFoldersWatch{&d, &doomedFolders};
};

#endif
