#pragma once

#include "platform/FileSystem.h"

namespace qm {

// Whether anything may be at `path`, following links, as `fileSystem` sees it. Only "does not exist"
// counts as absent (a missing item or parent, a dangling or looping link); any other failure, such as
// a parent that may not be searched, leaves the item possibly there, so a caller reports its gap
// rather than hiding it. Runs no test hook step of its own.
bool mayExist(const FileSystem& fileSystem, const Path& path);

} // namespace qm
