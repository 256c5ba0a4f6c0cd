#include "support/FixtureOnlyWorkspace.h"

#include <utility>

namespace qm::test {

FixtureOnlyWorkspace::FixtureOnlyWorkspace(Workspace& real, std::filesystem::path root)
    : m_real(real), m_root(std::move(root))
{}

std::vector<RunningApplication> FixtureOnlyWorkspace::runningApplications() const
{
    std::vector<RunningApplication> mine = m_real.runningApplications();
    std::erase_if(mine, [&](const RunningApplication& app) {
        return app.executable.native().rfind(m_root.native() + "/", 0) != 0;
    });
    return mine;
}

void FixtureOnlyWorkspace::terminate(const RunningApplication& application)
{
    m_real.terminate(application);
}

} // namespace qm::test
