#pragma once

#include "platform/FileSystem.h"
#include "platform/Result.h"
#include "platform/UniqueFd.h"

#include <QByteArray>

#include <string>
#include <string_view>

namespace qm {

// The helper's view of the file system below its fixed system root. A system path ("/etc/...")
// names root + path on disk. Folders are opened component by component from the root with openat2 and
// RESOLVE_NO_SYMLINKS, so a symbolic link anywhere below the root fails the open (ELOOP) instead of
// redirecting it; entries are then read, inspected and removed relative to the opened folder. The root
// itself is trusted as built; nothing below it may be another mount. Move-only; every call may be made
// from any thread.
class ConfinedTree
{
public:
    // Opens the root folder (following links in the root's own path, which is fixed at build time).
    static Result<ConfinedTree> open(const Path& systemRoot);

    // The absolute path on disk of the system path `systemPath` (root + path). Reads nothing.
    Path hostPath(std::string_view systemPath) const;
    // The canonical form of the root folder, as realpath gives it.
    const Path& resolvedRoot() const { return m_resolvedRoot; }

    // Opens the folder at `systemPath` without following any link or entering another mount on the way
    // (an O_PATH descriptor). ENOENT when a component is missing, ELOOP when one is a link, EXDEV when
    // one is a mount point (bind mounts included), ENOTDIR when one is not a folder.
    Result<UniqueFd> openFolder(std::string_view systemPath) const;

    // Whether the attributes of `name` in the open folder `folder` can be read (lstat: a link is not
    // followed); the error says why not, ENOENT being the only sign that it is gone.
    static Result<void> readAttributes(const UniqueFd& folder, const Path& name);
    // Reads the regular file `name` in the open folder through the bounded reader (a final link is
    // refused), at most `maxBytes` bytes.
    static Result<QByteArray> read(const UniqueFd& folder, const Path& name, qint64 maxBytes);
    // Removes `name` in the open folder: a file or link itself, or a folder with everything in it,
    // never following a link or entering another mount at any depth.
    static Result<void> remove(const UniqueFd& folder, const Path& name);

private:
    ConfinedTree(Path root, Path resolvedRoot, UniqueFd rootFd);

    Path m_root;
    Path m_resolvedRoot;
    UniqueFd m_rootFd;
};

} // namespace qm
