#pragma once

#include "core/launchd/LaunchAgentScanner.h"

#include <vector>

namespace qm::test {

// Property-list launch folders in a fixture tree, for the cases that test the property-list reading
// itself: (userAgent, <home>/Library/LaunchAgents), (systemAgent, <systemRoot>/Library/LaunchAgents),
// (systemDaemon, <systemRoot>/Library/LaunchDaemons). The application never scans these here.
std::vector<LaunchAgentScanner::Folder> launchdFolders(const Path& home, const Path& systemRoot = "/");

} // namespace qm::test
