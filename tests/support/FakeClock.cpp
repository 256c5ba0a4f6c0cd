#include "support/FakeClock.h"

#include <QTimeZone>

#include <algorithm>
#include <mutex>
#include <vector>

namespace qm::test {

class FakeTimer;

// The state a FakeClock shares with its timers, so that either may outlive the other.
class FakeTimerSchedule
{
public:
    using Millis = std::chrono::milliseconds;

    explicit FakeTimerSchedule(const QDateTime& start) : m_wall(start) {}

    mutable std::mutex mutex;
    std::vector<FakeTimer*> timers;
    quint64 nextSequence = 0;

    // Caller holds `mutex` for the two below.
    Millis elapsed() const { return m_elapsed; }
    QDateTime wall() const { return m_wall; }

    void moveTo(Millis elapsed)
    {
        m_wall = m_wall.addMSecs((elapsed - m_elapsed).count());
        m_elapsed = elapsed;
    }
    void setWall(const QDateTime& wall) { m_wall = wall; }

private:
    Millis m_elapsed{0};
    QDateTime m_wall;
};

class FakeTimer final : public Timer
{
public:
    explicit FakeTimer(std::shared_ptr<FakeTimerSchedule> schedule) : m_schedule(std::move(schedule))
    {
        const std::lock_guard lock(m_schedule->mutex);
        m_schedule->timers.push_back(this);
    }
    ~FakeTimer() override
    {
        const std::lock_guard lock(m_schedule->mutex);
        std::erase(m_schedule->timers, this);
    }

    void start(std::chrono::milliseconds interval, bool repeating) override
    {
        const std::lock_guard lock(m_schedule->mutex);
        m_interval = std::max(interval, std::chrono::milliseconds(repeating ? 1 : 0));
        m_repeating = repeating;
        m_due = m_schedule->elapsed() + m_interval;
        m_sequence = m_schedule->nextSequence++;
        m_active = true;
    }
    void stop() override
    {
        const std::lock_guard lock(m_schedule->mutex);
        m_active = false;
    }
    bool isActive() const override
    {
        const std::lock_guard lock(m_schedule->mutex);
        return m_active;
    }

    // Caller holds the schedule's mutex.
    bool dueBy(std::chrono::milliseconds when) const { return m_active && m_due <= when; }
    bool firesBefore(const FakeTimer& other) const
    {
        return m_due != other.m_due ? m_due < other.m_due : m_sequence < other.m_sequence;
    }
    std::chrono::milliseconds due() const { return m_due; }
    // Re-arms or disarms the timer for having fired now.
    void markFired()
    {
        if (m_repeating) {
            m_due += m_interval;
            m_sequence = m_schedule->nextSequence++;
        } else {
            m_active = false;
        }
    }

    void fire() { emit timeout(); }

private:
    std::shared_ptr<FakeTimerSchedule> m_schedule;
    std::chrono::milliseconds m_interval{0};
    std::chrono::milliseconds m_due{0};
    quint64 m_sequence = 0;
    bool m_repeating = false;
    bool m_active = false;
};

FakeClock::FakeClock(const QDateTime& start) : m_schedule(std::make_shared<FakeTimerSchedule>(start)) {}

FakeClock::~FakeClock() = default;

QDateTime FakeClock::defaultStart()
{
    return QDateTime(QDate(2024, 1, 1), QTime(12, 0), QTimeZone::utc());
}

QDateTime FakeClock::now() const
{
    const std::lock_guard lock(m_schedule->mutex);
    return m_schedule->wall();
}

std::chrono::steady_clock::time_point FakeClock::monotonicNow() const
{
    // A fixed origin well away from zero, so that code subtracting an interval never underflows.
    constexpr auto origin = std::chrono::steady_clock::time_point(std::chrono::hours(1000));
    const std::lock_guard lock(m_schedule->mutex);
    return origin + m_schedule->elapsed();
}

std::unique_ptr<Timer> FakeClock::createTimer()
{
    return std::make_unique<FakeTimer>(m_schedule);
}

void FakeClock::advance(std::chrono::milliseconds by)
{
    Q_ASSERT(by.count() >= 0);
    std::unique_lock lock(m_schedule->mutex);
    const auto target = m_schedule->elapsed() + std::max(by, std::chrono::milliseconds::zero());
    for (;;) {
        FakeTimer* next = nullptr;
        for (FakeTimer* timer : m_schedule->timers) {
            if (timer->dueBy(target) && (next == nullptr || timer->firesBefore(*next))) {
                next = timer;
            }
        }
        if (next == nullptr) {
            break;
        }
        m_schedule->moveTo(next->due());
        next->markFired();
        // Unlocked, because a handler may read the clock and start, stop or delete any timer.
        lock.unlock();
        next->fire();
        lock.lock();
    }
    m_schedule->moveTo(target);
}

void FakeClock::setNow(const QDateTime& now)
{
    const std::lock_guard lock(m_schedule->mutex);
    m_schedule->setWall(now);
}

int FakeClock::activeTimerCount() const
{
    const std::lock_guard lock(m_schedule->mutex);
    return static_cast<int>(
        std::count_if(m_schedule->timers.begin(), m_schedule->timers.end(),
                      [](const FakeTimer* timer) { return timer->dueBy(std::chrono::milliseconds::max()); }));
}

} // namespace qm::test
