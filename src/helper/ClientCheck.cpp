#include "helper/ClientCheck.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <string>

namespace qm::ClientCheck {

bool admitsExecutable(const Path& runningExecutable, const Path& trusted)
{
    // The link text carries " (deleted)" once the file was replaced, which never matches.
    char target[PATH_MAX];
    const ssize_t length = ::readlink(runningExecutable.c_str(), target, sizeof target);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target)
        return false;
    if (std::string(target, static_cast<std::size_t>(length)) != trusted.native())
        return false;

    struct stat running;
    struct stat installed;
    if (::stat(runningExecutable.c_str(), &running) != 0 || ::lstat(trusted.c_str(), &installed) != 0)
        return false;
    return running.st_dev == installed.st_dev && running.st_ino == installed.st_ino &&
           S_ISREG(installed.st_mode) && installed.st_uid == 0 &&
           (installed.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool admitsProcess(pid_t pid, const Path& trusted)
{
    if (pid <= 0)
        return false;
    return admitsExecutable(Path("/proc") / std::to_string(pid) / "exe", trusted);
}

} // namespace qm::ClientCheck
