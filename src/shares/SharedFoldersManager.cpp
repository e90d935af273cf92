#include "shares/SharedFoldersManager.h"

#include "app/Log.h"
#include "app/Settings.h"
#include "search/SearchParser.h"
#include "server/Server.h"
#include "shares/FileDisplayText.h"
#include "shares/FileScanner.h"
#include "shares/ShareListings.h"
#include "shares/ShareVisibility.h"
#include "shares/SharesSchema.h"
#include "store/Data.h"

#include <QDir>

SharedFoldersManager* sharedFoldersManager = nullptr;

SharedFoldersManager::SharedFoldersManager(QObject* parent)
    : QObject(parent)
    , scanner(new FileScanner)
    , uploadQueueStatus([] { return UploadQueueStatus(); })
{
    sharedFoldersManager = this;
    DeclareSharesSchema();
    index = std::make_unique<ShareIndex>();
    reconciler = std::make_unique<ShareReconciler>(*index);
    fileLists = std::make_unique<SharedFileLists>(index->Types());

    scanner->moveToThread(&scannerThread);
    connect(&scannerThread, &QThread::finished, scanner, &QObject::deleteLater);
    connect(this, &SharedFoldersManager::FoldersScanRequired, scanner, &FileScanner::ScanFolders);
    connect(this, &SharedFoldersManager::MP3ScanRequired, scanner, &FileScanner::OnMP3ScanRequired);
    connect(scanner, &FileScanner::FoldersScanned, this, &SharedFoldersManager::OnFoldersRescanned);
    connect(scanner, &FileScanner::MP3Scanned, this, &SharedFoldersManager::OnMP3Scanned);
    connect(scanner, &FileScanner::FolderUnlisted, this, &SharedFoldersManager::OnFolderUnlisted);
    connect(reconciler.get(), &ShareReconciler::MP3ScanRequired, this, &SharedFoldersManager::MP3ScanRequired);
    connect(reconciler.get(), &ShareReconciler::Finished, this, &SharedFoldersManager::OnWalkApplied);
    connect(fileLists.get(), &SharedFileLists::Ready, this, &SharedFoldersManager::SharedFileListReady);
    scannerThread.start(QThread::InheritPriority);

    if (gp_server) {
        connect(gp_server, &Server::Connected, this, &SharedFoldersManager::OnConnectedToServer);
        connect(gp_server, &Server::ReceivedUserStats, this, &SharedFoldersManager::OnReceivedUserStats);
        connect(gp_server, &Server::DirectFileSearch, this, &SharedFoldersManager::OnDirectFileSearch);
    }
}

SharedFoldersManager::~SharedFoldersManager()
{
    scanner->Quit();
    scannerThread.quit();
    scannerThread.wait();
    if (sharedFoldersManager == this)
        sharedFoldersManager = nullptr;
}

QStringList SharedFoldersManager::SharedFolderPaths() const
{
    QStringList paths;
    for (ItemPtr folder : g("shared_folder"))
        paths << QString::fromStdString(folder->GetValue().Bytes());
    return paths;
}

void SharedFoldersManager::Init()
{
    Enqueue(ShareReconciler::Kind::StartUp, SharedFolderPaths());
}

ItemPtr SharedFoldersManager::AddSharedFolder(const QString& path)
{
    const QString folderPath = QDir::cleanPath(path);
    Type* sharedFolder = d.GetType("shared_folder");
    if (const ItemPtr existing = sharedFolder->HasItem(Value(folderPath)))
        return existing;
    const ItemPtr folder = sharedFolder->NewItem(Value(folderPath));
    const int number = GetSetting("shared_folder_counter").toInt();
    SetSetting("shared_folder_counter", QString::number(number + 1));
    folder += d.GetType("shared_folder_id")
                  ->GetItem(Value(QStringLiteral("[%1]%2").arg(number).arg(QDir(folderPath).dirName())));
    Enqueue(ShareReconciler::Kind::AddFolder, {folderPath});
    return folder;
}

void SharedFoldersManager::RescanShares()
{
    Enqueue(ShareReconciler::Kind::Rescan, SharedFolderPaths());
}

bool SharedFoldersManager::IsScanning() const
{
    return !walks.empty();
}

void SharedFoldersManager::Enqueue(ShareReconciler::Kind kind, const QStringList& roots)
{
    walks.push_back({kind, roots});
    if (walks.size() == 1) {
        emit ScanningChanged(true);
        StartNextWalk();
    }
}

void SharedFoldersManager::StartNextWalk()
{
    if (!walks.empty())
        emit FoldersScanRequired(walks.front().roots);
}

void SharedFoldersManager::OnFoldersRescanned(FolderScanPtr scan)
{
    if (walks.empty())
        return;
    reconciler->Start(walks.front().kind, std::move(scan));
}

void SharedFoldersManager::OnWalkApplied(int added, int removed)
{
    const ShareReconciler::Kind kind = walks.front().kind;
    walks.pop_front();
    // The next walk starts before anyone hears of this one, so that a handler
    // asking for another walk finds the queue as it will stay.
    if (walks.empty())
        emit ScanningChanged(false);
    else
        StartNextWalk();
    if (kind == ShareReconciler::Kind::Rescan)
        emit SharedFilesRescanned(added, removed);
}

void SharedFoldersManager::OnFolderUnlisted(const QString& folder, const QString& error)
{
    Log("Shared", 1, QStringLiteral("Could not list folder %1, it is not shared: %2").arg(folder, error), ItemPtr());
}

void SharedFoldersManager::OnMP3Scanned(QString path, int mpegVersion, QString channelMode, int sampleRateIndex,
                                        bool vbr, int bitrate)
{
    Log("MP3 Scanning", 1, QStringLiteral("Scanned %1").arg(path), ItemPtr());
    const int separator = path.lastIndexOf(QLatin1Char('/'));
    const ItemPtr file
        = index->FindSharedFile(separator == 0 ? QStringLiteral("/") : path.left(separator), path.mid(separator + 1));
    if (!file)
        return;
    file += d.GetType("mpeg_version")->GetItem(Value(mpegVersion));
    file += d.GetType("channel_mode")->GetItem(Value(channelMode));
    file += d.GetType("audio_frequency")->GetItem(Value(sampleRateIndex));
    file += d.GetType("bitrate_mode")->GetItem(Value(vbr ? "vbr" : "cbr"));
    file += d.GetType("bitrate")->GetItem(Value(bitrate));
    file.NewItem("is_scanned");
}

void SharedFoldersManager::OnConnectedToServer()
{
    gp_server->SendFilesFolders(int(d.GetType("shared_file_folder")->ItemCount()),
                                int(d.GetType("shared_file")->ItemCount()));
    gp_server->GetUserStats(GetSetting("username"));
}

void SharedFoldersManager::OnReceivedUserStats(QString user, UserStats stats)
{
    if (user == GetSetting("username"))
        SetSetting("upload_speed", QString::number(stats.averageSpeed));
}

void SharedFoldersManager::SetUploadQueueStatus(std::function<UploadQueueStatus()> status)
{
    uploadQueueStatus = std::move(status);
}

ItemSet SharedFoldersManager::GetUserSharedFolders(const QString& user)
{
    return ::GetUserSharedFolders(user);
}

bool SharedFoldersManager::IsFileSharedWithUser(ItemPtr file, const QString& user)
{
    return ::IsFileSharedWithUser(file, user);
}

QString SharedFoldersManager::GetFileItemDisplayString(ItemPtr item)
{
    return ::GetFileItemDisplayString(item);
}

bool SharedFoldersManager::IsSearchTokenSeparator(QChar c)
{
    return ::IsSearchTokenSeparator(c);
}

bool SharedFoldersManager::ProcessSearch(const QString& user, unsigned int token, const QString& query)
{
    SearchParser parser;
    if (!parser.SetSearchText(query))
        return false;
    bool cut = false;
    const std::vector<ItemPtr> files = index->Match(parser, ::GetUserSharedFolders(user), SearchReplyFileLimit, cut);
    if (files.empty())
        return false;
    if (cut)
        Log("Search", 1,
            QStringLiteral("Search reply to user %1 for %2 cut at %3 files").arg(user, query).arg(SearchReplyFileLimit),
            ItemPtr());
    const MemStream message = SearchReplyMessage(GetSetting("username"), token, SearchReplyFiles(files),
                                                 uploadQueueStatus(), GetSetting("upload_speed").toUInt());
    Log("Search", 1, QStringLiteral("Sending search results to user %1 for search string %2").arg(user, query),
        ItemPtr());
    emit SearchReplyReady(user, message);
    return true;
}

void SharedFoldersManager::OnSearchRequest(const QString& user, quint32 token, const QString& query)
{
    if (user == GetSetting("username"))
        return;
    emit SearchProcessed(query, ProcessSearch(user, token, query));
}

void SharedFoldersManager::OnDirectFileSearch(QString user, quint32 token, QString query)
{
    OnSearchRequest(user, token, query);
}

void SharedFoldersManager::OnDNetSearchRequest(QString user, quint32 token, QString query)
{
    OnSearchRequest(user, token, query);
}

void SharedFoldersManager::OnSharedFileListRequested(QString user)
{
    Log("Shared", 1, QStringLiteral("Shared file list requested by user %1").arg(user), ItemPtr());
    fileLists->Request(user, ::GetUserSharedFolders(user));
}

void SharedFoldersManager::GetSharedFilesAsUserShare(const QString& user, FileInfoMap& share,
                                                     AttributeTranslationTable& attributes)
{
    share = GetSharedFilesForUser(user);
    attributes.clear();
}

void SharedFoldersManager::OnFilesInFoldersRequested(QString user, quint32 token, QString folder)
{
    emit FolderContentsReady(user, SharedFilesInFolderMessage(token, folder, GetFolderContentsForUser(user, folder)));
}

void SharedFoldersManager::RemoveUserShare(const QString& user)
{
    const ItemPtr share = d.GetType("user")->HasItem(Value(user)).GetItem("user_share");
    if (!share)
        return;
    const ItemSet folders = share.GetItems("user_share_folder");
    folders.GetItems("user_share_file").Remove();
    folders.Remove();
    share.Remove();
    d.RemoveDisconnectedItems();
}
