#ifndef DNET_DNETLINK_H
#define DNET_DNETLINK_H

#include "store/Value.h"
#include "wire/FrameReader.h"
#include "wire/MemStream.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <string>
#include <unordered_map>

class QTcpSocket;

// One distributed connection: cuts what arrives into frames no longer than
// the longest message of the protocol (memory grows with what arrived, never
// with an announced length), writes frames, and tells when the far side has
// fallen so far behind in reading that it must go. Remembers when the far
// side last completed a message.
class DNetLink
{
public:
    // What may wait to go out to one connection: thousands of searches. A
    // peer that reads nothing is dropped once this much is waiting, so that
    // it cannot grow this client's memory or hold up the others.
    static constexpr qint64 MaxBacklog = 1024 * 1024;
    // Beyond this much waiting, a write pushes what waits to the system.
    static constexpr qint64 FlushThreshold = 64 * 1024;
    // What the socket takes from the system ahead of the reader: a peer that
    // sends faster than this client reads is held back by the system.
    static constexpr qint64 MaxUnread = 1024 * 1024;

    enum class Side
    {
        Upstream, // the parent or a possible parent
        Child,
    };

    // Bounds what the socket reads ahead (MaxUnread).
    DNetLink(QTcpSocket* socket, Side side, const QString& user, qint64 nowMs);

    QTcpSocket* Socket() const { return socket; }
    Side GetSide() const { return side; }
    const QString& User() const { return user; }

    // The next frame from what the socket holds (see FrameReader::ReadFrom).
    FrameReader::Result Next(MemStream& body);
    uint32_t BadLength() const { return reader.Length(); }

    // Queues the frame; false when the write failed or more than MaxBacklog
    // bytes now wait to go out.
    bool Write(const QByteArray& frame);
    qint64 Backlog() const;

    // Times are milliseconds since the epoch.
    qint64 LastHeardMs() const { return lastHeardMs; }
    void Heard(qint64 nowMs) { lastHeardMs = nowMs; }

    // A child connection that a newer one of the same user replaced, kept for
    // a while in case the newer one does not stand (see DNetManager).
    bool IsSuperseded() const { return supersededAtMs != 0; }
    qint64 SupersededAtMs() const { return supersededAtMs; }
    void Supersede(qint64 nowMs) { supersededAtMs = nowMs; }
    void Reinstate() { supersededAtMs = 0; }

private:
    QTcpSocket* socket;
    Side side;
    QString user;
    FrameReader reader;
    qint64 lastHeardMs;
    qint64 supersededAtMs = 0;
};

// The connections the distributed network holds, by socket. Items name a
// socket by its address; the link is found again here, never by turning text
// into a pointer, so a stale or forged value finds nothing.
class DNetLinks
{
public:
    DNetLink& Add(QTcpSocket* socket, DNetLink::Side side, const QString& user, qint64 nowMs);
    DNetLink* Find(const QTcpSocket* socket) const;
    DNetLink* Find(const Value& socketValue) const;
    // Forgets the link (not the socket); false when it was not here.
    bool Remove(const QTcpSocket* socket);

    // The links, in no particular order; the visit must not change the set.
    template <class Visit>
    void ForEach(Visit visit) const
    {
        for (const auto& entry : links)
            visit(*entry.second);
    }

private:
    std::unordered_map<std::string, std::unique_ptr<DNetLink>> links;
};

#endif
