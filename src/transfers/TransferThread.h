#ifndef TRANSFERS_TRANSFERTHREAD_H
#define TRANSFERS_TRANSFERTHREAD_H

#include "transfers/BlockingConnection.h"

#include <QMutex>
#include <QString>
#include <QThread>

class QIODevice;

// What the download and the upload thread share: the file connection's socket
// and the file, which the thread uses while it runs and the event loop owns;
// the exit flag under its own mutex; and the text of the error that ended the
// transfer. The socket is moved to the thread before the start and moved back
// to the thread that made this one before the end. A transfer thread never
// touches the item graph: it reports through queued signals only.
class TransferThread : public QThread
{
    Q_OBJECT
public:
    // Read by the worker before each wait; set by the event loop.
    void SignalExit();
    bool AskedToExit() const;
    QString ErrorText() const { return errorText; }

protected:
    TransferThread(QIODevice* socket, QIODevice* file, BlockingConnection::Patience patience);
    BlockingConnection Connection();
    // Gives the socket back to the thread that made this one (call from the worker, at its end).
    void HandSocketBack();

    QIODevice* socket;
    QIODevice* file;
    BlockingConnection::Patience patience;
    QString errorText;

private:
    QThread* home;
    mutable QMutex exitMutex;
    bool exitRequested = false;
};

#endif
