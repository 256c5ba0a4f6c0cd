#pragma once

#include "platform/FileSystem.h"

#include <optional>

namespace qm {

// An entry named from a folder that was found without links: `anchor` (an absolute path with no
// symbolic link in it when it was checked), the entry's folder as a path relative to the anchor (empty
// for the anchor itself) and the entry's own name. Moves open the folder beneath the anchor without
// following any link, so a folder swapped for a link after the check fails the move instead of
// carrying it elsewhere. A plain value; it reads nothing.
struct AnchoredPath
{
    Path anchor;
    Path folder; // relative to `anchor`, no "." or ".." components
    Path name;   // one component

    // anchor / folder / name, as one absolute path.
    Path path() const;

    // `item` (absolute, standardised, not `anchor` itself) split beneath `anchor` (absolute,
    // standardised), or nothing when `item` does not lie strictly below `anchor`. Purely textual.
    static std::optional<AnchoredPath> beneath(const Path& anchor, const Path& item);
};

} // namespace qm
