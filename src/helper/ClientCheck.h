#pragma once

#include "platform/FileSystem.h"

#include <sys/types.h>

// Decides whether a caller may use the helper: only processes running the installed application's
// executable are admitted. This is weaker than a code signature (a process can exec the application
// after queuing calls); the helper's narrow powers and strict input checks carry the rest.
namespace qm::ClientCheck {

// True when `runningExecutable` (a process's /proc/<pid>/exe link) names exactly `trusted`, resolves to
// the same file (device and inode), and that file is a regular file owned by root and not writable by
// group or others. Any failure to read one of these facts refuses.
bool admitsExecutable(const Path& runningExecutable, const Path& trusted);

// `admitsExecutable` for the process `pid`; a pid of 0 or below is refused.
bool admitsProcess(pid_t pid, const Path& trusted);

} // namespace qm::ClientCheck
