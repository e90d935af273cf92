// What the messenger sends: to a socket, to a user (or into the user's
// queue), the messages other parts ask for, and its own answers.
#include "peer/PeerGreeting.h"
#include "peer/PeerLog.h"
#include "peer/PeerMessageCode.h"
#include "peer/PeerMessages.h"
#include "peer/PeerMessenger.h"
#include "wire/FrameWriter.h"

#include "app/Settings.h"

#include <QTcpSocket>
#include <QtEndian>

namespace {

QString CodeName(const MemStream& message)
{
    if (message.GetPendingReadLength() < sizeof(uint32_t))
        return PeerMessageCodeName(-1);
    return PeerMessageCodeName(int(qFromLittleEndian<uint32_t>(message.GetReadBuffer())));
}

} // namespace

bool PeerMessenger::SendMessage(QTcpSocket* socket, MemStream& message, bool obfuscated)
{
    const QByteArray frame = FramePeerMessage(message, obfuscated);
    if (socket->write(frame) == -1) {
        PeerLog(1, QString("Error writing message to socket: %1").arg(socket->errorString()));
        return false;
    }
    if (socket->bytesToWrite() > MaxUnwrittenBytes && sockets.Contains(socket)) {
        PeerLog(1, QString("Peer reads nothing while %1 bytes wait for it, closing").arg(socket->bytesToWrite()));
        DisposeOfSocket(socket);
    }
    return true;
}

void PeerMessenger::SendMessage(const QString& user, MemStream& message)
{
    ItemPtr userItem = d.GetType("user")->GetItem(user);
    const bool logging = PeerLogOn();
    if (logging)
        PeerLog(1, QString("Send %1 message to user %2").arg(CodeName(message), user), userItem);
    const ItemSet connections = userItem.GetItems("peer_socket");
    ItemPtr chosen;
    if (connections.Size() == 1) {
        if (logging)
            PeerLog(2, "Found one existing messaging connection to user", userItem);
        chosen = connections.First();
    } else if (connections.Size() > 1) {
        PeerLog(2, QString("Found %1 existing messaging connections to user, picking latest").arg(connections.Size()),
                userItem);
        QDateTime latest;
        for (ItemPtr connection : connections) {
            const QString text = connection.GetItem("connection_open_time").AsString();
            const QDateTime opened = QDateTime::fromString(text, Qt::TextDate);
            if (!chosen) {
                PeerLog(3, QString("First connection opened %1").arg(text), userItem);
            } else if (opened > latest) {
                PeerLog(3, QString("Found connection opened %1, exchanging").arg(text), userItem);
            } else {
                continue;
            }
            chosen = connection;
            latest = opened;
        }
    }
    if (QTcpSocket* socket = sockets.Find(chosen)) {
        SendMessage(socket, message, chosen.IsConnected("is_obfuscated"));
        return;
    }
    PeerLog(2, "Did not find messaging connection to user, queueing unsent message", userItem);
    if (!unsent.Queue(userItem, message, QDateTime::currentDateTime())) {
        PeerLog(1,
                QString("Dropped %1 message to user %2: %3 bytes already wait for connections")
                    .arg(CodeName(message), user)
                    .arg(unsent.QueuedBytes()),
                userItem);
        return;
    }
    ConnectToUser(user, MessagingConnection);
}

void PeerMessenger::SendUnsentMessages(const QString& user, QTcpSocket* socket, bool obfuscated)
{
    std::vector<MemStream> messages = unsent.Take(d.GetType("user")->GetItem(user));
    if (messages.empty())
        return;
    PeerLog(1, QString("Sending %1 pending peer messages to user %2").arg(messages.size()).arg(user));
    for (MemStream& message : messages)
        SendMessage(socket, message, obfuscated);
}

void PeerMessenger::GetUserSharedFiles(const QString& user)
{
    MemStream message = BuildMessage(uint32_t(PM_GET_SHARED_FILE_LIST));
    SendMessage(user, message);
}

void PeerMessenger::GetUserInfo(const QString& user)
{
    MemStream message = BuildMessage(uint32_t(PM_USER_INFO_REQUEST));
    SendMessage(user, message);
}

unsigned int PeerMessenger::RequestUpload(const QString& user, const QString& file, qint64 size)
{
    const unsigned int token = GetSetting("transfer_req_counter").toUInt();
    SetSetting("transfer_req_counter", QString::number(token + 1));
    MemStream message = BuildTransferRequest(token, file, uint64_t(size));
    SendMessage(user, message);
    return token;
}

void PeerMessenger::AcceptTransferRequest(const QString& user, uint token, bool withSize, qint64 size)
{
    MemStream message = BuildTransferAcceptance(token, withSize, uint64_t(size));
    SendMessage(user, message);
}

void PeerMessenger::DenyTransferRequest(const QString& user, uint token, const QString& reason)
{
    MemStream message = BuildTransferRefusal(token, reason);
    SendMessage(user, message);
}

void PeerMessenger::QueueDownload(const QString& user, const std::string& file)
{
    MemStream message = BuildQueueDownload(file);
    SendMessage(user, message);
}

void PeerMessenger::SendUploadPlaceInLine(const QString& user, const QString& file, int place)
{
    MemStream message = BuildUploadPlaceInLine(file, uint32_t(place));
    SendMessage(user, message);
}

void PeerMessenger::DenyUpload(const QString& user, const QString& file, const QString& reason)
{
    MemStream message = BuildUploadDenied(file, reason);
    SendMessage(user, message);
}

void PeerMessenger::QueueUpload(const QString& user, const QString& file, qint64 size)
{
    MemStream message = BuildUploadOffer(file, uint64_t(size));
    SendMessage(user, message);
}

void PeerMessenger::OnUserInfoRequested(const QString& user)
{
    emit UserInfoRequested(user);
    MemStream reply = BuildOwnUserInfo(uploadAvailability ? uploadAvailability() : UploadAvailability());
    SendMessage(user, reply);
}
