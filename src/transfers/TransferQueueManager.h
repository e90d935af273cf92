#ifndef TRANSFERS_TRANSFERQUEUEMANAGER_H
#define TRANSFERS_TRANSFERQUEUEMANAGER_H

#include "shares/FileInfo.h"
#include "store/Events.h"
#include "store/ItemPtr.h"
#include "transfers/DownloadQueue.h"
#include "transfers/TransferCells.h"
#include "transfers/TransferLinks.h"
#include "transfers/TransferObjects.h"
#include "transfers/UploadQueue.h"
#include "transfers/UploadSpeedLimiter.h"

#include <QObject>
#include <QString>

#include <memory>
#include <string>

class DownloadThread;
class QTcpSocket;
class UploadThread;

// Every transfer of the client: the downloads it wants from other users
// (DownloadQueue), the uploads other users want from it (UploadQueue, with
// its order and the speed limit), the file connections that carry them and
// the threads that move the bytes. The state is in the item graph; the download
// queue is saved and comes back after a restart, each unfinished entry queued
// again to resume from its partial file. Runs on the event-loop thread; one
// instance, `transferQueueManager`. Its destruction stops every transfer
// thread and waits for it.
class TransferQueueManager : public QObject, public DataHandler, public DataLoadedEventHandler
{
    Q_OBJECT
public:
    // Declares the transfers' types; the settings', session's, peer network's and sharing's must exist. The links
    // reach the rest of the client (by default its managers).
    explicit TransferQueueManager(std::unique_ptr<TransferLinks> links = std::make_unique<ClientTransferLinks>(),
                                  QObject* parent = nullptr);
    ~TransferQueueManager() override;

    // Downloads.
    ItemPtr AddDownload(const QString& user, const std::string& fileName, const std::string& remoteFolder, qint64 size,
                        bool single, int subfolderLevel);
    ItemPtr GetDownloadEntry(const QString& user, const std::string& fileName, const std::string& remoteFolder) const;
    void RequeueDownload(ItemPtr entry);
    void RequeueUserDownloads(ItemPtr user);
    void QueueDownloadIfUserOnline(ItemPtr entry);
    void RemoveDownload(ItemPtr entry);
    void RequestDownloadPlaceInLine(ItemPtr entry);
    void SetDownloadEntryStatus(ItemPtr entry, const QString& status);
    QString GetDownloadTargetFolder(ItemPtr entry, bool complete) const;
    QString GetDownloadTargetPath(ItemPtr entry, bool complete) const;
    QString GetDownloadRelativeDownloadFolder(ItemPtr entry) const;
    bool DoesDownloadItemCompleteFilenameExist(ItemPtr entry) const;
    void RemoveDownloadDownloadingFolderIfAppropriate(ItemPtr entry);
    bool HasExcludedDownloadExtension(const QString& name) const;
    bool IsActivelyDownloadingFromUser(const QString& user) const;
    int GetUserGroupDownloadPriority(const QString& user) const;
    int ActiveDownloadCount() const;

    // Uploads.
    void AddUpload(const QString& user, const QString& path);
    bool CanAcceptUserInitiatedUploadsFrom(const QString& user) const;
    void OrderNewUpload(ItemPtr entry);
    static bool UploadEntrySortCompare(ItemPtr a, ItemPtr b);
    void StartNewUploads();
    void SetUploadEntryStatus(ItemPtr entry, const QString& status);
    void RemoveUpload(ItemPtr entry);
    bool IsFreeToUpload() const;
    int QueuedUploadCount() const;
    int ActiveUploadCount() const;
    void SetUploadSlots(int count);
    void EnableUploadSpeedLimit(bool on);
    void DetermineUploadSpeedLimit();
    int GetUploadSpeed() const;
    void UnshareUser(const QString& user);
    void ReshareUser(const QString& user);

    // The values running transfers update in place (positions, speeds, times).
    const TransferCells& Cells() const { return cells; }
    // Transfer threads running or not yet deleted.
    std::size_t ThreadCount() const { return objects.ThreadCount(); }

    void DataLoaded() override;
    void NoData() override;

public slots:
    void OnQueueDownloadRequested(QString user, std::string path, qint64 size);
    void OnUploadDeniedNotification(QString user, std::string path, QString reason);
    void OnUploadFailedNotification(QString user, std::string path);
    void OnDownloadPlaceInLine(QString user, std::string path, int place);
    void OnQueueUploadRequested(QString user, QString path);
    void OnUploadPlaceInLineRequested(QString user, QString path);
    void OnUserShare(QString user, const FileInfoMap& share, const AttributeTranslationTable& attributes);
    void OnFileTransferRequest(QString user, int direction, uint token, std::string path, qint64 size);
    void OnFileTransferResponse(QString user, uint token, bool allowed, bool hasSize, qint64 size, QString reason);
    void OnFileConnection(QString user, QTcpSocket* socket, unsigned int token);
    void OnFileConnectionAccepted(QString user, QTcpSocket* socket);
    // From the transfer threads (the sender).
    void OnDownloadComplete();
    void OnDownloadError(QString error);
    void OnDownloadProgress(qint64 position, int bytesPerSecond);
    void OnUploadComplete();
    void OnUploadError(QString error);
    void OnUploadProgress(qint64 position, int bytesPerSecond);
    // The upload half (offers without answer time out), then the download half (queue and place-in-line requests).
    void EveryHalfMinute();

signals:
    void CompleteDownloadAdded(ItemPtr record);
    // A download arrived whole (not one found in place); the entry may be removed by whoever hears it.
    void DownloadComplete(ItemPtr entry);
    void TransfersLoaded();
    void DownloadProgressed(ItemPtr entry);
    void UploadProgressed(ItemPtr entry);

private:
    // Path handler: a user came online. The work runs from the event loop, outside the change that told it.
    void OnUserOnline(ItemPtr user);
    void WatchDownload(DownloadThread* thread);
    void WatchUpload(UploadThread* thread);

    // Declares the types first, for the members below that watch them.
    struct Schema
    {
        Schema();
    } schema;
    std::unique_ptr<TransferLinks> links;
    TransferCells cells;
    UploadSpeedLimiter limiter;
    // After the cells and the limiter, which running threads use: destroyed first, it stops them.
    TransferObjects objects;
    DownloadQueue downloads;
    UploadQueue uploads;
};

extern TransferQueueManager* transferQueueManager;

#endif
