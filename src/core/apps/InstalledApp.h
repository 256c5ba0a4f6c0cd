#pragma once

#include "platform/FileSystem.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace qm {

// Who installed an application, which decides how it is uninstalled.
enum class AppOrigin {
    homeFile,      // a desktop entry whose program lies in the user's home (moved with its program)
    appImage,      // an AppImage in ~/Applications (moved with the entry that launches it)
    debianPackage, // the package manager owns it: removed through the software centre only
    userFlatpak,   // a Flatpak of the user's installation: removed through the software centre only
    systemFlatpak, // a Flatpak of the system's installation: removed through the software centre only
    administrator, // a folder under /opt that no package owns, owned by another user: the administrator road
    other,         // nothing here can remove it (a system entry no package owns)
};

// One installed application as the inventory found it. Only `sizeBytes` is meant to change after
// listing (the uninstaller fills it with the bounded sizer).
struct InstalledApp
{
    Path url;                 // the entry (or AppImage) as it was listed, not resolved through symbolic links
    QString name;             // display name; may be empty when the entry says so
    QString bundleID;         // the Flatpak id, else the desktop file id; empty for a bare AppImage
    QString version;          // sanitized short version; empty when there is no usable one
    qint64 sizeBytes = 0;     // allocated bytes uninstalling it frees; 0 until someone measures it
    std::optional<Path> icon; // the entry's icon file (a regular PNG or SVG file), if any

    // Desktop applications: who installed it and the names it is known by.
    AppOrigin origin = AppOrigin::other;
    QString desktopId = {};   // the desktop file id without ".desktop"; empty for a bare AppImage
    QString flatpakId = {};   // the Flatpak application id; empty when it is no Flatpak
    QString programName = {}; // the base name of the program "Exec" runs; empty when unknown
    QString packageName = {}; // the owning package; empty when none
    QString iconName = {};    // the entry's "Icon" as written (a theme name or an absolute path)
    // What the normal road moves to the Trash (homeFile, appImage) or the administrator road moves
    // (administrator): the first item is the application itself. Empty for the other origins.
    std::vector<Path> removal = {};
    // What is measured for `sizeBytes`: the removal items, a Flatpak's deployment; empty for a
    // package (measured by its installed files).
    std::vector<Path> sizeRoots = {};
    // The entry opens "appstream:" addresses: it is a software centre.
    bool handlesAppstream = false;

    // True when the package manager owns the application (a package or a Flatpak).
    bool packageManaged() const
    {
        return origin == AppOrigin::debianPackage || origin == AppOrigin::userFlatpak ||
               origin == AppOrigin::systemFlatpak;
    }

    // True when uninstalling leaves the application installed: Quillmere cannot move it (the
    // package manager owns it, or nothing here can remove it), so only chosen data of it goes.
    bool staysInstalled() const { return packageManaged() || origin == AppOrigin::other; }

    // The identity of the record: the bytes of `url`.
    const std::string& id() const { return url.native(); }

    bool operator==(const InstalledApp&) const = default;
};

} // namespace qm
