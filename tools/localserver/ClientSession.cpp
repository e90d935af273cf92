#include "ClientSession.h"

#include "ServerLog.h"

#include <QHostAddress>
#include <QtEndian>

namespace localserver {

namespace {

// Bytes taken from the socket at a time, so that the receive buffer holds at
// most one partial message and one chunk.
constexpr qint64 ReadChunk = 64 * 1024;

} // namespace

ClientSession::ClientSession(quint64 serial, QTcpSocket* socket, SessionHandler& handler, ServerLog& log,
                             qint64 maxQueuedBytes, QObject* parent)
    : QObject(parent)
    , m_serial(serial)
    , m_socket(socket)
    , m_handler(handler)
    , m_log(log)
    , m_maxQueuedBytes(maxQueuedBytes)
{
    if (!socket)
        return;
    socket->setParent(this);
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

void ClientSession::OnReadyRead()
{
    while (!m_closed && m_socket && m_socket->bytesAvailable() > 0) {
        const QByteArray chunk = m_socket->read(ReadChunk);
        if (chunk.isEmpty())
            break;
        Receive(chunk.constData(), chunk.size());
    }
}

void ClientSession::Receive(const char* data, qint64 size)
{
    if (m_closed)
        return;
    m_reader.Append(data, size);
    MemStream message;
    for (;;) {
        const FrameReader::Status status = m_reader.Next(message);
        if (status == FrameReader::Status::Incomplete)
            return;
        if (status == FrameReader::Status::BadLength) {
            m_log.Note(LogName(), QStringLiteral("bad message length %1").arg(m_reader.BadLengthValue()));
            Close(QStringLiteral("unframeable input"));
            return;
        }
        const qint64 length = qint64(message.GetPendingReadLength());
        quint32 code = 0;
        message.Read(code); // a complete message holds at least its code
        m_log.Received(LogName(), code, length);
        m_handler.HandleMessage(*this, code, message);
        if (m_closed)
            return;
    }
}

void ClientSession::Send(const MemStream& message)
{
    if (m_closed)
        return;
    const QByteArray body = message.GetPendingBytes();
    if (body.size() < 4)
        return;
    const quint32 code = qFromLittleEndian<quint32>(body.constData());
    m_log.Sent(LogName(), code, body.size());
    if (!m_socket)
        return;
    QByteArray frame(4, Qt::Uninitialized);
    qToLittleEndian<quint32>(quint32(body.size()), frame.data());
    frame += body;
    m_socket->write(frame);
    if (m_socket->bytesToWrite() > m_maxQueuedBytes)
        Drop(QStringLiteral("send queue above %1 bytes").arg(m_maxQueuedBytes));
}

void ClientSession::Close(const QString& reason)
{
    if (m_closed)
        return;
    m_closed = true;
    m_log.Note(LogName(), QStringLiteral("closing: %1").arg(reason));
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
    m_log.Note(LogName(), QStringLiteral("dropped: %1").arg(reason));
    if (m_socket)
        m_socket->abort();
    ReportEnd();
}

void ClientSession::OnDisconnected()
{
    if (!m_closed)
        m_log.Note(LogName(), QStringLiteral("disconnected"));
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
