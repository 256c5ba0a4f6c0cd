#include "helper/ConfinedTree.h"

#include "platform/BoundedReader.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace qm {
namespace {

// The name of the entry `name` inside the folder open as `folder`, for calls that only take a path.
// The kernel resolves /proc/self/fd/N to the very folder the descriptor holds (not to a path that
// could have been swapped since), and the caller's own descriptors are always open to it.
Path throughDescriptor(const UniqueFd& folder, const Path& name)
{
    return Path("/proc/self/fd") / std::to_string(folder.get()) / name;
}

bool isPlainName(const Path& name)
{
    const std::string& text = name.native();
    return !text.empty() && text != "." && text != ".." && text.find('/') == std::string::npos;
}

} // namespace

ConfinedTree::ConfinedTree(Path root, Path resolvedRoot, UniqueFd rootFd)
    : m_root(std::move(root)), m_resolvedRoot(std::move(resolvedRoot)), m_rootFd(std::move(rootFd))
{}

Result<ConfinedTree> ConfinedTree::open(const Path& systemRoot)
{
    std::string root = systemRoot.native();
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    if (root.empty() || root.front() != '/')
        return Error::posix(EINVAL, QStringLiteral("System root"));
    UniqueFd fd(::open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        return Error::posix(errno, QStringLiteral("System root"));
    char buffer[PATH_MAX];
    if (!::realpath(root.c_str(), buffer))
        return Error::posix(errno, QStringLiteral("System root"));
    return ConfinedTree(Path(root), Path(buffer), std::move(fd));
}

Path ConfinedTree::hostPath(std::string_view systemPath) const
{
    if (m_root.native() == "/")
        return Path(std::string(systemPath));
    return Path(m_root.native() + std::string(systemPath));
}

Result<UniqueFd> ConfinedTree::openFolder(std::string_view systemPath) const
{
    while (!systemPath.empty() && systemPath.front() == '/')
        systemPath.remove_prefix(1);
    const std::string relative = systemPath.empty() ? std::string(".") : std::string(systemPath);
    open_how how{};
    how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    // RESOLVE_NO_XDEV: a bind mount is no link, yet it would bring in a folder from anywhere.
    how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS | RESOLVE_BENEATH | RESOLVE_NO_XDEV;
    // EAGAIN means a rename raced the lookup; a few retries settle it, and a tree that keeps changing
    // fails closed.
    int error = EAGAIN;
    for (int attempt = 0; attempt < 8 && (error == EAGAIN || error == EINTR); ++attempt) {
        const long fd = ::syscall(SYS_openat2, m_rootFd.get(), relative.c_str(), &how, sizeof how);
        if (fd >= 0)
            return UniqueFd(static_cast<int>(fd));
        error = errno;
    }
    return Error::posix(error);
}

Result<void> ConfinedTree::readAttributes(const UniqueFd& folder, const Path& name)
{
    if (!isPlainName(name))
        return Error::posix(EINVAL);
    struct stat st;
    if (::fstatat(folder.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return Error::posix(errno);
    return {};
}

Result<QByteArray> ConfinedTree::read(const UniqueFd& folder, const Path& name, qint64 maxBytes)
{
    if (!isPlainName(name))
        return Error::posix(EINVAL);
    return readBounded(throughDescriptor(folder, name), maxBytes);
}

Result<void> ConfinedTree::remove(const UniqueFd& folder, const Path& name)
{
    if (!isPlainName(name))
        return Error::posix(EINVAL);
    return FileSystem().removeTree(throughDescriptor(folder, name));
}

} // namespace qm
