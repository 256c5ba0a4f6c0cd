#pragma once

#include "platform/FileSystem.h"

#include <QString>

namespace qm {

// One running process of an application bundle: its process id, the bundle its executable lies in
// (as the kernel names the executable, so bytes rather than text), and the identifier the bundle's
// Info.plist gives (empty when it gives none or cannot be read).
struct RunningApplication
{
    qint64 pid = 0;
    Path bundle;
    QString bundleID;
    bool operator==(const RunningApplication&) const = default;
};

} // namespace qm
