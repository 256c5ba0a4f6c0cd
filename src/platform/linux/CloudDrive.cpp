#include "platform/CloudDrive.h"

#include <cerrno>

namespace qm {

CloudDrive::~CloudDrive() = default;

std::optional<Path> SystemCloudDrive::root() const
{
    return std::nullopt;
}

bool SystemCloudDrive::isDataless(const Path&) const
{
    return false;
}

CloudUploadState SystemCloudDrive::uploadState(const Path&) const
{
    return CloudUploadState::unknown;
}

Result<void> SystemCloudDrive::evict(const Path& path) const
{
    return Error::posix(ENOTSUP, FileSystem::displayName(path));
}

} // namespace qm
