#pragma once

#include <atomic>

namespace qm {

// A flag that bounded measurements raise when their figure may be short: the deadline passed, a
// permission denial was met, or a node cap the caller asked to count was reached. It only ever goes
// from false to true, so one flag may be handed to many measurements (from any thread) and read once
// at the end. Cancellation never raises it. Shared by reference; not copyable.
class CoverageFlag
{
public:
    CoverageFlag() = default;
    CoverageFlag(const CoverageFlag&) = delete;
    CoverageFlag& operator=(const CoverageFlag&) = delete;

    // True once any measurement has raised the flag.
    bool hit() const { return m_hit.load(std::memory_order_acquire); }
    // Raises the flag; there is no way to lower it again.
    void markHit() { m_hit.store(true, std::memory_order_release); }

private:
    std::atomic<bool> m_hit{false};
};

} // namespace qm
