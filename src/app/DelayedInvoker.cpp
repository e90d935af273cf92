#include "app/DelayedInvoker.h"

#include <QTimer>

DelayedInvoker* delayedInvoker = nullptr;

DelayedInvoker::DelayedInvoker(QObject* parent)
    : QObject(parent)
{
    delayedInvoker = this;
}

DelayedInvoker::~DelayedInvoker()
{
    if (delayedInvoker == this)
        delayedInvoker = nullptr;
}

bool DelayedInvoker::Invoke(QObject* target, QString slot, int ms)
{
    const Call call(target, slot);
    if (pendingCalls.contains(call))
        return true;

    auto* timer = new QTimer(this);
    // Our own slot first: the entry is gone before the target runs, so the
    // target may ask for its next call from inside the slot.
    connect(timer, &QTimer::timeout, this, &DelayedInvoker::OnTimeout);
    if (!connect(timer, SIGNAL(timeout()), target, slot.toLatin1().constData())) {
        delete timer;
        return false;
    }
    // A destroyed target's pending calls must not be merged with those of a
    // new object that happens to get the same address.
    connect(target, &QObject::destroyed, this, &DelayedInvoker::OnTargetDestroyed, Qt::UniqueConnection);

    timer->setSingleShot(true);
    timer->setInterval(ms);
    pendingCalls.insert(call, timer);
    timers.insert(timer, call);
    timer->start();
    return true;
}

void DelayedInvoker::OnTimeout()
{
    auto* timer = qobject_cast<QTimer*>(sender());
    if (timer)
        Forget(timer);
}

void DelayedInvoker::OnTargetDestroyed(QObject* target)
{
    const QList<QTimer*> targetTimers = timers.keys();
    for (QTimer* timer : targetTimers) {
        if (timers.value(timer).first == target) {
            timer->stop();
            Forget(timer);
        }
    }
}

void DelayedInvoker::Forget(QTimer* timer)
{
    const auto found = timers.find(timer);
    if (found == timers.end())
        return;
    pendingCalls.remove(found.value());
    timers.erase(found);
    timer->deleteLater();
}
