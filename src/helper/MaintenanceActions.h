#pragma once

#include "helper/HelperSettings.h"
#include "platform/ProcessRunner.h"
#include "protocol/HelperAction.h"
#include "protocol/HelperProtocol.h"

#include <QThreadPool>

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace qm {

// The helper's three maintenance actions with this system's commands: free memory (`sync`, then "3"
// written to the kernel's drop_caches file), flush DNS (`resolvectl flush-caches`, then
// `nscd --invalidate=hosts`) and run maintenance (`run-parts` over the daily, weekly and monthly cron
// folders, each folder as a transient systemd unit started with `systemd-run`, so the scripts run
// outside the helper's sandbox and are not its children). The first two run inside the helper.
//
// One run per action at a time: a request for an action whose run is going joins that run and gets
// its reply, so every waiting caller gets the same answer; different actions run side by side, each
// on a thread of its own. A run is stopped after its limit (HelperSettings::runLimits): its command is
// killed (the transient unit is given the same time as its RuntimeMaxSec, since killing `systemd-run`
// does not stop the unit), later commands are not started, and the answer is the action's usual one
// for a failed command followed by " (stopped after N s)". Commands of one run go one after the other;
// nothing is retried. Safe to call from any thread.
class MaintenanceActions
{
public:
    // Receives the answer to one request. Called exactly once, on the thread that ran the action (on the
    // calling thread for an unknown action name).
    using Delivery = std::function<void(const HelperProtocol::HelperReply&)>;

    MaintenanceActions(HelperSettings settings, std::shared_ptr<const ProcessRunner> runner);
    // Waits for runs still going (each ends by its limit at the latest); their callers are still
    // answered.
    ~MaintenanceActions();
    MaintenanceActions(const MaintenanceActions&) = delete;
    MaintenanceActions& operator=(const MaintenanceActions&) = delete;

    // Runs the action named `rawAction` (a HelperAction raw value, compared exactly), or joins its run
    // when one is going, and hands the finished sentence to `deliver`. An unknown name runs nothing and
    // delivers (false, "Unknown action") at once.
    void perform(const QString& rawAction, Delivery deliver);
    // Runs or joins one known action.
    void perform(HelperAction action, Delivery deliver);

private:
    HelperProtocol::HelperReply run(HelperAction action) const;
    HelperProtocol::HelperReply freeMemory(std::chrono::seconds limit) const;
    HelperProtocol::HelperReply flushDns(std::chrono::seconds limit) const;
    HelperProtocol::HelperReply runMaintenance(std::chrono::seconds limit) const;

    HelperSettings m_settings;
    std::shared_ptr<const ProcessRunner> m_runner;
    std::mutex m_mutex;
    // Per action (indexed by HelperAction): the callers waiting for its run while one is going.
    std::array<std::optional<std::vector<Delivery>>, 3> m_waiting;
    // The threads runs go on; declared last, so it is gone before what runs use.
    QThreadPool m_runs;
};

} // namespace qm
