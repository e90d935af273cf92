#ifndef TESTS_TRANSFERS_CLIENTPROCESS_H
#define TESTS_TRANSFERS_CLIENTPROCESS_H

#include "RoleProcess.h"

// A second client core in a process of its own (the graph is one per
// process): this test program started again with ClientRoleArgument, the
// server's port, a user name, the two listening ports and its home folder. It
// listens on loopback, logs in and obeys commands on standard input, one per
// line, fields separated by tabs:
//   "share\tfolder"   shares the folder with everybody and indexes it
//   "limit\tKiB"      sets and turns on the upload speed limit (0: off)
//   "quit"            shuts down as the program does (saving its data)
// It reports on standard output, one line each: "LISTENING\tport\tport",
// "CONNECTED", "SHARED" (the index is up to date), and
// "UPLOAD\tpath\tstatus" whenever an upload entry's status changes.
constexpr const char* ClientRoleArgument = "--client-role";

int RunClientRole(int argc, char** argv);

// Drives such a process from the test.
class ClientProcess : public RoleProcess
{
public:
    bool Start(quint16 serverPort, const QString& user, quint16 port, quint16 obfuscatedPort, const QString& home);
};

#endif
