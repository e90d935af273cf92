#include "ClientSession.h"

#include "ServerOptions.h"

#include "wire/FrameWriter.h"

#include <QHostAddress>
#include <QtEndian>

namespace localserver {

namespace {

// What the socket keeps of a client's unread bytes: beyond it the client
// waits, so that a connection costs at most this and the message being read.
constexpr qint64 ReadBufferSize = 64 * 1024;

} // namespace

ClientSession::ClientSession(quint64 serial, QTcpSocket* socket, SessionHandler& handler, ServerLog& log,
                             const ServerOptions& options, QObject* parent)
    : QObject(parent)
    , m_serial(serial)
    , m_socket(socket)
    , m_handler(handler)
    , m_log(log)
    , m_maxQueuedBytes(options.maxQueuedBytes)
    , m_reader(qMax(options.maxLoginMessageLength, MinMessageLength), MinMessageLength)
{
    // Owned by the session, so that it goes when the session goes.
    m_loginTimer.setSingleShot(true);
    connect(&m_loginTimer, &QTimer::timeout, this, [this] { Close(QStringLiteral("no login in time")); });
    m_loginTimer.start(options.loginTimeoutMs);
    if (!socket)
        return;
    socket->setParent(this);
    socket->setReadBufferSize(ReadBufferSize);
    bool isIpv4 = false;
    const quint32 address = socket->peerAddress().toIPv4Address(&isIpv4);
    m_ipv4Address = isIpv4 ? address : 0;
    connect(socket, &QTcpSocket::readyRead, this, &ClientSession::OnReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, &ClientSession::OnDisconnected);
    connect(socket, &QAbstractSocket::errorOccurred, this, &ClientSession::OnDisconnected);
}

QString ClientSession::LogName() const
{
    return m_name.isEmpty() ? QStringLiteral("#%1").arg(m_serial) : m_name;
}

void ClientSession::SetLoggedIn(const QString& name)
{
    m_name = name;
    m_loggedIn = true;
    m_loginTimer.stop();
    m_reader.SetMaxLength(MaxMessageLength);
}

void ClientSession::OnReadyRead()
{
    MemStream message;
    while (!m_closed && m_socket && Take(m_reader.ReadFrom(*m_socket, message), message)) { }
}

void ClientSession::Receive(const char* data, qint64 size)
{
    if (m_closed)
        return;
    m_reader.Append(data, size_t(size));
    MemStream message;
    while (!m_closed && Take(m_reader.Next(message), message)) { }
}

bool ClientSession::Take(FrameReader::Result result, MemStream& message)
{
    switch (result) {
    case FrameReader::Result::NeedMore: return false;
    case FrameReader::Result::BadLength:
        Note("bad message length %1", m_reader.Length());
        Close(QStringLiteral("unframeable input"));
        return false;
    case FrameReader::Result::Complete: break;
    }
    const qint64 length = qint64(message.GetPendingReadLength());
    quint32 code = 0;
    message.Read(code); // a complete message holds at least its code
    if (!m_log.IsQuiet())
        m_log.Received(LogName(), code, length);
    m_handler.HandleMessage(*this, code, message);
    return true;
}

void ClientSession::Send(const MemStream& message)
{
    if (m_closed || message.GetPendingReadLength() < sizeof(quint32))
        return;
    if (!m_log.IsQuiet())
        m_log.Sent(LogName(), qFromLittleEndian<quint32>(message.GetReadBuffer()),
                   qint64(message.GetPendingReadLength()));
    if (!m_socket)
        return;
    m_socket->write(FrameMessage(message));
    if (m_socket->bytesToWrite() > m_maxQueuedBytes)
        Drop(QStringLiteral("send queue above %1 bytes").arg(m_maxQueuedBytes));
}

void ClientSession::Close(const QString& reason)
{
    if (m_closed)
        return;
    m_closed = true;
    Note("closing: %1", reason);
    if (m_socket && m_socket->state() != QAbstractSocket::UnconnectedState) {
        m_socket->flush();
        m_socket->disconnectFromHost();
    }
    if (!m_socket || m_socket->state() == QAbstractSocket::UnconnectedState)
        ReportEnd();
}

void ClientSession::Drop(const QString& reason)
{
    m_closed = true;
    Note("dropped: %1", reason);
    if (m_socket)
        m_socket->abort();
    ReportEnd();
}

void ClientSession::OnDisconnected()
{
    if (!m_closed)
        Note("disconnected");
    m_closed = true;
    ReportEnd();
}

void ClientSession::ReportEnd()
{
    if (m_endReported)
        return;
    m_endReported = true;
    // Queued, so that a session never ends in the middle of a broadcast.
    QMetaObject::invokeMethod(
        this, [this] { m_handler.SessionEnded(*this); }, Qt::QueuedConnection);
}

} // namespace localserver
