#pragma once

#include "platform/UniqueFd.h"

#include <sys/stat.h>

namespace qm::InspectedOpen {

// Opens for reading the file that `entry` (an O_PATH descriptor whose status was read into
// `inspected`) names, through the descriptor itself, so the very file inspected is opened whatever has
// been renamed into its place since. Non-blocking and never as a controlling terminal, which also
// guards against a /proc that is not the kernel's. Returns an invalid descriptor with errno set when
// the open fails, and with errno ESTALE when what opened is not the inspected file (device, inode and
// type). Checks nothing about `inspected` itself: the caller has refused what it must not open (a
// device or FIFO; only regular files and folders are meant to come here).
UniqueFd reopen(const UniqueFd& entry, const struct stat& inspected);

} // namespace qm::InspectedOpen
