#pragma once

#include "platform/Workspace.h"

#include <filesystem>

namespace qm::test {

// The real process table seen through a fixture folder only: `runningApplications` keeps the entries
// of `real` whose executable lies below `root`, so processes other tests start at the same time never
// count. Reveal and open do nothing; a quit request goes to `real`. `real` must outlive it.
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
