#include "TestClient.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QSignalSpy>
#include <QtEndian>

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

QByteArray Frame(const MemStream& message)
{
    const QByteArray body = message.GetPendingBytes();
    QByteArray frame(4, Qt::Uninitialized);
    qToLittleEndian<quint32>(quint32(body.size()), frame.data());
    return frame + body;
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

MemStream TestClient::LogIn(const QString& name, const QString& password, bool* accepted)
{
    Send(LoginMessage(name, password));
    MemStream reply = WaitFor(1);
    bool success = false;
    reply.Read(success);
    if (accepted)
        *accepted = success;
    return reply;
}

bool TestClient::LogInAndSettle(const QString& name, const QString& password)
{
    bool accepted = false;
    LogIn(name, password, &accepted);
    return accepted && Sync();
}

MemStream TestClient::WaitFor(quint32 code)
{
    QDeadlineTimer deadline(WaitMs);
    for (;;) {
        for (auto it = m_received.begin(); it != m_received.end(); ++it) {
            if (it->first == code) {
                MemStream message = it->second;
                m_received.erase(it);
                return message;
            }
        }
        if (deadline.hasExpired() || m_socket.state() != QAbstractSocket::ConnectedState)
            return MemStream();
        QSignalSpy arrived(&m_socket, &QTcpSocket::readyRead);
        arrived.wait(int(qMax<qint64>(1, deadline.remainingTime())));
    }
}

bool TestClient::Sync()
{
    // Related search terms are answered at once with the term itself.
    const QString term = QStringLiteral("sync %1").arg(++m_syncCounter);
    Send(Message(153, term));
    QDeadlineTimer deadline(WaitMs);
    while (!deadline.hasExpired()) {
        MemStream reply = WaitFor(153);
        QString echoed;
        if (!reply.Read(echoed))
            return false;
        if (echoed == term)
            return true;
    }
    return false;
}

bool TestClient::HasReceived(quint32 code) const
{
    for (const auto& message : m_received)
        if (message.first == code)
            return true;
    return false;
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
