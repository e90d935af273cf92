#ifndef DNET_DNETMANAGER_H
#define DNET_DNETMANAGER_H

#include "dnet/DNetLink.h"
#include "server/TCPAddress.h"
#include "store/Events.h"
#include "store/ItemPtr.h"
#include "wire/MemStream.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <set>

class QTcpSocket;

// This client's place in the server's distributed search tree: connects to
// the possible parents the server names, adopts the first that passes it a
// search, hands every search it receives to the share index and passes each
// one on, unchanged, to its children; tells its children its level and group
// leader, and the server whether it has a parent, its level, its group
// leader, whether there is a tree below it and whether it can take children.
// Runs on the event-loop thread; one instance, `dnetManager`.
//
// The state is in the graph (see DeclareDNetTypes); the connections it holds
// are handed over by the peer network, which no longer reads them.
class DNetManager : public QObject, public DataHandler
{
    Q_OBJECT
public:
    // A parent that passes no search for this long is given up; a possible
    // parent that says nothing for this long is closed.
    static constexpr qint64 ParentSilenceMs = 60 * 1000;
    static constexpr qint64 CandidateSilenceMs = 60 * 1000;
    // A child connection replaced by a newer one of the same user stays open
    // this long, in case the newer one was the loser of a connection race.
    static constexpr qint64 SupersededChildGraceMs = 20 * 1000;
    // What one connection's messages may take of an event-loop pass.
    static constexpr qint64 ReadSliceBytes = 256 * 1024;
    // Possible parents tried from one list.
    static constexpr std::size_t MaxCandidatesPerList = 20;
    // Child connections beyond this many are refused, whatever the capacity.
    static constexpr std::size_t MaxChildren = 500;

    // Declares the distributed network's types (the session's and the peer
    // network's must exist) and connects to the server session and the
    // half-minute tick when they exist.
    explicit DNetManager(QObject* parent = nullptr);
    // Closes every connection it holds.
    ~DNetManager() override;

    // One message from the parent or a possible parent, or, with a null
    // socket, relayed by the server.
    void HandleMessage(QTcpSocket* socket, MemStream& body);
    // One message from a child.
    void HandleChildMessage(QTcpSocket* socket, MemStream& body);
    // Frames the message's unread bytes and sends them to every child.
    void SendMessageToChildren(const MemStream& body);
    // Tells the server whether this client can take (more) children, when
    // that changed.
    void DetermineCanParent();
    // Recomputes the depth of the tree below this client and reports a change.
    void DetermineChildDepth();

    // The half-minute checks as of `now`: a silent parent, silent possible
    // parents and replaced child connections are closed.
    void ExpireSilentConnections(const QDateTime& now);

    std::size_t ChildCount() const;
    std::size_t CandidateCount() const;

public slots:
    void OnDNetParentMinSpeed(int speed);
    void OnDNetParentSpeedConnectionRatio(int ratio);
    void OnDNetPossibleParents(const PossibleParentList& parents);
    void OnDNetMessage(MemStream& body);
    void OnDNetDeliveryReport(int request);
    void OnDNetReset();
    void OnConnected();
    // A connection this client asked for is up: a possible parent.
    void OnDNetConnectionAccepted(QString user, QTcpSocket* socket);
    // A user connected to this client: a child.
    void OnDNetConnectionRequested(QString user, QTcpSocket* socket);
    void OnConnectionToUserFailed(QString user, QString type);
    void EveryHalfMinute();

signals:
    // A search for the share index to answer.
    void DNetSearchRequest(QString user, quint32 token, QString query);
    // Asks the peer network for a distributed connection to a possible parent.
    void RequestDNetConnection(QString user);

private slots:
    void OnSocketReadyToRead();
    void OnSocketClosed();
    void OnSocketError(QAbstractSocket::SocketError error);
    void OnChildSocketReadyToRead();
    void OnChildSocketClosed();
    void OnChildSocketError(QAbstractSocket::SocketError error);

private:
    void OnReceivedOwnUploadSpeed(ItemPtr setting);

    // Connections.
    DNetLink& Take(QTcpSocket* socket, DNetLink::Side side, const QString& user);
    void ReadLink(QTcpSocket* socket);
    // Stops reading and watching the socket, forgets its link, closes it and
    // deletes it later.
    void Discard(QTcpSocket* socket);
    // The parent's or a possible parent's connection is gone (closed, failed,
    // malformed or given up): the graph and the server learn of it.
    void DropUpstream(QTcpSocket* socket);
    void DropChild(QTcpSocket* socket);
    // Writes are never followed by a drop on the spot, which would pull the
    // connection from under the caller: a connection that fell behind is
    // noted and dropped from the event loop.
    void Write(DNetLink& link, const QByteArray& frame);
    void DropLaggards();

    // Parent side.
    QTcpSocket* ParentSocket() const;
    bool HasParent() const;
    void OnLevel(QTcpSocket* socket, ItemPtr candidate, MemStream& body);
    void OnLeader(QTcpSocket* socket, ItemPtr candidate, MemStream& body, const QByteArray& frame);
    void OnSearch(QTcpSocket* socket, ItemPtr candidate, MemStream& body, const QByteArray& frame);
    void Malformed(QTcpSocket* socket);
    void Adopt(QTcpSocket* socket, ItemPtr candidate);
    void LoseParent();
    void AskForParentsWhenNoneLeft();
    void SendToParent(const MemStream& message);

    // Child side.
    void SendFrameToChildren(const QByteArray& frame);
    void MakeChild(DNetLink& link, const Value& depth);
    ItemPtr ChildItemOf(const DNetLink& link) const;
    DNetLink* SupersededLinkOf(const QString& user) const;
    uint64_t StoredChildDepth() const;

    DNetLinks links;
    std::set<QTcpSocket*> behind;
    int parentMinSpeed = -1;
    int parentSpeedConnectionRatio = -1;
    bool lastCanParent = false;
    // When the parent last passed a search, in milliseconds since the epoch.
    qint64 lastParentSearchMs = 0;
    // Possible parents asked for and not yet connected or failed.
    QSet<QString> pendingCandidates;
};

extern DNetManager* dnetManager;

#endif
