#ifndef TESTS_PEER_PEERTESTKIT_H
#define TESTS_PEER_PEERTESTKIT_H

#include "wire/MemStream.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QIODevice>
#include <QThread>

#include <cstdint>
#include <memory>

class DataSaver;

// Message bodies and expected bytes, each field at the width of its type.
template <class... Fields>
MemStream Body(const Fields&... fields)
{
    MemStream body;
    (body.Write(fields), ...);
    return body;
}

template <class... Fields>
QByteArray Bytes(const Fields&... fields)
{
    return Body(fields...).GetPendingBytes();
}

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

// A stream that holds what the test feeds it until it is read, like a socket.
class ByteFeed : public QIODevice
{
public:
    ByteFeed() { open(QIODevice::ReadOnly); }
    void Feed(const QByteArray& bytes) { pending += bytes; }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return pending.size() + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 taken = qMin<qint64>(maxSize, pending.size());
        std::copy_n(pending.constData(), taken, data);
        pending.remove(0, int(taken));
        return taken;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray pending;
};

// A fresh graph with the settings, the session's and the peer network's types.
class PeerGraph
{
public:
    PeerGraph();
    ~PeerGraph();

private:
    std::unique_ptr<DataSaver> saver;
};

#endif
