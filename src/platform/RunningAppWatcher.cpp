#include "platform/RunningAppWatcher.h"

#include "platform/Clock.h"
#include "platform/Timer.h"
#include "platform/Workspace.h"

#include <QMetaMethod>

#include <algorithm>
#include <chrono>

namespace qm {

RunningAppWatcher::RunningAppWatcher(Workspace& workspace, Clock& clock, QObject* parent)
    : QObject(parent), m_workspace(workspace), m_timer(clock.createTimer())
{
    connect(m_timer.get(), &Timer::timeout, this, &RunningAppWatcher::poll);
}

RunningAppWatcher::~RunningAppWatcher() = default;

bool RunningAppWatcher::polling() const
{
    return m_timer->isActive();
}

void RunningAppWatcher::connectNotify(const QMetaMethod& signal)
{
    QObject::connectNotify(signal);
    updatePolling();
}

void RunningAppWatcher::disconnectNotify(const QMetaMethod& signal)
{
    QObject::disconnectNotify(signal);
    updatePolling();
}

void RunningAppWatcher::updatePolling()
{
    const bool wanted = isSignalConnected(QMetaMethod::fromSignal(&RunningAppWatcher::launched)) ||
                        isSignalConnected(QMetaMethod::fromSignal(&RunningAppWatcher::terminated));
    if (wanted == m_timer->isActive())
        return;
    if (wanted) {
        m_known = runningPids();
        m_timer->start(std::chrono::milliseconds(kPollMilliseconds), true);
    } else {
        m_timer->stop();
        m_known.clear();
    }
}

std::set<qint64> RunningAppWatcher::runningPids() const
{
    std::set<qint64> pids;
    for (const RunningApplication& app : m_workspace.runningApplications())
        pids.insert(app.pid);
    return pids;
}

void RunningAppWatcher::poll()
{
    // A receiver destroyed since the last poll disconnects without telling.
    updatePolling();
    if (!m_timer->isActive())
        return;
    std::set<qint64> now = runningPids();
    const bool appeared =
        std::any_of(now.begin(), now.end(), [&](qint64 pid) { return !m_known.contains(pid); });
    const bool ended =
        std::any_of(m_known.begin(), m_known.end(), [&](qint64 pid) { return !now.contains(pid); });
    m_known = std::move(now);
    if (appeared)
        emit launched();
    if (ended)
        emit terminated();
}

} // namespace qm
