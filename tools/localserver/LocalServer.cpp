#include "LocalServer.h"

#include "ChatService.h"
#include "PeerBroker.h"
#include "PresenceService.h"
#include "RoomService.h"
#include "SearchService.h"
#include "TreeService.h"

#include <QCryptographicHash>

namespace localserver {

namespace {

// The digest a client sends with its login: MD5 of the name's bytes followed
// by the password's, in lower-case hex.
QByteArray LoginDigest(const std::string& name, const std::string& password)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(name + password), QCryptographicHash::Md5).toHex();
}

} // namespace

LocalServer::LocalServer(const ServerOptions& options, QObject* parent)
    : QObject(parent)
    , m_context(options)
{
    // Login order matters to the clients: presence first, the room list, the
    // search parameters, and last the private messages kept for the user.
    m_services.push_back(std::make_unique<PresenceService>(m_context));
    m_services.push_back(std::make_unique<RoomService>(m_context));
    m_services.push_back(std::make_unique<SearchService>(m_context));
    m_services.push_back(std::make_unique<TreeService>(m_context));
    m_services.push_back(std::make_unique<PeerBroker>(m_context));
    m_services.push_back(std::make_unique<ChatService>(m_context));
    for (const auto& service : m_services)
        for (ServerMessageCode code : service->Codes())
            m_handlers[code] = service.get();
    connect(&m_listener, &QTcpServer::newConnection, this, &LocalServer::OnNewConnection);
}

LocalServer::~LocalServer()
{
    // Sessions go first: they refer to the context and the services.
    for (ClientSession* session : m_sessions)
        delete session;
}

bool LocalServer::Listen(const QHostAddress& address, quint16 port)
{
    const ServerOptions& options = m_context.options;
    if (!options.accountsFile.isEmpty() && !m_context.accounts.Load(options.accountsFile)) {
        m_error = QStringLiteral("cannot read the accounts file %1").arg(options.accountsFile);
        return false;
    }
    if (!options.privilegesFile.isEmpty() && !m_context.privileges.Load(options.privilegesFile)) {
        m_error = QStringLiteral("cannot read the privileges file %1").arg(options.privilegesFile);
        return false;
    }
    if (!m_listener.listen(address, port)) {
        m_error = m_listener.errorString();
        return false;
    }
    m_context.log.Note(QStringLiteral("server"), "listening on %1 port %2", m_listener.serverAddress(),
                       m_listener.serverPort());
    return true;
}

void LocalServer::Close()
{
    m_listener.close();
    const std::set<ClientSession*> sessions = m_sessions;
    for (ClientSession* session : sessions)
        session->Close(QStringLiteral("server stopping"));
}

QStringList LocalServer::OnlineUsers() const
{
    QStringList names;
    for (const ClientSession* session : m_context.OnlineSessions())
        names << session->Name();
    names.sort();
    return names;
}

std::optional<TreePosition> LocalServer::TreePositionOf(const QString& name) const
{
    if (const ClientSession* session = m_context.Online(name))
        return session->User().tree;
    return std::nullopt;
}

ClientSession* LocalServer::AttachSession(QTcpSocket* socket)
{
    auto* session = new ClientSession(m_nextSerial++, socket, *this, m_context.log, m_context.options, this);
    m_sessions.insert(session);
    m_awaitingLogin.insert(session);
    if (socket)
        session->Note("connected from %1", socket->peerAddress());
    else
        session->Note("attached");
    return session;
}

void LocalServer::OnNewConnection()
{
    while (QTcpSocket* socket = m_listener.nextPendingConnection()) {
        if (m_awaitingLogin.size() < size_t(qMax(0, m_context.options.maxPendingLogins))) {
            AttachSession(socket);
            continue;
        }
        m_context.log.Note(QStringLiteral("server"), "refuses a connection from %1: %2 connections have not logged in",
                           socket->peerAddress(), m_awaitingLogin.size());
        socket->abort();
        socket->deleteLater();
    }
}

void LocalServer::HandleMessage(ClientSession& session, quint32 code, MemStream& body)
{
    if (!session.IsLoggedIn()) {
        if (code == SM_LOGIN) {
            if (!LogIn(session, body))
                session.Close(QStringLiteral("malformed login"));
        } else {
            session.Note("sends code %1 before logging in", code);
        }
        return;
    }
    const auto handler = m_handlers.find(code);
    if (handler == m_handlers.end()) {
        if (code == SM_LOGIN)
            session.Note("logs in twice");
        else
            session.Note("sends unknown code %1", code);
        return;
    }
    if (!handler->second->Handle(session, code, body))
        session.Close(QStringLiteral("malformed %1").arg(ServerMessageCodeName(code)));
}

bool LocalServer::LogIn(ClientSession& session, MemStream& body)
{
    std::string rawName;
    std::string rawPassword;
    quint32 version = 0;
    std::string digest;
    if (!body.Read(rawName) || !body.Read(rawPassword) || !body.Read(version) || !body.Read(digest))
        return false;
    const QString name = QString::fromStdString(rawName);
    const QString password = QString::fromStdString(rawPassword);
    // Names are UTF-8; other bytes would not survive the account file.
    if (!Accounts::IsValidName(name) || name.toStdString() != rawName) {
        RefuseLogin(session, QStringLiteral("INVALIDUSERNAME"));
        return true;
    }
    if (QByteArray::fromStdString(digest).toLower() != LoginDigest(rawName, rawPassword)) {
        RefuseLogin(session, QStringLiteral("INVALIDHASH"));
        return true;
    }
    const Accounts::Verdict verdict = m_context.accounts.LogIn(name, password);
    if (verdict == Accounts::Verdict::WrongPassword) {
        RefuseLogin(session, QStringLiteral("INVALIDPASS"));
        return true;
    }
    if (verdict == Accounts::Verdict::Created)
        m_context.log.Note(name, "new account");

    // Also a session that is closing but has not ended yet: its user must
    // leave rooms and lists before the new session takes the name.
    if (ClientSession* previous = m_context.Registered(name)) {
        previous->Send(NewMessage(SM_RELOGGED));
        LogOut(*previous);
        previous->Close(QStringLiteral("logged in again elsewhere"));
    }

    session.SetLoggedIn(name);
    m_awaitingLogin.erase(&session);
    m_context.Register(session);
    const QString passwordDigest
        = QString::fromLatin1(QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Md5).toHex());
    session.Send(NewMessage(SM_LOGIN, true, QStringLiteral("Welcome to the local network"),
                            uint32_t(session.Ipv4Address()), passwordDigest, m_context.privileges.IsPrivileged(name)));
    for (const auto& service : m_services)
        service->OnLogin(session);
    return true;
}

void LocalServer::RefuseLogin(ClientSession& session, const QString& reason)
{
    session.Send(NewMessage(SM_LOGIN, false, reason));
    session.Close(QStringLiteral("login refused: %1").arg(reason));
}

void LocalServer::LogOut(ClientSession& session)
{
    if (!session.IsLoggedIn())
        return;
    m_context.Unregister(session);
    session.SetLoggedOut();
    for (auto service = m_services.rbegin(); service != m_services.rend(); ++service)
        (*service)->OnLogout(session);
}

void LocalServer::SessionEnded(ClientSession& session)
{
    LogOut(session);
    m_sessions.erase(&session);
    m_awaitingLogin.erase(&session);
    session.deleteLater();
}

} // namespace localserver
