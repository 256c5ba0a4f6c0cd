#pragma once

#include "platform/FileSystem.h"

#include <optional>

namespace qm {

// The size of a volume, its free space and the part of it an ordinary user may still fill, in bytes,
// as statvfs reports them for any path on that volume: blocks × fragment size (Linux's f_bsize is only
// the preferred I/O size, not the unit the block counts are in). The blocks kept for root are free but
// not available; `used()` leaves them out, as df and system monitors do.
struct VolumeSpace
{
    qint64 total = 0;     // f_blocks × f_frsize
    qint64 available = 0; // f_bavail × f_frsize: free to unprivileged users
    qint64 free = 0;      // f_bfree × f_frsize: free blocks, root's reserve included

    bool operator==(const VolumeSpace&) const = default;

    // Bytes in use: total less the free blocks (df's "Used"), never below 0.
    qint64 used() const;

    // Reads the volume holding `path`; nothing when statvfs fails. Safe from any thread; the figures
    // are taken as the kernel gives them (a total of 0 is returned as such).
    static std::optional<VolumeSpace> read(const Path& path);
};

} // namespace qm
