#ifndef SHARES_SHAREDFOLDERSMANAGER_H
#define SHARES_SHAREDFOLDERSMANAGER_H

#include "server/UserStats.h"
#include "shares/FileInfo.h"
#include "shares/FolderScan.h"
#include "shares/ShareIndex.h"
#include "shares/ShareMessages.h"
#include "shares/ShareReconciler.h"
#include "shares/SharedFileLists.h"
#include "store/ItemPtr.h"
#include "store/ItemSet.h"
#include "wire/MemStream.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>

#include <deque>
#include <functional>
#include <memory>

class FileScanner;

// Everything this client shares: the shared folders and the index of their
// folders and files in the item graph, kept up to date by walks on the
// scanner thread and applied on the event-loop thread a slice at a time; the
// answers to other users' searches, share list and folder requests, built from
// that index for what each user may see; and the browsed shares of others.
//
// Replies leave as signals carrying the built message, for the peer network to
// send; share lists are built in the background and leave when ready.
class SharedFoldersManager : public QObject
{
    Q_OBJECT
public:
    // The most files one search reply lists: a broad query over a large share
    // is answered quickly and with a reply any receiver accepts.
    static constexpr std::size_t SearchReplyFileLimit = 1000;

    // Declares the item types (see DeclareSharesSchema), starts the scanner
    // thread and connects to the server session when there is one.
    explicit SharedFoldersManager(QObject* parent = nullptr);
    // Stops a running walk and header read and waits for the scanner thread.
    ~SharedFoldersManager() override;

    // Brings the loaded index up to date with the disk, in the background.
    void Init();
    // Shares a folder (or returns it when already shared) and indexes it in
    // the background. Each new folder takes the next "shared_folder_counter"
    // number for its identifier "[n]name".
    ItemPtr AddSharedFolder(const QString& path);
    // Walks every shared folder again; SharedFilesRescanned tells the counts.
    void RescanShares();
    // Whether walks are running or waiting.
    bool IsScanning() const;

    ItemPtr GetSharedFileItem(const QString& path) const { return index->GetSharedFileItem(path); }
    void TokenizeSharedFile(ItemPtr file) { index->TokenizeSharedFile(file); }

    // Visibility (see ShareVisibility.h) and display text, for the other managers and the windows.
    static ItemSet GetUserSharedFolders(const QString& user);
    static bool IsFileSharedWithUser(ItemPtr file, const QString& user);
    static QString GetFileItemDisplayString(ItemPtr item);
    static bool IsSearchTokenSeparator(QChar c);

    // Answers a search with a reply (SearchReplyReady) when a file visible to
    // the user matches; true when a reply was made.
    bool ProcessSearch(const QString& user, unsigned int token, const QString& query);

    // The share as the user may see it; the table stays empty.
    void GetSharedFilesAsUserShare(const QString& user, FileInfoMap& share, AttributeTranslationTable& attributes);
    // Drops the browsed share of a user from the graph.
    void RemoveUserShare(const QString& user);

    // Where search replies take the free-slot flag and queue length from;
    // until set, a slot is free and nothing is queued.
    void SetUploadQueueStatus(std::function<UploadQueueStatus()> status);

public slots:
    void OnFoldersRescanned(FolderScanPtr scan);
    void OnMP3Scanned(QString path, int mpegVersion, QString channelMode, int sampleRateIndex, bool vbr, int bitrate);
    void OnConnectedToServer();
    void OnReceivedUserStats(QString user, UserStats stats);
    void OnDirectFileSearch(QString user, quint32 token, QString query);
    void OnDNetSearchRequest(QString user, quint32 token, QString query);
    void OnFilesInFoldersRequested(QString user, quint32 token, QString folder);
    // Builds the share list (code 5) the user may see, in the background;
    // SharedFileListReady carries it.
    void OnSharedFileListRequested(QString user);

signals:
    void SharedFilesRescanned(int added, int removed);
    // Walks began (true) or the last one waiting was applied (false): once
    // per stretch of scanning, however many walks it holds.
    void ScanningChanged(bool scanning);
    void MP3ScanRequired(QString path);
    void SearchProcessed(QString query, bool replied);
    // A search reply (code 9) to send to the user, connecting if need be.
    void SearchReplyReady(QString user, MemStream message);
    // A folder contents reply (code 37) to send to the user.
    void FolderContentsReady(QString user, MemStream message);
    // A share list (code 5) to send to the user.
    void SharedFileListReady(QString user, MemStream message);
    // Asks the scanner for a walk (queued to its thread).
    void FoldersScanRequired(QStringList roots);

private:
    struct Walk
    {
        ShareReconciler::Kind kind;
        QStringList roots;
    };

    void Enqueue(ShareReconciler::Kind kind, const QStringList& roots);
    void StartNextWalk();
    void OnWalkApplied(int added, int removed);
    void OnFolderUnlisted(const QString& folder, const QString& error);
    void OnSearchRequest(const QString& user, quint32 token, const QString& query);
    QStringList SharedFolderPaths() const;

    // Made once the types are declared.
    std::unique_ptr<ShareIndex> index;
    std::unique_ptr<ShareReconciler> reconciler;
    std::unique_ptr<SharedFileLists> fileLists;
    QThread scannerThread;
    FileScanner* scanner;
    // The walk being done (first) and those waiting.
    std::deque<Walk> walks;
    bool walkRunning = false;
    std::function<UploadQueueStatus()> uploadQueueStatus;
};

extern SharedFoldersManager* sharedFoldersManager;

#endif
