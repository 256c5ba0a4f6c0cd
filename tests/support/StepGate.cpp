#include "support/StepGate.h"

namespace qm::test {

void StepGate::arm(FsStep step)
{
    std::lock_guard lock(m_mutex);
    m_step = step;
    m_armed = true;
    m_open = false;
}

void StepGate::pass(FsStep step)
{
    std::unique_lock lock(m_mutex);
    if (!m_armed || step != m_step)
        return;
    m_armed = false;
    m_holding = true;
    m_changed.wait(lock, [this] { return m_open; });
    m_holding = false;
}

bool StepGate::holding()
{
    std::lock_guard lock(m_mutex);
    return m_holding;
}

void StepGate::release()
{
    std::lock_guard lock(m_mutex);
    m_armed = false;
    m_open = true;
    m_changed.notify_all();
}

} // namespace qm::test
