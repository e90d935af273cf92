#ifndef TESTS_SERVER_SCRIPTEDSERVER_H
#define TESTS_SERVER_SCRIPTEDSERVER_H

#include "WaitUntil.h"
#include "wire/MemStream.h"

#include <QByteArray>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <cstdint>

// The far end of one client session on 127.0.0.1, driven by the test: it
// accepts the client, reads the framed messages it sends and writes whatever
// bytes the test wants. Every wait is bounded.
class ScriptedServer
{
public:
    static constexpr int WaitMs = 5000;

    ScriptedServer();
    quint16 Port() const { return listener.serverPort(); }

    // Takes the next connection (waiting for it).
    bool AcceptClient();
    // The next whole message from the client: its code and body.
    bool ReadMessage(uint32_t& code, MemStream& body);
    // Frames and sends a message (a stream starting with its code).
    void Send(MemStream message);
    void SendRaw(const QByteArray& bytes);
    void SendLoginAccepted(bool privileged = false);
    void SendLoginRefused(const QString& reason);
    // Waits until the client has closed its end.
    bool WaitForClientClose();
    // Closes the server's end of the session.
    void DropClient();
    // Stops accepting connections, and starts again on the same port.
    void StopListening();
    bool ListenAgain();

private:
    bool WaitForBytes(qint64 count);

    QTcpServer listener;
    quint16 port = 0;
    QPointer<QTcpSocket> client;
    QByteArray received;
};

#endif
