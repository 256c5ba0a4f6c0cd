#pragma once

#include "platform/FileSystem.h"

namespace qm::RootOnlyPath {

// True when the item at `path` exists, belongs to another user and is not readable by others,
// so that its absence from a scan is expected rather than a failure. Looks at a symbolic link
// itself, not its target; ignores groups and access-control lists; false when it cannot look.
bool denies(const Path& path);

} // namespace qm::RootOnlyPath
