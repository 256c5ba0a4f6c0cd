#include "core/cleaning/RootFolders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace qm::RootFolders {
namespace {

// A failed listing hides something unless nothing is there to list.
bool mayHideSomething(const FileSystem& fileManager, const Path& resolvedRoot)
{
    const auto status = fileManager.statusFollowingLinks(resolvedRoot);
    if (!status) {
        const Error& error = status.error();
        return !(error.isPosix(ENOENT) || error.isPosix(ENOTDIR) || error.isPosix(ELOOP));
    }
    return status->isDirectory();
}

} // namespace

bool coversHome(const Path& root, const Path& home)
{
    const std::string resolvedRoot = FileSystem::resolveLinks(root).native();
    const std::string resolvedHome = FileSystem::resolveLinks(home).native();
    if (resolvedRoot.empty())
        return false;
    if (resolvedRoot == resolvedHome || resolvedRoot == "/")
        return true;
    return resolvedHome.size() > resolvedRoot.size() &&
           resolvedHome.compare(0, resolvedRoot.size(), resolvedRoot) == 0 &&
           resolvedHome[resolvedRoot.size()] == '/';
}

Listing list(const FileSystem& fileManager, const Path& root, const Path& home)
{
    Listing out;
    if (coversHome(root, home))
        return out;
    const Path resolved = FileSystem::resolveLinks(root);
    auto listing = fileManager.list(resolved);
    if (!listing) {
        out.incomplete = mayHideSomething(fileManager, resolved);
        return out;
    }
    out.names = std::move(listing->names);
    out.incomplete = listing->truncated;
    return out;
}

bool isReadable(const Path& path)
{
    struct stat status
    {
    };
    if (::lstat(path.c_str(), &status) != 0)
        return errno == ENOENT;
    if (S_ISLNK(status.st_mode))
        return true;
    return ::faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) == 0;
}

} // namespace qm::RootFolders
