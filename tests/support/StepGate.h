#pragma once

#include "platform/FileSystem.h"

#include <condition_variable>
#include <mutex>

namespace qm::test {

// Holds the first pool thread that reaches `step` after `arm` until `release`, so a test can look at
// a model or a page while a scan, a clean, a restore or an emptying is under way. Every other call
// passes straight through. Put `pass` into the file-system hook of the engine under test. Safe from
// several threads.
class StepGate
{
public:
    // Closes the gate for the next thread that reaches `step`.
    void arm(FsStep step);
    // Called from the file-system hook of the engine under test.
    void pass(FsStep step);
    // A thread is waiting at the gate right now.
    bool holding();
    // Lets the held thread (and every later one) go.
    void release();

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    FsStep m_step = FsStep::List;
    bool m_armed = false;
    bool m_holding = false;
    bool m_open = false;
};

} // namespace qm::test
