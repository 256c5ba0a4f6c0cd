#include "CleanupBeside.h"

#include "app/models/RestoreTracker.h"
#include "support/FakeAppLocator.h"
#include "support/StepGate.h"

namespace qm::test {

std::unique_ptr<CleanupViewModel> cleanupBeside(Clock& clock, RestoreTracker& tracker,
                                                const std::filesystem::path& home,
                                                const std::filesystem::path& systemRoot,
                                                std::shared_ptr<StepGate> emptyGate,
                                                std::shared_ptr<Workspace> workspace)
{
    return std::make_unique<CleanupViewModel>(CleanupViewModel::Services{
        clock,
        CleanupScanner(FileSystem(), home, systemRoot, std::make_shared<FakeAppLocator>()),
        TrashBin(std::nullopt,
                 FileSystem([gate = std::move(emptyGate)](FsStep step, const Path&) { gate->pass(step); }),
                 [] { return MountTable(); }),
        Trash(),
        [] { return true; },
        std::move(workspace),
        &tracker,
    });
}

} // namespace qm::test
