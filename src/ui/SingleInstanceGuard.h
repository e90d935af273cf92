#ifndef UI_SINGLEINSTANCEGUARD_H
#define UI_SINGLEINSTANCEGUARD_H

#include <QLockFile>
#include <QString>

// Keeps a second copy of the program from running for the same user. The
// guard holds a lock file in the home folder for the lifetime of the run; a
// second start finds it held and leaves without touching the first copy. A
// lock left by a run that crashed belongs to a dead process and is taken over.
class SingleInstanceGuard
{
public:
    explicit SingleInstanceGuard(const QString& lockPath = DefaultLockPath());

    bool IsOnlyInstance() const { return acquired; }

    static QString DefaultLockPath();

private:
    QLockFile lock;
    bool acquired;
};

#endif
