#pragma once

#include "core/apps/AppScanner.h"
#include "core/apps/InstalledApp.h"
#include "core/cleaning/CleanupScanner.h"
#include "platform/FileSystem.h"
#include "platform/PackageDatabase.h"
#include "platform/Places.h"

#include <memory>
#include <stop_token>
#include <vector>

namespace qm {

// The inventory of installed applications on this platform: every application entry the desktop's
// menu shows (desktop entries of Type=Application that are neither NoDisplay nor Hidden, from the
// data home's "applications" folder, the Flatpak installations' exports and each data dir's, the first
// file id winning), plus the AppImages in ~/Applications. Each record says who installed it (a
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
    // `localeName` ("de_DE"; empty: the system's) picks the localized Name.
    explicit DesktopAppScanner(Places places, std::shared_ptr<const PackageDatabase> packages = nullptr,
                               QString localeName = {});

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

    // The image file of an entry's "Icon": an absolute path to a PNG file as it is, or a theme name
    // looked up in the hicolor theme (256 down to 48 pixels) and then the pixmaps of the data home and
    // each entry folder's share folder; only regular PNG files, which the icon provider draws. Nothing
    // when none is found.
    std::optional<Path> iconFile(const QString& icon) const;

    const Places& places() const { return m_places; }

private:
    struct Walk;
    void readFolder(const Path& root, const Path& folder, const QString& prefix, int depth, Walk& walk) const;
    void finish(Walk& walk) const;

    Places m_places;
    std::shared_ptr<const PackageDatabase> m_packages;
    QString m_locale;
};

} // namespace qm
