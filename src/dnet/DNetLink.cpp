#include "dnet/DNetLink.h"

#include "dnet/DNetMessages.h"

#include <QTcpSocket>

DNetLink::DNetLink(QTcpSocket* linkSocket, Side linkSide, const QString& linkUser, qint64 nowMs)
    : socket(linkSocket)
    , side(linkSide)
    , user(linkUser)
    , reader(MaxDNetFrameLength)
    , lastHeardMs(nowMs)
{
    socket->setReadBufferSize(MaxUnread);
}

FrameReader::Result DNetLink::Next(MemStream& body)
{
    return reader.ReadFrom(*socket, body);
}

bool DNetLink::Write(const QByteArray& frame)
{
    if (socket->write(frame) != frame.size())
        return false;
    // The socket hands the system one buffered block per event-loop pass, and
    // a busy parent relays more than that in a pass: past a threshold, what
    // waits is pushed out now, and only what the system will not take counts
    // as the far side falling behind.
    if (socket->bytesToWrite() > FlushThreshold)
        socket->flush();
    return socket->bytesToWrite() <= MaxBacklog;
}

qint64 DNetLink::Backlog() const
{
    return socket->bytesToWrite();
}

DNetLink& DNetLinks::Add(QTcpSocket* socket, DNetLink::Side side, const QString& user, qint64 nowMs)
{
    auto link = std::make_unique<DNetLink>(socket, side, user, nowMs);
    DNetLink& added = *link;
    links[Value(static_cast<const void*>(socket)).Bytes()] = std::move(link);
    return added;
}

DNetLink* DNetLinks::Find(const QTcpSocket* socket) const
{
    return Find(Value(static_cast<const void*>(socket)));
}

DNetLink* DNetLinks::Find(const Value& socketValue) const
{
    const auto found = links.find(socketValue.Bytes());
    return found == links.end() ? nullptr : found->second.get();
}

bool DNetLinks::Remove(const QTcpSocket* socket)
{
    return links.erase(Value(static_cast<const void*>(socket)).Bytes()) > 0;
}
