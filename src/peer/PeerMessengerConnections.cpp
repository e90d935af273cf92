// Reaching other users: our own attempts (direct and brokered at the same
// time) and our answers to the brokered requests of others.
#include "peer/PeerGreeting.h"
#include "peer/PeerLog.h"
#include "peer/PeerMessenger.h"

#include "app/Settings.h"
#include "server/Server.h"

#include <QMetaMethod>
#include <QTcpSocket>

namespace {

QString Now()
{
    return QDateTime::currentDateTime().toString(Qt::TextDate);
}

void Set(ItemPtr item, const char* typeName, const Value& value)
{
    item += d.GetType(typeName)->GetItem(value);
}

ItemPtr User(const QString& name)
{
    return d.GetType("user")->GetItem(name);
}

// The address to dial, as the server gave it (first octet most significant);
// 0 when the user's address or port is unknown or unusable.
QHostAddress DialAddress(ItemPtr user, int port)
{
    const quint32 address = user.GetItem("user_address").AsUInt();
    if (address == 0 || port <= 0 || port > 0xFFFF)
        return QHostAddress();
    return QHostAddress(address);
}

} // namespace

int PeerMessenger::GetUserPort(ItemPtr user, bool& obfuscated) const
{
    const int obfuscatedPort = user.GetItem("user_obfuscated_port").AsInt();
    obfuscated = obfuscatedPort != 0;
    return obfuscated ? obfuscatedPort : user.GetItem("user_port").AsInt();
}

void PeerMessenger::RequestDNetConnection(const QString& user)
{
    ConnectToUser(user, DNetConnection);
}

void PeerMessenger::RequestFileConnectionToUser(const QString& user)
{
    ConnectToUser(user, FileConnection);
}

void PeerMessenger::ConnectToUser(const QString& user, const QString& type)
{
    ItemPtr userItem = User(user);
    PeerLog(1, QString("Attempting peer connection of type %1 to user %2").arg(type, user), userItem);
    ItemPtr typeItem = d.GetType("peer_connection_type")->GetItem(type);
    if (d.GetItem(userItem, typeItem, "connect_to_peer_request")) {
        PeerLog(1, "Connection attempt to same user of same type already in progress, not re-attempting.", userItem);
        return;
    }
    ItemPtr request = d.GetType("connect_to_peer_request")->NewItem();
    request += userItem;
    request += typeItem;

    if (gp_server) {
        PeerLog(2, "Also sending indirect connection request.", userItem);
        const unsigned int token = gp_server->SendIndirectConnectionRequest(user, type);
        ItemPtr indirect = d.GetType("indirect_connect_to_peer_request")->GetItem(Value(token));
        Set(indirect, "send_time", Now());
        indirect += userItem;
        indirect += typeItem;
        request += indirect;
    }

    if (userItem.IsConnected("user_address")) {
        StartDirectAttempt(request);
    } else {
        PeerLog(2, "User address not found, requesting address", userItem);
        Set(request, "connect_to_peer_request_status", "getting_address");
        if (gp_server)
            gp_server->GetUserAddress(user);
    }
}

void PeerMessenger::StartDirectAttempt(ItemPtr request)
{
    ItemPtr user = request.GetItem("user");
    ItemPtr typeItem = request.GetItem("peer_connection_type");
    Set(request, "connect_to_peer_request_status", "connecting");
    bool obfuscated = false;
    const int port = GetUserPort(user, obfuscated);
    const QHostAddress address = DialAddress(user, port);
    if (address.isNull()) {
        // Address 0 or port 0 is how the server says it does not know.
        PeerLog(1, QString("Direct connection of type %1 to user %2 failed").arg(typeItem.AsString(), user.AsString()),
                user);
        InspectPeerConnectionRequest(request);
        return;
    }
    auto* socket = new QTcpSocket(this);
    sockets.Add(socket);
    connect(socket, &QTcpSocket::connected, this, &PeerMessenger::OnConnectToPeerSocketConnected);
    connect(socket, &QTcpSocket::errorOccurred, this, &PeerMessenger::OnConnectToPeerSocketError);
    ItemPtr attempt = d.GetType("connect_to_peer_request_socket")->GetItem(Value(socket));
    Set(attempt, "socket_creation_time", Now());
    attempt += user;
    attempt += typeItem;
    if (obfuscated)
        attempt.NewItem("is_obfuscated");
    request += attempt;
    socket->connectToHost(address, quint16(port));
}

void PeerMessenger::OnUserAddress(ItemPtr user)
{
    // The server session is in the middle of writing the address.
    usersWithAddress.push_back(user.AsString());
    if (!dialScheduled) {
        dialScheduled = true;
        QMetaObject::invokeMethod(this, &PeerMessenger::DialWaitingRequests, Qt::QueuedConnection);
    }
}

void PeerMessenger::DialWaitingRequests()
{
    dialScheduled = false;
    std::vector<QString> users;
    users.swap(usersWithAddress);
    for (const QString& name : users) {
        ItemPtr user = d.GetType("user")->HasItem(name);
        if (!user || !user.IsConnected("user_address"))
            continue;
        const ItemSet waiting
            = user.GetItems("connect_to_peer_request").Connected("connect_to_peer_request_status", "getting_address");
        if (waiting.Empty())
            continue;
        PeerLog(1, QString("User %1 address arrived").arg(name), user);
        d.ForEachPresent(waiting.ToVector(), [&](Item* request) {
            PeerLog(1,
                    QString("Attempting direct connection of type %1")
                        .arg(ItemPtr(request).GetItem("peer_connection_type").AsString()),
                    user);
            StartDirectAttempt(request);
        });
    }
}

void PeerMessenger::OnConnectToPeerSocketConnected()
{
    auto* socket = qobject_cast<QTcpSocket*>(sender());
    ItemPtr attempt = d.GetType("connect_to_peer_request_socket")->HasItem(Value(socket));
    if (!socket || !attempt) {
        DropAttemptSocket(socket);
        return;
    }
    socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    const QString user = attempt.GetItem("user").AsString();
    const QString type = attempt.GetItem("peer_connection_type").AsString();
    const bool obfuscated = attempt.IsConnected("is_obfuscated");
    PeerLog(1,
            QString("Direct %1connection of type %2 to user %3 successful").arg(ObfuscatedWord(obfuscated), type, user),
            attempt.GetItem("user"));
    MemStream greeting = BuildDirectGreeting(GetSetting("username"), type);
    SendMessage(socket, greeting, obfuscated);
    socket->disconnect(this);
    ItemPtr request = attempt.GetItem("connect_to_peer_request");
    attempt.Remove();
    if (request)
        DisposeOfPeerConnectionRequest(request);
    if (type == MessagingConnection) {
        connect(socket, &QTcpSocket::readyRead, this, &PeerMessenger::OnSocketReadyToRead);
        connect(socket, &QTcpSocket::errorOccurred, this, &PeerMessenger::OnSocketError);
        connect(socket, &QTcpSocket::disconnected, this, &PeerMessenger::OnSocketClosed);
        OpenMessagingConnection(socket, user, obfuscated);
    } else if (type == FileConnection) {
        if (HandOver(socket, QMetaMethod::fromSignal(&PeerMessenger::FileConnectionAccepted), "file"))
            emit FileConnectionAccepted(user, socket);
    } else if (type == DNetConnection) {
        if (HandOver(socket, QMetaMethod::fromSignal(&PeerMessenger::DNetConnectionAccepted), "DNet"))
            emit DNetConnectionAccepted(user, socket);
    }
}

void PeerMessenger::OnConnectToPeerSocketError(QAbstractSocket::SocketError)
{
    auto* socket = qobject_cast<QTcpSocket*>(sender());
    ItemPtr attempt = d.GetType("connect_to_peer_request_socket")->HasItem(Value(socket));
    DropAttemptSocket(socket);
    if (!attempt)
        return;
    PeerLog(1,
            QString("Direct connection of type %1 to user %2 failed")
                .arg(attempt.GetItem("peer_connection_type").AsString(), attempt.GetItem("user").AsString()),
            attempt.GetItem("user"));
    ItemPtr request = attempt.GetItem("connect_to_peer_request");
    attempt.Remove();
    InspectPeerConnectionRequest(request);
}

void PeerMessenger::DropAttemptSocket(QTcpSocket* socket)
{
    if (!socket)
        return;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    sockets.Remove(socket);
}

void PeerMessenger::OnIndirectPeerConnectionFailure(uint token)
{
    ItemPtr indirect = d.GetType("indirect_connect_to_peer_request")->HasItem(Value(token));
    if (!indirect)
        return;
    PeerLog(1,
            QString("Indirect connection of type %1 to user %2 failed")
                .arg(indirect.GetItem("peer_connection_type").AsString(), indirect.GetItem("user").AsString()),
            indirect.GetItem("user"));
    ItemPtr request = indirect.GetItem("connect_to_peer_request");
    indirect.Remove();
    InspectPeerConnectionRequest(request);
}

void PeerMessenger::InspectPeerConnectionRequest(ItemPtr request)
{
    if (!request)
        return;
    const QString user = request.GetItem("user").AsString();
    const QString type = request.GetItem("peer_connection_type").AsString();
    PeerLog(2,
            QString("Inspecting peer connection request of type %1 to user %2 for possible removal.").arg(type, user));
    if (request.IsConnected("connect_to_peer_request_socket")) {
        PeerLog(3, "Socket found. Not removing request.");
        return;
    }
    if (request.IsConnected("indirect_connect_to_peer_request")) {
        PeerLog(3, "Indirect request found. Not removing request.");
        return;
    }
    PeerLog(3, "Neither socket nor indirect request found. Removing.");
    request.Remove();
    emit ConnectionToUserFailed(user, type);
}

void PeerMessenger::DisposeOfPeerConnectionRequest(ItemPtr request)
{
    PeerLog(2,
            QString("Disposing of peer connection request of type %1 to user %2")
                .arg(request.GetItem("peer_connection_type").AsString(), request.GetItem("user").AsString()));
    // The branch that did not succeed stops, or one request could bring two
    // connections (two file connections for one transfer).
    if (ItemPtr attempt = request.GetItem("connect_to_peer_request_socket")) {
        QTcpSocket* socket = sockets.Find(attempt);
        attempt.Remove();
        DropAttemptSocket(socket);
    }
    request.GetItem("indirect_connect_to_peer_request").Remove();
    request.Remove();
}

void PeerMessenger::OnPeerConnectionRequest(ItemPtr request)
{
    if (request.IsConnected("peer_connection_request_socket") || liveRefusedRequests.count(request.Get()))
        return;
    const QString refusal = AnswerRequest(request);
    if (refusal.isEmpty())
        return;
    ItemPtr user = request.GetItem("user");
    PeerLog(1, QString("Indirect peer connection requested from user %1 refused: %2").arg(user.AsString(), refusal),
            user);
    if (gp_server)
        gp_server->SendCantConnectToPeer(request.GetItem("peer_connection_request_id").AsUInt(), user.AsString());
    // The session is in the middle of writing the request: it goes later.
    if (refusedRequests.empty())
        QMetaObject::invokeMethod(this, &PeerMessenger::RemoveRefusedRequests, Qt::QueuedConnection);
    liveRefusedRequests.insert(request.Get());
    refusedRequests.push_back(request.Get());
}

void PeerMessenger::RemoveRefusedRequests()
{
    std::vector<Item*> requests;
    requests.swap(refusedRequests);
    for (Item* request : requests)
        if (liveRefusedRequests.erase(request))
            request->Remove();
}

QString PeerMessenger::AnswerRequest(ItemPtr request)
{
    ItemPtr user = request.GetItem("user");
    const QString type = request.GetItem("peer_connection_type").AsString();
    bool obfuscated = false;
    const int port = GetUserPort(user, obfuscated);
    const QHostAddress address = DialAddress(user, port);
    if (!IsConnectionType(type))
        return QString("unknown connection type \"%1\"").arg(type);
    if (address.isNull())
        return "no usable address";
    if (sockets.Size() >= size_t(MaxConnections))
        return QString("%1 connections open").arg(sockets.Size());
    if (obfuscated)
        request.NewItem("is_obfuscated");
    auto* socket = new QTcpSocket(this);
    sockets.Add(socket);
    connect(socket, &QTcpSocket::connected, this, &PeerMessenger::OnIndirectResponseSocketConnected);
    connect(socket, &QTcpSocket::errorOccurred, this, &PeerMessenger::OnSocketError);
    connect(socket, &QTcpSocket::disconnected, this, &PeerMessenger::OnSocketClosed);
    ItemPtr answer = d.GetType("peer_connection_request_socket")->NewItem(Value(socket));
    Set(answer, "socket_creation_time", Now());
    request += answer;
    PeerLog(
        1,
        QString("Indirect %1peer connection requested from user %2").arg(ObfuscatedWord(obfuscated), user.AsString()),
        user);
    socket->connectToHost(address, quint16(port));
    return QString();
}

void PeerMessenger::OnIndirectResponseSocketConnected()
{
    auto* socket = qobject_cast<QTcpSocket*>(sender());
    ItemPtr answer = d.GetType("peer_connection_request_socket")->HasItem(Value(socket));
    ItemPtr request = answer.GetItem("peer_connection_request");
    if (!request) {
        DisposeOfSocket(socket);
        return;
    }
    socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    disconnect(socket, &QTcpSocket::connected, this, &PeerMessenger::OnIndirectResponseSocketConnected);
    const QString user = request.GetItem("user").AsString();
    const QString type = request.GetItem("peer_connection_type").AsString();
    const bool obfuscated = request.IsConnected("is_obfuscated");
    MemStream greeting = BuildAnswerGreeting(request.GetItem("peer_connection_request_id").AsUInt());
    SendMessage(socket, greeting, obfuscated);
    answer.Remove();
    PeerLog(1,
            QString("Response %1connection to indirect request from %2, type %3 opened")
                .arg(ObfuscatedWord(obfuscated), user, type));
    request.Remove();
    if (type == DNetConnection) {
        if (HandOver(socket, QMetaMethod::fromSignal(&PeerMessenger::DNetConnectionRequested), "DNet"))
            emit DNetConnectionRequested(user, socket);
        return;
    }
    connect(socket, &QTcpSocket::readyRead, this, &PeerMessenger::OnSocketReadyToRead);
    if (type == FileConnection) {
        // Unfinished, and so on the clock, until the remote sends the token.
        auto state = std::make_unique<PeerReadState>(obfuscated);
        state->AwaitFileToken(user);
        readStates[socket] = std::move(state);
        ItemPtr waiting = d.GetType("uninitialized_socket")->NewItem(Value(socket));
        Set(waiting, "socket_creation_time", Now());
        ReadSocket(socket);
    } else {
        OpenMessagingConnection(socket, user, obfuscated);
    }
}
