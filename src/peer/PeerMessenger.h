#ifndef PEER_PEERMESSENGER_H
#define PEER_PEERMESSENGER_H

#include "peer/LiveObjects.h"
#include "peer/PeerFraming.h"
#include "peer/PeerListeners.h"
#include "peer/PeerMessageHandler.h"
#include "peer/UnsentMessages.h"
#include "peer/UserInfo.h"
#include "shares/FileInfo.h"
#include "store/Data.h"
#include "store/Events.h"
#include "store/ItemPtr.h"
#include "wire/MemStream.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QDateTime>
#include <QHostAddress>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class QMetaMethod;
class QTcpSocket;

// Every TCP connection between this client and other clients: listens on the
// plain and the obfuscated port, reaches users directly and through the
// server at the same time, keeps one messaging connection ("P") per user with
// a queue of messages waiting for it, closes idle and stalled connections, and
// hands file ("F") and distributed-network ("D") connections over to whoever
// takes them. Runs on the event-loop thread; one instance, `peerMessenger`.
//
// The bookkeeping is in the graph (see DeclarePeerNetworkTypes); sockets,
// queued messages and activity times are named there by address and found
// again through registries, never by reading a pointer out of text.
class PeerMessenger : public QObject, public DataHandler, public DataLoadedEventHandler
{
    Q_OBJECT
public:
    // Accepted connections that have not greeted yet, and all connections this
    // messenger holds (file and distributed connections it has handed over are
    // not counted). Beyond these, new connections from others are refused.
    static constexpr int MaxUngreetedConnections = 128;
    static constexpr int MaxConnections = 1000;
    // A peer that reads nothing while this much waits to go to it is dropped.
    static constexpr qint64 MaxUnwrittenBytes = 64 * 1024 * 1024;

    static constexpr qint64 UnsentMessageLifetimeMs = 5 * 60 * 1000;
    static constexpr qint64 ConnectionAttemptTimeoutMs = 60 * 1000;
    static constexpr qint64 IdleConnectionTimeoutMs = 2 * 60 * 1000;

    using UploadAvailabilitySource = std::function<UploadAvailability()>;

    // Declares the peer network's types; the session's must exist.
    explicit PeerMessenger(QObject* parent = nullptr);
    ~PeerMessenger() override;

    static QString MessageCodeToString(int code);

    // Where to listen; any IPv4 address unless set before the data is loaded.
    void SetListeningAddress(const QHostAddress& address);
    void SetUploadAvailabilitySource(UploadAvailabilitySource source);

    // Listens on the ports the settings give (see SettleListeningPorts).
    void DataLoaded() override;
    bool IsListening() const { return listeners.IsListening(); }
    ListeningPorts GetListeningPorts() const { return listeners.Ports(); }
    // Why a port could not be bound, empty while both listen.
    QString GetListeningError() const { return listeningError; }

    // Reaches the user with a connection of the type ("P", "F" or "D"); the
    // outcome comes later as a signal, or as the messaging connection.
    void ConnectToUser(const QString& user, const QString& type);
    void RequestDNetConnection(const QString& user);
    void RequestFileConnectionToUser(const QString& user);

    // Sends a message (code first) over the user's messaging connection, or
    // queues it and opens one.
    void SendMessage(const QString& user, MemStream& message);
    void SendMessageToUser(const QString& user, MemStream& message) { SendMessage(user, message); }
    // Frames the message and writes it in one go; false when the write fails.
    bool SendMessage(QTcpSocket* socket, MemStream& message, bool obfuscated);
    // Closes a connection of this messenger and forgets it.
    void DisposeOfSocket(QTcpSocket* socket);
    // The port to dial, the obfuscated one when the user has one.
    int GetUserPort(ItemPtr user, bool& obfuscated) const;

    void GetUserSharedFiles(const QString& user);
    void GetUserInfo(const QString& user);
    // Takes the token from the "transfer_req_counter" setting and returns it.
    unsigned int RequestUpload(const QString& user, const QString& file, qint64 size);
    void AcceptTransferRequest(const QString& user, uint token, bool withSize, qint64 size);
    void DenyTransferRequest(const QString& user, uint token, const QString& reason);
    void QueueDownload(const QString& user, const std::string& file);
    void SendUploadPlaceInLine(const QString& user, const QString& file, int place);
    void DenyUpload(const QString& user, const QString& file, const QString& reason);
    void QueueUpload(const QString& user, const QString& file, qint64 size);

    // The half-minute clean-up as of `now`: drops old queued messages, expires
    // connection attempts and closes connections that stayed unfinished or idle.
    void CleanUp(const QDateTime& now);

public slots:
    void EveryHalfMinute();
    // Announces the listening ports, trying again to listen where that failed.
    void OnConnectedToServer();
    void OnIndirectPeerConnectionFailure(uint token);

signals:
    void Listening(int port, int obfuscatedPort);
    void ListeningFailed(int port, QString reason);

    // The receiver owns the socket from then on; this messenger neither reads
    // it nor watches it any more.
    void FileConnectionRequested(QString user, QTcpSocket* socket, unsigned int token);
    void FileConnectionAccepted(QString user, QTcpSocket* socket);
    void DNetConnectionRequested(QString user, QTcpSocket* socket);
    void DNetConnectionAccepted(QString user, QTcpSocket* socket);
    void ConnectionToUserFailed(QString user, QString type);

    void SearchResults(ItemPtr results);
    // The user asks for the share list; whoever shares answers with SendMessage.
    void SharedFileListRequested(QString user);
    void UserShare(QString user, const FileInfoMap& share, const AttributeTranslationTable& attributes);
    // The messenger answers by itself; this only tells that someone asked.
    void UserInfoRequested(QString user);
    void UserInfoReceived(QString user, QString description, bool hasPicture, QByteArray picture, int uploadSlots,
                          int queuedUploads, bool slotsFree);
    void SharedFilesInFolderRequested(QString user, quint32 token, QString folder);
    void FileTransferRequested(QString user, int direction, uint token, std::string file, qint64 size);
    void FileTransferResponse(QString user, uint token, bool allowed, bool hasSize, qint64 size, QString reason);
    void QueueUploadRequested(QString user, QString file);
    void QueueDownloadRequested(QString user, std::string file, qint64 size);
    void UploadFailed(QString user, std::string file);
    void UploadDenied(QString user, std::string file, QString reason);
    void UploadPlaceInLineRequested(QString user, QString file);
    void DownloadPlaceInLine(QString user, std::string file, int place);

private slots:
    void OnNewConnection(QTcpSocket* socket, bool obfuscated);
    void OnSocketReadyToRead();
    void OnSocketError(QAbstractSocket::SocketError error);
    void OnSocketClosed();
    void OnConnectToPeerSocketConnected();
    void OnConnectToPeerSocketError(QAbstractSocket::SocketError error);
    void OnIndirectResponseSocketConnected();

private:
    // Graph handlers.
    void OnPeerSocketItemAdded(ItemPtr peerSocket);
    void OnPeerSocketItemRemoved(ItemPtr peerSocket);
    void OnPeerConnectionRequest(ItemPtr request);
    void OnUserAddress(ItemPtr user);
    // Work of the path handlers that may remove items, run from the event
    // loop: a path handler must not remove the items whose connection it reports.
    void RemoveRefusedRequests();
    void DialWaitingRequests();
    // Dials the user of another user's brokered request; why not, when it cannot.
    QString AnswerRequest(ItemPtr request);

    // Reading.
    void ReadSocket(QTcpSocket* socket);
    bool HandleMessage(QTcpSocket* socket, MemStream body);
    bool HandleGreeting(QTcpSocket* socket, ItemPtr uninitialized, MemStream& body);
    void TakeFileConnection(QTcpSocket* socket, const QString& user, uint32_t token);
    void TouchConnection(QTcpSocket* socket);

    // Connections.
    void Listen();
    QTcpSocket* Watch(QTcpSocket* socket);
    void OpenMessagingConnection(QTcpSocket* socket, const QString& user, bool obfuscated);
    // Gives the socket up for the signal's receiver; when nothing receives it,
    // the socket is closed instead and false returned.
    bool HandOver(QTcpSocket* socket, const QMetaMethod& signal, const QString& what);
    void ForgetSocket(QTcpSocket* socket);
    // Disposes of the socket the item names; an item naming none goes alone.
    void CloseSocketNamedBy(ItemPtr item);
    void DropAttemptSocket(QTcpSocket* socket);
    void StartDirectAttempt(ItemPtr request);
    void InspectPeerConnectionRequest(ItemPtr request);
    void DisposeOfPeerConnectionRequest(ItemPtr request);
    void SendUnsentMessages(const QString& user, QTcpSocket* socket, bool obfuscated);

    // Answers.
    void OnUserInfoRequested(const QString& user);

    // Declares the types first, for the members below that watch them.
    struct Schema
    {
        Schema();
    } schema;
    PeerListeners listeners;
    QString listeningError;
    PeerMessageHandler handler;
    UnsentMessages unsent;
    LiveObjects<QTcpSocket> sockets;
    LiveObjects<QDateTime, true> activityTimes;
    std::unordered_map<QTcpSocket*, std::unique_ptr<PeerReadState>> readStates;

    std::vector<Item*> refusedRequests;
    std::unordered_set<Item*> liveRefusedRequests;
    Data::RemovalWatch refusedRequestsWatch{&d, &liveRefusedRequests};
    std::vector<QString> usersWithAddress;
    bool dialScheduled = false;

    UploadAvailabilitySource uploadAvailability;
    bool destroying = false;
};

extern PeerMessenger* peerMessenger;

#endif
