#pragma once

#include "helper/HelperSettings.h"
#include "platform/ProcessRunner.h"
#include "protocol/HelperAction.h"
#include "protocol/HelperProtocol.h"

#include <memory>

namespace qm {

// The helper's three maintenance actions with this system's commands: free memory (`sync`, then "3"
// written to the kernel's drop_caches file), flush DNS (`resolvectl flush-caches`, then
// `nscd --invalidate=hosts`) and run maintenance (`run-parts` over the daily, weekly and monthly cron
// folders). Commands run without a time limit and one after the other; nothing is retried. Holds no
// state between calls, so it may serve several requests at once from several threads.
class MaintenanceActions
{
public:
    MaintenanceActions(HelperSettings settings, std::shared_ptr<const ProcessRunner> runner);

    // Runs the action named `rawAction` (a HelperAction raw value, compared exactly) and answers with
    // its finished sentence; an unknown name runs nothing and answers (false, "Unknown action").
    HelperProtocol::HelperReply perform(const QString& rawAction) const;
    // Runs one known action.
    HelperProtocol::HelperReply perform(HelperAction action) const;

private:
    HelperProtocol::HelperReply freeMemory() const;
    HelperProtocol::HelperReply flushDns() const;
    HelperProtocol::HelperReply runMaintenance() const;

    HelperSettings m_settings;
    std::shared_ptr<const ProcessRunner> m_runner;
};

} // namespace qm
