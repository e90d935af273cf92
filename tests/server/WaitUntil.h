#ifndef TESTS_SERVER_WAITUNTIL_H
#define TESTS_SERVER_WAITUNTIL_H

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

// Processes events until the condition holds, for at most the given time.
template <class Condition>
bool WaitUntil(Condition condition, int ms = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

#endif
