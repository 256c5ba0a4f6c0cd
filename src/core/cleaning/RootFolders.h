#pragma once

#include "platform/FileSystem.h"

#include <vector>

namespace qm::RootFolders {

// True when `root`, with "." and ".." cleaned up and symbolic links resolved (the final component
// included), is the folder `home` resolves to or a folder above it. Such a root would offer the whole
// home folder as its children, so scans skip it. Reads the file system only to resolve links.
bool coversHome(const Path& root, const Path& home);

// The direct entries of one scan root, by name, and whether some may be missing.
struct Listing
{
    std::vector<Path> names; // raw names in the order the file system lists them, hidden ones included
    bool incomplete = false;
};

// Lists a scan root the way every junk and leftover scan does. A root that covers `home` lists as
// empty and complete (nothing under it is junk). Otherwise the root is listed through its links, so a
// root linked to another disk is scanned there. A root that fails to list is incomplete only when it
// may hide something: a folder that cannot be read, or a path that cannot be examined. A missing root,
// a dangling link or a file where the folder should be lists as empty and complete. More than
// 1,000,000 entries: the first million, incomplete.
Listing list(const FileSystem& fileManager, const Path& root, const Path& home);

// Whether this process's effective user may read the entry itself: a symbolic link always (it hides
// nothing), an entry that no longer exists too (nothing is left to read), anything else when its
// permissions grant reading. Scans ask it of entries that measured 0 bytes, to tell an empty entry
// from one they could not look into.
bool isReadable(const Path& path);

} // namespace qm::RootFolders
