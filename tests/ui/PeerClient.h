#ifndef TESTS_UI_PEERCLIENT_H
#define TESTS_UI_PEERCLIENT_H

#include "RoleProcess.h"

#include <QTemporaryDir>

// Another user of the network: a client core without windows, in a process
// of its own (the store is one per process) with its own home folder. The
// test program runs it when started with PeerRoleArgument, the server port,
// the user name and the password; the test's main hands over to RunPeerRole.
//
// It logs in and obeys commands, one per line with tab-separated fields:
// "join\troom", "say\troom\ttext", "leave\troom", "pm\tuser\ttext", "away",
// "back", "ticker\troom\ttext", "search\ttext", "quit". It reports "CONNECTED",
// "DISCONNECTED", "PM\tuser\ttext", "CHAT\troom\tuser\ttext" and, per file
// found by its searches, "RESULT\tuser\tfolder\\name".
constexpr const char* PeerRoleArgument = "--peer-role";

int RunPeerRole(int argc, char** argv);

class PeerClient : public RoleProcess
{
public:
    ~PeerClient() { Stop(); }

    // Further settings, as "name=value", are stored before the core starts.
    bool Start(quint16 port, const QString& name, const QStringList& settings = {});

private:
    QTemporaryDir home;
};

#endif
