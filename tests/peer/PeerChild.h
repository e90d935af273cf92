#ifndef TESTS_PEER_PEERCHILD_H
#define TESTS_PEER_PEERCHILD_H

#include "RoleProcess.h"

// A second client core in a process of its own (the graph is one per
// process): this test program started again with PeerRoleArgument, the
// server's port, a user name and the two listening ports. It listens on
// loopback, logs in and obeys commands on standard input, one per line, fields
// separated by tabs:
//   "say\tuser\ttext"    a message the other side reports as SAID
//   "info\tuser"         asks the user for its information
//   "set\tname\tvalue"   writes a setting
//   "quit"
// It reports on standard output, one line each: "LISTENING\tport\tport",
// "LISTENFAILED\tport", "CONNECTED", "SAID\tuser\ttext\tobfuscated" (yes or
// no: whether its connection to the user is obfuscated), "INFO\tuser\tdescription\tslots\tqueued\tfree",
// "FAILED\tuser\ttype".
constexpr const char* PeerRoleArgument = "--peer-role";

int RunPeerRole(int argc, char** argv);

// Drives such a child from the test.
class PeerChild : public RoleProcess
{
public:
    bool Start(quint16 serverPort, const QString& name, quint16 port, quint16 obfuscatedPort);
};

#endif
