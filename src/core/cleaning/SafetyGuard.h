#pragma once

#include "platform/AnchoredPath.h"
#include "platform/FileSystem.h"

#include <optional>
#include <vector>

namespace qm {

// Decides whether a file or folder may be moved, restored or removed: only what lies strictly
// below one of the allowed roots, after "." and ".." are cleaned up and symbolic links resolved, or
// what is exactly one of the allowed items (its folder's links resolved, its own name as given, so a
// link named as an allowed item admits the link, never its target), and never a path given with a
// ".." component. The Trash's own folders (the home trash and each volume's `.Trash-$uid` and
// `.Trash/$uid` of this user, as they are when the guard is made) and everything in them are refused
// as a path outside the roots is. Paths compare byte for byte. An immutable value, cheap to copy and safe to
// share between threads; empty lists admit nothing.
class SafetyGuard
{
public:
    // How a path whose last component is a symbolic link is judged.
    enum class FinalLink {
        resolved, // by where the link leads
        asEntry   // by where the link itself lies (its folder's links resolved): for moving links such
                  // as a unit's enable links, which lead elsewhere while the move touches only them
    };

    SafetyGuard() = default;
    // Normalises each root once (standardised, links resolved), keeping the given order, and reads
    // where this user's trash folders lie (the environment and the mount table).
    explicit SafetyGuard(const std::vector<Path>& allowedRoots, const std::vector<Path>& allowedItems = {},
                         FinalLink finalLink = FinalLink::resolved);
    SafetyGuard(const std::vector<Path>& allowedRoots, FinalLink finalLink)
        : SafetyGuard(allowedRoots, {}, finalLink)
    {}

    // The normalised roots, in the order given.
    const std::vector<Path>& allowedRoots() const { return m_allowedRoots; }
    // The normalised items (folder's links resolved, own name kept), in the order given.
    const std::vector<Path>& allowedItems() const { return m_allowedItems; }

    // True when `path` may be touched under this guard. A root itself is not cleanable through
    // that root. Reads the file system only to resolve links; never fails.
    bool isCleanable(const Path& path) const;

    // Where a move of `path` must happen for this guard's decision to hold: the entry (its folder's
    // links resolved once, its own name as given) anchored at the root it lies under, or at its own
    // folder for an allowed item. Nothing when `isCleanable` refuses the path, and also when the entry
    // itself lies under no root (a link outside every root, admitted by where it leads, is not moved).
    // Moving through the answer, never through `path` again, keeps a folder swapped for a link since
    // the check from carrying the move elsewhere.
    std::optional<AnchoredPath> placementOf(const Path& path) const;

private:
    // True when `target` (normalised) lies strictly below one of the roots.
    bool belowARoot(const std::string& target) const;
    // True when `target` (normalised) is one of the trash folders or lies in one.
    bool inATrash(const std::string& target) const;

    std::vector<Path> m_allowedRoots;
    std::vector<Path> m_allowedItems;
    std::vector<Path> m_trashFolders;
    FinalLink m_finalLink = FinalLink::resolved;
};

} // namespace qm
