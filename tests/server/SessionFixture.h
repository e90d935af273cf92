#ifndef TESTS_SERVER_SESSIONFIXTURE_H
#define TESTS_SERVER_SESSIONFIXTURE_H

#include "ScriptedServer.h"
#include "SessionGraph.h"
#include "WireBytes.h"

#include "server/Server.h"

#include <QTemporaryDir>

#include <memory>

// A client session and a scripted server end on loopback, with a fresh graph
// and home folder. The session is pointed at the scripted server through the
// server_host and server_port settings.
class SessionFixture
{
public:
    SessionFixture();
    ~SessionFixture();

    // Connects, takes the login and accepts it; false when any step fails.
    bool LogIn(bool privileged = false);
    // Connects and takes the login message; the session then waits for the answer.
    bool ConnectAndReadLogin(MemStream& login);
    // The next message the session sent, code and body; empty when none came.
    QByteArray NextSent();

    QTemporaryDir home;
    std::unique_ptr<SessionGraph> graph;
    std::unique_ptr<ScriptedServer> far;
    std::unique_ptr<Server> server;
};

#endif
