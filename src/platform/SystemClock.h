#pragma once

#include "platform/Clock.h"

namespace qm {

// The real clock: the system's UTC time, `std::chrono::steady_clock`, and timers that run on the
// owning thread's Qt event loop (precise QTimers, so a 15 s window is not stretched by the coarse
// timers' 5 % slack). Timers fire only while that event loop runs.
class SystemClock final : public Clock
{
public:
    QDateTime now() const override;
    std::chrono::steady_clock::time_point monotonicNow() const override;
    std::unique_ptr<Timer> createTimer() override;
};

} // namespace qm
