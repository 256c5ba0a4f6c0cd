#pragma once

#include "platform/FileSystem.h"
#include "protocol/HelperAction.h"

#include <array>
#include <chrono>

namespace qm {

// Everything the helper acts on, fixed when the helper is built and never taken from the environment or
// a request. The installed helper uses the system's own locations; a test build points every one of
// them into a fixture tree and trusts a test client.
struct HelperSettings
{
    // The only executable whose processes may call the helper (root-owned, not writable by group or
    // others).
    Path trustedClient;
    // The folder that stands for "/" in removal requests: the helper acts on root + path.
    Path systemRoot;
    // Free memory: `sync`, then "3" written to `dropCaches`.
    Path syncProgram;
    Path dropCaches;
    // Flush DNS: `resolvectl flush-caches` (decides the outcome), then `nscd --invalidate=hosts`.
    Path resolvectlProgram;
    Path nscdProgram;
    // Run maintenance: `run-parts` over each folder in order, each run as a transient unit of the
    // service manager through `systemd-run`, which is used only when `systemRoot` holds
    // /run/systemd/system (the service manager is running).
    Path runPartsProgram;
    std::array<Path, 3> maintenanceFolders;
    Path systemdRunProgram;
    // Asked whether a system unit being removed runs, and told to stop it and to reload.
    Path systemctlProgram;
    // How long one run of each action (indexed by HelperAction) may go on before it is stopped:
    // HelperActions::runLimit; only tests shorten them.
    std::array<std::chrono::seconds, 3> runLimits{HelperActions::runLimit(HelperAction::freeMemory),
                                                  HelperActions::runLimit(HelperAction::flushDNS),
                                                  HelperActions::runLimit(HelperAction::runMaintenance)};
};

} // namespace qm
