#pragma once

#include "platform/FileSystem.h"

#include <QString>

#include <optional>

namespace qm {

// The workspace's look-up of an installed application by bundle identifier: where, if anywhere, the
// system knows an application with that identifier. The orphan finder asks it before it calls Library
// data orphaned, so that an application installed outside the folders the inventory walks keeps its
// data. Engines hold one through a pointer so tests can pass a fake; every call is safe from any thread
// and never fails.
class AppLocator
{
public:
    virtual ~AppLocator();

    // The bundle of an application whose identifier equals `bundleID` ignoring letter case, or nothing
    // when none is known (an empty identifier never names an application).
    virtual std::optional<Path> urlForApplication(const QString& bundleID) const = 0;
};

} // namespace qm
