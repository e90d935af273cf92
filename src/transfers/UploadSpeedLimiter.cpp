#include "transfers/UploadSpeedLimiter.h"

#include <QMutexLocker>

int UploadSpeedLimiter::PerUploadLimit(int total, int activeUploads)
{
    const int share = activeUploads > 0 ? total / activeUploads : total;
    return share > 0 ? share : 1;
}

qint64 UploadSpeedLimiter::Earned(int limit, qint64 elapsedMs, qint64 excess)
{
    return qint64(limit) * 1024 * elapsedMs / 1000 - excess;
}

void UploadSpeedLimiter::SetLimits(int newTotal, int newPerUpload)
{
    QMutexLocker lock(&mutex);
    total = newTotal;
    perUpload = newPerUpload;
    spare = 0;
}

int UploadSpeedLimiter::Total() const
{
    QMutexLocker lock(&mutex);
    return total;
}

int UploadSpeedLimiter::PerUpload() const
{
    QMutexLocker lock(&mutex);
    return perUpload;
}

qint64 UploadSpeedLimiter::Spare() const
{
    QMutexLocker lock(&mutex);
    return spare;
}

qint64 UploadSpeedLimiter::Pay(qint64 bytes)
{
    QMutexLocker lock(&mutex);
    if (bytes < spare) {
        spare -= bytes;
        return 0;
    }
    const qint64 excess = bytes - spare;
    spare = 0;
    return excess;
}

void UploadSpeedLimiter::Earn(qint64 bytes)
{
    QMutexLocker lock(&mutex);
    spare += bytes;
}
