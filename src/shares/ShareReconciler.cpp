#include "shares/ShareReconciler.h"

#include "app/Log.h"
#include "shares/ShareIndex.h"

#include <QElapsedTimer>

namespace {
QString PathOf(ItemPtr folder)
{
    return QString::fromStdString(folder->GetValue().Bytes());
}
} // namespace

ShareReconciler::ShareReconciler(ShareIndex& shareIndex, QObject* parent)
    : QObject(parent)
    , index(shareIndex)
{
    sliceTimer.setSingleShot(true);
    sliceTimer.setInterval(0);
    connect(&sliceTimer, &QTimer::timeout, this, &ShareReconciler::OnSlice);
}

ShareReconciler::~ShareReconciler() = default;

bool ShareReconciler::IsMp3Candidate(const QString& fileName)
{
    return fileName.size() >= 5
        && (fileName.endsWith(QLatin1String(".mp3")) || fileName.endsWith(QLatin1String(".MP3")));
}

void ShareReconciler::Start(Kind walkKind, FolderScanPtr walk)
{
    Log("Profiling", 1, "OnFoldersRescanned begin", ItemPtr());
    kind = walkKind;
    scan = std::move(walk);
    phase = Phase::Folders;
    added = removed = 0;
    rootIndex = folderIndex = fileIndex = 0;
    reachedFolders.assign(scan->roots.size(), QSet<QString>());
    folderOpen = false;
    sliceTimer.start();
}

void ShareReconciler::OnSlice()
{
    QElapsedTimer clock;
    clock.start();
    folderResolved = false;
    while (!Step())
        if (clock.elapsed() >= SliceMs) {
            sliceTimer.start();
            return;
        }
    scan.reset();
    reachedFolders.clear();
    currentFolder = ItemPtr();
    currentWords.clear();
    Log("Profiling", 1, "OnFoldersRescanned end", ItemPtr());
    emit Finished(added, removed);
}

bool ShareReconciler::Step()
{
    switch (phase) {
    case Phase::Folders:
        if (StepFolders())
            ChooseDoomed();
        return false;
    case Phase::RemoveFiles:
        if (doomedFiles.empty()) {
            phase = Phase::RemoveFolders;
            return false;
        }
        {
            ItemPtr file = *doomedFiles.begin();
            doomedFiles.erase(doomedFiles.begin());
            index.RemoveSharedFile(file);
        }
        return false;
    case Phase::RemoveFolders:
        if (doomedFolders.empty())
            return true;
        {
            ItemPtr folder = *doomedFolders.begin();
            doomedFolders.erase(doomedFolders.begin());
            // Files that joined it meanwhile keep it.
            if (!folder->IsConnected(index.Types().sharedFile))
                index.RemoveSharedFileFolder(folder);
        }
        return false;
    }
    return true;
}

bool ShareReconciler::StepFolders()
{
    if (rootIndex == scan->roots.size())
        return true;
    const ScannedRoot& root = scan->roots[rootIndex];
    const ItemPtr sharedFolder = index.Types().sharedFolder->HasItem(Value(root.root));
    // A shared folder removed meanwhile keeps nothing of its walk.
    if (!sharedFolder || folderIndex == root.folders.size()) {
        folderOpen = false;
        unseenFiles.clear();
        filesByName.clear();
        ++rootIndex;
        folderIndex = fileIndex = 0;
        return false;
    }
    const ScannedFolder& folder = root.folders[folderIndex];
    if (!folderOpen) {
        OpenFolder(sharedFolder, folder);
        return false;
    }
    if (!folderResolved)
        ResolveFolder(sharedFolder, folder);
    if (fileIndex < folder.files.size()) {
        ReconcileFile(folder, folder.files[fileIndex++]);
        return false;
    }
    CloseFolder();
    ++folderIndex;
    fileIndex = 0;
    return false;
}

void ShareReconciler::OpenFolder(ItemPtr sharedFolder, const ScannedFolder& folder)
{
    if (kind != Kind::StartUp)
        Log("Shared", 1,
            QStringLiteral("Adding folder %1 as part of sharing %2").arg(folder.path, sharedFolder.AsString()),
            ItemPtr());
    reachedFolders[rootIndex].insert(folder.path);
    ResolveFolder(sharedFolder, folder);
    filesByName.clear();
    unseenFiles.clear();
    if (const ItemSet* files = currentFolder->ConnectedSet(index.Types().sharedFile))
        for (ItemPtr file : *files) {
            const Item* name = file->GetItem(index.Types().sharedFileName);
            // Of two files with one name (never both on disk) the second goes.
            if (name && filesByName.emplace(name->GetValue().Bytes(), file.Get()).second)
                unseenFiles.insert(file.Get());
            else
                doomedFiles.insert(file.Get());
        }
    folderOpen = true;
}

void ShareReconciler::ResolveFolder(ItemPtr sharedFolder, const ScannedFolder& folder)
{
    currentFolder = index.Types().sharedFileFolder->GetItem(Value(folder.path));
    sharedFolder += currentFolder;
    currentWords = index.FolderWords(folder.path);
    folderResolved = true;
}

void ShareReconciler::ReconcileFile(const ScannedFolder& folder, const ScannedFile& file)
{
    const ShareTypes& types = index.Types();
    const std::string name = file.name.toUtf8().toStdString();
    const Value size(file.size);
    ItemPtr sharedFile;
    const auto known = filesByName.find(name);
    if (known != filesByName.end() && unseenFiles.erase(known->second)) {
        sharedFile = known->second;
        // A changed file keeps its header data: it is read once per file.
        if (sharedFile->GetItem(types.sharedFileSize) == nullptr
            || sharedFile->GetItem(types.sharedFileSize)->GetValue() != size)
            sharedFile += types.sharedFileSize->GetItem(size);
    } else {
        sharedFile = types.sharedFile->NewItem();
        sharedFile += types.sharedFileName->GetItem(Value(name));
        sharedFile += types.sharedFileSize->GetItem(size);
        sharedFile += currentFolder;
        ++added;
    }
    if (IsMp3Candidate(file.name) && !sharedFile.IsConnected(types.isScanned))
        emit MP3ScanRequired(ChildPath(folder.path, file.name));
    // Words are given all at once, so a file with one has them all.
    if (!sharedFile.IsConnected(types.searchToken))
        index.TokenizeSharedFile(sharedFile, currentWords);
}

void ShareReconciler::CloseFolder()
{
    removed += int(unseenFiles.size());
    doomedFiles.insert(unseenFiles.begin(), unseenFiles.end());
    unseenFiles.clear();
    filesByName.clear();
    folderOpen = false;
}

void ShareReconciler::Doom(ItemPtr folder)
{
    doomedFolders.insert(folder.Get());
    if (const ItemSet* files = folder->ConnectedSet(index.Types().sharedFile)) {
        if (kind == Kind::Rescan)
            removed += int(files->Size());
        for (ItemPtr file : *files)
            doomedFiles.insert(file.Get());
    }
}

void ShareReconciler::ChooseDoomed()
{
    const ShareTypes& types = index.Types();
    if (kind == Kind::StartUp) {
        QSet<QString> reached;
        for (const QSet<QString>& folders : reachedFolders)
            reached.unite(folders);
        for (ItemPtr folder : types.sharedFileFolder->GetItems())
            if (!reached.contains(PathOf(folder)))
                Doom(folder);
    } else if (kind == Kind::Rescan) {
        for (std::size_t r = 0; r < scan->roots.size(); ++r) {
            const ItemPtr sharedFolder = types.sharedFolder->HasItem(Value(scan->roots[r].root));
            for (ItemPtr folder : sharedFolder.GetItems("shared_file_folder"))
                if (!reachedFolders[r].contains(PathOf(folder)))
                    sharedFolder -= folder;
        }
        for (ItemPtr folder : types.sharedFileFolder->GetItems())
            if (!folder.IsConnected(types.sharedFolder))
                Doom(folder);
    }
    if (kind != Kind::Rescan)
        removed = 0;
    phase = Phase::RemoveFiles;
}
