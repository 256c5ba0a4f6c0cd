#pragma once

#include "platform/FileSystem.h"

namespace qm::FullDiskAccess {

// Whether this process may read the places a full scan needs. This platform has no such gate: it is
// a matter of file permissions, so the answer is whether the folder `home` can be opened for reading
// (one `open`, nothing read). Never fails.
bool isGranted(const Path& home);
// The same for the current user's home folder.
bool isGranted();

} // namespace qm::FullDiskAccess
