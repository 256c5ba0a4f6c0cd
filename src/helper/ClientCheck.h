#pragma once

#include "platform/FileSystem.h"

#include <sys/types.h>

// The executable half of the helper's caller check: only processes running the installed
// application's executable are admitted. Alone this is weaker than a code signature (a process can
// connect and then exec the application, and any user may run it), so the helper also has polkit
// authorise every caller's bus name (see HelperService).
namespace qm::ClientCheck {

// True when `runningExecutable` (a process's /proc/<pid>/exe link) names exactly `trusted`, resolves to
// the same file (device and inode), and that file is a regular file owned by root and not writable by
// group or others. Any failure to read one of these facts refuses.
bool admitsExecutable(const Path& runningExecutable, const Path& trusted);

// `admitsExecutable` for the process `pid`; a pid of 0 or below is refused.
bool admitsProcess(pid_t pid, const Path& trusted);

} // namespace qm::ClientCheck
