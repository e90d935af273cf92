#ifndef TRANSFERS_DOWNLOADTHREAD_H
#define TRANSFERS_DOWNLOADTHREAD_H

#include "transfers/TransferThread.h"

// Receives a file over its connection, after the offset has been sent, and
// appends it to the partial file until the file has its size; then closes the
// connection. Reports progress at most twice a second (and at the end).
class DownloadThread : public TransferThread
{
    Q_OBJECT
public:
    // The most read from the connection at a time; big enough that the cost of
    // each piece vanishes on a fast connection.
    static constexpr qint64 PieceBytes = 256 * 1024;
    static constexpr int ProgressIntervalMs = 500;

    // The file is open for appending and holds `offset` bytes already.
    DownloadThread(QIODevice* socket, QIODevice* file, qint64 size, qint64 offset,
                   BlockingConnection::Patience patience = BlockingConnection::Patience());

    // The transfer itself, on the calling thread; false with ErrorText() set when it fails.
    bool PerformDownload();

signals:
    void DownloadComplete();
    void DownloadProgress(qint64 position, int bytesPerSecond);
    void DownloadError(QString error);

protected:
    void run() override;

private:
    bool Fail(const QString& error);

    qint64 size;
    qint64 position;
};

#endif
