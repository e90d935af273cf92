#ifndef TESTS_SERVER_CHILDCLIENT_H
#define TESTS_SERVER_CHILDCLIENT_H

#include "RoleProcess.h"

#include <QTemporaryDir>

// Drives a client core running in a child process (see ClientRole.h).
class ChildClient : public RoleProcess
{
public:
    ~ChildClient() { Stop(); }

    // Starts this test program again in the client role, with its own home folder.
    bool Start(quint16 port, const QString& name, const QString& password = "secret");

private:
    QTemporaryDir home;
};

#endif
