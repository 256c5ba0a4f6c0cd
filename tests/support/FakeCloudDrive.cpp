#include "support/FakeCloudDrive.h"

#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace qm::test {
namespace {

// Drops the blocks of the regular file at `path` and keeps its length; never follows a link.
Result<void> dropBlocksOf(const Path& path)
{
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd)
        return Error::posix(errno, FileSystem::displayName(path));
    struct stat st;
    if (::fstat(fd.get(), &st) != 0)
        return Error::posix(errno, FileSystem::displayName(path));
    if (!S_ISREG(st.st_mode))
        return Error::posix(EINVAL, FileSystem::displayName(path));
    if (::ftruncate(fd.get(), 0) != 0 || ::ftruncate(fd.get(), st.st_size) != 0)
        return Error::posix(errno, FileSystem::displayName(path));
    return {};
}

} // namespace

FakeCloudDrive::FakeCloudDrive(Path folder, std::optional<Path> root)
    : m_folder(FileSystem::standardize(folder)), m_root(std::move(root))
{}

void FakeCloudDrive::setRoot(std::optional<Path> root)
{
    const std::lock_guard lock(m_mutex);
    m_root = std::move(root);
}

void FakeCloudDrive::setUploadState(const Path& path, CloudUploadState state)
{
    const std::lock_guard lock(m_mutex);
    m_upload[path.native()] = state;
}

void FakeCloudDrive::makeDataless(const Path& path, bool dropBlocks)
{
    const Result<void> dropped = dropBlocks ? dropBlocksOf(path) : Result<void>();
    if (!dropped)
        throw std::system_error(dropped.error().code(), std::generic_category(), path.native());
    const std::lock_guard lock(m_mutex);
    m_dataless.insert(path.native());
}

void FakeCloudDrive::refuseEviction(const Path& path)
{
    const std::lock_guard lock(m_mutex);
    m_refused.insert(path.native());
}

void FakeCloudDrive::onEvicted(std::function<void(const Path&)> hook)
{
    const std::lock_guard lock(m_mutex);
    m_evictedHook = std::move(hook);
}

void FakeCloudDrive::onDatalessQuestion(std::function<void(const Path&)> hook)
{
    const std::lock_guard lock(m_mutex);
    m_questionHook = std::move(hook);
}

std::vector<Path> FakeCloudDrive::evictions() const
{
    const std::lock_guard lock(m_mutex);
    return m_evictions;
}

std::optional<Path> FakeCloudDrive::root() const
{
    const std::lock_guard lock(m_mutex);
    return m_root;
}

bool FakeCloudDrive::inside(const Path& path) const
{
    const std::string clean = FileSystem::standardize(path).native();
    const std::string& folder = m_folder.native();
    return clean.size() > folder.size() && clean.compare(0, folder.size(), folder) == 0 &&
           (clean[folder.size()] == '/' || folder == "/");
}

bool FakeCloudDrive::isDataless(const Path& path) const
{
    std::function<void(const Path&)> hook;
    {
        const std::lock_guard lock(m_mutex);
        hook = m_questionHook;
    }
    if (hook)
        hook(path);
    const std::lock_guard lock(m_mutex);
    return inside(path) && m_dataless.contains(path.native());
}

CloudUploadState FakeCloudDrive::uploadState(const Path& path) const
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_upload.find(path.native());
    if (!inside(path) || found == m_upload.end())
        return CloudUploadState::unknown;
    return found->second;
}

Result<void> FakeCloudDrive::evict(const Path& path) const
{
    std::function<void(const Path&)> hook;
    {
        const std::lock_guard lock(m_mutex);
        if (!inside(path))
            return Error::posix(EPERM, FileSystem::displayName(path));
        if (m_refused.contains(path.native()))
            return Error::posix(EBUSY, FileSystem::displayName(path));
        if (m_dataless.contains(path.native()))
            return Error::posix(EINVAL, FileSystem::displayName(path));
    }
    const Result<void> dropped = dropBlocksOf(path);
    if (!dropped)
        return dropped;
    {
        const std::lock_guard lock(m_mutex);
        m_dataless.insert(path.native());
        m_evictions.push_back(path);
        hook = m_evictedHook;
    }
    if (hook)
        hook(path);
    return {};
}

} // namespace qm::test
