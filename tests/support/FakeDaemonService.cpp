#include "support/FakeDaemonService.h"

namespace qm::test {

FakeDaemonService::FakeDaemonService(Status initial, const Clock* clock)
    : DaemonService(QStringLiteral("fake.service")), m_clock(clock), m_status(initial)
{}

void FakeDaemonService::setStatus(Status status)
{
    const std::lock_guard lock(m_mutex);
    m_status = status;
    m_statusError.reset();
}

void FakeDaemonService::setStatusError(const Error& error)
{
    const std::lock_guard lock(m_mutex);
    m_statusError = error;
}

void FakeDaemonService::failRegistrations(int count, const Error& error)
{
    const std::lock_guard lock(m_mutex);
    for (int i = 0; i < count; ++i)
        m_registerFailures.push_back(error);
}

void FakeDaemonService::failUnregistrations(int count, const Error& error)
{
    const std::lock_guard lock(m_mutex);
    for (int i = 0; i < count; ++i)
        m_unregisterFailures.push_back(error);
}

std::vector<FakeDaemonService::Call> FakeDaemonService::calls() const
{
    const std::lock_guard lock(m_mutex);
    return m_calls;
}

int FakeDaemonService::count(const QString& operation) const
{
    const std::lock_guard lock(m_mutex);
    return int(std::count_if(m_calls.begin(), m_calls.end(),
                             [&](const Call& call) { return call.operation == operation; }));
}

void FakeDaemonService::record(const char* operation) const
{
    // Caller holds the mutex.
    m_calls.push_back(Call{QString::fromLatin1(operation),
                           m_clock ? m_clock->monotonicNow() : std::chrono::steady_clock::time_point{}});
}

qm::Result<DaemonService::Status> FakeDaemonService::status() const
{
    const std::lock_guard lock(m_mutex);
    record("status");
    if (m_statusError)
        return *m_statusError;
    return m_status;
}

qm::Result<void> FakeDaemonService::registerDaemon() const
{
    const std::lock_guard lock(m_mutex);
    record("register");
    if (!m_registerFailures.empty()) {
        const Error error = m_registerFailures.front();
        m_registerFailures.pop_front();
        return error;
    }
    m_status = Status::enabled;
    return {};
}

qm::Result<void> FakeDaemonService::unregisterDaemon() const
{
    const std::lock_guard lock(m_mutex);
    record("unregister");
    if (!m_unregisterFailures.empty()) {
        const Error error = m_unregisterFailures.front();
        m_unregisterFailures.pop_front();
        return error;
    }
    m_status = Status::notRegistered;
    return {};
}

} // namespace qm::test
