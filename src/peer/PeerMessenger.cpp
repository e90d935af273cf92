// The messenger's life, its listening ports, the accepted connections and
// their greetings, the reading of every connection it holds, and its
// clean-up.
#include "peer/PeerMessenger.h"

#include "app/Log.h"
#include "app/Settings.h"
#include "app/TimerManager.h"
#include "peer/PeerGreeting.h"
#include "peer/PeerLog.h"
#include "peer/PeerMessageCode.h"
#include "peer/PeerSchema.h"
#include "server/Server.h"
#include "store/DataSaver.h"

#include <QMetaMethod>
#include <QTcpSocket>

PeerMessenger* peerMessenger = nullptr;

namespace {

// The socket types whose items name a socket this messenger holds.
const char* const SocketItemTypes[]
    = {"uninitialized_socket", "peer_socket", "connect_to_peer_request_socket", "peer_connection_request_socket"};

} // namespace

PeerMessenger::Schema::Schema()
{
    DeclarePeerNetworkTypes();
}

PeerMessenger::PeerMessenger(QObject* parent)
    : QObject(parent)
{
    peerMessenger = this;
    RegisterLoggableItemType("user");

    Type* peerSocket = d.GetType("peer_socket");
    peerSocket->itemCreated.Add(
        AddDataHandler(new EventHandler<PeerMessenger, ItemPtr>(this, &PeerMessenger::OnPeerSocketItemAdded)));
    peerSocket->itemRemoved.Add(
        AddDataHandler(new EventHandler<PeerMessenger, ItemPtr>(this, &PeerMessenger::OnPeerSocketItemRemoved)));

    auto* request = new PathNode(&d, "peer_connection_request");
    new PathNode(request, "peer_connection_request_id", PathOnConnect);
    new PathNode(request, "peer_connection_type", PathOnConnect);
    auto* requestUser = new PathNode(request, "user", PathOnConnect);
    for (const char* part : {"user_address", "user_port", "user_obfuscated_port"})
        new PathNode(requestUser, part, PathOnConnect);
    d.AddPathEventHandler(
        request,
        AddDataHandler(new EventHandler<PeerMessenger, ItemPtr>(this, &PeerMessenger::OnPeerConnectionRequest)));

    auto* user = new PathNode(&d, "user");
    for (const char* part : {"user_address", "user_port", "user_obfuscated_port"})
        new PathNode(user, part, PathOnConnect);
    d.AddPathEventHandler(
        user, AddDataHandler(new EventHandler<PeerMessenger, ItemPtr>(this, &PeerMessenger::OnUserAddress)));

    if (gp_server) {
        connect(gp_server, &Server::Connected, this, &PeerMessenger::OnConnectedToServer);
        connect(gp_server, &Server::IndirectPeerConnectionFailure, this,
                &PeerMessenger::OnIndirectPeerConnectionFailure);
    }
    if (timerManager)
        connect(timerManager, &TimerManager::HalfMinuteTick, this, &PeerMessenger::EveryHalfMinute);
    if (dataSaver)
        dataSaver->AddDataLoadedEventHandler(this);

    connect(&listeners, &PeerListeners::NewConnection, this, &PeerMessenger::OnNewConnection);

    connect(&handler, &PeerMessageHandler::SharedFileListRequested, this, &PeerMessenger::SharedFileListRequested);
    connect(&handler, &PeerMessageHandler::UserInfoRequested, this, &PeerMessenger::OnUserInfoRequested);
    connect(&handler, &PeerMessageHandler::UserShare, this, &PeerMessenger::UserShare);
    connect(&handler, &PeerMessageHandler::SearchResults, this, &PeerMessenger::SearchResults);
    connect(&handler, &PeerMessageHandler::UserInfoReceived, this, &PeerMessenger::UserInfoReceived);
    connect(&handler, &PeerMessageHandler::SharedFilesInFolderRequested, this,
            &PeerMessenger::SharedFilesInFolderRequested);
    connect(&handler, &PeerMessageHandler::FileTransferRequested, this, &PeerMessenger::FileTransferRequested);
    connect(&handler, &PeerMessageHandler::FileTransferResponse, this, &PeerMessenger::FileTransferResponse);
    connect(&handler, &PeerMessageHandler::QueueUploadRequested, this, &PeerMessenger::QueueUploadRequested);
    connect(&handler, &PeerMessageHandler::QueueDownloadRequested, this, &PeerMessenger::QueueDownloadRequested);
    connect(&handler, &PeerMessageHandler::UploadFailed, this, &PeerMessenger::UploadFailed);
    connect(&handler, &PeerMessageHandler::UploadDenied, this, &PeerMessenger::UploadDenied);
    connect(&handler, &PeerMessageHandler::UploadPlaceInLineRequested, this,
            &PeerMessenger::UploadPlaceInLineRequested);
    connect(&handler, &PeerMessageHandler::DownloadPlaceInLine, this, &PeerMessenger::DownloadPlaceInLine);
}

PeerMessenger::~PeerMessenger()
{
    RemoveDataHandlers();
    destroying = true;
    if (dataSaver)
        dataSaver->RemoveDataLoadedEventHandler(this);
    std::vector<QTcpSocket*> open;
    sockets.ForEach([&](QTcpSocket* socket) { open.push_back(socket); });
    for (QTcpSocket* socket : open) {
        socket->disconnect(this);
        delete socket;
    }
    // Nothing may name the sockets and copies that go with this messenger.
    for (const char* type : SocketItemTypes)
        if (d.HasType(type))
            g(type).Remove();
    for (const char* type : {"last_activity_time", "unsent_message"})
        if (d.HasType(type))
            g(type).Remove();
    if (peerMessenger == this)
        peerMessenger = nullptr;
}

QString PeerMessenger::MessageCodeToString(int code)
{
    return PeerMessageCodeName(code);
}

void PeerMessenger::SetListeningAddress(const QHostAddress& address)
{
    listeners.SetAddress(address);
}

void PeerMessenger::SetUploadAvailabilitySource(UploadAvailabilitySource source)
{
    uploadAvailability = std::move(source);
}

void PeerMessenger::DataLoaded()
{
    SettleListeningPorts();
    Listen();
}

void PeerMessenger::Listen()
{
    const ListeningPorts ports{GetSetting("listening_port").toInt(), GetSetting("obfuscated_listening_port").toInt()};
    const std::vector<PeerListeners::Failure> failures = listeners.Listen(ports);
    QStringList reasons;
    for (const PeerListeners::Failure& failure : failures) {
        const QString line = QString("Cannot listen on port %1: %2").arg(failure.port).arg(failure.reason);
        PeerLog(1, line);
        reasons << line;
        emit ListeningFailed(failure.port, failure.reason);
    }
    listeningError = reasons.join("; ");
    if (failures.empty()) {
        PeerLog(1,
                QString("Listening on port %1 and, obfuscated, on port %2").arg(ports.port).arg(ports.obfuscatedPort));
        emit Listening(ports.port, ports.obfuscatedPort);
    }
}

void PeerMessenger::OnConnectedToServer()
{
    // Nobody can reach a client that does not listen: each login tries again.
    if (!listeners.IsListening() && listeners.Ports().port != 0)
        Listen();
    const ListeningPorts ports = listeners.Ports();
    if (gp_server)
        gp_server->SetWaitPort(ports.port, ports.obfuscatedPort);
}

QTcpSocket* PeerMessenger::Watch(QTcpSocket* socket)
{
    sockets.Add(socket);
    connect(socket, &QTcpSocket::readyRead, this, &PeerMessenger::OnSocketReadyToRead);
    connect(socket, &QTcpSocket::errorOccurred, this, &PeerMessenger::OnSocketError);
    connect(socket, &QTcpSocket::disconnected, this, &PeerMessenger::OnSocketClosed);
    return socket;
}

void PeerMessenger::OnNewConnection(QTcpSocket* socket, bool obfuscated)
{
    const size_t ungreeted = d.GetType("uninitialized_socket")->ItemCount();
    if (ungreeted >= size_t(MaxUngreetedConnections) || sockets.Size() >= size_t(MaxConnections)) {
        PeerLog(1,
                QString("Refused %1peer connection from %2: %3 connections open, %4 of them not greeted yet")
                    .arg(ObfuscatedWord(obfuscated), socket->peerAddress().toString())
                    .arg(sockets.Size())
                    .arg(ungreeted));
        socket->abort();
        socket->deleteLater();
        return;
    }
    socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    Watch(socket);
    readStates[socket] = std::make_unique<PeerReadState>(obfuscated);
    ItemPtr item = d.GetType("uninitialized_socket")->NewItem(Value(socket));
    item += d.GetType("socket_creation_time")->GetItem(QDateTime::currentDateTime().toString(Qt::TextDate));
    if (obfuscated)
        item.NewItem("is_obfuscated");
}

void PeerMessenger::OnSocketReadyToRead()
{
    if (auto* socket = qobject_cast<QTcpSocket*>(sender()))
        ReadSocket(socket);
}

void PeerMessenger::ReadSocket(QTcpSocket* socket)
{
    for (;;) {
        // Handling a message may dispose of the socket or hand it over.
        const auto found = readStates.find(socket);
        if (found == readStates.end() || socket->bytesAvailable() <= 0)
            return;
        PeerReadState& state = *found->second;
        PeerReadState::Step step = state.Next(*socket);
        if (step.activity)
            TouchConnection(socket);
        switch (step.event) {
        case PeerReadState::Event::NeedMore: return;
        case PeerReadState::Event::BadLength:
            PeerLog(2, QString("Frame longer than %1 bytes, closing").arg(MaxPeerFrameLength));
            DisposeOfSocket(socket);
            return;
        case PeerReadState::Event::FileToken: {
            const QString user = state.User();
            TakeFileConnection(socket, user, step.token);
            return;
        }
        case PeerReadState::Event::Message:
            if (!HandleMessage(socket, step.body)) {
                DisposeOfSocket(socket);
                return;
            }
            break;
        }
    }
}

void PeerMessenger::TouchConnection(QTcpSocket* socket)
{
    ItemPtr peerSocket = d.GetType("peer_socket")->HasItem(Value(socket));
    if (QDateTime* lastActivity = activityTimes.Find(peerSocket.GetItem("last_activity_time")))
        *lastActivity = QDateTime::currentDateTime();
}

bool PeerMessenger::HandleMessage(QTcpSocket* socket, MemStream body)
{
    if (ItemPtr uninitialized = d.GetType("uninitialized_socket")->HasItem(Value(socket)))
        return HandleGreeting(socket, uninitialized, body);
    ItemPtr peerSocket = d.GetType("peer_socket")->HasItem(Value(socket));
    if (!peerSocket)
        return false;
    ItemPtr user = peerSocket.GetItem("user");
    uint32_t code = 0;
    if (!body.Read(code)) {
        PeerLog(
            1,
            QString("Could not read message code on connection to user %1, disposing of socket").arg(user.AsString()),
            user);
        return false;
    }
    TouchConnection(socket);
    if (PeerLogOn())
        PeerLog(1, QString("Received %1 message from user %2").arg(PeerMessageCodeName(int(code)), user.AsString()),
                user);
    return handler.Handle(user.AsString(), code, body);
}

bool PeerMessenger::HandleGreeting(QTcpSocket* socket, ItemPtr uninitialized, MemStream& body)
{
    const bool obfuscated = uninitialized.IsConnected("is_obfuscated");
    const QString obfuscatedWord = ObfuscatedWord(obfuscated);
    const PeerGreeting greeting = PeerGreeting::Read(body);
    bool ok = false;
    switch (greeting.kind) {
    case PeerGreeting::Kind::NoDirection:
        PeerLog(1, QString("Failed to read direction from new %1peer connection").arg(obfuscatedWord));
        break;
    case PeerGreeting::Kind::BadAnswer:
        PeerLog(1, QString("Failed to read req from %1indirect peer connection").arg(obfuscatedWord));
        break;
    case PeerGreeting::Kind::BadDirect: break;
    case PeerGreeting::Kind::Direct: {
        const QString& user = greeting.user;
        const QString& type = greeting.type;
        if (type == MessagingConnection) {
            PeerLog(1, QString("Accepted %1messaging connection to user %2").arg(obfuscatedWord, user));
            uninitialized.Remove();
            OpenMessagingConnection(socket, user, obfuscated);
        } else if (type == FileConnection) {
            // The socket stays unfinished, and so on the clock, until its token arrives.
            PeerLog(1, QString("Accepted %1file connection to user %2").arg(obfuscatedWord, user));
            readStates.at(socket)->AwaitFileToken(user);
        } else if (type == DNetConnection) {
            PeerLog(1, QString("Accepted %1DNet connection to user %2").arg(obfuscatedWord, user));
            if (HandOver(socket, QMetaMethod::fromSignal(&PeerMessenger::DNetConnectionRequested), "DNet"))
                emit DNetConnectionRequested(user, socket);
        } else {
            break;
        }
        PeerLog(1, QString("Peer %1connection of type %2 opened from user %3").arg(obfuscatedWord, type, user));
        ok = true;
        break;
    }
    case PeerGreeting::Kind::Answer: {
        ItemPtr indirect = d.GetType("indirect_connect_to_peer_request")->HasItem(Value(greeting.token));
        if (!indirect) {
            PeerLog(1, QString("Req sent on %1indirect peer connection not found").arg(obfuscatedWord));
            break;
        }
        const QString user = indirect.GetItem("user").AsString();
        const QString type = indirect.GetItem("peer_connection_type").AsString();
        // The request goes with its branches, this one included.
        if (ItemPtr request = indirect.GetItem("connect_to_peer_request"))
            DisposeOfPeerConnectionRequest(request);
        else
            indirect.Remove();
        uninitialized.Remove();
        PeerLog(1,
                QString("Found req, accepted %1indirect connection to user %2, connection type %3")
                    .arg(obfuscatedWord, user, type));
        ok = true;
        if (type == MessagingConnection)
            OpenMessagingConnection(socket, user, obfuscated);
        else if (type == FileConnection) {
            if (HandOver(socket, QMetaMethod::fromSignal(&PeerMessenger::FileConnectionAccepted), "file"))
                emit FileConnectionAccepted(user, socket);
        } else if (type == DNetConnection) {
            if (HandOver(socket, QMetaMethod::fromSignal(&PeerMessenger::DNetConnectionAccepted), "DNet"))
                emit DNetConnectionAccepted(user, socket);
        } else {
            ok = false;
        }
        break;
    }
    }
    if (!ok)
        PeerLog(1, QString("Failure initializing %1peer connection, disposing of socket").arg(obfuscatedWord));
    return ok;
}

void PeerMessenger::TakeFileConnection(QTcpSocket* socket, const QString& user, uint32_t token)
{
    if (HandOver(socket, QMetaMethod::fromSignal(&PeerMessenger::FileConnectionRequested), "file"))
        emit FileConnectionRequested(user, socket, token);
}

void PeerMessenger::OpenMessagingConnection(QTcpSocket* socket, const QString& user, bool obfuscated)
{
    if (!readStates.count(socket))
        readStates[socket] = std::make_unique<PeerReadState>(obfuscated);
    ItemPtr peerSocket = d.GetType("peer_socket")->NewItem(Value(socket));
    peerSocket += d.GetType("user")->GetItem(user);
    peerSocket += d.GetType("connection_open_time")->GetItem(QDateTime::currentDateTime().toString(Qt::TextDate));
    if (obfuscated)
        peerSocket.NewItem("is_obfuscated");
    SendUnsentMessages(user, socket, obfuscated);
}

bool PeerMessenger::HandOver(QTcpSocket* socket, const QMetaMethod& signal, const QString& what)
{
    if (!isSignalConnected(signal)) {
        PeerLog(1, QString("Nothing in this program takes %1 connections, closing").arg(what));
        DisposeOfSocket(socket);
        return false;
    }
    ForgetSocket(socket);
    socket->setParent(nullptr);
    return true;
}

void PeerMessenger::ForgetSocket(QTcpSocket* socket)
{
    socket->disconnect(this);
    readStates.erase(socket);
    const Value id(socket);
    for (const char* type : SocketItemTypes)
        d.GetType(type)->HasItem(id).Remove();
    sockets.Remove(socket);
}

void PeerMessenger::DisposeOfSocket(QTcpSocket* socket)
{
    if (destroying || !socket)
        return;
    socket->disconnect(this);
    socket->close();
    socket->deleteLater();
    PeerLog(2, "Disposing of socket");
    const Value id(socket);
    if (ItemPtr item = d.GetType("peer_connection_request_socket")->HasItem(id)) {
        PeerLog(2, "Identified as peer connection request socket");
        if (ItemPtr request = item.GetItem("peer_connection_request")) {
            PeerLog(2, "Request found, removing");
            if (gp_server)
                gp_server->SendCantConnectToPeer(request.GetItem("peer_connection_request_id").AsUInt(),
                                                 request.GetItem("user").AsString());
            request.Remove();
        } else {
            PeerLog(2, "Request not found");
        }
    } else if (d.GetType("uninitialized_socket")->HasItem(id)) {
        PeerLog(2, "Identified as uninitialized socket");
    } else if (d.GetType("peer_socket")->HasItem(id)) {
        PeerLog(2, "Identified as peer socket");
    } else {
        PeerLog(2, "Socket not identified");
    }
    ForgetSocket(socket);
}

void PeerMessenger::CloseSocketNamedBy(ItemPtr item)
{
    if (QTcpSocket* socket = sockets.Find(item))
        DisposeOfSocket(socket);
    else
        item.Remove();
}

void PeerMessenger::OnSocketError(QAbstractSocket::SocketError)
{
    DisposeOfSocket(qobject_cast<QTcpSocket*>(sender()));
}

void PeerMessenger::OnSocketClosed()
{
    DisposeOfSocket(qobject_cast<QTcpSocket*>(sender()));
}

void PeerMessenger::OnPeerSocketItemAdded(ItemPtr peerSocket)
{
    peerSocket
        += d.GetType("last_activity_time")->GetItem(activityTimes.Add(new QDateTime(QDateTime::currentDateTime())));
}

void PeerMessenger::OnPeerSocketItemRemoved(ItemPtr peerSocket)
{
    ItemPtr lastActivity = peerSocket.GetItem("last_activity_time");
    if (!lastActivity)
        return;
    activityTimes.Remove(lastActivity.GetValue());
    lastActivity.Remove();
}

void PeerMessenger::EveryHalfMinute()
{
    CleanUp(QDateTime::currentDateTime());
}

namespace {

// The items of the type whose time (a text date in the connected item of
// timeType) is maxAgeMs or more before now, as values: acting on one may
// remove others.
std::vector<Value> AgedItems(const char* type, const char* timeType, const QDateTime& now, qint64 maxAgeMs)
{
    std::vector<Value> aged;
    for (ItemPtr item : g(type)) {
        const QDateTime time = QDateTime::fromString(item.GetItem(timeType).AsString(), Qt::TextDate);
        if (!time.isValid() || time.msecsTo(now) >= maxAgeMs)
            aged.push_back(item.GetValue());
    }
    return aged;
}

QString TypeOf(ItemPtr item)
{
    return item.GetItem("peer_connection_type").AsString();
}

QString UserOf(ItemPtr item)
{
    return item.GetItem("user").AsString();
}

} // namespace

void PeerMessenger::CleanUp(const QDateTime& now)
{
    unsent.Expire(now, UnsentMessageLifetimeMs);

    Type* indirectType = d.GetType("indirect_connect_to_peer_request");
    for (const Value& value :
         AgedItems("indirect_connect_to_peer_request", "send_time", now, ConnectionAttemptTimeoutMs)) {
        ItemPtr indirect = indirectType->HasItem(value);
        if (!indirect)
            continue;
        PeerLog(1,
                QString("Indirect connection request of type %1 to %2 expired, removing.")
                    .arg(TypeOf(indirect), UserOf(indirect)));
        ItemPtr request = indirect.GetItem("connect_to_peer_request");
        indirect.Remove();
        InspectPeerConnectionRequest(request);
    }

    Type* attemptType = d.GetType("connect_to_peer_request_socket");
    for (const Value& value :
         AgedItems("connect_to_peer_request_socket", "socket_creation_time", now, ConnectionAttemptTimeoutMs)) {
        ItemPtr attempt = attemptType->HasItem(value);
        if (!attempt)
            continue;
        PeerLog(1,
                QString("Direct connection attempt of type %1 to %2 timed out, closing.")
                    .arg(TypeOf(attempt), UserOf(attempt)));
        QTcpSocket* socket = sockets.Find(value);
        ItemPtr request = attempt.GetItem("connect_to_peer_request");
        attempt.Remove();
        DropAttemptSocket(socket);
        InspectPeerConnectionRequest(request);
    }

    // Closing a socket that is still connecting signals nothing, so these
    // are disposed of here.
    Type* answerType = d.GetType("peer_connection_request_socket");
    for (const Value& value :
         AgedItems("peer_connection_request_socket", "socket_creation_time", now, ConnectionAttemptTimeoutMs)) {
        ItemPtr answer = answerType->HasItem(value);
        if (!answer)
            continue;
        ItemPtr request = answer.GetItem("peer_connection_request");
        PeerLog(1,
                QString("Indirect connection attempt of type %1 to %2 timed out, closing.")
                    .arg(TypeOf(request), UserOf(request)));
        CloseSocketNamedBy(answer);
    }

    Type* uninitializedType = d.GetType("uninitialized_socket");
    for (const Value& value :
         AgedItems("uninitialized_socket", "socket_creation_time", now, ConnectionAttemptTimeoutMs)) {
        if (ItemPtr uninitialized = uninitializedType->HasItem(value)) {
            PeerLog(1, "Peer connection never finished its greeting, closing.");
            CloseSocketNamedBy(uninitialized);
        }
    }

    std::vector<Value> idle;
    for (ItemPtr peerSocket : g("peer_socket")) {
        const QDateTime* lastActivity = activityTimes.Find(peerSocket.GetItem("last_activity_time"));
        if (!lastActivity || lastActivity->msecsTo(now) >= IdleConnectionTimeoutMs)
            idle.push_back(peerSocket.GetValue());
    }
    for (const Value& value : idle) {
        ItemPtr peerSocket = d.GetType("peer_socket")->HasItem(value);
        if (!peerSocket)
            continue;
        PeerLog(1, QString("Peer connection to user %1 expired, closing.").arg(UserOf(peerSocket)),
                peerSocket.GetItem("user"));
        CloseSocketNamedBy(peerSocket);
    }
}
