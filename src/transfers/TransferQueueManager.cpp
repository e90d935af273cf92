#include "transfers/TransferQueueManager.h"

#include "app/Log.h"
#include "app/TimerManager.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "store/TextDecoding.h"
#include "transfers/DownloadThread.h"
#include "transfers/TransferSchema.h"
#include "transfers/TransferUsers.h"
#include "transfers/UploadThread.h"

#include <QTcpSocket>

TransferQueueManager* transferQueueManager = nullptr;

namespace {

// The types whose items name the live objects of running transfers.
const char* const LiveObjectTypes[]
    = {"download_thread", "upload_thread", "download_socket", "upload_socket", "download_file", "upload_file"};

} // namespace

TransferQueueManager::Schema::Schema()
{
    DeclareTransferSchema();
}

TransferQueueManager::TransferQueueManager(std::unique_ptr<TransferLinks> transferLinks, QObject* parent)
    : QObject(parent)
    , links(std::move(transferLinks))
    , downloads(*links, cells, objects, [this](DownloadThread* thread) { WatchDownload(thread); })
    , uploads(*links, cells, objects, limiter, [this](UploadThread* thread) { WatchUpload(thread); })
{
    transferQueueManager = this;
    RegisterLoggableItemType("download_entry");
    RegisterLoggableItemType("upload_entry");

    auto* online = new PathNode(&d, "user");
    new PathNode(online, "is_online", PathOnConnect);
    d.AddPathEventHandler(
        online,
        AddDataHandler(new EventHandler<TransferQueueManager, ItemPtr>(this, &TransferQueueManager::OnUserOnline)));

    connect(&downloads, &DownloadQueue::CompleteDownloadAdded, this, &TransferQueueManager::CompleteDownloadAdded);
    connect(&downloads, &DownloadQueue::DownloadComplete, this, &TransferQueueManager::DownloadComplete);
    connect(&downloads, &DownloadQueue::DownloadProgressed, this, &TransferQueueManager::DownloadProgressed);
    connect(&uploads, &UploadQueue::UploadProgressed, this, &TransferQueueManager::UploadProgressed);
    if (timerManager)
        connect(timerManager, &TimerManager::HalfMinuteTick, this, &TransferQueueManager::EveryHalfMinute);
    if (dataSaver)
        dataSaver->AddDataLoadedEventHandler(this);
}

TransferQueueManager::~TransferQueueManager()
{
    RemoveDataHandlers();
    if (dataSaver)
        dataSaver->RemoveDataLoadedEventHandler(this);
    objects.CloseAll();
    // Nothing may name the objects that went.
    for (const char* type : LiveObjectTypes)
        if (d.HasType(type))
            g(type).Remove();
    if (transferQueueManager == this)
        transferQueueManager = nullptr;
}

void TransferQueueManager::WatchDownload(DownloadThread* thread)
{
    connect(thread, &DownloadThread::DownloadComplete, this, &TransferQueueManager::OnDownloadComplete);
    connect(thread, &DownloadThread::DownloadError, this, &TransferQueueManager::OnDownloadError);
    connect(thread, &DownloadThread::DownloadProgress, this, &TransferQueueManager::OnDownloadProgress);
}

void TransferQueueManager::WatchUpload(UploadThread* thread)
{
    connect(thread, &UploadThread::UploadComplete, this, &TransferQueueManager::OnUploadComplete);
    connect(thread, &UploadThread::UploadError, this, &TransferQueueManager::OnUploadError);
    connect(thread, &UploadThread::UploadProgress, this, &TransferQueueManager::OnUploadProgress);
}

ItemPtr TransferQueueManager::AddDownload(const QString& user, const std::string& fileName,
                                          const std::string& remoteFolder, qint64 size, bool single, int subfolderLevel)
{
    return downloads.AddDownload(user, fileName, remoteFolder, size, single, subfolderLevel);
}

ItemPtr TransferQueueManager::GetDownloadEntry(const QString& user, const std::string& fileName,
                                               const std::string& remoteFolder) const
{
    return downloads.GetDownloadEntry(user, fileName, remoteFolder);
}

void TransferQueueManager::RequeueDownload(ItemPtr entry)
{
    downloads.RequeueDownload(entry);
}

void TransferQueueManager::RequeueUserDownloads(ItemPtr user)
{
    downloads.RequeueUserDownloads(user);
}

void TransferQueueManager::QueueDownloadIfUserOnline(ItemPtr entry)
{
    downloads.QueueDownloadIfUserOnline(entry);
}

void TransferQueueManager::RemoveDownload(ItemPtr entry)
{
    downloads.RemoveDownload(entry);
}

void TransferQueueManager::RequestDownloadPlaceInLine(ItemPtr entry)
{
    downloads.RequestDownloadPlaceInLine(entry);
}

void TransferQueueManager::SetDownloadEntryStatus(ItemPtr entry, const QString& status)
{
    downloads.SetDownloadEntryStatus(entry, status);
}

QString TransferQueueManager::GetDownloadTargetFolder(ItemPtr entry, bool complete) const
{
    return downloads.GetDownloadTargetFolder(entry, complete);
}

QString TransferQueueManager::GetDownloadTargetPath(ItemPtr entry, bool complete) const
{
    return downloads.GetDownloadTargetPath(entry, complete);
}

QString TransferQueueManager::GetDownloadRelativeDownloadFolder(ItemPtr entry) const
{
    return downloads.GetDownloadRelativeDownloadFolder(entry);
}

bool TransferQueueManager::DoesDownloadItemCompleteFilenameExist(ItemPtr entry) const
{
    return downloads.DoesDownloadItemCompleteFilenameExist(entry);
}

void TransferQueueManager::RemoveDownloadDownloadingFolderIfAppropriate(ItemPtr entry)
{
    downloads.RemoveDownloadDownloadingFolderIfAppropriate(entry);
}

bool TransferQueueManager::HasExcludedDownloadExtension(const QString& name) const
{
    return DownloadQueue::HasExcludedDownloadExtension(name);
}

bool TransferQueueManager::IsActivelyDownloadingFromUser(const QString& user) const
{
    return downloads.IsActivelyDownloadingFromUser(user);
}

int TransferQueueManager::GetUserGroupDownloadPriority(const QString& user) const
{
    return ::GetUserGroupDownloadPriority(user);
}

int TransferQueueManager::ActiveDownloadCount() const
{
    return downloads.ActiveDownloadCount();
}

void TransferQueueManager::AddUpload(const QString& user, const QString& path)
{
    uploads.AddUpload(user, path);
}

bool TransferQueueManager::CanAcceptUserInitiatedUploadsFrom(const QString& user) const
{
    return ::CanAcceptUserInitiatedUploadsFrom(user);
}

void TransferQueueManager::OrderNewUpload(ItemPtr entry)
{
    uploads.OrderNewUpload(entry);
}

bool TransferQueueManager::UploadEntrySortCompare(ItemPtr a, ItemPtr b)
{
    return UploadOrder::UploadEntrySortCompare(a, b);
}

void TransferQueueManager::StartNewUploads()
{
    uploads.StartNewUploads();
}

void TransferQueueManager::SetUploadEntryStatus(ItemPtr entry, const QString& status)
{
    uploads.SetUploadEntryStatus(entry, status);
}

void TransferQueueManager::RemoveUpload(ItemPtr entry)
{
    uploads.RemoveUpload(entry);
}

bool TransferQueueManager::IsFreeToUpload() const
{
    return uploads.IsFreeToUpload();
}

int TransferQueueManager::QueuedUploadCount() const
{
    return uploads.QueuedUploadCount();
}

int TransferQueueManager::ActiveUploadCount() const
{
    return uploads.ActiveUploadCount();
}

void TransferQueueManager::SetUploadSlots(int count)
{
    uploads.SetUploadSlots(count);
}

void TransferQueueManager::EnableUploadSpeedLimit(bool on)
{
    uploads.EnableUploadSpeedLimit(on);
}

void TransferQueueManager::DetermineUploadSpeedLimit()
{
    uploads.DetermineUploadSpeedLimit();
}

int TransferQueueManager::GetUploadSpeed() const
{
    return uploads.GetUploadSpeed();
}

void TransferQueueManager::UnshareUser(const QString& user)
{
    uploads.UnshareUser(user);
}

void TransferQueueManager::ReshareUser(const QString& user)
{
    uploads.ReshareUser(user);
}

void TransferQueueManager::DataLoaded()
{
    downloads.DataLoaded();
    emit TransfersLoaded();
    uploads.DataLoaded();
}

void TransferQueueManager::NoData()
{
    d.GetType("excluded_download_extension")->GetItem(Value(".ini"));
}

void TransferQueueManager::OnUserOnline(ItemPtr user)
{
    const QString name = user.AsString();
    QMetaObject::invokeMethod(
        this,
        [this, name] {
            const ItemPtr userItem = d.GetType("user")->HasItem(Value(name));
            if (!IsUserOnline(userItem))
                return;
            downloads.OnUserOnline(userItem);
            uploads.StartNewUploads();
        },
        Qt::QueuedConnection);
}

void TransferQueueManager::OnQueueDownloadRequested(QString user, std::string path, qint64 size)
{
    downloads.OnQueueDownloadRequested(user, path, size);
}

void TransferQueueManager::OnUploadDeniedNotification(QString user, std::string path, QString reason)
{
    downloads.OnUploadDeniedNotification(user, path, reason);
}

void TransferQueueManager::OnUploadFailedNotification(QString user, std::string path)
{
    downloads.OnUploadFailedNotification(user, path);
}

void TransferQueueManager::OnDownloadPlaceInLine(QString user, std::string path, int place)
{
    downloads.OnDownloadPlaceInLine(user, path, place);
}

void TransferQueueManager::OnQueueUploadRequested(QString user, QString path)
{
    uploads.OnQueueUploadRequested(user, path);
}

void TransferQueueManager::OnUploadPlaceInLineRequested(QString user, QString path)
{
    uploads.OnUploadPlaceInLineRequested(user, path);
}

void TransferQueueManager::OnUserShare(QString user, const FileInfoMap& share, const AttributeTranslationTable&)
{
    uploads.OnUserShare(user, share);
}

void TransferQueueManager::OnFileTransferRequest(QString user, int direction, uint token, std::string path, qint64 size)
{
    if (direction == 1) {
        downloads.OnFileTransferRequest(user, token, path, size);
        return;
    }
    // The user asks for the file at once: it waits in the queue like any other.
    links->DenyTransferRequest(user, token, "Queued");
    uploads.OnQueueUploadRequested(user, ToQString(path));
}

void TransferQueueManager::OnFileTransferResponse(QString user, uint token, bool allowed, bool, qint64, QString reason)
{
    uploads.OnFileTransferResponse(user, token, allowed, reason);
}

void TransferQueueManager::OnFileConnection(QString user, QTcpSocket* socket, unsigned int token)
{
    downloads.OnFileConnection(user, socket, token);
}

void TransferQueueManager::OnFileConnectionAccepted(QString user, QTcpSocket* socket)
{
    uploads.OnFileConnectionAccepted(user, socket);
}

void TransferQueueManager::OnDownloadComplete()
{
    downloads.OnDownloadComplete(static_cast<DownloadThread*>(sender()));
}

void TransferQueueManager::OnDownloadError(QString error)
{
    downloads.OnDownloadError(static_cast<DownloadThread*>(sender()), error);
}

void TransferQueueManager::OnDownloadProgress(qint64 position, int bytesPerSecond)
{
    downloads.OnDownloadProgress(static_cast<DownloadThread*>(sender()), position, bytesPerSecond);
}

void TransferQueueManager::OnUploadComplete()
{
    uploads.OnUploadComplete(static_cast<UploadThread*>(sender()));
}

void TransferQueueManager::OnUploadError(QString error)
{
    uploads.OnUploadError(static_cast<UploadThread*>(sender()), error);
}

void TransferQueueManager::OnUploadProgress(qint64 position, int bytesPerSecond)
{
    uploads.OnUploadProgress(static_cast<UploadThread*>(sender()), position, bytesPerSecond);
}

void TransferQueueManager::EveryHalfMinute()
{
    const QDateTime now = QDateTime::currentDateTime();
    uploads.EveryHalfMinute(now);
    downloads.EveryHalfMinute(now);
}
