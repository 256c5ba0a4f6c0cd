#include "core/system/MacHealth.h"

#include <sys/statvfs.h>

namespace qm {

MacHealth MacHealth::read(const Path& folder)
{
    struct statvfs vfs;
    if (::statvfs(folder.c_str(), &vfs) != 0)
        return {};
    const qint64 total = qint64(vfs.f_blocks) * qint64(vfs.f_frsize);
    const qint64 available = qint64(vfs.f_bavail) * qint64(vfs.f_frsize);
    if (total < 1)
        return {};
    return MacHealth{std::max<qint64>(0, total - available), total};
}

MacHealth MacHealth::current()
{
    return read(FileSystem::homeDirectory());
}

} // namespace qm
