#include "transfers/UploadThread.h"

#include "transfers/FileConnectionStart.h"
#include "transfers/UploadSpeedLimiter.h"

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

UploadThread::UploadThread(QIODevice* connection, QIODevice* sharedFile, uint32_t transferToken,
                           UploadSpeedLimiter& speedLimiter, BlockingConnection::Patience waiting)
    : TransferThread(connection, sharedFile, waiting)
    , token(transferToken)
    , limiter(speedLimiter)
{
}

bool UploadThread::Fail(const QString& error)
{
    errorText = error;
    return false;
}

bool UploadThread::FailWriting(BlockingConnection::Result result, const BlockingConnection& connection)
{
    switch (result) {
    case BlockingConnection::Result::ExitRequested: return Fail("Exit requested.");
    case BlockingConnection::Result::Failed:
        return Fail("Writing to socket failed. Error string: " + connection.ErrorString());
    default: return Fail("Waiting for bytes to be written to socket failed. Error string: " + connection.ErrorString());
    }
}

bool UploadThread::SleepUntil(const QElapsedTimer& clock, qint64 deadlineMs)
{
    for (qint64 left = deadlineMs - clock.elapsed(); left > 0; left = deadlineMs - clock.elapsed()) {
        if (AskedToExit())
            return false;
        msleep(unsigned(std::min<qint64>(left, SleepStepMs)));
    }
    return true;
}

bool UploadThread::PerformUpload()
{
    BlockingConnection connection = Connection();
    const QByteArray tokenBytes = FileConnectionStart::EncodeToken(token);
    const BlockingConnection::Result sent = connection.WriteAll(tokenBytes.constData(), tokenBytes.size());
    if (sent != BlockingConnection::Result::Done)
        return FailWriting(sent, connection);

    char offsetBytes[FileConnectionStart::OffsetBytes];
    switch (connection.ReadExactly(offsetBytes, sizeof offsetBytes)) {
    case BlockingConnection::Result::Done: break;
    case BlockingConnection::Result::ExitRequested: return Fail("Exit requested.");
    case BlockingConnection::Result::WaitFailed:
        return Fail("Waiting for initialization data to read failed. Error string: " + connection.ErrorString());
    case BlockingConnection::Result::Failed:
        return Fail("Socket read failed. Error string: " + connection.ErrorString());
    }
    const qint64 offset = FileConnectionStart::DecodeOffset(offsetBytes);
    const qint64 size = file->size();
    const QString refusal = FileConnectionStart::RefuseOffset(offset, size);
    if (!refusal.isEmpty())
        return Fail(refusal);
    if (!file->seek(offset))
        return Fail(
            QString("Seeking to starting offset %1 failed. Error string: %2").arg(offset).arg(file->errorString()));

    qint64 position = offset;
    int rememberedLimit = limiter.Total();
    qint64 unpaid = 0;
    qint64 measured = 0;
    QElapsedTimer measurement;
    measurement.start();
    QElapsedTimer limiterClock;
    limiterClock.start();
    QElapsedTimer progressClock;
    progressClock.start();
    std::vector<char> buffer(size_t(std::min(PieceBytes, std::max<qint64>(size - position, 1))));
    while (position < size) {
        if (AskedToExit())
            return Fail("Exit requested.");
        const int limit = limiter.PerUpload();
        if (limit != rememberedLimit) {
            if (rememberedLimit == 0)
                unpaid = 0;
            measurement.restart();
            measured = 0;
        }
        if (limit != 0) {
            // Pay for what went out since the last step: from the common allowance while it lasts, else by waiting.
            const qint64 excess = limiter.Pay(unpaid);
            if (!SleepUntil(limiterClock, limiterClock.elapsed() + excess / limit))
                return Fail("Exit requested.");
            const qint64 earned = UploadSpeedLimiter::Earned(limit, limiterClock.restart(), excess);
            if (earned > 0)
                limiter.Earn(earned);
            unpaid = 0;
        }
        const qint64 chunk
            = std::min(std::min(limit != 0 ? LimitedPieceBytes : PieceBytes, size - position), qint64(buffer.size()));
        if (file->read(buffer.data(), chunk) != chunk)
            return Fail("Reading from file failed. Error string: " + file->errorString());
        const BlockingConnection::Result written = connection.WriteAll(buffer.data(), chunk);
        if (written != BlockingConnection::Result::Done)
            return FailWriting(written, connection);
        position += chunk;
        measured += chunk;
        unpaid += chunk;
        if (progressClock.elapsed() >= ProgressIntervalMs || position == size) {
            emit UploadProgress(position, BytesPerSecond(measured, measurement.elapsed()));
            progressClock.restart();
        }
        rememberedLimit = limit;
    }
    if (offset == size)
        emit UploadProgress(position, 0);

    switch (connection.WaitForClose()) {
    case BlockingConnection::Result::Done: return true;
    case BlockingConnection::Result::ExitRequested: return Fail("Exit requested.");
    default: return Fail(QString());
    }
}

void UploadThread::run()
{
    const bool done = PerformUpload();
    HandSocketBack();
    if (done)
        emit UploadComplete();
    else
        emit UploadError(errorText);
}
