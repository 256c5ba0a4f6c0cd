#pragma once

#include "platform/Clock.h"

#include <chrono>
#include <memory>

namespace qm::test {

class FakeTimerSchedule;

// A clock that stands still until a test moves it. `advance` fires every timer that falls due, in
// order, on the calling thread, so that 15 s undo windows and 60 s deadlines pass instantly.
// Nothing here reads the real time.
class FakeClock final : public Clock
{
public:
    // Starts at `start` (by default 2024-01-01 12:00:00 UTC) with monotonic time at a fixed origin.
    explicit FakeClock(const QDateTime& start = defaultStart());
    ~FakeClock() override;
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    static QDateTime defaultStart();

    QDateTime now() const override;
    std::chrono::steady_clock::time_point monotonicNow() const override;
    // Timers from here fire only inside `advance`. A repeating timer with a zero interval is treated
    // as 1 ms, so that `advance` always ends.
    std::unique_ptr<Timer> createTimer() override;

    // Moves both times forward by `by` (milliseconds, >= 0). Each due timer fires with the clock
    // standing at its due time; ties fire in the order they were armed. A repeating timer is armed
    // again from its due time each time it fires, and timers started by a handler fire too if they
    // fall due within `by`.
    void advance(std::chrono::milliseconds by);
    // Sets the wall-clock time only, as when the user changes the system time; monotonic time and
    // the timers are not affected.
    void setNow(const QDateTime& now);
    // How many timers are armed right now.
    int activeTimerCount() const;

private:
    std::shared_ptr<FakeTimerSchedule> m_schedule;
};

} // namespace qm::test
