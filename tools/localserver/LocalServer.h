#ifndef LOCALSERVER_LOCALSERVER_H
#define LOCALSERVER_LOCALSERVER_H

#include "ClientSession.h"
#include "ServerContext.h"
#include "ServerOptions.h"

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace localserver {

class Service;

// A central server for a local network: accounts, presence, rooms, private
// messages, brokered peer connections, search distribution and the
// distributed search tree, for any number of clients on one machine.
//
// Use in a test:
//
//     localserver::ServerOptions options;
//     options.quiet = true;
//     localserver::LocalServer server(options);
//     QVERIFY(server.Listen(QHostAddress::LocalHost));   // ephemeral port
//     client.Connect("127.0.0.1", server.ServerPort());
//
// Everything runs on the thread that owns the object, driven by its event
// loop. Deleting the server closes every session.
class LocalServer : public QObject, private SessionHandler
{
    Q_OBJECT
public:
    explicit LocalServer(const ServerOptions& options = ServerOptions(), QObject* parent = nullptr);
    ~LocalServer() override;

    // Reads the accounts and privileges files named in the options, then
    // listens. Port 0 takes a free port. False, with ErrorString(), when a file
    // cannot be read or the port cannot be bound.
    bool Listen(const QHostAddress& address = QHostAddress::LocalHost, quint16 port = 0);
    quint16 ServerPort() const { return m_listener.serverPort(); }
    QString ErrorString() const { return m_error; }

    // Stops listening and closes every session.
    void Close();

    // The names of the logged-in users, sorted.
    QStringList OnlineUsers() const;
    // What a logged-in user last told of its place in the distributed tree.
    std::optional<TreePosition> TreePositionOf(const QString& name) const;

    // Takes a connection from elsewhere than the listener. A null socket gives
    // a session whose output is only logged, to drive the message handling
    // directly (see ClientSession::Receive).
    ClientSession* AttachSession(QTcpSocket* socket);

private slots:
    void OnNewConnection();

private:
    void HandleMessage(ClientSession& session, quint32 code, MemStream& body) override;
    void SessionEnded(ClientSession& session) override;

    bool LogIn(ClientSession& session, MemStream& body);
    void RefuseLogin(ClientSession& session, const QString& reason);
    void LogOut(ClientSession& session);

    ServerContext m_context;
    QTcpServer m_listener;
    QString m_error;
    std::vector<std::unique_ptr<Service>> m_services;
    std::map<quint32, Service*> m_handlers;
    std::set<ClientSession*> m_sessions;
    // The open or closing sessions that have not logged in.
    std::set<ClientSession*> m_awaitingLogin;
    quint64 m_nextSerial = 1;
};

} // namespace localserver

#endif
