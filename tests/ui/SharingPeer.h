#ifndef TESTS_UI_SHARINGPEER_H
#define TESTS_UI_SHARINGPEER_H

#include <QMap>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Another user who shares a folder with everybody: a client core without
// windows, in a process of its own with its own home folder, listening for
// peers on loopback only. The test program runs it when started with
// SharingPeerArgument, the server port, the user name, the folder and then
// "setting=value" pairs; the test's main hands over to RunSharingPeer. It
// reports "READY" once it is logged in and its folder is indexed, and quits
// when its standard input closes.
constexpr const char* SharingPeerArgument = "--sharing-peer";

int RunSharingPeer(int argc, char** argv);

class SharingPeer
{
public:
    ~SharingPeer();

    // Starts the peer and waits (bounded) until it is ready.
    bool Start(quint16 serverPort, const QString& user, const QString& folder,
               const QMap<QString, QString>& settings = {});
    QString Home() const { return home.path(); }

private:
    QTemporaryDir home;
    QProcess process;
};

// Two ports on 127.0.0.1 that were free a moment ago: to listen for peers.
QPair<quint16, quint16> FreeListeningPorts();

#endif
