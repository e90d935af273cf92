#include "transfers/BlockingConnection.h"

#include <QAbstractSocket>
#include <QIODevice>

BlockingConnection::BlockingConnection(QIODevice& connection, std::function<bool()> exitRequested, Patience waiting)
    : device(connection)
    , askedToExit(std::move(exitRequested))
    , patience(waiting)
{
}

bool BlockingConnection::IsConnected() const
{
    if (const auto* socket = qobject_cast<const QAbstractSocket*>(&device))
        return socket->state() == QAbstractSocket::ConnectedState;
    return device.isOpen();
}

QString BlockingConnection::ErrorString() const
{
    return device.errorString();
}

BlockingConnection::Result BlockingConnection::WaitForData()
{
    for (int silent = 0; device.bytesAvailable() <= 0; ++silent) {
        if (askedToExit())
            return Result::ExitRequested;
        if (silent >= patience.waits || !IsConnected())
            return Result::WaitFailed;
        device.waitForReadyRead(patience.waitMs);
    }
    return Result::Done;
}

BlockingConnection::Result BlockingConnection::ReadSome(char* buffer, qint64 max, qint64& got)
{
    got = 0;
    const Result waited = WaitForData();
    if (waited != Result::Done)
        return waited;
    got = device.read(buffer, max);
    return got < 0 ? Result::Failed : Result::Done;
}

BlockingConnection::Result BlockingConnection::ReadExactly(char* buffer, qint64 count)
{
    for (qint64 done = 0; done < count;) {
        qint64 got = 0;
        const Result result = ReadSome(buffer + done, count - done, got);
        if (result != Result::Done)
            return result;
        done += got;
    }
    return Result::Done;
}

BlockingConnection::Result BlockingConnection::WriteAll(const char* bytes, qint64 count)
{
    for (qint64 done = 0; done < count;) {
        const qint64 written = device.write(bytes + done, count - done);
        if (written < 0)
            return Result::Failed;
        done += written;
        const Result flushed = Flush();
        if (flushed != Result::Done)
            return flushed;
    }
    return Result::Done;
}

BlockingConnection::Result BlockingConnection::Flush()
{
    for (int silent = 0; device.bytesToWrite() > 0;) {
        if (askedToExit())
            return Result::ExitRequested;
        if (silent >= patience.waits || !IsConnected())
            return Result::WaitFailed;
        if (device.waitForBytesWritten(patience.waitMs))
            silent = 0;
        else
            ++silent;
    }
    return Result::Done;
}

BlockingConnection::Result BlockingConnection::WaitForClose()
{
    char discard[4096];
    for (int wait = 0; IsConnected(); ++wait) {
        if (askedToExit())
            return Result::ExitRequested;
        if (wait >= patience.waits)
            return Result::WaitFailed;
        while (device.bytesAvailable() > 0)
            if (device.read(discard, sizeof discard) <= 0)
                break;
        device.waitForReadyRead(patience.waitMs);
    }
    return Result::Done;
}
