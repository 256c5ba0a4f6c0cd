#include "core/system/MacHealth.h"

#include "core/system/VolumeSpace.h"

#include <algorithm>

namespace qm {

MacHealth MacHealth::read(const Path& folder)
{
    const std::optional<VolumeSpace> space = VolumeSpace::read(folder);
    if (!space || space->total < 1)
        return {};
    return MacHealth{space->used(), space->total, std::max<qint64>(0, space->available)};
}

MacHealth MacHealth::current()
{
    return read(FileSystem::homeDirectory());
}

} // namespace qm
