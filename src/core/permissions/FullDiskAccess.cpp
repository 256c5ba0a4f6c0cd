#include "core/permissions/FullDiskAccess.h"

#include "platform/UniqueFd.h"

#include <fcntl.h>

#include <cerrno>

namespace qm::FullDiskAccess {
namespace {

const Path kDatabase = "Library/Application Support/com.apple.TCC/TCC.db";

} // namespace

bool isGranted(const Path& home, const Path& systemRoot)
{
    bool anyDatabaseSeen = false;
    for (const Path& database : {home / kDatabase, systemRoot / kDatabase}) {
        UniqueFd fd(::open(database.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
        if (fd.valid())
            return true;
        if (errno == EPERM || errno == EACCES)
            return false;
        if (errno != ENOENT && errno != ENOTDIR)
            anyDatabaseSeen = true;
    }
    if (anyDatabaseSeen)
        return false;
    UniqueFd homeFd(::open(home.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return homeFd.valid();
}

bool isGranted()
{
    return isGranted(FileSystem::homeDirectory());
}

} // namespace qm::FullDiskAccess
