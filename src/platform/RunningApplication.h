#pragma once

#include "platform/FileSystem.h"

#include <QString>

namespace qm {

// One running process of the user, as the process table shows it: its process id, the executable it
// runs (as the kernel names it, so bytes rather than text) and the Flatpak application whose sandbox
// it runs in. Empty fields mean "none" or "could not be read".
struct RunningApplication
{
    qint64 pid = 0;
    Path executable;
    QString flatpakId;

    // The base name of `executable`, without the " (deleted)" the kernel appends once the file has
    // been replaced or removed (as a package upgrade does under a running browser); empty without one.
    std::string executableName() const;

    bool operator==(const RunningApplication&) const = default;
};

} // namespace qm
