#include "platform/SystemClock.h"

#include <QTimer>

#include <algorithm>

namespace qm {

namespace {

// A `Timer` over a QTimer child, so that moving it to another thread moves both.
class EventLoopTimer final : public Timer
{
public:
    EventLoopTimer() : m_timer(new QTimer(this))
    {
        m_timer->setTimerType(Qt::PreciseTimer);
        connect(m_timer, &QTimer::timeout, this, &Timer::timeout);
    }

    void start(std::chrono::milliseconds interval, bool repeating) override
    {
        m_timer->setSingleShot(!repeating);
        m_timer->start(std::max(interval, std::chrono::milliseconds::zero()));
    }
    void stop() override { m_timer->stop(); }
    bool isActive() const override { return m_timer->isActive(); }

private:
    QTimer* m_timer;
};

} // namespace

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTimeUtc();
}

std::chrono::steady_clock::time_point SystemClock::monotonicNow() const
{
    return std::chrono::steady_clock::now();
}

std::unique_ptr<Timer> SystemClock::createTimer()
{
    return std::make_unique<EventLoopTimer>();
}

} // namespace qm
