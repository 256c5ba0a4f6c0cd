#pragma once

#include "platform/FileSystem.h"

#include <QString>

#include <optional>
#include <string>

namespace qm {

// One installed application bundle as the inventory found it. Only `sizeBytes` is meant to change
// after listing (the uninstaller fills it with the bounded sizer).
struct InstalledApp
{
    Path url;             // the bundle as it was listed, not resolved through symbolic links
    QString name;         // display name; may be empty when the bundle says so
    QString bundleID;     // letter case as written; empty when absent, unreadable or an unproven Apple claim
    QString version;      // sanitized short version; empty when there is no usable one
    qint64 sizeBytes = 0; // allocated bytes of the bundle; 0 until someone measures it
    std::optional<Path> icon; // the bundle's own icon file (a regular file inside the bundle), if any

    // The identity of the record: the bytes of `url`.
    const std::string& id() const { return url.native(); }

    bool operator==(const InstalledApp&) const = default;
};

} // namespace qm
