#include "core/permissions/FullDiskAccess.h"

#include "platform/UniqueFd.h"

#include <fcntl.h>

namespace qm::FullDiskAccess {

bool isGranted(const Path& home)
{
    const UniqueFd fd(::open(home.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY));
    return fd.valid();
}

bool isGranted()
{
    return isGranted(FileSystem::homeDirectory());
}

} // namespace qm::FullDiskAccess
