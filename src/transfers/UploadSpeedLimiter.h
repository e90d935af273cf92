#ifndef TRANSFERS_UPLOADSPEEDLIMITER_H
#define TRANSFERS_UPLOADSPEEDLIMITER_H

#include <QMutex>
#include <QtGlobal>

// The upload speed limit shared by the event loop, which sets it, and the
// upload threads, which keep to it: the total limit and each upload's share
// (KiB per second, 0 for none), and the spare allowance (bytes) that limited
// uploads earn over the time that passes and did not spend, so that what one
// upload leaves unused flows to the others. One mutex guards all three; it is
// never held while anything else is.
class UploadSpeedLimiter
{
public:
    // Each upload's share of a total limit: the total divided among the active uploads (the total itself when none
    // is active), at least 1.
    static int PerUploadLimit(int total, int activeUploads);
    // What an upload earns in `elapsedMs` at `limit` KiB/s beyond the `excess` it just paid for, in bytes (64-bit: a
    // large limit over a long interval does not fit 32 bits).
    static qint64 Earned(int limit, qint64 elapsedMs, qint64 excess);

    // Sets both limits (0 for none) and empties the spare allowance.
    void SetLimits(int total, int perUpload);
    int Total() const;
    int PerUpload() const;
    qint64 Spare() const;

    // Pays for bytes sent from the spare allowance; returns the part it did not cover.
    qint64 Pay(qint64 bytes);
    // Adds earned bytes to the spare allowance.
    void Earn(qint64 bytes);

private:
    mutable QMutex mutex;
    int total = 0;
    int perUpload = 0;
    qint64 spare = 0;
};

#endif
