#include "support/LaunchdFolders.h"

namespace qm::test {

std::vector<LaunchAgentScanner::Folder> launchdFolders(const Path& home, const Path& systemRoot)
{
    return {{LaunchDomain::userAgent, home / "Library/LaunchAgents"},
            {LaunchDomain::systemAgent, systemRoot / "Library/LaunchAgents"},
            {LaunchDomain::systemDaemon, systemRoot / "Library/LaunchDaemons"}};
}

} // namespace qm::test
