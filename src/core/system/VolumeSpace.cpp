#include "core/system/VolumeSpace.h"

#include <sys/statvfs.h>

#include <algorithm>

namespace qm {

qint64 VolumeSpace::used() const
{
    return std::max<qint64>(0, total - free);
}

std::optional<VolumeSpace> VolumeSpace::read(const Path& path)
{
    struct statvfs vfs;
    if (::statvfs(path.c_str(), &vfs) != 0)
        return std::nullopt;
    const qint64 fragment = qint64(vfs.f_frsize);
    return VolumeSpace{qint64(vfs.f_blocks) * fragment, qint64(vfs.f_bavail) * fragment,
                       qint64(vfs.f_bfree) * fragment};
}

} // namespace qm
