#include "TestClient.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

#include <algorithm>

bool TestClient::Connect(quint16 port)
{
    connect(&m_socket, &QTcpSocket::readyRead, this, &TestClient::OnReadyRead, Qt::UniqueConnection);
    m_socket.connectToHost(QHostAddress::LocalHost, port);
    return m_socket.waitForConnected(WaitMs);
}

MemStream LoginMessage(const QString& name, const QString& password)
{
    const QByteArray digest = QCryptographicHash::hash((name + password).toUtf8(), QCryptographicHash::Md5).toHex();
    return Message(1, name, password, uint32_t(157), digest.toStdString(), uint32_t(100));
}

void TestClient::Send(const MemStream& message)
{
    SendRaw(Frame(message));
}

void TestClient::SendRaw(const QByteArray& bytes)
{
    m_socket.write(bytes);
    m_socket.flush();
}

bool TestClient::LogInAndSettle(const QString& name, const QString& password)
{
    Send(LoginMessage(name, password));
    return std::get<0>(Fields<bool>(WaitFor(1))) && Sync();
}

namespace {

auto IsCode(quint32 code)
{
    return [code](const std::pair<quint32, MemStream>& message) { return message.first == code; };
}

} // namespace

MemStream TestClient::WaitFor(quint32 code)
{
    const QDeadlineTimer deadline(WaitMs);
    for (;;) {
        const auto found = std::find_if(m_received.begin(), m_received.end(), IsCode(code));
        if (found != m_received.end()) {
            const MemStream message = found->second;
            m_received.erase(found);
            return message;
        }
        if (deadline.hasExpired() || !IsConnected())
            return MemStream();
        QSignalSpy(&m_socket, &QTcpSocket::readyRead).wait(int(qMax<qint64>(1, deadline.remainingTime())));
    }
}

bool TestClient::Sync()
{
    // Related search terms are answered at once, with the term.
    const QString term = QStringLiteral("sync %1").arg(++m_syncCounter);
    Send(Message(153, term));
    return std::get<0>(Fields<QString>(WaitFor(153))) == term;
}

bool TestClient::GotNo(quint32 code)
{
    return Sync() && std::none_of(m_received.begin(), m_received.end(), IsCode(code));
}

bool TestClient::WaitForDisconnect()
{
    if (m_socket.state() == QAbstractSocket::UnconnectedState)
        return true;
    QSignalSpy disconnected(&m_socket, &QTcpSocket::disconnected);
    return disconnected.wait(WaitMs) || m_socket.state() == QAbstractSocket::UnconnectedState;
}

void TestClient::OnReadyRead()
{
    m_buffer += m_socket.readAll();
    while (m_buffer.size() >= 4) {
        const quint32 length = qFromLittleEndian<quint32>(m_buffer.constData());
        if (quint32(m_buffer.size() - 4) < length)
            return;
        MemStream message(m_buffer.mid(4, int(length)));
        m_buffer.remove(0, int(length) + 4);
        quint32 code = 0;
        message.Read(code);
        m_received.emplace_back(code, message);
    }
}

LocalNetwork::LocalNetwork(localserver::ServerOptions options)
    : m_server([&options] {
        options.quiet = true;
        return options;
    }())
{
    m_server.Listen();
}

TestClient* LocalNetwork::Connect()
{
    m_clients.push_back(std::make_unique<TestClient>());
    return Port() != 0 && m_clients.back()->Connect(Port()) ? m_clients.back().get() : nullptr;
}

TestClient* LocalNetwork::LogIn(const QString& name)
{
    TestClient* client = Connect();
    if (!client || !client->LogInAndSettle(name))
        return nullptr;
    client->Forget();
    return client;
}

bool LocalNetwork::LogOut(TestClient* client, const QString& name)
{
    client->Socket().disconnectFromHost();
    return QTest::qWaitFor([&] { return !m_server.OnlineUsers().contains(name); }, TestClient::WaitMs);
}
