#include "app/TimerManager.h"

TimerManager* timerManager = nullptr;

TimerManager::TimerManager(int halfMinuteMs, int fiveMinutesMs, int hourMs, QObject* parent)
    : QObject(parent)
{
    timerManager = this;
    StartRepeating(halfMinuteTimer, halfMinuteMs, &TimerManager::HalfMinuteTick);
    StartRepeating(fiveMinutesTimer, fiveMinutesMs, &TimerManager::FiveMinutesTick);
    StartRepeating(hourTimer, hourMs, &TimerManager::HourTick);
}

TimerManager::~TimerManager()
{
    if (timerManager == this)
        timerManager = nullptr;
}

void TimerManager::StartRepeating(QTimer& timer, int intervalMs, void (TimerManager::*tick)())
{
    timer.setSingleShot(false);
    timer.setInterval(intervalMs);
    connect(&timer, &QTimer::timeout, this, tick);
    timer.start();
}
