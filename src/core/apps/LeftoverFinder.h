#pragma once

#include "core/apps/AppScanner.h"
#include "core/apps/LeftoverItem.h"
#include "core/cleaning/CleanupScanner.h"
#include "core/model/ScanItem.h"
#include "platform/AppLocator.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Places.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

namespace qm {

// Finds what applications keep in the user's XDG homes: the leftovers of one installed application
// (`find`, for the uninstaller) and the data of applications that are no longer installed
// (`orphanMatcher` and `findOrphans`, for the App Leftovers junk kind). It only reads: it lists the
// top level of the places' data folders (through a linked folder too, but never one that resolves to
// the home folder or above it) and, for one application, the home's own folders, matches entry names
// and measures each match with the bounded sizer. A plain value; it keeps nothing between calls.
class LeftoverFinder
{
public:
    // One folder searched, with the label its items show as their location.
    struct SearchRoot
    {
        QString label;
        Path url;

        bool operator==(const SearchRoot&) const = default;
    };
    // What `find` found: the items largest first, and whether the search could not see everything.
    struct Found
    {
        std::vector<LeftoverItem> items;
        bool incomplete = false;
    };
    // What `findOrphans` found: unselected scan items largest first, and whether some may be missing.
    struct Orphans
    {
        std::vector<ScanItem> items;
        bool incomplete = false;
    };
    // True for an entry's file name that stands for data of an application no longer installed.
    using OrphanMatcher = std::function<bool(const QString& fileName)>;

    // The most entries of the home folder looked at for an application's own folders there.
    static constexpr std::size_t kMaxHomeEntries = 100'000;
    // Orphaned data must have been left unmodified for at least this long (60 days), in seconds.
    static constexpr qint64 kOrphanMinimumAgeSeconds = 5'184'000;

    // A finder over `places`: leftovers are looked for in the config, data, cache and state homes,
    // ~/.var/app, the autostart folder and the home's hidden folders, orphans in ~/.var/app and the config
    // and data homes
    // (`searchRoots`, `orphanRoots`). `sizer` measures every match; `clock` (null: the system's) gives
    // the current time the age of orphans is measured against.
    LeftoverFinder(FileSystem fileManager, CleanupScanner sizer, const Places& places,
                   std::shared_ptr<const Clock> clock = nullptr);

    // This platform's folders searched for an application's leftovers, in this order: Config
    // (config home), Data (data home), Cache (cache home), State (state home), Flatpak Data
    // (~/.var/app), Autostart (<config home>/autostart). Reads nothing.
    static std::vector<SearchRoot> searchRoots(const Places& places);
    // The folders of `searchRoots(places)`: the guard's roots for removing and restoring leftovers.
    static std::vector<Path> allowedRoots(const Places& places);
    // The paths of `urls` that lie directly in the home (the home's own folders `find` offers, such as
    // ~/.thunderbird), for a guard that admits each of them exactly: no root may admit the whole
    // home. Lexical; reads nothing.
    static std::vector<Path> homeItems(const Places& places, const std::vector<Path>& urls);
    // The folders orphans are looked for in here: Flatpak Data, Config and Data.
    static std::vector<SearchRoot> orphanRoots(const Places& places);

    // The leftovers of the application `app` in `searchRoots(places)` and in the home itself, by the
    // identifiers it is known by: its bundle identifier, desktop id, Flatpak id, program name, package
    // name and its name (when usable: at least four characters, no generic word, not shared with or a
    // word of another application's name), each in lower case and dropped when another application of
    // `installed` has it too. The entries of one Debian package are one application: what only they
    // share is kept, and another entry of the package makes no name ambiguous. A top-level entry of a
    // root (hidden ones never; in Autostart without ".desktop") matches when its lower-cased name
    // equals an identifier; with a complete inventory an identifier of three or more dot-separated
    // parts also matches "<id>.…". A one-word entry therefore matches only an identifier exactly,
    // never by similarity; an entry a longer installed identifier extending the key ("<key>.…")
    // claims is never matched by that prefix form. Folders of the desktop itself (Trash,
    // applications, autostart, flatpak, …) never match. In the home itself ("Home") only a folder
    // named "." and an identifier (not the name) counts (~/.thunderbird), or, for a browser of the
    // browser table installed natively, its folder there (~/.mozilla) while no other installed
    // browser keeps it; never a file, a link or a folder the platform keeps (.cache, .config, .local,
    // .ssh, the user's folders, …). Every match is listed with its size (0 bytes included), largest
    // first: selected when the application goes with it, unselected when it stays installed
    // (`InstalledApp::staysInstalled`: its data is no leftover yet). Incomplete when a root that
    // exists could not be listed or a measurement met a denial or its deadline. Synchronous; never
    // fails.
    Found find(const InstalledApp& app, const std::vector<InstalledApp>& installed,
               bool inventoryComplete) const;

    // The predicate that tells orphaned data by file name, or nothing when the inventory is not
    // complete (then nothing may be called orphaned). A name is orphaned when it
    // stands for a bundle identifier (AppMatch::bundleIDCandidate) outside Apple's namespace that
    // shares no significant part with any installed identifier (AppMatch::isOrphaned), and `locator`
    // (null: an index of the inventory itself) knows no application with that identifier. The
    // predicate holds a snapshot of the identifiers and may be called from any thread.
    static std::optional<OrphanMatcher> orphanMatcher(const AppScanner::Listing& inventory,
                                                      std::shared_ptr<const AppLocator> locator = nullptr);

    // The orphans in the orphan roots: each top-level entry (hidden ones skipped) that `matcher`
    // accepts, last modified at least 60 days before now (an entry without a readable date is passed
    // over), measured like a junk item (0-byte entries left out; the folders of one root side by side
    // with `CleanupScanner::sizeChildren`), named "<root label> · <file name>" and not selected;
    // largest first (equal sizes in root, then listing order). Incomplete when a root that exists could not
    // be listed, a measurement met a denial or its deadline, or a 0-byte entry could not be read. When `stop`
    // is triggered the orphans found so far are returned at once. Synchronous; never fails.
    Orphans findOrphans(const OrphanMatcher& matcher, std::stop_token stop = {}) const;

    const FileSystem& fileManager() const { return m_fileManager; }
    const CleanupScanner& sizer() const { return m_sizer; }
    const Path& home() const { return m_places.home(); }
    const Places& places() const { return m_places; }

private:
    FileSystem m_fileManager;
    CleanupScanner m_sizer;
    // Adds the folders directly in the home whose names are one of `keys` (lower-cased, with their
    // leading "."), labelled "Home": folders only, never a link, a file, the Trash or a folder this
    // platform keeps for itself.
    void listHomeFolders(const QStringList& keys, bool selected, Found& found, CoverageFlag& coverage) const;
    // The child `name` of `root`, shown as `fileName`, measured with the sizer, selected as told.
    LeftoverItem measured(const SearchRoot& root, const Path& name, const QString& fileName, bool selected,
                          CoverageFlag& coverage) const;

    Places m_places;
    std::shared_ptr<const Clock> m_clock;
};

} // namespace qm
