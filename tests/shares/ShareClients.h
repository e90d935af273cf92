#ifndef TESTS_SHARES_SHARECLIENTS_H
#define TESTS_SHARES_SHARECLIENTS_H

#include "app/ClientCore.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// Whole client cores that meet through the local server on loopback.

// A client core started as the program starts it, in a home folder of its
// own, its session pointed at 127.0.0.1 and the server's port, listening for
// peers on loopback only, on ports that were free a moment ago. One per
// process at a time.
class LoopbackClient
{
public:
    LoopbackClient(const QString& user, quint16 serverPort);
    ~LoopbackClient();

    // Logs in and waits (bounded) until the server has accepted.
    bool LogIn();
    // The plain listening port.
    quint16 Port() const { return port; }

private:
    QTemporaryDir home;
    std::unique_ptr<ClientCore> core;
    quint16 port = 0;
};

// A client in a child process (this test program started again with
// SharerRoleArgument) that shares one folder with everybody and, once it is
// indexed, logs in and writes "READY\t<port>" on standard output. It ends on
// "quit" or at the end of its standard input.
constexpr const char* SharerRoleArgument = "--sharer-role";

int RunSharerRole(int argc, char** argv);

class SharerChild
{
public:
    ~SharerChild();

    // Starts the child and waits (bounded) until it is ready; its port is then known.
    bool Start(quint16 serverPort, const QString& user, const QString& folder);
    quint16 Port() const { return port; }
    bool Quit();

private:
    QProcess process;
    quint16 port = 0;
};

#endif
