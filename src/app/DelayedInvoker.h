#ifndef APP_DELAYEDINVOKER_H
#define APP_DELAYEDINVOKER_H

#include <QHash>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QString>

class QTimer;

// Runs a slot of an object once after a delay. Requests for the same
// (object, slot) pair made while a call is pending merge into that call, so a
// burst of requests gives one call at the first request's deadline.
class DelayedInvoker : public QObject
{
    Q_OBJECT
public:
    explicit DelayedInvoker(QObject* parent = nullptr);
    ~DelayedInvoker() override;

    // slot is in Qt's connection form, as SLOT() writes it: "1Sort()".
    // Returns false, scheduling nothing, when target has no such slot.
    bool Invoke(QObject* target, QString slot, int ms);

private slots:
    void OnTimeout();
    void OnTargetDestroyed(QObject* target);

private:
    using Call = QPair<QObject*, QString>;

    void Forget(QTimer* timer);

    QMap<Call, QTimer*> pendingCalls;
    QHash<QTimer*, Call> timers;
};

extern DelayedInvoker* delayedInvoker;

#endif
