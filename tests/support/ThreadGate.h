#pragma once

#include <condition_variable>
#include <mutex>

namespace qm::test {

// Holds the first thread that calls `pass` after `arm` until `release`, so a test can look at and act
// on a model while its job is under way. Every other call passes straight through; a released gate
// can be armed again. Safe from several threads.
class ThreadGate
{
public:
    void arm();
    // Called from the hook of the seam under test, on the job's thread.
    void pass();
    // A thread is waiting at the gate right now.
    bool holding();
    // Lets the held thread go (and disarms the gate).
    void release();

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_armed = false;
    bool m_holding = false;
    // Bumped by each release; a held thread waits for it to move.
    unsigned m_releases = 0;
};

} // namespace qm::test
