#pragma once

#include "platform/FileSystem.h"

#include <optional>

namespace qm {

// The size of a volume and the space an ordinary user may still fill on it, in bytes, as statvfs
// reports them for any path on that volume: blocks × fragment size (Linux's f_bsize is only the
// preferred I/O size, not the unit the block counts are in).
struct VolumeSpace
{
    qint64 total = 0;     // f_blocks × f_frsize
    qint64 available = 0; // f_bavail × f_frsize: free to unprivileged users, not f_bfree

    bool operator==(const VolumeSpace&) const = default;

    // Reads the volume holding `path`; nothing when statvfs fails. Safe from any thread; the figures
    // are taken as the kernel gives them (a total of 0 is returned as such).
    static std::optional<VolumeSpace> read(const Path& path);
};

} // namespace qm
