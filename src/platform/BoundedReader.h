#pragma once

#include "platform/Result.h"

#include <QByteArray>

#include <filesystem>
#include <span>

namespace qm {

// How much of a file a bounded read takes.
enum class ReadExtent {
    whole,  // the whole file, which must fit within the cap
    prefix, // its first bytes up to the cap; a longer file is not a failure (its tail is not read)
};

// Reads the whole regular file at `path`, at most `maxBytes` bytes (maxBytes >= 0). A symbolic link
// as the final component is never followed (ELOOP; links among the folders above it are), and
// anything that is not a regular file is refused without being opened for reading, so without
// blocking or side effects (a folder: EISDIR; a FIFO or device: EINVAL; a socket: ENXIO). The type is
// checked on an O_PATH descriptor, and the file is then reopened for reading through /proc/self/fd,
// which must give the same device and inode (ESTALE otherwise). A file larger than `maxBytes`, by its
// size at open or by what a read delivers because it grew, fails with EFBIG; a file that shrinks is
// read to its new end. Needs /proc. Every plist, manifest, definitions or config file goes through
// here. With `ReadExtent::prefix` neither the size at open nor what arrives later is held against the
// cap: the first `maxBytes` bytes come back (fewer when the file is shorter), for files such as
// /proc/stat whose first line is wanted while the rest keeps growing.
Result<QByteArray> readBounded(const std::filesystem::path& path, qint64 maxBytes,
                               ReadExtent extent = ReadExtent::whole);

// `readBounded` of the whole file that `path` names through symbolic links, the final one included: the
// file at the end of the links must be a regular file within the cap, and is read under the same checks
// (never opened when it is anything else, the same file read as was inspected). For a file a program
// is known to read through a link, as Firefox reads its "profiles.ini".
Result<QByteArray> readBoundedFollowingLinks(const std::filesystem::path& path, qint64 maxBytes);

// The same checks and limits as `readBounded`, reading into `buffer`, whose size is the cap; returns
// how many bytes were read. Nothing is allocated, so a reader that samples small kernel files many
// times a second keeps one fixed buffer. On failure the buffer's content is unspecified.
Result<qsizetype> readBoundedInto(const std::filesystem::path& path, std::span<char> buffer,
                                  ReadExtent extent = ReadExtent::whole);

} // namespace qm
