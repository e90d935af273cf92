#ifndef TRANSFERS_DOWNLOADQUEUE_H
#define TRANSFERS_DOWNLOADQUEUE_H

#include "store/ItemPtr.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>

class DownloadThread;
class QTcpSocket;
class TransferCells;
class TransferLinks;
class TransferObjects;

// The files this client wants from other users: "download_entry" items with
// their user, remote name and folder, size, order and status. Asks the owners
// to queue them and asks again, keeps their places in line, answers the
// owners' offers and refusals, takes the file connections, places the files
// under the downloads folder and moves them to its complete area when they
// have arrived. Runs on the event-loop thread.
class DownloadQueue : public QObject
{
    Q_OBJECT
public:
    // `watch` connects a new download thread's signals to whoever handles them.
    DownloadQueue(TransferLinks& links, TransferCells& cells, TransferObjects& objects,
                  std::function<void(DownloadThread*)> watch);

    ItemPtr AddDownload(const QString& user, const std::string& fileName, const std::string& remoteFolder, qint64 size,
                        bool single, int subfolderLevel);
    ItemPtr GetDownloadEntry(const QString& user, const std::string& fileName, const std::string& remoteFolder) const;
    void RequeueDownload(ItemPtr entry);
    void RequeueUserDownloads(ItemPtr user);
    void QueueDownloadIfUserOnline(ItemPtr entry);
    // Stops the entry's transfer and removes it; the partial file stays.
    void RemoveDownload(ItemPtr entry);
    void RequestDownloadPlaceInLine(ItemPtr entry);
    void SetDownloadEntryStatus(ItemPtr entry, const QString& status);

    // The folders and paths of a download in the internal form (backslashes), and the same folder relative to the
    // downloads area.
    QString GetDownloadTargetFolder(ItemPtr entry, bool complete) const;
    QString GetDownloadTargetPath(ItemPtr entry, bool complete) const;
    QString GetDownloadRelativeDownloadFolder(ItemPtr entry) const;
    // The same as local paths, always inside the downloads folder.
    QString NativeTargetFolder(ItemPtr entry, bool complete) const;
    QString NativeTargetPath(ItemPtr entry, bool complete) const;
    bool DoesDownloadItemCompleteFilenameExist(ItemPtr entry) const;
    void RemoveDownloadDownloadingFolderIfAppropriate(ItemPtr entry);

    static bool HasExcludedDownloadExtension(const QString& name);
    bool IsActivelyDownloadingFromUser(const QString& user) const;
    int ActiveDownloadCount() const;

    void OnUserOnline(ItemPtr user);
    void OnQueueDownloadRequested(const QString& user, const std::string& path, qint64 size);
    void OnUploadDeniedNotification(const QString& user, const std::string& path, const QString& reason);
    void OnUploadFailedNotification(const QString& user, const std::string& path);
    void OnDownloadPlaceInLine(const QString& user, const std::string& path, int place);
    // An offer of the owner to send a file now (direction 1).
    void OnFileTransferRequest(const QString& user, unsigned int token, const std::string& path, qint64 size);
    // The owner's file connection with the token of an accepted offer.
    void OnFileConnection(const QString& user, QTcpSocket* socket, unsigned int token);
    void OnDownloadComplete(DownloadThread* thread);
    void OnDownloadError(DownloadThread* thread, const QString& error);
    void OnDownloadProgress(DownloadThread* thread, qint64 position, int bytesPerSecond);
    void EveryHalfMinute(const QDateTime& now);
    // After loading: every unfinished entry is queued again and its user tracked.
    void DataLoaded();

signals:
    void CompleteDownloadAdded(ItemPtr record);
    // A download thread finished and the file is in the complete folder; the entry is "complete".
    void DownloadComplete(ItemPtr entry);
    void DownloadProgressed(ItemPtr entry);

private:
    ItemPtr NewEntry(const QString& user, const std::string& fileName, const std::string& remoteFolder, qint64 size,
                     bool single, int subfolderLevel);
    ItemPtr EntryOf(DownloadThread* thread) const;
    // The entry's folders below the downloads area's "downloading" or "complete" folder.
    QStringList Subfolders(ItemPtr entry, bool forLayout) const;
    // Moves the finished file into the complete folder; why not, when it cannot.
    QString MoveToComplete(ItemPtr entry);
    void RecordCompleteDownload(ItemPtr entry);
    void TearDown(ItemPtr entry);
    void SendQueueRequest(ItemPtr entry);

    TransferLinks& links;
    TransferCells& cells;
    TransferObjects& objects;
    std::function<void(DownloadThread*)> watch;
};

// The local folder all downloads live under (the "download_folder" setting).
QString DownloadRoot();
// The entry's path as its owner knows it.
std::string RemotePathOf(ItemPtr entry);
QString StatusOf(ItemPtr entry, const char* statusType);

#endif
