#include "platform/linux/InspectedOpen.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace qm::InspectedOpen {

UniqueFd reopen(const UniqueFd& entry, const struct stat& inspected)
{
    const std::string viaDescriptor = "/proc/self/fd/" + std::to_string(entry.get());
    UniqueFd fd(::open(viaDescriptor.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid())
        return fd;
    struct stat opened
    {
    };
    int error = ESTALE;
    if (::fstat(fd.get(), &opened) != 0)
        error = errno;
    else if (opened.st_dev == inspected.st_dev && opened.st_ino == inspected.st_ino &&
             (opened.st_mode & S_IFMT) == (inspected.st_mode & S_IFMT))
        return fd;
    fd.reset();
    errno = error; // after the close, which may set it too
    return fd;
}

} // namespace qm::InspectedOpen
