// The child side of the manager: children coming and going, what they say,
// and what goes down to them.
#include "dnet/DNetDecisions.h"
#include "dnet/DNetLog.h"
#include "dnet/DNetManager.h"
#include "dnet/DNetMessages.h"
#include "dnet/DNetSchema.h"
#include "server/Server.h"
#include "store/Data.h"
#include "wire/FrameWriter.h"

#include <QTcpSocket>

#include <vector>

void DNetManager::OnDNetConnectionRequested(QString user, QTcpSocket* socket)
{
    if (!socket)
        return;
    ItemPtr userItem = d.GetType("user")->GetItem(user);
    DNetLog(1, QString("Child connection accepted from %1").arg(user), userItem);
    Value depth;
    if (ItemPtr existing = userItem.GetItem("dnet_child")) {
        // Asking for a connection starts a direct and a brokered attempt at
        // once; both may reach this side, and the child keeps only one. The
        // earlier connection stays open for a while, and goes on serving the
        // child should the newer one be the one that closes.
        DNetLog(2, "Child connection already found, keeping the old connection until the new one stands.", userItem);
        if (DNetLink* earlier = SupersededLinkOf(user))
            Discard(earlier->Socket());
        if (DNetLink* old = links.Find(existing.GetValue()))
            old->Supersede(QDateTime::currentMSecsSinceEpoch());
        depth = existing.GetItem("dnet_child_depth").GetValue();
        existing.Remove();
    } else if (ChildCount() >= MaxChildren) {
        DNetLog(1, QString("Refusing child connection from %1: %2 children already").arg(user).arg(ChildCount()),
                userItem);
        socket->close();
        socket->deleteLater();
        return;
    }
    MakeChild(Take(socket, DNetLink::Side::Child, user), depth);
    DetermineCanParent();
    ReadLink(socket);
}

void DNetManager::MakeChild(DNetLink& link, const Value& depth)
{
    ItemPtr child = d.GetType("dnet_child")->NewItem(Value(static_cast<const void*>(link.Socket())));
    child += d.GetType("user")->GetItem(link.User());
    if (!depth.Empty())
        child += d.GetType("dnet_child_depth")->GetItem(depth);
    if (HasDNetValue(DNetLevel))
        Write(link, FrameMessage(BuildDNetLevel(GetDNetValue(DNetLevel).toUInt())));
    if (HasDNetValue(DNetGroupLeader))
        Write(link, FrameMessage(BuildDNetLeader(GetDNetValue(DNetGroupLeader))));
}

ItemPtr DNetManager::ChildItemOf(const DNetLink& link) const
{
    return d.GetType("user")->HasItem(Value(link.User())).GetItem("dnet_child");
}

DNetLink* DNetManager::SupersededLinkOf(const QString& user) const
{
    DNetLink* found = nullptr;
    links.ForEach([&](DNetLink& link) {
        if (link.IsSuperseded() && link.User() == user)
            found = &link;
    });
    return found;
}

void DNetManager::HandleChildMessage(QTcpSocket* socket, MemStream& body)
{
    uint8_t code = 0;
    if (!body.Read(code)) {
        DNetLog(1, "Error reading message code, closing child connection");
        DropChild(socket);
        return;
    }
    const DNetLink* link = links.Find(socket);
    ItemPtr child = link && link->GetSide() == DNetLink::Side::Child ? ChildItemOf(*link) : ItemPtr();
    if (!child) {
        Discard(socket);
        return;
    }
    if (DNetLogOn())
        DNetLog(1, QString("Received message from child, code %1").arg(code));
    if (code != DNetChildDepthCode)
        return;
    uint32_t depth = 0;
    if (!body.Read(depth))
        return;
    DNetLog(1, QString("Received child depth %1 from %2").arg(depth).arg(link->User()), child.GetItem("user"));
    child += d.GetType("dnet_child_depth")->GetItem(Value(depth));
    DetermineChildDepth();
}

void DNetManager::OnChildSocketClosed()
{
    if (auto* socket = qobject_cast<QTcpSocket*>(sender()))
        DropChild(socket);
}

void DNetManager::OnChildSocketError(QAbstractSocket::SocketError)
{
    OnChildSocketClosed();
}

void DNetManager::DropChild(QTcpSocket* socket)
{
    DNetLog(1, "Child socket closed");
    const DNetLink* link = links.Find(socket);
    const bool superseded = link && link->IsSuperseded();
    const QString user = link ? link->User() : QString();
    ItemPtr child = d.GetType("dnet_child")->HasItem(Value(static_cast<const void*>(socket)));
    Discard(socket);
    if (child) {
        const Value depth = child.GetItem("dnet_child_depth").GetValue();
        child.Remove();
        if (DNetLink* earlier = SupersededLinkOf(user)) {
            DNetLog(2, QString("Child %1 goes on over its earlier connection").arg(user));
            earlier->Reinstate();
            MakeChild(*earlier, depth);
        }
    } else if (!superseded) {
        DNetLog(2, "Child socket item not found, aborting");
    }
    // The depth below and the room for children follow the children.
    DetermineChildDepth();
    DetermineCanParent();
}

void DNetManager::SendMessageToChildren(const MemStream& body)
{
    SendFrameToChildren(FrameMessage(body));
}

void DNetManager::SendFrameToChildren(const QByteArray& frame)
{
    links.ForEach([&](DNetLink& link) {
        if (link.GetSide() == DNetLink::Side::Child && !link.IsSuperseded())
            Write(link, frame);
    });
}

uint64_t DNetManager::StoredChildDepth() const
{
    return GetDNetValue(DNetChildDepth).toULongLong();
}

void DNetManager::DetermineChildDepth()
{
    std::vector<uint32_t> depths;
    for (ItemPtr child : g("dnet_child"))
        if (ItemPtr depth = child.GetItem("dnet_child_depth"))
            depths.push_back(depth.AsUInt());
    const uint64_t depth = ComputeChildDepth(depths);
    if (depth == StoredChildDepth())
        return;
    DNetLog(1, QString("New child depth is %1").arg(depth));
    SetDNetValue(DNetChildDepth, depth == 0 ? Value() : Value(static_cast<unsigned long long>(depth)));
    if (gp_server)
        gp_server->SendChildDepth(depth != 0);
    SendToParent(BuildDNetChildDepth(uint32_t(std::min<uint64_t>(depth, DNetUnknownLevel))));
}
