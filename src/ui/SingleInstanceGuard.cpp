#include "ui/SingleInstanceGuard.h"

#include <QDir>

SingleInstanceGuard::SingleInstanceGuard(const QString& lockPath)
    : lock(lockPath)
{
    // Only a dead owner makes the lock stale: a run may last for weeks, so
    // the age of the lock file says nothing.
    lock.setStaleLockTime(0);
    acquired = lock.tryLock(0);
}

QString SingleInstanceGuard::DefaultLockPath()
{
    return QDir::homePath() + "/.QuillmerQt.lock";
}
