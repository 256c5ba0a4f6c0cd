#pragma once

#include "platform/FileSystem.h"
#include "platform/ProcessRunner.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// Runs one of the helper's system commands to its end and reports how it ended.
namespace qm::HelperShell {

// How one command ended: `ok` only for an exit with status 0; `code` is the exit status, the number of
// the signal that ended the program, or -1 when it could not be started. `timedOut` when its
// deadline passed and it was killed.
struct Outcome
{
    bool ok = false;
    int code = -1;
    bool timedOut = false;
};

// Runs `program` (an absolute path) with `arguments` through `runner` and waits for it; after
// `deadline` (none: no limit) its whole process group is killed. What the command writes is passed on
// to the helper's own standard output and error once it has ended (at most 1 MiB per stream), since
// those lead to the service's journal.
Outcome run(const ProcessRunner& runner, const Path& program, const std::vector<std::string>& arguments,
            std::optional<std::chrono::milliseconds> deadline = std::nullopt);

} // namespace qm::HelperShell
