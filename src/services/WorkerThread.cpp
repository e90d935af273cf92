#include "services/WorkerThread.h"

#include <QObject>
#include <QThread>

WorkerThread::WorkerThread(QObject* worker, int stopWaitLimitMs)
    : thread(new QThread)
    , stopWaitMs(stopWaitLimitMs)
{
    worker->moveToThread(thread);
    // Freed in its own thread once the loop has ended, whether in time or late.
    QObject::connect(thread, &QThread::finished, worker, &QObject::deleteLater);
    thread->start(QThread::InheritPriority);
}

WorkerThread::~WorkerThread()
{
    thread->requestInterruption();
    thread->quit();
    if (thread->wait(stopWaitMs)) {
        delete thread;
        return;
    }
    // Still inside a call: the thread object goes when the call has ended.
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    if (thread->isFinished()) {
        // It ended just now, perhaps before the connection was made.
        thread->wait();
        delete thread;
    }
}
