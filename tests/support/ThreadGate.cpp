#include "support/ThreadGate.h"

namespace qm::test {

void ThreadGate::arm()
{
    const std::lock_guard lock(m_mutex);
    m_armed = true;
}

void ThreadGate::pass()
{
    std::unique_lock lock(m_mutex);
    if (!m_armed)
        return;
    m_armed = false;
    m_holding = true;
    const unsigned releases = m_releases;
    m_changed.wait(lock, [&] { return m_releases != releases; });
    m_holding = false;
}

bool ThreadGate::holding()
{
    const std::lock_guard lock(m_mutex);
    return m_holding;
}

void ThreadGate::release()
{
    const std::lock_guard lock(m_mutex);
    m_armed = false;
    ++m_releases;
    m_changed.notify_all();
}

} // namespace qm::test
