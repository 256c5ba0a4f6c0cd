#include "core/system/VolumeSpace.h"

#include <sys/statvfs.h>

namespace qm {

std::optional<VolumeSpace> VolumeSpace::read(const Path& path)
{
    struct statvfs vfs;
    if (::statvfs(path.c_str(), &vfs) != 0)
        return std::nullopt;
    return VolumeSpace{qint64(vfs.f_blocks) * qint64(vfs.f_frsize),
                       qint64(vfs.f_bavail) * qint64(vfs.f_frsize)};
}

} // namespace qm
