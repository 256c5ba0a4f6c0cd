#pragma once

#include "app/models/CleanupViewModel.h"

#include <filesystem>
#include <memory>

namespace qm {

class RestoreTracker;
class Workspace;

namespace test {

class StepGate;

// A Cleanup model beside another model under test, sharing its restore tracker, so a test can show that
// an undo and Cleanup's Empty Trash never overlap. Its junk scan looks under `home` and `systemRoot`;
// its Empty Trash empties the home trash, passing every file-system step to `emptyGate` (arm the gate
// to hold an emptying). It does not scan on its own.
std::unique_ptr<CleanupViewModel> cleanupBeside(Clock& clock, RestoreTracker& tracker,
                                                const std::filesystem::path& home,
                                                const std::filesystem::path& systemRoot,
                                                std::shared_ptr<StepGate> emptyGate,
                                                std::shared_ptr<Workspace> workspace);

} // namespace test
} // namespace qm
