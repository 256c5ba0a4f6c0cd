#pragma once

#include "core/apps/AppScanner.h"
#include "core/apps/InstalledApp.h"
#include "core/cleaning/CleanupScanner.h"
#include "platform/FileSystem.h"
#include "platform/PackageDatabase.h"
#include "platform/Places.h"

#include <QByteArray>

#include <memory>
#include <stop_token>
#include <vector>

namespace qm {

// The inventory of installed applications on this platform: every application entry the desktop's
// menu shows (desktop entries of Type=Application that are neither NoDisplay nor Hidden, from the
// data home's "applications" folder, the Flatpak installations' exports and each data dir's, the first
// file id winning, and whose program is there), plus the AppImages in ~/Applications. An entry's
// program is there when its TryExec, or else the program its Exec starts, is an absolute path that
// exists or a name found in ~/.local/bin, /usr/local/bin, /usr/bin, /bin or /usr/games; a program
// that cannot be named (a shell command, a launcher, no Exec) counts as there, and a Flatpak's entry
// is there while the Flatpak is installed. Each record says who installed it (a
// package, a Flatpak, the user) and what uninstalling it would move. A plain value; reads nothing
// until `listApps`.
class DesktopAppScanner
{
public:
    // The most bytes read of one Flatpak's release description.
    static constexpr qint64 kMaxMetainfoBytes = 1024 * 1024;
    // The most entries one "applications" folder and its sub-folders hold that are looked at.
    static constexpr std::size_t kMaxEntries = 100'000;

    // `packages` answers which package owns a file (null: Debian's database under the system root).
    // `localeName` ("de_DE"; empty: the system's) picks the localized Name. `iconTheme` is the
    // desktop's current icon theme ("Adwaita"; empty: hicolor alone).
    explicit DesktopAppScanner(Places places, std::shared_ptr<const PackageDatabase> packages = nullptr,
                               QString localeName = {}, QString iconTheme = {});

    // The folders entries are read from, in order of precedence: the data home's "applications", the
    // user's and the system's Flatpak exports (when the data dirs do not name them), then each data
    // dir's. Reads nothing.
    std::vector<Path> entryFolders() const;

    // Lists the applications, sorted by name (locale-aware, ignoring case; equal names keep discovery
    // order), each with `sizeBytes` 0. `complete` turns false when an entry folder that exists cannot be
    // listed, an entry cannot be read for another reason than not being one, or `stop` is triggered.
    // Synchronous; never fails.
    AppScanner::Listing listApps(std::stop_token stop = {}) const;

    // The allocated bytes uninstalling `app` would free: the package's installed regular files, or
    // the sum of its `sizeRoots` measured by `sizer`. Blocks on the file system.
    qint64 measure(const InstalledApp& app, const CleanupScanner& sizer, std::stop_token stop = {}) const;

    // The image file of an entry's "Icon": an absolute path to a PNG or SVG file as it is, or a theme
    // name looked up as the icon theme specification says: in the current theme, then in hicolor, each
    // in ~/.icons, the data home's and every entry folder's share folder's "icons", its "scalable/apps"
    // (SVG first) before its sized "apps" folders (512 down to 16 pixels, PNG first); then the pixmaps
    // of the data home and each entry folder's share folder. Only regular PNG and SVG files, which the
    // icon provider draws. Nothing when none is found.
    std::optional<Path> iconFile(const QString& icon) const;

    const Places& places() const { return m_places; }

private:
    // Where an entry's program (an absolute path, or a name looked up in the program folders) is,
    // under the system root unless it lies in the home; empty when it is not there or cannot be named
    // so.
    Path programPath(const QByteArray& program) const;
    struct Walk;
    void readFolder(const Path& root, const Path& folder, const QString& prefix, int depth, Walk& walk) const;
    void finish(Walk& walk) const;

    Places m_places;
    std::shared_ptr<const PackageDatabase> m_packages;
    QString m_locale;
    QString m_iconTheme;
};

} // namespace qm
