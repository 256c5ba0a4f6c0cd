#include "core/apps/ProgramIdentity.h"

#include <algorithm>

namespace qm {

bool ProgramIdentity::recognises(const RunningApplication& process) const
{
    if (!process.flatpakId.isEmpty() &&
        std::find(flatpakIds.begin(), flatpakIds.end(), process.flatpakId) != flatpakIds.end())
        return true;
    const std::string name = process.executableName();
    return !name.empty() &&
           std::find(executableNames.begin(), executableNames.end(), name) != executableNames.end();
}

} // namespace qm
