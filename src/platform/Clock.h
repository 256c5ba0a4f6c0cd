#pragma once

#include "platform/Timer.h"

#include <QDateTime>

#include <chrono>
#include <functional>
#include <memory>

class QObject;

namespace qm {

// The injectable source of time: wall-clock time for timestamps, monotonic time for measuring
// intervals, and timers for undo windows, refresh intervals, delays and deadlines. Engines and view
// models take a `Clock&`; the program passes a `SystemClock`, tests a `FakeClock`.
class Clock
{
public:
    virtual ~Clock();

    // The current wall-clock time, in UTC. It can jump when the system time is set; never use it
    // to measure an interval.
    virtual QDateTime now() const = 0;
    // A monotonic time point that never goes backwards and is unaffected by setting the system
    // time; only differences between two readings mean anything. Safe from any thread.
    virtual std::chrono::steady_clock::time_point monotonicNow() const = 0;
    // A new, inactive timer driven by this clock, owned by the caller, without a parent and living
    // in the calling thread. It may outlive the clock; it then simply never fires again.
    virtual std::unique_ptr<Timer> createTimer() = 0;

    // Runs `action` once, `delay` (milliseconds) from now, in `context`'s thread (which must be the
    // calling thread), unless `context` (not null) is destroyed first. The timer used for it is a child of
    // `context` and deletes itself after firing; there is no way to cancel it other than destroying
    // `context`.
    void callAfter(std::chrono::milliseconds delay, QObject* context, std::function<void()> action);
};

} // namespace qm
