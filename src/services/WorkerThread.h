#ifndef SERVICES_WORKERTHREAD_H
#define SERVICES_WORKERTHREAD_H

class QObject;
class QThread;

// Runs one worker object on a thread of its own until destroyed.
//
// Destruction waits a bounded time. A worker still inside a long call (a
// router that does not answer) is left to end that call on its own and is
// freed afterwards, so that shut-down never hangs on it. Jobs still queued
// then are the worker's to drop: it checks
// QThread::currentThread()->isInterruptionRequested() before each.
class WorkerThread
{
public:
    // Takes the worker, which must have no parent, moves it to a new thread
    // (of the caller's priority) and starts that thread.
    WorkerThread(QObject* worker, int stopWaitMs);
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

private:
    QThread* thread;
    int stopWaitMs;
};

#endif
