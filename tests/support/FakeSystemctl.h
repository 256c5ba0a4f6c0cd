#pragma once

#include "platform/ProcessRunner.h"

#include <QStringList>

#include <mutex>
#include <set>
#include <string>

namespace qm::test {

// systemctl played in memory, for the process runner of engines that ask systemd: every run is logged
// as its arguments joined by spaces ("--user stop -- a.service"); "is-active" exits 0 for the units set
// active, "stop" makes a unit inactive, "start" active, and "daemon-reload" is counted. A request for
// any other program, without a time limit or without "--" before a unit fails with status 2.
// Thread-safe.
class FakeSystemctl final : public ProcessRunner
{
public:
    Result<ProcessOutcome> run(const ProcessRequest& request) const override;

    void setActive(const std::string& unit, bool active = true);
    bool isActive(const std::string& unit) const;
    // The logged runs, in order.
    QStringList calls() const;

private:
    mutable std::mutex m_mutex;
    mutable std::set<std::string> m_active;
    mutable QStringList m_calls;
};

} // namespace qm::test
