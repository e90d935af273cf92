#ifndef TRANSFERS_UPLOADTHREAD_H
#define TRANSFERS_UPLOADTHREAD_H

#include "transfers/TransferThread.h"

#include <cstdint>

class QElapsedTimer;
class UploadSpeedLimiter;

// Sends a file over its connection: the token first, then, once the
// downloader has told the offset to resume from, the file from there to its
// end, keeping to this upload's share of the speed limit; then waits for the
// downloader to close. Reports progress at most twice a second (and at the
// end).
class UploadThread : public TransferThread
{
    Q_OBJECT
public:
    // The most sent at a time without a limit, and with one (small pieces keep a limited upload even).
    static constexpr qint64 PieceBytes = 256 * 1024;
    static constexpr qint64 LimitedPieceBytes = 8192;
    static constexpr int ProgressIntervalMs = 500;
    // A limited upload sleeps in steps this long, so that it hears an exit request soon.
    static constexpr int SleepStepMs = 10;

    // The file is open for reading.
    UploadThread(QIODevice* socket, QIODevice* file, uint32_t token, UploadSpeedLimiter& limiter,
                 BlockingConnection::Patience patience = BlockingConnection::Patience());

    // The transfer itself, on the calling thread; false with ErrorText() set when it fails.
    bool PerformUpload();

signals:
    void UploadComplete();
    void UploadProgress(qint64 position, int bytesPerSecond);
    void UploadError(QString error);

protected:
    void run() override;

private:
    bool Fail(const QString& error);
    bool FailWriting(BlockingConnection::Result result, const BlockingConnection& connection);
    // Sleeps until the limiter's clock reads `deadlineMs`; false when asked to exit meanwhile.
    bool SleepUntil(const QElapsedTimer& clock, qint64 deadlineMs);

    uint32_t token;
    UploadSpeedLimiter& limiter;
};

#endif
