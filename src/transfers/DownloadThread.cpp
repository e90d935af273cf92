#include "transfers/DownloadThread.h"

#include <QElapsedTimer>
#include <QIODevice>

#include <algorithm>
#include <climits>
#include <vector>

namespace {

int BytesPerSecond(qint64 bytes, qint64 elapsedMs)
{
    return elapsedMs > 0 ? int(std::min<qint64>(bytes * 1000 / elapsedMs, INT_MAX)) : 0;
}

} // namespace

DownloadThread::DownloadThread(QIODevice* connection, QIODevice* partialFile, qint64 fileSize, qint64 offset,
                               BlockingConnection::Patience waiting)
    : TransferThread(connection, partialFile, waiting)
    , size(fileSize)
    , position(offset)
{
}

bool DownloadThread::Fail(const QString& error)
{
    errorText = error;
    return false;
}

bool DownloadThread::PerformDownload()
{
    if (position > size)
        return Fail(QString("The partial file holds %1 bytes, more than the file's %2").arg(position).arg(size));
    BlockingConnection connection = Connection();
    if (connection.Flush() == BlockingConnection::Result::ExitRequested)
        return Fail("Exit requested.");
    QElapsedTimer speedClock;
    speedClock.start();
    QElapsedTimer progressClock;
    progressClock.start();
    std::vector<char> buffer(size_t(std::min(PieceBytes, std::max<qint64>(size - position, 1))));
    qint64 counted = 0;
    while (position < size) {
        qint64 got = 0;
        switch (connection.ReadSome(buffer.data(), std::min<qint64>(qint64(buffer.size()), size - position), got)) {
        case BlockingConnection::Result::Done: break;
        case BlockingConnection::Result::ExitRequested: return Fail("Exit requested.");
        case BlockingConnection::Result::WaitFailed:
            return Fail("Waiting for data to read failed. Error string: " + connection.ErrorString());
        case BlockingConnection::Result::Failed:
            return Fail("Socket read failed. Error string: " + connection.ErrorString());
        }
        if (file->write(buffer.data(), got) != got)
            return Fail("Writing to file failed. Error string: " + file->errorString());
        position += got;
        counted += got;
        if (progressClock.elapsed() >= ProgressIntervalMs || position == size) {
            emit DownloadProgress(position, BytesPerSecond(counted, speedClock.elapsed()));
            progressClock.restart();
        }
    }
    if (counted == 0)
        emit DownloadProgress(position, 0);
    socket->close();
    return true;
}

void DownloadThread::run()
{
    const bool done = PerformDownload();
    HandSocketBack();
    file->close();
    if (done)
        emit DownloadComplete();
    else
        emit DownloadError(errorText);
}
