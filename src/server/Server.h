#ifndef SERVER_SERVER_H
#define SERVER_SERVER_H

#include "server/PortMapper.h"
#include "server/ServerMessageCode.h"
#include "server/TCPAddress.h"
#include "server/UserStats.h"
#include "store/Events.h"
#include "store/ItemPtr.h"
#include "wire/FrameReader.h"
#include "wire/FrameWriter.h"
#include "wire/MemStream.h"

#include <QAbstractSocket>
#include <QObject>
#include <QString>
#include <QTcpSocket>

#include <ctime>
#include <memory>

// The one session with the central server: connects and logs in, frames
// every message both ways, keeps the session alive, reconnects after a drop,
// builds every outgoing message and writes what the server tells into the
// item graph.
class Server : public QObject, public DataHandler, public DataLoadedEventHandler
{
    Q_OBJECT
public:
    enum State
    {
        StateNotConnected = 0,
        StateConnecting = 1,
        StateLoggedIn = 2,
    };

    // Where the session goes unless the settings server_host and server_port say otherwise.
    static constexpr const char* DefaultHost = "server.quillmer.net";
    static constexpr quint16 DefaultPort = 2242;

    // A message holds at least its code; no server message comes near the
    // upper bound, so a larger length means a broken stream.
    static constexpr uint32_t MinMessageLength = 4;
    static constexpr uint32_t MaxMessageLength = 4 * 1024 * 1024;

    explicit Server(QObject* parent = nullptr);
    ~Server() override;

    // Declares the session's item types, their relations and which of them are saved.
    static void CreateData();
    // The name of a message code, or an empty text for an unknown code.
    static QString MessageCodeToString(int code);

    // Replaces the router port forwarding (the default maps nothing).
    void SetPortMapper(std::unique_ptr<PortMapper> mapper);

    int GetState() const { return state; }
    bool IsConnected() const { return state == StateLoggedIn; }
    bool IsAbruptlyDisconnected() const { return abruptlyDisconnected; }
    // What the socket last reported, for telling the user why a connection failed.
    QString SocketErrorText() const { return socket.errorString(); }

    // Writes one message (code and body) with its length word. Dropped unless
    // logged in, or, for the login, unless connecting or connected.
    void SendMessage(MemStream& message, bool login);
    // Handles one complete message from the server, read position behind the code.
    void HandleMessage(int code, MemStream& message);

    void DataLoaded() override;

    // Session and presence.
    void SetWaitPort(int port, int obfuscatedPort);
    void SetAvailabilityStatus(bool available);
    void SendFilesFolders(int folderCount, int fileCount);
    void SendUploadSpeed(int speed);
    void GetOwnPrivilegesStatus();
    void GiftPrivileges(const QString& user, int days);
    void BannedUser(const QString& user);

    // Users.
    void GetUserAddress(const QString& user);
    void AddUser(const QString& user);
    void TrackUser(const QString& user);
    void UntrackUser(const QString& user);
    void GetUserStatus(const QString& user);
    void GetUserStats(const QString& user);
    void SendPrivateChat(const QString& user, const QString& message);

    // Rooms.
    void SendRoomChat(const QString& room, const QString& message);
    void EnterRoom(const QString& room, bool isPrivate);
    void LeaveRoom(const QString& room);
    void GetRoomList();
    void SetRoomTicker(const QString& room, const QString& text);
    void AddPrivateRoomMember(const QString& room, const QString& user);
    void RemovePrivateRoomMember(const QString& room, const QString& user);
    void GiveUpPrivateRoomMembership(const QString& room);
    void GiveUpPrivateRoom(const QString& room);
    void EnablePrivateRoomAdd(bool enabled);
    void AddPrivateRoomOperator(const QString& room, const QString& user);
    void RemovePrivateRoomOperator(const QString& room, const QString& user);

    // Searches; each takes the next token, records the search in the graph and returns the token.
    unsigned int FileSearch(const QString& text, bool wishList);
    unsigned int SearchRoom(const QString& room, const QString& text);
    unsigned int SearchUserList(const QString& text);
    void GetSearchCorrelations(const QString& term);

    // Brokered peer connections.
    unsigned int SendIndirectConnectionRequest(const QString& user, const QString& connectionType);
    void SendCantConnectToPeer(unsigned int token, const QString& user);

    // The distributed search network.
    void SendDNetHasParent(bool hasParent);
    void SendDNetCanParent(bool canParent);
    void SendDNetLevel(int level);
    void SendDNetGroupLeader(const QString& user);
    void SendChildDepth(bool value);

public slots:
    void Connect();
    void Disconnect();
    void AttemptReconnect();
    void EveryFiveMinutes();
    void RenewPortMapping();

signals:
    void Connecting();
    void Connected();
    void Disconnected();
    void ConnectionFailed(QString reason);

    void AddUserResponse(QString user, bool exists);
    void PrivateChat(QString user, QString message, time_t timeStamp, bool flag);
    void PrivateChatSent(QString user, QString message);
    void RoomChat(QString room, QString user, QString message);
    void AdminMessage(QString text);
    void DirectFileSearch(QString user, quint32 token, QString text);
    void ReceivedUserStats(QString user, UserStats stats);
    void ReceivedOwnPrivilegesStatus(int secondsLeft);
    void PrivateRoomAddEnabled(bool enabled);
    void SearchCorrelations(QString term);
    void SearchRequested(unsigned int token, QString text, bool wishList);
    void WishListWait(uint interval);
    void IndirectPeerConnectionFailure(uint token);
    void DNetMessage(MemStream& message);
    void DNetPossibleParents(PossibleParentList& parents);
    void DNetParentMinSpeed(int value);
    void DNetParentSpeedConnectionRatio(int value);
    void DNetDeliveryReport(int value);
    void DNetReset();

private slots:
    void OnConnected();
    void OnSocketReadyToRead();
    void OnSocketError(QAbstractSocket::SocketError error);
    void OnSocketClosed();

private:
    // A fresh message: the code, then each field in order.
    template <class... Fields>
    static MemStream Message(ServerMessageCode code, const Fields&... fields)
    {
        return BuildMessage(uint32_t(code), fields...);
    }
    // Builds an ordinary message and sends it; dropped unless logged in.
    template <class... Fields>
    void Send(ServerMessageCode code, const Fields&... fields)
    {
        MemStream message = Message(code, fields...);
        SendMessage(message, false);
    }
    // The session is gone without the client asking.
    void OnSessionLost();
    void OnDisconnected();
    void OnConnectedToServer();
    // Closes the socket without its signals reaching the session.
    void CloseSocketQuietly();
    void MapListeningPorts();
    unsigned int NextSearchToken() { return searchTokenCounter++; }

    // The handlers that need the session itself; the others only write the graph.
    void OnLoginReply(MemStream& message);
    void OnAddUserReply(MemStream& message);
    void OnPrivateMessage(MemStream& message);
    void OnOwnPrivilegesStatus(MemStream& message);
    void OnRoomTickers(MemStream& message);
    void OnRoomTickerAdded(MemStream& message);
    void OnAddRoomMembership(MemStream& message);
    void OnSearchCorrelations(MemStream& message);
    void AddRoomTicker(ItemPtr room, const QString& user, const QString& text);

    int state = StateNotConnected;
    QTcpSocket socket;
    FrameReader reader{MaxMessageLength, MinMessageLength};
    unsigned int searchTokenCounter = 1;
    unsigned int indirectConnectionTokenCounter = 1;
    bool firstLoginPending = true;
    bool selfClosePending = false;
    bool abruptlyDisconnected = false;
    long long tickerOrderCounter = 1;
    std::unique_ptr<PortMapper> portMapper;
};

extern Server* gp_server;

#endif
