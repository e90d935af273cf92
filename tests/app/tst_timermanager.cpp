#include "app/TimerManager.h"

#include <QSignalSpy>
#include <QtTest>

class TestTimerManager : public QObject
{
    Q_OBJECT
private slots:
    void defaultsAreHalfMinuteFiveMinutesAndHour()
    {
        {
            TimerManager manager;
            QCOMPARE(timerManager, &manager);
            QList<int> intervals;
            for (QTimer* timer : manager.findChildren<QTimer*>()) {
                QVERIFY(timer->isActive());
                intervals << timer->interval();
            }
            std::sort(intervals.begin(), intervals.end());
            QCOMPARE(intervals, (QList<int>{30000, 300000, 3600000}));
        }
        QCOMPARE(timerManager, nullptr);
    }

    void nothingTicksAtStart()
    {
        TimerManager manager(60000, 60000, 60000);
        QSignalSpy halfMinute(&manager, &TimerManager::HalfMinuteTick);
        QSignalSpy fiveMinutes(&manager, &TimerManager::FiveMinutesTick);
        QSignalSpy hour(&manager, &TimerManager::HourTick);
        QCoreApplication::processEvents();
        QCOMPARE(halfMinute.count() + fiveMinutes.count() + hour.count(), 0);
    }

    void eachTickRepeats()
    {
        TimerManager manager(5, 15, 25);
        QSignalSpy halfMinute(&manager, &TimerManager::HalfMinuteTick);
        QSignalSpy fiveMinutes(&manager, &TimerManager::FiveMinutesTick);
        QSignalSpy hour(&manager, &TimerManager::HourTick);
        // Repeating, not single-shot: every tick comes more than once.
        QTRY_VERIFY_WITH_TIMEOUT(halfMinute.count() >= 2 && fiveMinutes.count() >= 2 && hour.count() >= 2, 10000);
    }
};

QTEST_GUILESS_MAIN(TestTimerManager)
#include "tst_timermanager.moc"
