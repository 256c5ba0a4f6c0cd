#include "core/apps/LeftoverFinder.h"

#include "core/apps/AppMatch.h"
#include "core/apps/InventoryAppLocator.h"
#include "core/browsers/BrowserTable.h"
#include "core/cleaning/RootFolders.h"
#include "platform/SystemClock.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace qm {
namespace {

bool isHidden(const Path& name)
{
    const std::string& text = name.native();
    return !text.empty() && text.front() == '.';
}

// The number of non-empty dot-separated parts of an identifier.
qsizetype partCount(const QString& identifier)
{
    return identifier.split(QLatin1Char('.'), Qt::SkipEmptyParts).size();
}

// Whether a lower-cased entry name is built around the lower-cased identifier `key`: equal to it or,
// for a key of three or more parts, "….<key>", "<key>.…" or "….<key>.…".
bool idMatches(const QString& lowerName, const QString& key)
{
    if (lowerName == key)
        return true;
    if (partCount(key) < 3)
        return false;
    const QString dotKey = QLatin1Char('.') + key;
    return lowerName.endsWith(dotKey) || lowerName.startsWith(key + QLatin1Char('.')) ||
           lowerName.contains(dotKey + QLatin1Char('.'));
}

// True when a longer installed identifier extending `lowerID` ("<lowerID>.…": a companion or another
// edition) claims the entry.
bool claimedByExtension(const QString& lowerName, const QString& lowerID,
                        const QStringList& installedBundleIDs)
{
    const QString prefix = lowerID + QLatin1Char('.');
    for (const QString& installed : installedBundleIDs) {
        const QString other = installed.toLower();
        if (other == lowerID || !other.startsWith(prefix))
            continue;
        if (lowerName == other || lowerName.startsWith(other + QLatin1Char('.')) ||
            idMatches(lowerName, other))
            return true;
    }
    return false;
}

// The name key in lower case, or empty when it may not be used: too short (fewer than four
// characters, counted in code points) or a generic word.
QString usableNameKey(const QString& nameKey)
{
    const QString lower = nameKey.toLower();
    if (lower.isEmpty() || lower.toUcs4().size() < 4 || AppMatch::genericNames().count(lower) != 0)
        return {};
    return lower;
}

// The name of the folder directly in `home` that holds `path`, or nothing when `path` is not below
// the home.
std::optional<std::string> topFolderInHome(const Path& path, const Path& home)
{
    const std::string prefix = home.native() + '/';
    const std::string& text = path.native();
    if (text.size() <= prefix.size() || text.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    return text.substr(prefix.size(), text.find('/', prefix.size()) - prefix.size());
}

// The folders directly in the home that this platform or the desktop keeps for itself, whatever an
// application is called: the XDG homes, Flatpak's data, keys and certificates, an encrypted home's
// own, the user's folders.
std::set<QString> reservedHomeFolders(const Places& places)
{
    std::set<QString> out{QStringLiteral(".cache"),   QStringLiteral(".config"),  QStringLiteral(".local"),
                          QStringLiteral(".var"),     QStringLiteral(".ssh"),     QStringLiteral(".gnupg"),
                          QStringLiteral(".pki"),     QStringLiteral(".dbus"),    QStringLiteral(".gvfs"),
                          QStringLiteral(".icons"),   QStringLiteral(".themes"),  QStringLiteral(".fonts"),
                          QStringLiteral(".Private"), QStringLiteral(".ecryptfs")};
    std::vector<Path> kept{places.cacheHome(), places.configHome(), places.dataHome(), places.stateHome(),
                           places.flatpakAppData()};
    for (int which = 0; which <= int(Places::UserFolder::videos); ++which)
        kept.push_back(places.userFolder(Places::UserFolder(which)));
    for (const Path& folder : kept) {
        if (const auto top = topFolderInHome(folder, places.home()))
            out.insert(FileSystem::displayName(Path(*top)));
    }
    return out;
}

// The folders directly in the home that `app` keeps as a browser of the browser table installed
// natively ("~/.mozilla" for Firefox and Firefox ESR alike), as their names; none for any other
// application or a Flatpak (whose data lives in its sandbox).
QStringList browserHomeFolders(const InstalledApp& app, const Places& places)
{
    QStringList out;
    if (!app.flatpakId.isEmpty() || app.programName.isEmpty())
        return out;
    const std::string program = app.programName.toStdString();
    for (const BrowserTable::Row& row : BrowserTable::rows()) {
        if (std::find(row.executables.begin(), row.executables.end(), program) == row.executables.end())
            continue;
        const std::vector<BrowserTable::Install> installs = BrowserTable::installs(row, places);
        if (installs.empty())
            continue;
        const auto top = topFolderInHome(installs.front().dataFolder, places.home());
        if (top && top->starts_with('.'))
            out.push_back(FileSystem::displayName(Path(*top)));
    }
    return out;
}

bool byBytesDescending(qint64 a, qint64 b)
{
    return a > b;
}

// The found items largest first, incomplete also when a measurement met a denial or its deadline.
LeftoverFinder::Found finished(LeftoverFinder::Found found, const CoverageFlag& coverage)
{
    std::stable_sort(
        found.items.begin(), found.items.end(),
        [](const LeftoverItem& a, const LeftoverItem& b) { return byBytesDescending(a.bytes, b.bytes); });
    found.incomplete = found.incomplete || coverage.hit();
    return found;
}

} // namespace

LeftoverItem LeftoverFinder::measured(const SearchRoot& root, const Path& name, const QString& fileName,
                                      bool selected, CoverageFlag& coverage) const
{
    const Path url = root.url / name;
    LeftoverItem item;
    item.url = url;
    item.name = fileName;
    item.location = root.label;
    item.bytes = m_sizer.size(url, {}, CleanupScanner::kNodeLimit, false, CleanupScanner::kDeadlineSeconds,
                              &coverage, {});
    item.isSelected = selected;
    return item;
}

LeftoverFinder::LeftoverFinder(FileSystem fileManager, CleanupScanner sizer, const Places& places,
                               std::shared_ptr<const Clock> clock)
    : m_fileManager(std::move(fileManager)), m_sizer(std::move(sizer)), m_places(places),
      m_clock(clock ? std::move(clock) : std::make_shared<const SystemClock>())
{}

std::vector<LeftoverFinder::SearchRoot> LeftoverFinder::searchRoots(const Places& places)
{
    return {
        {QStringLiteral("Config"), places.configHome()},
        {QStringLiteral("Data"), places.dataHome()},
        {QStringLiteral("Cache"), places.cacheHome()},
        {QStringLiteral("State"), places.stateHome()},
        {QStringLiteral("Flatpak Data"), places.flatpakAppData()},
        {QStringLiteral("Autostart"), places.configHome() / "autostart"},
    };
}

std::vector<Path> LeftoverFinder::allowedRoots(const Places& places)
{
    std::vector<Path> out;
    for (SearchRoot& root : searchRoots(places))
        out.push_back(std::move(root.url));
    return out;
}

std::vector<Path> LeftoverFinder::homeItems(const Places& places, const std::vector<Path>& urls)
{
    const Path home = FileSystem::standardize(places.home());
    std::vector<Path> out;
    for (const Path& url : urls) {
        const Path item = FileSystem::standardize(url);
        if (item.has_filename() && item.parent_path() == home)
            out.push_back(item);
    }
    return out;
}

std::vector<LeftoverFinder::SearchRoot> LeftoverFinder::orphanRoots(const Places& places)
{
    return {
        {QStringLiteral("Flatpak Data"), places.flatpakAppData()},
        {QStringLiteral("Config"), places.configHome()},
        {QStringLiteral("Data"), places.dataHome()},
    };
}

LeftoverFinder::Found LeftoverFinder::find(const InstalledApp& app,
                                           const std::vector<InstalledApp>& installed,
                                           bool inventoryComplete) const
{
    Found found;
    // The folders the desktop keeps for itself in these homes.
    static const std::set<QString> desktopOwn{
        QStringLiteral("trash"),     QStringLiteral("applications"), QStringLiteral("autostart"),
        QStringLiteral("flatpak"),   QStringLiteral("icons"),        QStringLiteral("mime"),
        QStringLiteral("fonts"),     QStringLiteral("systemd"),      QStringLiteral("keyrings"),
        QStringLiteral("dconf"),     QStringLiteral("themes"),       QStringLiteral("user-dirs.dirs"),
        QStringLiteral("quillmere"), QStringLiteral("vellora")};

    // Identifiers by kind, lower-cased; one another application shares is no identifier of this one.
    const auto identifiersOf = [](const InstalledApp& a) {
        QStringList ids{a.bundleID.toLower(), a.desktopId.toLower(), a.flatpakId.toLower(),
                        a.programName.toLower(), a.packageName.toLower()};
        ids.removeAll(QString());
        ids.removeDuplicates();
        return ids;
    };
    // The entries one package owns are one application: what only they share stays this one's, and
    // another of them makes no name ambiguous. Every other entry is another application.
    const auto samePackage = [&](const InstalledApp& other) {
        return app.origin == AppOrigin::debianPackage && other.origin == AppOrigin::debianPackage &&
               !app.packageName.isEmpty() && other.packageName == app.packageName;
    };
    std::map<QString, int> holders; // identifiers of the other applications
    QStringList installedNames;     // this entry's and the other applications'
    QStringList installedIDs;
    for (const InstalledApp& other : installed) {
        const bool self = other.id() == app.id();
        if (!self && samePackage(other))
            continue;
        if (!self) {
            for (const QString& id : identifiersOf(other))
                ++holders[id];
        }
        installedNames.push_back(other.name);
        installedIDs.push_back(other.bundleID);
    }
    QStringList keys;
    for (const QString& id : identifiersOf(app)) {
        if (holders[id] == 0)
            keys.push_back(id);
    }
    const QStringList idKeys = keys;
    AppMatch::MatchKeys nameKeys = AppMatch::matchKeys(app.name, app.bundleID, installedNames, installedIDs);
    if (!nameKeys.name.isEmpty() && !AppMatch::nameMatchIsAmbiguous(nameKeys.name, installedNames)) {
        const QString name = usableNameKey(nameKeys.name);
        if (!name.isEmpty() && holders[name] == 0)
            keys.push_back(name);
    }
    keys.removeDuplicates();
    QStringList prefixKeys;
    if (inventoryComplete) {
        for (const QString& key : keys) {
            if (partCount(key) >= 3)
                prefixKeys.push_back(key);
        }
    }

    CoverageFlag coverage;
    for (const SearchRoot& root : searchRoots(m_places)) {
        const RootFolders::Listing listing = RootFolders::list(m_fileManager, root.url, m_places.home());
        found.incomplete = found.incomplete || listing.incomplete;
        const bool autostart = root.label == QLatin1String("Autostart");
        for (const Path& name : listing.names) {
            if (isHidden(name))
                continue;
            const QString fileName = FileSystem::displayName(name);
            QString lower = fileName.toLower();
            if (autostart) {
                if (!lower.endsWith(QLatin1String(".desktop")))
                    continue;
                lower.chop(8);
            }
            if (desktopOwn.contains(lower))
                continue;
            bool matched = keys.contains(lower);
            for (const QString& key : prefixKeys) {
                if (matched)
                    break;
                matched =
                    lower.startsWith(key + QLatin1Char('.')) && !claimedByExtension(lower, key, installedIDs);
            }
            if (!matched)
                continue;
            found.items.push_back(measured(root, name, fileName, !app.staysInstalled(), coverage));
        }
    }

    // The folders programs keep directly in the home (~/.thunderbird), by an identifier exactly, and
    // a browser's own there (~/.mozilla) while no other installed browser keeps it too.
    QStringList homeKeys;
    for (const QString& id : idKeys)
        homeKeys.push_back(QLatin1Char('.') + id);
    QStringList othersBrowserFolders;
    for (const InstalledApp& other : installed) {
        if (other.id() != app.id() && !samePackage(other))
            othersBrowserFolders += browserHomeFolders(other, m_places);
    }
    for (const QString& folder : browserHomeFolders(app, m_places)) {
        if (!othersBrowserFolders.contains(folder))
            homeKeys.push_back(folder.toLower());
    }
    if (!homeKeys.isEmpty())
        listHomeFolders(homeKeys, !app.staysInstalled(), found, coverage);
    return finished(std::move(found), coverage);
}

void LeftoverFinder::listHomeFolders(const QStringList& keys, bool selected, Found& found,
                                     CoverageFlag& coverage) const
{
    const SearchRoot root{QStringLiteral("Home"), m_places.home()};
    const auto listing = m_fileManager.list(root.url, kMaxHomeEntries);
    if (!listing) {
        found.incomplete = found.incomplete || m_fileManager.exists(root.url);
        return;
    }
    found.incomplete = found.incomplete || listing->truncated;
    const std::set<QString> reserved = reservedHomeFolders(m_places);
    for (const Path& name : listing->names) {
        const QString fileName = FileSystem::displayName(name);
        if (!isHidden(name) || reserved.contains(fileName) || fileName.startsWith(QLatin1String(".Trash")) ||
            !keys.contains(fileName.toLower()))
            continue;
        // Folders only, never a link or a file (.bashrc, .gitconfig).
        const auto status = m_fileManager.status(root.url / name);
        if (!status || !status->isDirectory() || status->isSymlink())
            continue;
        found.items.push_back(measured(root, name, fileName, selected, coverage));
    }
}

std::optional<LeftoverFinder::OrphanMatcher>
LeftoverFinder::orphanMatcher(const AppScanner::Listing& listing, std::shared_ptr<const AppLocator> locator)
{
    if (!listing.complete)
        return std::nullopt;

    QStringList installed;
    for (const InstalledApp& app : listing.apps) {
        if (!app.bundleID.isEmpty())
            installed.push_back(app.bundleID);
    }
    if (!locator)
        locator = std::make_shared<const InventoryAppLocator>(listing.apps);

    return OrphanMatcher(
        [installed = std::move(installed), locator = std::move(locator)](const QString& fileName) {
            const std::optional<QString> candidate = AppMatch::bundleIDCandidate(fileName);
            if (!candidate || !AppMatch::isOrphaned(fileName, installed))
                return false;
            // An application the inventory missed but the system still knows keeps its data.
            return !locator->urlForApplication(*candidate).has_value();
        });
}

LeftoverFinder::Orphans LeftoverFinder::findOrphans(const OrphanMatcher& matcher, std::stop_token stop) const
{
    Orphans orphans;
    bool coverageHit = false;
    bool cancelled = false;
    for (const SearchRoot& root : orphanRoots(m_places)) {
        const RootFolders::Listing listing = RootFolders::list(m_fileManager, root.url, m_places.home());
        orphans.incomplete = orphans.incomplete || listing.incomplete;

        // The orphans of this root in listing order; anything but a folder is measured here, as the
        // sizer would, and the folders afterwards side by side.
        struct Found
        {
            Path name;
            QString fileName;
            QDateTime modified;
            std::optional<qint64> bytes; // none for a folder
        };
        std::vector<Found> found;
        std::vector<Path> folders;
        for (const Path& name : listing.names) {
            if (stop.stop_requested()) {
                cancelled = true;
                break;
            }
            if (isHidden(name))
                continue;
            const QString fileName = FileSystem::displayName(name);
            if (!matcher || !matcher(fileName))
                continue;

            const Path url = root.url / name;
            const auto status = m_fileManager.status(url);
            if (!status || !status->modified.isValid())
                continue;
            // Recently used data is not called orphaned; a date in the future is recent too.
            const qint64 ageMs = status->modified.msecsTo(m_clock->now());
            if (ageMs < kOrphanMinimumAgeSeconds * 1000)
                continue;
            std::optional<qint64> bytes;
            if (status->isDirectory())
                folders.push_back(name);
            else
                bytes = status->allocated;
            found.push_back(Found{name, fileName, status->modified, bytes});
        }

        const CleanupScanner::ChildSizes sizes = m_sizer.sizeChildren(root.url, folders, stop);
        std::size_t folder = 0;
        for (const Found& f : found) {
            const Path url = root.url / f.name;
            qint64 bytes = 0;
            if (f.bytes) {
                bytes = *f.bytes;
            } else if (folder < sizes.sizes.size()) {
                const CleanupScanner::ChildSize& measured = sizes.sizes[folder++];
                bytes = measured.bytes;
                coverageHit = coverageHit || measured.coverageHit;
            } else if (sizes.noThread || !stop.stop_requested()) {
                // Not measured without a cancellation: no thread could be started to take it, so
                // its figure is as short as it gets.
                coverageHit = true;
            }
            if (bytes < 1) {
                if (!RootFolders::isReadable(url))
                    orphans.incomplete = true;
                continue;
            }
            ScanItem item;
            item.url = url;
            item.name = root.label + QStringLiteral(" \u00B7 ") + f.fileName;
            item.bytes = bytes;
            item.modified = f.modified;
            item.isSelected = false;
            orphans.items.push_back(std::move(item));
        }
        // A cancellation while the folders were measured ends the search as one before the next
        // entry would.
        if (cancelled || stop.stop_requested()) {
            cancelled = true;
            break;
        }
    }
    std::stable_sort(orphans.items.begin(), orphans.items.end(), [](const ScanItem& a, const ScanItem& b) {
        return byBytesDescending(a.bytes, b.bytes);
    });
    // A cancelled search reports what it has without consulting the measurements.
    if (!cancelled)
        orphans.incomplete = orphans.incomplete || coverageHit;
    return orphans;
}

} // namespace qm
