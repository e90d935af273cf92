#include "server/Server.h"

#include "app/Log.h"
#include "app/Settings.h"
#include "app/TimerManager.h"
#include "store/Data.h"
#include "store/DataSaver.h"

#include <QCryptographicHash>
#include <QSignalBlocker>

Server* gp_server = nullptr;

namespace {
// The account used when no login has been stored at all.
const char* const FallbackUsername = "QuillmerQT";
const char* const FallbackPassword = "MarblePenguinTwist";

// The login carries the protocol version the server expects from this kind of
// client, then a minor version.
constexpr uint32_t LoginMajorVersion = 157;
constexpr uint32_t LoginMinorVersion = 100;

// The status word of SM_SET_STATUS.
uint32_t StatusWord(bool available)
{
    return available ? 2 : 1;
}

// The 32 lower-case hex characters of the MD5 of the user name's UTF-8 bytes
// immediately followed by the password's.
QString LoginDigest(const QString& user, const QString& password)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(user.toUtf8() + password.toUtf8(), QCryptographicHash::Md5).toHex());
}

bool SettingExists(const char* name)
{
    Type* global = d.HasType("global");
    return global && global->HasItem(Value(name));
}

void LogServer(const QString& text)
{
    Log("server", 1, text, ItemPtr());
}
} // namespace

Server::Server(QObject* parent)
    : QObject(parent)
    , socket(this)
    , portMapper(std::make_unique<PortMapper>())
{
    gp_server = this;
    qRegisterMetaType<time_t>("time_t");
    qRegisterMetaType<UserStats>("UserStats");

    connect(&socket, &QTcpSocket::connected, this, &Server::OnConnected);
    connect(&socket, &QTcpSocket::readyRead, this, &Server::OnSocketReadyToRead);
    connect(&socket, &QTcpSocket::errorOccurred, this, &Server::OnSocketError);
    connect(&socket, &QTcpSocket::disconnected, this, &Server::OnSocketClosed);
    if (timerManager) {
        connect(timerManager, &TimerManager::HalfMinuteTick, this, &Server::AttemptReconnect);
        connect(timerManager, &TimerManager::FiveMinutesTick, this, &Server::EveryFiveMinutes);
        connect(timerManager, &TimerManager::HourTick, this, &Server::RenewPortMapping);
    }
    if (dataSaver)
        dataSaver->AddDataLoadedEventHandler(this);
}

Server::~Server()
{
    CloseSocketQuietly();
    if (dataSaver)
        dataSaver->RemoveDataLoadedEventHandler(this);
    if (gp_server == this)
        gp_server = nullptr;
}

QString Server::MessageCodeToString(int code)
{
    return ServerMessageCodeName(code);
}

void Server::SetPortMapper(std::unique_ptr<PortMapper> mapper)
{
    portMapper = std::move(mapper);
}

void Server::DataLoaded()
{
    if (!SettingExists("use_upnp"))
        SetSetting("use_upnp", "yes");
}

void Server::Connect()
{
    if (state != StateNotConnected || GetSetting("username").isEmpty())
        return;
    // A socket still closing from an earlier session must not hold up the new one.
    CloseSocketQuietly();
    reader.Reset();
    selfClosePending = false;

    QString host = GetSetting("server_host");
    if (host.isEmpty())
        host = DefaultHost;
    bool portValid = false;
    quint16 port = GetSetting("server_port").toUShort(&portValid);
    if (!portValid || port == 0)
        port = DefaultPort;

    state = StateConnecting;
    emit Connecting();
    socket.connectToHost(host, port, QIODevice::ReadWrite);
    LogServer(QString("Attempting connection on port %1").arg(port));
    if (IsSettingOn("use_upnp"))
        portMapper->Init();
}

void Server::OnConnected()
{
    if (!SettingExists("username"))
        SetSetting("username", FallbackUsername);
    if (!SettingExists("password"))
        SetSetting("password", FallbackPassword);
    const QString user = GetSetting("username");
    const QString password = GetSetting("password");
    MemStream login
        = Message(SM_LOGIN, user, password, LoginMajorVersion, LoginDigest(user, password), LoginMinorVersion);
    SendMessage(login, true);
    abruptlyDisconnected = false;
}

void Server::SendMessage(MemStream& message, bool login)
{
    if (login ? state == StateNotConnected : state != StateLoggedIn)
        return;
    socket.write(FrameMessage(message));
}

void Server::OnSocketReadyToRead()
{
    MemStream message;
    while (state != StateNotConnected && socket.bytesAvailable() > 0) {
        switch (reader.ReadFrom(socket, message)) {
        case FrameReader::Result::NeedMore: return;
        case FrameReader::Result::BadLength:
            LogServer(
                QString("Closing the server connection: message length %1 is out of bounds.").arg(reader.Length()));
            reader.Reset();
            CloseSocketQuietly();
            OnSessionLost();
            return;
        case FrameReader::Result::Complete: {
            uint32_t code = 0;
            message.Read(code);
            HandleMessage(int(code), message);
            break;
        }
        }
    }
}

void Server::OnSocketError(QAbstractSocket::SocketError)
{
    OnSocketClosed();
}

void Server::OnSocketClosed()
{
    if (selfClosePending) {
        selfClosePending = false;
        return;
    }
    OnSessionLost();
}

void Server::OnSessionLost()
{
    reader.Reset();
    if (state == StateConnecting) {
        state = StateNotConnected;
        emit ConnectionFailed("socket error");
    } else if (state == StateLoggedIn) {
        abruptlyDisconnected = true;
        OnDisconnected();
    }
}

void Server::Disconnect()
{
    if (state != StateLoggedIn)
        return;
    OnDisconnected();
    abruptlyDisconnected = false;
    if (socket.state() == QAbstractSocket::UnconnectedState)
        return;
    selfClosePending = true;
    socket.disconnectFromHost();
}

void Server::OnDisconnected()
{
    state = StateNotConnected;
    emit Disconnected();
    g("user").Disconnect("is_online");
}

void Server::CloseSocketQuietly()
{
    const QSignalBlocker blocker(&socket);
    socket.abort();
}

void Server::AttemptReconnect()
{
    if (abruptlyDisconnected)
        Connect();
}

void Server::EveryFiveMinutes()
{
    Send(SM_HEARTBEAT);
}

void Server::RenewPortMapping()
{
    if (state != StateLoggedIn || !IsSettingOn("use_upnp"))
        return;
    LogServer("Renewing UPnP port mapping.");
    MapListeningPorts();
}

void Server::MapListeningPorts()
{
    portMapper->AddPortMapping(&socket, GetSetting("listening_port").toInt());
    const int obfuscatedPort = GetSetting("obfuscated_listening_port").toInt();
    if (obfuscatedPort != 0)
        portMapper->AddPortMapping(&socket, obfuscatedPort);
}

void Server::OnConnectedToServer()
{
    if (firstLoginPending) {
        firstLoginPending = false;
        for (ItemPtr room : g("room").Connected("room_autojoin"))
            EnterRoom(room.AsString(), false);
        if (IsSettingOn("use_upnp"))
            MapListeningPorts();
    }
    if (GetSetting("availability_status") == "away")
        Send(SM_SET_STATUS, StatusWord(false));
    for (ItemPtr user : g("user").Connected("is_tracked"))
        AddUser(user.AsString());
    for (ItemPtr user : g("user").Connected("user_address_request"))
        Send(SM_GET_PEER_ADDRESS, user.AsString());
    SetSetting("accept_room_list", "yes");
}

void Server::SetWaitPort(int port, int obfuscatedPort)
{
    const uint32_t obfuscationType = 1;
    Send(SM_SET_WAIT_PORT, uint32_t(port), obfuscationType, uint32_t(obfuscatedPort));
}

void Server::SetAvailabilityStatus(bool available)
{
    SetSetting("availability_status", available ? "available" : "away");
    Send(SM_SET_STATUS, StatusWord(available));
}
