#ifndef TESTS_UI_TRANSFERPEER_H
#define TESTS_UI_TRANSFERPEER_H

#include "RoleProcess.h"

#include <QTemporaryDir>

// Another user of the network who moves files: a client core without
// windows, in a process of its own (the store is one per process) with its own
// home folder, listening for peers on free loopback ports. The test program
// runs it when started with TransferPeerRoleArgument, the server port and the
// user name (password "secret"); the test's main hands over to
// RunTransferPeerRole.
//
// It obeys commands, one per line with tab-separated fields:
// "share\tfolder" (shares the folder with everybody and indexes it),
// "connect" (logs in), "limit\tKiB" (upload speed limit, 0: none),
// "download\tuser\tfolder\tname\tsize" (queues a file of the user's), "quit".
// It reports "SHARED", "CONNECTED" and "DOWNLOAD\tname\tstatus" whenever a
// download's status changes.
constexpr const char* TransferPeerRoleArgument = "--transfer-peer-role";

int RunTransferPeerRole(int argc, char** argv);

class TransferPeer : public RoleProcess
{
public:
    ~TransferPeer() { Stop(); }

    // Starts the process, logged out.
    bool Start(quint16 serverPort, const QString& name);
    QString Home() const { return home.path(); }

private:
    QTemporaryDir home;
};

#endif
