#ifndef APP_TIMERMANAGER_H
#define APP_TIMERMANAGER_H

#include <QObject>
#include <QTimer>

// The program's three shared periodic ticks. Receivers connect their own
// slots to the tick signals; the first tick comes one interval after
// construction, nothing runs at time zero.
class TimerManager : public QObject
{
    Q_OBJECT
public:
    static constexpr int HalfMinuteMs = 30 * 1000;
    static constexpr int FiveMinutesMs = 5 * 60 * 1000;
    static constexpr int HourMs = 60 * 60 * 1000;

    // The intervals are parameters so that tests need not wait for real time.
    explicit TimerManager(int halfMinuteMs = HalfMinuteMs, int fiveMinutesMs = FiveMinutesMs, int hourMs = HourMs,
                          QObject* parent = nullptr);
    ~TimerManager() override;

signals:
    void HalfMinuteTick();
    void FiveMinutesTick();
    void HourTick();

private:
    void StartRepeating(QTimer& timer, int intervalMs, void (TimerManager::*tick)());

    QTimer halfMinuteTimer{this};
    QTimer fiveMinutesTimer{this};
    QTimer hourTimer{this};
};

extern TimerManager* timerManager;

#endif
