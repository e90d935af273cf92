// The manager's life, what the server tells it, the connections it holds, and
// the parent side: possible parents, adoption, and the messages from above.
#include "dnet/DNetManager.h"

#include "app/Settings.h"
#include "app/TimerManager.h"
#include "dnet/DNetDecisions.h"
#include "dnet/DNetLog.h"
#include "dnet/DNetMessages.h"
#include "dnet/DNetSchema.h"
#include "dnet/PossibleParents.h"
#include "peer/PeerGreeting.h"
#include "server/Server.h"
#include "store/Data.h"
#include "wire/FrameWriter.h"

#include <QPointer>
#include <QTcpSocket>

#include <algorithm>
#include <vector>

DNetManager* dnetManager = nullptr;

namespace {

// Tells the server, when there is a session.
template <class... Parameters, class... Arguments>
void Tell(void (Server::*operation)(Parameters...), const Arguments&... arguments)
{
    if (gp_server)
        (gp_server->*operation)(arguments...);
}

qint64 NowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

Value SocketValue(const QTcpSocket* socket)
{
    return Value(static_cast<const void*>(socket));
}

ItemPtr CandidateItem(const QTcpSocket* socket)
{
    return d.GetType("dnet_parent_candidate")->HasItem(SocketValue(socket));
}

} // namespace

DNetManager::DNetManager(QObject* parent)
    : QObject(parent)
{
    DeclareDNetTypes();
    dnetManager = this;

    auto* speed = new PathNode(d.GetType("global")->GetItem("upload_speed"));
    new PathNode(speed, "global_value", PathOnConnect);
    d.AddPathEventHandler(
        speed, AddDataHandler(new EventHandler<DNetManager, ItemPtr>(this, &DNetManager::OnReceivedOwnUploadSpeed)));

    if (gp_server) {
        connect(gp_server, &Server::DNetParentMinSpeed, this, &DNetManager::OnDNetParentMinSpeed);
        connect(gp_server, &Server::DNetParentSpeedConnectionRatio, this,
                &DNetManager::OnDNetParentSpeedConnectionRatio);
        connect(gp_server, &Server::DNetPossibleParents, this, &DNetManager::OnDNetPossibleParents);
        connect(gp_server, &Server::DNetMessage, this, &DNetManager::OnDNetMessage);
        connect(gp_server, &Server::DNetDeliveryReport, this, &DNetManager::OnDNetDeliveryReport);
        connect(gp_server, &Server::DNetReset, this, &DNetManager::OnDNetReset);
        connect(gp_server, &Server::Connected, this, &DNetManager::OnConnected);
    }
    if (timerManager)
        connect(timerManager, &TimerManager::HalfMinuteTick, this, &DNetManager::EveryHalfMinute);
}

DNetManager::~DNetManager()
{
    RemoveDataHandlers();
    std::vector<QTcpSocket*> open;
    links.ForEach([&](const DNetLink& link) { open.push_back(link.Socket()); });
    for (QTcpSocket* socket : open) {
        socket->disconnect(this);
        links.Remove(socket);
        delete socket;
    }
    // Nothing may name the sockets that go with this manager.
    if (d.HasType("dnet_child")) {
        g("dnet_child").Remove();
        g("dnet_parent_candidate").Remove();
        UnsetDNetValue(DNetParentSocket);
    }
    if (dnetManager == this)
        dnetManager = nullptr;
}

std::size_t DNetManager::ChildCount() const
{
    return d.GetType("dnet_child")->ItemCount();
}

std::size_t DNetManager::CandidateCount() const
{
    return d.GetType("dnet_parent_candidate")->ItemCount();
}

// What the server tells.

void DNetManager::OnDNetParentMinSpeed(int speed)
{
    parentMinSpeed = speed;
    DNetLog(1, QString("Received parent min speed %1, currently not processing").arg(speed));
    DetermineCanParent();
}

void DNetManager::OnDNetParentSpeedConnectionRatio(int ratio)
{
    parentSpeedConnectionRatio = ratio;
    DNetLog(1, QString("Received parent speed connection ratio %1, currently not processing").arg(ratio));
    DetermineCanParent();
}

void DNetManager::OnReceivedOwnUploadSpeed(ItemPtr)
{
    DetermineCanParent();
}

void DNetManager::OnDNetPossibleParents(const PossibleParentList& parents)
{
    if (HasParent()) {
        DNetLog(1, "Received possible parents list, but already have a parent. Not processing.");
        return;
    }
    DNetLog(1, QString("Received possible parents list, %1 entries").arg(parents.size()));
    for (const QString& user : TakeUntriedParents(parents, MaxCandidatesPerList)) {
        pendingCandidates.insert(user);
        emit RequestDNetConnection(user);
    }
}

void DNetManager::OnDNetMessage(MemStream& body)
{
    HandleMessage(nullptr, body);
}

void DNetManager::OnDNetDeliveryReport(int request)
{
    DNetLog(1, QString("Received DNet delivery report request, req %1").arg(request));
}

void DNetManager::OnDNetReset()
{
    DNetLog(1, "Received DNet reset request");
}

void DNetManager::OnConnected()
{
    Tell(&Server::SendDNetHasParent, HasParent());
    if (HasDNetValue(DNetGroupLeader))
        Tell(&Server::SendDNetGroupLeader, GetDNetValue(DNetGroupLeader));
    if (HasDNetValue(DNetLevel))
        Tell(&Server::SendDNetLevel, int(GetDNetValue(DNetLevel).toUInt()));
    // A new session knows nothing of this client: it hears the whole position.
    if (StoredChildDepth() != 0)
        Tell(&Server::SendChildDepth, true);
    lastCanParent = false;
    DetermineCanParent();
}

void DNetManager::DetermineCanParent()
{
    const std::optional<int64_t> speed = ParseUploadSpeed(GetSetting("upload_speed"));
    if (parentMinSpeed == -1 || parentSpeedConnectionRatio == -1 || !speed)
        return;
    DNetLog(1, "Determining whether we can accept child connections.");
    const ChildCapacity capacity = ComputeChildCapacity(*speed, parentMinSpeed, parentSpeedConnectionRatio);
    bool can = false;
    if (capacity.belowMinimum) {
        DNetLog(2, "Below minimum parent speed, so no.");
    } else if (capacity.badRatio) {
        DNetLog(2, QString("Parent speed connection ratio %1 is not above 0, so no.").arg(parentSpeedConnectionRatio));
    } else {
        const std::size_t children = ChildCount();
        DNetLog(2,
                QString("Currently have %1 child connections, max capacity %2").arg(children).arg(capacity.children));
        can = capacity.children > int64_t(children);
    }
    if (can == lastCanParent) {
        DNetLog(2, "No status change, not notifying.");
        return;
    }
    lastCanParent = can;
    DNetLog(2, "Status changed, sending notification.");
    Tell(&Server::SendDNetCanParent, can);
}

void DNetManager::EveryHalfMinute()
{
    ExpireSilentConnections(QDateTime::currentDateTime());
}

void DNetManager::ExpireSilentConnections(const QDateTime& now)
{
    const qint64 nowMs = now.toMSecsSinceEpoch();
    if (QTcpSocket* parent = ParentSocket(); parent && nowMs - lastParentSearchMs > ParentSilenceMs) {
        DNetLog(1, "More than a minute elapsed without hearing from parent, closing connection.");
        DropUpstream(parent);
    }
    std::vector<QTcpSocket*> silent;
    std::vector<QTcpSocket*> superseded;
    QTcpSocket* parent = ParentSocket();
    links.ForEach([&](const DNetLink& link) {
        if (link.GetSide() == DNetLink::Side::Upstream && link.Socket() != parent
            && nowMs - link.LastHeardMs() > CandidateSilenceMs)
            silent.push_back(link.Socket());
        if (link.IsSuperseded() && nowMs - link.SupersededAtMs() > SupersededChildGraceMs)
            superseded.push_back(link.Socket());
    });
    for (QTcpSocket* socket : silent)
        if (const DNetLink* link = links.Find(socket)) {
            DNetLog(1, QString("Possible parent %1 said nothing for a minute, closing").arg(link->User()));
            DropUpstream(socket);
        }
    for (QTcpSocket* socket : superseded)
        if (const DNetLink* link = links.Find(socket)) {
            DNetLog(2, QString("Closing the replaced connection of child %1").arg(link->User()));
            Discard(socket);
        }
}

// Connections.

DNetLink& DNetManager::Take(QTcpSocket* socket, DNetLink::Side side, const QString& user)
{
    DNetLink& link = links.Add(socket, side, user, NowMs());
    if (side == DNetLink::Side::Upstream) {
        connect(socket, &QTcpSocket::readyRead, this, &DNetManager::OnSocketReadyToRead);
        connect(socket, &QTcpSocket::errorOccurred, this, &DNetManager::OnSocketError);
        connect(socket, &QTcpSocket::disconnected, this, &DNetManager::OnSocketClosed);
    } else {
        connect(socket, &QTcpSocket::readyRead, this, &DNetManager::OnChildSocketReadyToRead);
        connect(socket, &QTcpSocket::errorOccurred, this, &DNetManager::OnChildSocketError);
        connect(socket, &QTcpSocket::disconnected, this, &DNetManager::OnChildSocketClosed);
    }
    return link;
}

void DNetManager::OnSocketReadyToRead()
{
    if (auto* socket = qobject_cast<QTcpSocket*>(sender()))
        ReadLink(socket);
}

void DNetManager::OnChildSocketReadyToRead()
{
    if (auto* socket = qobject_cast<QTcpSocket*>(sender()))
        ReadLink(socket);
}

void DNetManager::ReadLink(QTcpSocket* socket)
{
    qint64 taken = 0;
    for (;;) {
        // Handling a message may close this connection.
        DNetLink* link = links.Find(socket);
        if (!link)
            return;
        // A parent that sends without pause gets a slice at a time, so that
        // what goes out to the children leaves between slices and the event
        // loop stays responsive.
        if (taken >= ReadSliceBytes) {
            if (socket->bytesAvailable() > 0)
                QMetaObject::invokeMethod(
                    this,
                    [this, next = QPointer<QTcpSocket>(socket)] {
                        if (next)
                            ReadLink(next);
                    },
                    Qt::QueuedConnection);
            return;
        }
        MemStream body;
        const FrameReader::Result result = link->Next(body);
        if (result == FrameReader::Result::NeedMore)
            return;
        const bool child = link->GetSide() == DNetLink::Side::Child;
        if (result == FrameReader::Result::BadLength) {
            DNetLog(1,
                    QString("Message of %1 bytes from %2 is longer than any of this network, closing")
                        .arg(link->BadLength())
                        .arg(link->User()));
            child ? DropChild(socket) : DropUpstream(socket);
            return;
        }
        taken += qint64(body.GetLength()) + 4;
        link->Heard(NowMs());
        child ? HandleChildMessage(socket, body) : HandleMessage(socket, body);
    }
}

void DNetManager::OnSocketClosed()
{
    if (auto* socket = qobject_cast<QTcpSocket*>(sender()))
        DropUpstream(socket);
}

void DNetManager::OnSocketError(QAbstractSocket::SocketError)
{
    OnSocketClosed();
}

void DNetManager::Discard(QTcpSocket* socket)
{
    socket->disconnect(this);
    links.Remove(socket);
    behind.erase(socket);
    socket->close();
    socket->deleteLater();
}

void DNetManager::Write(DNetLink& link, const QByteArray& frame)
{
    if (link.Write(frame))
        return;
    if (behind.empty())
        QMetaObject::invokeMethod(this, &DNetManager::DropLaggards, Qt::QueuedConnection);
    behind.insert(link.Socket());
}

void DNetManager::DropLaggards()
{
    const std::set<QTcpSocket*> laggards = std::move(behind);
    behind.clear();
    for (QTcpSocket* socket : laggards) {
        // A connection closed since it was noted has left the set; this
        // guards against one that the drops before it took along.
        DNetLink* link = links.Find(socket);
        if (!link)
            continue;
        DNetLog(1,
                QString("Connection to %1 fell behind by %2 bytes or failed, closing")
                    .arg(link->User())
                    .arg(link->Backlog()));
        if (link->GetSide() == DNetLink::Side::Child)
            DropChild(socket);
        else
            DropUpstream(socket);
    }
}

// Parent side.

QTcpSocket* DNetManager::ParentSocket() const
{
    const DNetLink* link = links.Find(GetDNetRawValue(DNetParentSocket));
    return link ? link->Socket() : nullptr;
}

bool DNetManager::HasParent() const
{
    return HasDNetValue(DNetParentUser);
}

void DNetManager::OnDNetConnectionAccepted(QString user, QTcpSocket* socket)
{
    if (!socket)
        return;
    pendingCandidates.remove(user);
    ItemPtr userItem = d.GetType("user")->GetItem(user);
    DNetLog(1, QString("Parent connection to user %1 accepted").arg(user), userItem);
    if (HasParent()) {
        DNetLog(2, "Rejecting, already have parent", userItem);
        socket->close();
        socket->deleteLater();
        return;
    }
    DNetLog(2, "Adding as possible parent candidate", userItem);
    d.GetType("dnet_parent_candidate")->NewItem(SocketValue(socket)) += userItem;
    Take(socket, DNetLink::Side::Upstream, user);
    // What came with the greeting is not announced again.
    ReadLink(socket);
}

void DNetManager::OnConnectionToUserFailed(QString user, QString type)
{
    if (type != DNetConnection || !pendingCandidates.remove(user))
        return;
    DNetLog(1, QString("Parent connection to user %1 failed").arg(user));
    AskForParentsWhenNoneLeft();
}

void DNetManager::HandleMessage(QTcpSocket* socket, MemStream& body)
{
    // The message as it came, for the children.
    const QByteArray frame = FrameMessage(body);
    uint8_t code = 0;
    if (!body.Read(code)) {
        DNetLog(1, "Error reading message code, closing parent/candidate connection");
        if (socket)
            DropUpstream(socket);
        return;
    }
    ItemPtr candidate;
    if (socket) {
        const bool hasParent = HasParent();
        if (!hasParent)
            candidate = CandidateItem(socket);
        const bool fromParent = hasParent && GetDNetRawValue(DNetParentSocket) == SocketValue(socket);
        if (!fromParent && !candidate) {
            DNetLog(2, "Message on a connection that is neither the parent nor a possible parent, closing");
            Discard(socket);
            return;
        }
    }
    switch (code) {
    case DNetLevelCode: OnLevel(socket, candidate, body); break;
    case DNetLeaderCode: OnLeader(socket, candidate, body, frame); break;
    case DNetSearchCode: OnSearch(socket, candidate, body, frame); break;
    default: break;
    }
}

void DNetManager::Malformed(QTcpSocket* socket)
{
    DNetLog(1, "Malformed message from parent/candidate, closing");
    if (socket)
        DropUpstream(socket);
}

void DNetManager::OnLevel(QTcpSocket* socket, ItemPtr candidate, MemStream& body)
{
    uint32_t level = 0;
    if (!body.Read(level)) {
        Malformed(socket);
        return;
    }
    level = LevelBelow(level);
    if (candidate) {
        if (level == DNetUnknownLevel)
            candidate.Disconnect("dnet_candidate_level");
        else
            candidate += d.GetType("dnet_candidate_level")->GetItem(Value(level));
        return;
    }
    // Relayed by the server, a level changes nothing.
    if (!socket)
        return;
    const uint32_t old = HasDNetValue(DNetLevel) ? GetDNetValue(DNetLevel).toUInt() : DNetUnknownLevel;
    if (level == old)
        return;
    DNetLog(1, QString("Received level from parent, updating to %1").arg(level));
    SetDNetValue(DNetLevel, level == DNetUnknownLevel ? Value() : Value(level));
    Tell(&Server::SendDNetLevel, int(level));
    SendMessageToChildren(BuildDNetLevel(level));
}

void DNetManager::OnLeader(QTcpSocket* socket, ItemPtr candidate, MemStream& body, const QByteArray& frame)
{
    QString leader;
    if (!body.Read(leader)) {
        Malformed(socket);
        return;
    }
    if (candidate) {
        if (leader.isEmpty())
            candidate.Disconnect("dnet_candidate_leader");
        else
            candidate += d.GetType("dnet_candidate_leader")->GetItem(Value(leader));
        return;
    }
    if (!socket || leader == GetDNetValue(DNetGroupLeader))
        return;
    DNetLog(1, QString("Received group leader from parent, updating to %1").arg(leader));
    SetDNetValue(DNetGroupLeader, Value(leader));
    Tell(&Server::SendDNetGroupLeader, leader);
    SendFrameToChildren(frame);
}

void DNetManager::OnSearch(QTcpSocket* socket, ItemPtr candidate, MemStream& body, const QByteArray& frame)
{
    uint32_t kind = 0;
    if (!body.Read(kind)) {
        Malformed(socket);
        return;
    }
    if (kind == DNetFileSearchKind) {
        DNetSearch search;
        if (!ReadDNetSearch(body, search)) {
            Malformed(socket);
            return;
        }
        emit DNetSearchRequest(search.user, search.token, search.query);
        if (socket && !candidate)
            lastParentSearchMs = NowMs();
        if (candidate)
            Adopt(socket, candidate);
    }
    SendFrameToChildren(frame);
}

void DNetManager::Adopt(QTcpSocket* socket, ItemPtr candidate)
{
    const QString user = candidate.GetItem("user").AsString();
    SetDNetValue(DNetParentUser, Value(user));
    SetDNetValue(DNetParentSocket, SocketValue(socket));
    lastParentSearchMs = NowMs();
    DNetLog(1, QString("Received first search request from parent candidate %1, adopting as parent.").arg(user));
    if (ItemPtr level = candidate.GetItem("dnet_candidate_level")) {
        DNetLog(2, QString("Level recorded as %1.").arg(level.AsString()));
        SetDNetValue(DNetLevel, level.GetValue());
        Tell(&Server::SendDNetLevel, int(level.AsUInt()));
        SendMessageToChildren(BuildDNetLevel(level.AsUInt()));
    }
    if (ItemPtr leader = candidate.GetItem("dnet_candidate_leader")) {
        DNetLog(2, QString("Group leader recorded as %1.").arg(leader.AsString()));
        SetDNetValue(DNetGroupLeader, leader.GetValue());
        Tell(&Server::SendDNetGroupLeader, leader.AsString());
        SendMessageToChildren(BuildDNetLeader(leader.AsString()));
    }
    std::vector<QTcpSocket*> others;
    for (ItemPtr other : g("dnet_parent_candidate"))
        if (const DNetLink* link = links.Find(other.GetValue()); link && link->Socket() != socket)
            others.push_back(link->Socket());
    g("dnet_parent_candidate").Remove();
    for (QTcpSocket* other : others)
        Discard(other);
    Tell(&Server::SendDNetHasParent, true);
    // The parent counts the tree below it from what its children say.
    SendToParent(BuildDNetChildDepth(uint32_t(std::min<uint64_t>(StoredChildDepth(), DNetUnknownLevel))));
}

void DNetManager::DropUpstream(QTcpSocket* socket)
{
    if (HasParent() && GetDNetRawValue(DNetParentSocket) == SocketValue(socket)) {
        LoseParent();
        Discard(socket);
        return;
    }
    ItemPtr candidate = CandidateItem(socket);
    Discard(socket);
    if (candidate) {
        DNetLog(1, "Parent candidate socket closed", candidate.GetItem("user"));
        candidate.Remove();
        AskForParentsWhenNoneLeft();
    }
}

void DNetManager::LoseParent()
{
    DNetLog(1, "Parent socket closed");
    const bool hadLevel = HasDNetValue(DNetLevel);
    for (const char* name : {DNetParentUser, DNetParentSocket, DNetGroupLeader, DNetLevel})
        UnsetDNetValue(name);
    lastParentSearchMs = 0;
    Tell(&Server::SendDNetHasParent, false);
    Tell(&Server::SendDNetGroupLeader, QString());
    Tell(&Server::SendDNetLevel, -1);
    // The children learn every change of the level, this one too.
    if (hadLevel)
        SendMessageToChildren(BuildDNetLevel(DNetUnknownLevel));
}

void DNetManager::AskForParentsWhenNoneLeft()
{
    if (HasParent() || CandidateCount() > 0 || !pendingCandidates.isEmpty())
        return;
    // Without this the client would wait for a list that the server has no
    // reason to send.
    DNetLog(2, "No possible parent left, telling the server");
    Tell(&Server::SendDNetHasParent, false);
}

void DNetManager::SendToParent(const MemStream& message)
{
    if (QTcpSocket* parent = ParentSocket())
        Write(*links.Find(parent), FrameMessage(message));
}
