#pragma once

#include "platform/Clock.h"
#include "platform/DaemonService.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace qm::test {

// A service manager in memory. `status` answers the state set last (or an error); registering
// succeeds and makes the state enabled, unregistering succeeds and makes it notRegistered, unless the
// test queued failures for the next calls. Records every call with the clock's monotonic time (when
// a clock is given). Safe from several threads.
class FakeDaemonService final : public DaemonService
{
public:
    struct Call
    {
        QString operation; // "status", "register", "unregister"
        std::chrono::steady_clock::time_point at;
    };

    explicit FakeDaemonService(Status initial = Status::notRegistered, const Clock* clock = nullptr);

    void setStatus(Status status);
    // `status` answers `error` until setStatus is called.
    void setStatusError(const Error& error);
    // The next `count` registrations (or unregistrations) fail with `error` and change nothing.
    void failRegistrations(int count, const Error& error);
    void failUnregistrations(int count, const Error& error);

    std::vector<Call> calls() const;
    // How many calls of `operation` were made.
    int count(const QString& operation) const;

    qm::Result<Status> status() const override;
    qm::Result<void> registerDaemon() const override;
    qm::Result<void> unregisterDaemon() const override;

private:
    void record(const char* operation) const;

    const Clock* m_clock;
    mutable std::mutex m_mutex;
    mutable Status m_status;
    std::optional<Error> m_statusError;
    mutable std::deque<Error> m_registerFailures;
    mutable std::deque<Error> m_unregisterFailures;
    mutable std::vector<Call> m_calls;
};

} // namespace qm::test
