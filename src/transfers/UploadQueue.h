#ifndef TRANSFERS_UPLOADQUEUE_H
#define TRANSFERS_UPLOADQUEUE_H

#include "shares/FileInfo.h"
#include "store/ItemPtr.h"
#include "transfers/UploadOrder.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>

class QTcpSocket;
class TransferCells;
class TransferLinks;
class TransferObjects;
class UploadSpeedLimiter;
class UploadThread;

// The files other users want from this client: "upload_entry" items, each for
// one shared file and one user, in one queue in the order of UploadOrder. Gives
// the upload slots to the head of the queue (never two to one user at a time),
// answers questions about places in line, offers the transfers, opens the
// files and starts the upload threads when the file connections stand, times
// out offers that get no answer, divides the speed limit among the running
// uploads, and lets this client push files to users. An upload only ever
// reads a file that the index shares with that user, checked when it is
// queued and again when it starts. Runs on the event-loop thread.
class UploadQueue : public QObject
{
    Q_OBJECT
public:
    // `watch` connects a new upload thread's signals to whoever handles them.
    UploadQueue(TransferLinks& links, TransferCells& cells, TransferObjects& objects, UploadSpeedLimiter& limiter,
                std::function<void(UploadThread*)> watch);

    void OnQueueUploadRequested(const QString& user, const QString& path);
    void OnUploadPlaceInLineRequested(const QString& user, const QString& path);
    void OnUserShare(const QString& user, const FileInfoMap& share);
    // Pushes a shared file to a user.
    void AddUpload(const QString& user, const QString& path);

    void OrderNewUpload(ItemPtr entry) { order.OrderNewUpload(entry); }
    void StartNewUploads();
    void SetUploadEntryStatus(ItemPtr entry, const QString& status);
    // Stops the entry's transfer, removes it and gives its slot on.
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

    // The user's answer to an offer of this client.
    void OnFileTransferResponse(const QString& user, unsigned int token, bool allowed, const QString& reason);
    // The file connection this client asked for stands.
    void OnFileConnectionAccepted(const QString& user, QTcpSocket* socket);
    void OnUploadComplete(UploadThread* thread);
    void OnUploadError(UploadThread* thread, const QString& error);
    void OnUploadProgress(UploadThread* thread, qint64 position, int bytesPerSecond);
    void EveryHalfMinute(const QDateTime& now);
    void DataLoaded();

signals:
    void UploadProgressed(ItemPtr entry);

private:
    // The shared file a path names, when it is shared with the user.
    ItemPtr SharedFileFor(const QString& user, const QString& path);
    // A new queued entry for the file and the user, in its place in the queue.
    ItemPtr NewEntry(ItemPtr user, ItemPtr file, const QString& path);
    // Whether the entry's file is still shared with its user; when not, tells the user and removes the entry.
    bool StillShared(ItemPtr entry);
    ItemPtr EntryOf(UploadThread* thread) const;
    void TearDown(ItemPtr entry);

    TransferLinks& links;
    TransferCells& cells;
    TransferObjects& objects;
    UploadSpeedLimiter& limiter;
    std::function<void(UploadThread*)> watch;
    UploadOrder order;
};

#endif
