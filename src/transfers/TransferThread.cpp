#include "transfers/TransferThread.h"

#include <QIODevice>
#include <QMutexLocker>

TransferThread::TransferThread(QIODevice* transferSocket, QIODevice* transferFile, BlockingConnection::Patience waiting)
    : socket(transferSocket)
    , file(transferFile)
    , patience(waiting)
    , home(QThread::currentThread())
{
}

void TransferThread::SignalExit()
{
    QMutexLocker lock(&exitMutex);
    exitRequested = true;
}

bool TransferThread::AskedToExit() const
{
    QMutexLocker lock(&exitMutex);
    return exitRequested;
}

BlockingConnection TransferThread::Connection()
{
    return BlockingConnection(
        *socket, [this] { return AskedToExit(); }, patience);
}

void TransferThread::HandSocketBack()
{
    if (socket->thread() == QThread::currentThread())
        socket->moveToThread(home);
}
