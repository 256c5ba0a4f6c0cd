#pragma once

#include "platform/FileSystem.h"

namespace qm::FullDiskAccess {

// Whether this process may read the places a full scan needs. The user's and then the system's
// privacy database ("Library/Application Support/com.apple.TCC/TCC.db" under `home` and under
// `systemRoot`) are opened read-only, never read: one that opens means yes, a permission denial
// means no at once. Where neither exists (this platform has no such gate), the answer is whether
// the home folder itself can be opened for reading. At most three `open` calls; never fails.
bool isGranted(const Path& home, const Path& systemRoot = "/");
// The same for the current user's home folder and the real system root.
bool isGranted();

} // namespace qm::FullDiskAccess
