#include "ScriptedServer.h"

#include "server/ServerMessageCode.h"

#include <QtEndian>

ScriptedServer::ScriptedServer()
{
    listener.listen(QHostAddress::LocalHost, 0);
    port = listener.serverPort();
}

bool ScriptedServer::AcceptClient()
{
    if (!WaitUntil([this] { return listener.hasPendingConnections(); }))
        return false;
    client = listener.nextPendingConnection();
    received.clear();
    return client != nullptr;
}

bool ScriptedServer::WaitForBytes(qint64 count)
{
    return WaitUntil([this, count] {
        if (client)
            received.append(client->readAll());
        return received.size() >= count;
    });
}

bool ScriptedServer::ReadMessage(uint32_t& code, MemStream& body)
{
    if (!WaitForBytes(4))
        return false;
    const uint32_t length = qFromLittleEndian<uint32_t>(received.constData());
    if (length < 4 || !WaitForBytes(4 + qint64(length)))
        return false;
    code = qFromLittleEndian<uint32_t>(received.constData() + 4);
    body = MemStream(received.mid(8, int(length) - 4));
    received.remove(0, 4 + int(length));
    return true;
}

void ScriptedServer::Send(MemStream message)
{
    const QByteArray bytes = message.GetPendingBytes();
    MemStream framed;
    framed.Write(uint32_t(bytes.size()));
    SendRaw(framed.GetPendingBytes() + bytes);
}

void ScriptedServer::SendRaw(const QByteArray& bytes)
{
    if (!client)
        return;
    client->write(bytes);
    client->flush();
}

void ScriptedServer::SendLoginAccepted(bool privileged)
{
    MemStream reply;
    reply.Write(uint32_t(SM_LOGIN));
    reply.Write(true);
    reply.Write(QString("Welcome"));
    reply.Write(uint32_t(0x0100007f));
    reply.Write(QString("0123456789abcdef0123456789abcdef"));
    reply.Write(privileged);
    Send(reply);
}

void ScriptedServer::SendLoginRefused(const QString& reason)
{
    MemStream reply;
    reply.Write(uint32_t(SM_LOGIN));
    reply.Write(false);
    reply.Write(reason);
    Send(reply);
}

bool ScriptedServer::WaitForClientClose()
{
    return WaitUntil([this] { return !client || client->state() == QAbstractSocket::UnconnectedState; });
}

void ScriptedServer::DropClient()
{
    if (client)
        client->abort();
}

void ScriptedServer::StopListening()
{
    listener.close();
}

bool ScriptedServer::ListenAgain()
{
    return listener.listen(QHostAddress::LocalHost, port);
}
