#ifndef LOCALSERVER_SERVEROPTIONS_H
#define LOCALSERVER_SERVEROPTIONS_H

#include <QHash>
#include <QString>

namespace localserver {

struct ServerOptions
{
    // File of accounts, one "name<TAB>password" per line. Empty: accounts live
    // only as long as the server runs. New accounts are appended to the file.
    QString accountsFile;

    // File of privileged users, one "name seconds" per line (the seconds of
    // privileges left at start; the name may contain spaces, the count is the
    // last word). Lines starting with '#' are comments.
    QString privilegesFile;

    // Privileges given in code, on top of the file: name -> seconds left.
    QHash<QString, qint64> privileges;

    // Seconds between wish-list searches, sent to every client after login.
    quint32 wishListInterval = 720;

    // Distributed network parameters sent after login: the minimum upload
    // speed (KiB/s) of a parent and the speed-to-children ratio.
    qint32 parentMinSpeed = 1;
    qint32 parentSpeedConnectionRatio = 50;

    // The average upload speed (bytes/s) the server reports for a user that
    // has not reported one itself (code 121). Clients decide from it whether
    // they can take children in the distributed tree; with the other two
    // parameters it sets how many (at 5120, a minimum of 1 and a ratio of 50:
    // one child each).
    quint32 userUploadSpeed = 0;

    // When true, network-wide searches go only to users without a distributed
    // parent (as distributed messages, code 93), which pass them down the tree.
    bool treeOnlySearch = false;

    // A connection that has not logged in this long after connecting is
    // closed, so that idle or stray connections do not pile up.
    int loginTimeoutMs = 30 * 1000;

    // The longest message a connection may send before it has logged in: a
    // login with the longest name and a long password fits with room to spare.
    // A longer one closes the connection, so that strangers cannot make the
    // server hold large messages.
    quint32 maxLoginMessageLength = 4096;

    // Connections that have not logged in yet; one more is closed at once.
    int maxPendingLogins = 128;

    // A client whose unsent bytes exceed this is dropped.
    qint64 maxQueuedBytes = 8 * 1024 * 1024;

    // No log lines on standard output.
    bool quiet = false;
};

} // namespace localserver

#endif
