#pragma once

#include "platform/Result.h"

#include <QByteArray>

#include <filesystem>

namespace qm {

// Reads the whole regular file at `path`, at most `maxBytes` bytes (maxBytes >= 0). A symbolic link
// as the final component is never followed (ELOOP; links among the folders above it are), and
// anything that is not a regular file is refused without being opened for reading, so without
// blocking or side effects (a folder: EISDIR; a FIFO or device: EINVAL; a socket: ENXIO). The type is
// checked on an O_PATH descriptor, and the file is then reopened for reading through /proc/self/fd,
// which must give the same device and inode (ESTALE otherwise). A file larger than `maxBytes`, by its
// size at open or by what a read delivers because it grew, fails with EFBIG; a file that shrinks is
// read to its new end. Needs /proc. Every plist, manifest, definitions or config file goes through
// here.
Result<QByteArray> readBounded(const std::filesystem::path& path, qint64 maxBytes);

} // namespace qm
