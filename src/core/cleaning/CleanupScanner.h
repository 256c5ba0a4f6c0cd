#pragma once

#include "core/cleaning/CoverageFlag.h"
#include "core/cleaning/SafetyGuard.h"
#include "core/model/JunkCategory.h"
#include "core/model/JunkKind.h"
#include "core/model/ScanItem.h"
#include "platform/AppLocator.h"
#include "platform/FileSystem.h"
#include "platform/Places.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

namespace qm {

// The junk scanner of a home folder, and the carrier of the one bounded sizer every feature measures
// files and folders with. A plain value holding its file-system access, the home folder and what the
// App Leftovers kind needs to know the installed applications; copies are cheap and may be used from
// several threads at once.
class CleanupScanner
{
public:
    // What of a root row is offered: every direct child, only the children named as logs (see
    // `isLogName`), or the row's path itself (a single file such as a session's error log).
    enum class RowShape { children, logChildren, itself };
    // One root of a junk kind. Items of a labelled row are named "<label> · <child name>", those of an
    // unlabelled row by the child's name alone (an `itself` row's item by its label, else its own name).
    // Children named in `excludedNames` are left out, and with `skipMounts` so is every child that is the
    // mount point of another file system (it is never measured through).
    struct RootRow
    {
        std::optional<QString> label;
        Path url;
        RowShape shape = RowShape::children;
        std::vector<Path> excludedNames;
        bool skipMounts = false;

        bool operator==(const RootRow&) const = default;
    };
    // A kind with its root rows, in table order.
    struct KindRoots
    {
        JunkKind kind = JunkKind::userCaches;
        std::vector<RootRow> roots;

        bool operator==(const KindRoots&) const = default;
    };
    // What `scanChildren` found below one root: the items, largest first, and whether the list or a
    // size may be short.
    struct ChildScan
    {
        std::vector<ScanItem> items;
        bool incomplete = false;
    };
    // Receives a progress report: the fraction of the planned kinds begun (0 to 1) and the title of
    // the kind concerned.
    using Progress = std::function<void(double fraction, const QString& title)>;

    // Every junk item and leftover is measured with at most this many entries and this many seconds
    // of real time; reaching the entry cap does not make a kind incomplete.
    static constexpr qint64 kNodeLimit = 200'000;
    static constexpr double kDeadlineSeconds = 90.0;

    // With no arguments: the real file system, the current user's places (home, XDG homes) and "/" as
    // the system root. The application look-up (null: the inventory's own index) only serves the App
    // Leftovers kind, which lists the installed applications before it calls anything orphaned.
    explicit CleanupScanner(FileSystem fileManager = {}, Places places = Places::current(),
                            std::shared_ptr<const AppLocator> appLocator = nullptr);
    // The places of `home` laid out with this platform's defaults (no XDG variable is read) and
    // `systemRoot`, as `Places::resolve(home, {}, systemRoot)` gives them.
    CleanupScanner(FileSystem fileManager, const Path& home, const Path& systemRoot = Path("/"),
                   std::shared_ptr<const AppLocator> appLocator = nullptr);

    // The places of `home` the App Leftovers kind reads: the session's own when `home` is the current
    // user's and `systemRoot` is "/", otherwise the default layout under `home`. Reads nothing but
    // the user-dirs file.
    static Places placesOf(const Path& home, const Path& systemRoot = Path("/"));

    const FileSystem& fileManager() const { return m_fileManager; }
    const Places& places() const { return m_places; }
    const Path& home() const { return m_places.home(); }
    const Path& systemRoot() const { return m_places.systemRoot(); }

    // The root rows of every kind, one entry per kind in display order:
    // - caches: the children of the cache home, except the folders the developer-cache rows name
    //   there, "doc" (the document portal's mount) and any child that is another mount;
    // - logs: ~/.xsession-errors and ~/.xsession-errors.old themselves, the log-named children of
    //   <data home>/xorg and ~/.npm/_logs, and the children of the "logs" folder of each application
    //   folder in the config home (labelled with the application folder's name); never the state home;
    // - saved state: no row (this platform keeps no such place);
    // - developer caches, labelled: npm, pnpm (<data home>/pnpm/store), Yarn (berry's ~/.yarn/berry/cache
    //   and classic's <cache home>/yarn), Gradle, Maven, Go modules (~/go/pkg/mod), the Go build cache
    //   (<cache home>/go-build, one item for the whole folder) and Cargo;
    // - App Leftovers: the leftover finder's orphan roots.
    // Reads only the listing of the config home, to find the application folders that keep logs.
    static std::vector<KindRoots> roots(const Places& places);
    // The paths of the rows of `kinds` (their order and repeats do not matter) in table order: the
    // allowed roots (folder rows) and allowed items (`itself` rows) of `guard`.
    static std::vector<Path> allowedRoots(const Places& places, const std::vector<JunkKind>& kinds);
    // The guard a clean or an undo of what a scan of `kinds` found is checked against: the folders of
    // their rows as allowed roots, the single files of `itself` rows as allowed items.
    static SafetyGuard guard(const Places& places, const std::vector<JunkKind>& kinds);

    // True for a name that says it is a log: "*.log", "*.log.<digits>", "logs", or "<log name>.old".
    static bool isLogName(const Path& name);

    // Scans the planned kinds (the entries of `roots(places())` whose kind is in `kinds`, in table
    // order, each once) and returns one category per kind scanned, in that order. Before each kind
    // it reports (i / n, the kind's title), and at the end (1.0, the last planned kind's title, or ""
    // when nothing was planned), also after a cancellation. Caches, logs and saved state come
    // preselected, developer caches and leftovers not; 0-byte children are left out; each
    // category's items are largest first (equal sizes keep root, then listing order).
    // Synchronous and blocking: run it on a worker thread. `progress` is called on that thread, in
    // order, and must not block; a caller with a GUI posts each report to its own thread (so a
    // report may land after the result). When `stop` is triggered the categories made so far are
    // returned, the kind under way with the items measured so far and no kind after it;
    // cancellation itself marks nothing incomplete.
    std::vector<JunkCategory> scanAll(const std::vector<JunkKind>& kinds, const Progress& progress,
                                      std::stop_token stop = {}) const;

    // The items of one root: each direct child (hidden ones included) measured with `size` (entry
    // cap not counted, 90 s each, a coverage flag of its own), named after `label` as RootRow says,
    // selected when `selected`, with its modification time; 0-byte children are left out. Children
    // are measured by up to one cached walker thread per processor at once, each walking the next
    // child itself (no thread start or hand-off per child), while the caller watches each child's
    // deadline and cancellation; the result is that of one by one in listing order. Incomplete when a folder
    // is there but cannot be listed, a measurement met a denial or its deadline, or a 0-byte child could not
    // be read; a missing root is simply empty, and a root that resolves to the home folder or a folder above
    // it is skipped as empty and complete. When `stop` is triggered no further child is begun and the items
    // measured so far are returned.
    // `deadline` is each child's limit in seconds; every caller keeps the default, tests pass a short one.
    ChildScan scanChildren(const Path& of, const std::optional<QString>& label, bool selected,
                           std::stop_token stop = {}, double deadline = kDeadlineSeconds) const;
    // The items of one root row as `scanChildren` finds them, keeping to the row's shape, excluded
    // names and mounts; an `itself` row offers its own path (a missing one offers nothing, a folder
    // is measured whole).
    ChildScan scanRow(const RootRow& row, bool selected, std::stop_token stop = {},
                      double deadline = kDeadlineSeconds) const;

    // What measuring one child found: its size as `size` gives it, whether the measurement met a
    // denial or its deadline, and, when it measured 0 bytes, whether the child could not be read; else
    // its modification time.
    struct ChildSize
    {
        qint64 bytes = 0;
        bool coverageHit = false;
        bool unreadable = false;
        std::optional<QDateTime> modified;
    };
    // The measurements of the first `sizes.size()` names, in their order; the rest were not begun
    // (cancellation, or no thread could be started to take them; `noThread` when none could).
    struct ChildSizes
    {
        std::vector<ChildSize> sizes;
        bool noThread = false;
    };
    // Measures the children `names` of `of` as `scanChildren` does (entry cap not counted, `deadline`
    // seconds each, up to one cached walker thread per processor claiming them in order). When `stop`
    // is triggered no further child is begun and those under way keep what they counted so far.
    ChildSizes sizeChildren(const Path& of, const std::vector<Path>& names, std::stop_token stop = {},
                            double deadline = kDeadlineSeconds) const;

    // The allocated size of `of` in bytes (st_blocks * 512, so sparse files count what they occupy
    // and every hard link counts once per name). Anything that is not a folder (a link counts
    // itself) is measured on the calling thread; a path that cannot be read at all measures 0 and
    // leaves `coverage` alone. A folder is walked on a cached walker thread that no other walk uses
    // meanwhile (joined, once it proves large, by helpers from one budget of four threads per
    // processor that every walk of the process shares, each handed the shallowest folder still
    // waiting), never following a link and never entering a kernel pseudo file system, while the
    // caller waits for at most 0.25 s at a time and wakes as soon as it ends:
    // - `excluding`: paths (compared after "." and ".." are cleaned up) whose entries and subtrees
    //   add nothing; a sibling whose name merely starts the same is still measured.
    // - `nodeLimit`: at most nodeLimit + 1 entries are measured; reaching the cap raises `coverage`
    //   only when `flagCapAsIncomplete`.
    // - `deadline`: seconds of real time from the call; when it passes the total so far is
    //   returned and `coverage` raised. 0 or less (or NaN) measures nothing and raises `coverage`.
    // - `stop`: cancellation returns the total so far at once and leaves `coverage` alone.
    // A permission denial met anywhere in the folder raises `coverage`. A walker still running
    // when the call returns owns everything it uses and ends at its next entry. Never fails.
    qint64 size(const Path& of, const std::vector<Path>& excluding, qint64 nodeLimit,
                bool flagCapAsIncomplete, double deadline, CoverageFlag* coverage,
                std::stop_token stop) const;

private:
    JunkCategory scanLeftovers(std::stop_token stop) const;
    ChildScan measureNames(const Path& of, const std::vector<Path>& names, bool listingIncomplete,
                           const std::optional<QString>& label, bool selected, std::stop_token stop,
                           double deadline) const;

    FileSystem m_fileManager;
    Places m_places;
    std::shared_ptr<const AppLocator> m_appLocator;
};

} // namespace qm
