#pragma once

#include "platform/Workspace.h"

#include <filesystem>

namespace qm::test {

// The real process table seen through a fixture folder only: running applications whose bundle lies
// below `root` (so bundle processes other tests start at the same time never count). Reveal and open
// do nothing; quit goes to the real desktop. `real` must outlive it.
class FixtureOnlyWorkspace final : public Workspace
{
public:
    FixtureOnlyWorkspace(Workspace& real, std::filesystem::path root);

    void reveal(const Path&) override {}
    void openUrl(const QUrl&) override {}
    std::vector<RunningApplication> runningApplications() const override;
    void terminate(const RunningApplication& application) override;

private:
    Workspace& m_real;
    std::filesystem::path m_root;
};

} // namespace qm::test
