#include "app/DelayedInvoker.h"

#include <QtTest>

// A target that counts its calls and can ask for the next one from inside.
class SortTarget : public QObject
{
    Q_OBJECT
public:
    int sorts = 0;
    int reRequestsLeft = 0;
    DelayedInvoker* invoker = nullptr;

public slots:
    void Sort()
    {
        ++sorts;
        if (reRequestsLeft > 0) {
            --reRequestsLeft;
            invoker->Invoke(this, "1Sort()", 10);
        }
    }
    void Other() { sorts += 100; }
};

class TestDelayedInvoker : public QObject
{
    Q_OBJECT
private slots:
    void burstOfRequestsGivesOneCallAtTheFirstDeadline()
    {
        {
            DelayedInvoker invoker;
            QCOMPARE(delayedInvoker, &invoker);
            SortTarget target;
            for (int request = 0; request < 10; ++request)
                QVERIFY(invoker.Invoke(&target, SLOT(Sort()), 200));
            // A later request with a longer delay must not push the call back.
            QVERIFY(invoker.Invoke(&target, "1Sort()", 60000));
            const QList<QTimer*> timers = invoker.findChildren<QTimer*>();
            QCOMPARE(timers.size(), 1);
            QCOMPARE(timers.first()->interval(), 200);
            QCOMPARE(target.sorts, 0);
            QTRY_COMPARE_WITH_TIMEOUT(target.sorts, 1, 5000);

            // Nothing else was queued behind the merged call, and its timer is released.
            QTest::qWait(400);
            QCOMPARE(target.sorts, 1);
            QTRY_VERIFY_WITH_TIMEOUT(invoker.findChildren<QTimer*>().isEmpty(), 5000);
        }
        QCOMPARE(delayedInvoker, nullptr);
    }

    void requestAfterFiringSchedulesNewCall()
    {
        DelayedInvoker invoker;
        SortTarget target;
        QVERIFY(invoker.Invoke(&target, "1Sort()", 10));
        QTRY_COMPARE_WITH_TIMEOUT(target.sorts, 1, 5000);
        QVERIFY(invoker.Invoke(&target, "1Sort()", 10));
        QTRY_COMPARE_WITH_TIMEOUT(target.sorts, 2, 5000);

        // Also from inside the slot that the call runs.
        target.invoker = &invoker;
        target.reRequestsLeft = 2;
        QVERIFY(invoker.Invoke(&target, "1Sort()", 10));
        QTRY_COMPARE_WITH_TIMEOUT(target.sorts, 5, 5000);
    }

    void differentSlotsAndTargetsAreSeparateCalls()
    {
        DelayedInvoker invoker;
        SortTarget first;
        SortTarget second;
        QVERIFY(invoker.Invoke(&first, "1Sort()", 10));
        QVERIFY(invoker.Invoke(&first, "1Other()", 10));
        QVERIFY(invoker.Invoke(&second, "1Sort()", 10));
        QTRY_COMPARE_WITH_TIMEOUT(first.sorts, 101, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(second.sorts, 1, 5000);
    }

    void unknownSlotSchedulesNothing()
    {
        DelayedInvoker invoker;
        SortTarget target;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("No such slot"));
        QVERIFY(!invoker.Invoke(&target, "1NoSuchSlot()", 10));
        QVERIFY(invoker.findChildren<QTimer*>().isEmpty());
    }

    void destroyedTargetDropsItsPendingCalls()
    {
        DelayedInvoker invoker;
        auto* target = new SortTarget;
        QVERIFY(invoker.Invoke(target, "1Sort()", 60000));
        QVERIFY(invoker.Invoke(target, "1Other()", 60000));
        delete target;
        QTRY_VERIFY_WITH_TIMEOUT(invoker.findChildren<QTimer*>().isEmpty(), 5000);

        // A new object, wherever it lives, gets its own call at once.
        SortTarget next;
        QVERIFY(invoker.Invoke(&next, "1Sort()", 10));
        QTRY_COMPARE_WITH_TIMEOUT(next.sorts, 1, 5000);
    }
};

QTEST_GUILESS_MAIN(TestDelayedInvoker)
#include "tst_delayedinvoker.moc"
