#pragma once

#include "platform/FileSystem.h"

namespace qm {

// How full the volume holding the user's home folder is. (0, 0, 0) stands for a reading that could
// not be taken.
struct MacHealth
{
    qint64 usedBytes = 0;      // bytes in use: total less the free blocks, as df counts them
    qint64 totalBytes = 0;     // the volume's capacity in bytes
    qint64 availableBytes = 0; // bytes an ordinary user may still fill (root's reserve left out)

    bool operator==(const MacHealth&) const = default;

    // Reads the volume of `folder` with statvfs (fragment size × blocks; used = total less the free
    // blocks, available = blocks free to unprivileged users). Safe from any thread; never fails,
    // (0, 0, 0) when it cannot read.
    static MacHealth read(const Path& folder);
    // The same for the current user's home folder.
    static MacHealth current();
};

} // namespace qm
