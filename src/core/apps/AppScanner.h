#pragma once

#include "core/apps/InstalledApp.h"
#include "platform/FileSystem.h"

#include <QString>

#include <vector>

namespace qm {

// What every inventory answers, and the rule every uninstall road keeps for an application reached
// through a symbolic link. The inventory of this platform is DesktopAppScanner. Holds nothing.
class AppScanner
{
public:
    // What an inventory's `listApps` found.
    struct Listing
    {
        std::vector<InstalledApp> apps;
        bool complete = true; // false when an application may have been missed
    };

    // True when the listed path is itself a symbolic link (links in the folders above it do not
    // count). No uninstall moves such an application: moving the link would leave the application
    // installed where the link points, and its data would go while it stays.
    static bool isLinkedBundle(const Path& bundle, const FileSystem& fileManager = {});
    // Why an uninstall refuses a linked application: the line shown under "couldn't be moved to the
    // Trash".
    static QString linkedBundleRefusal();
};

} // namespace qm
