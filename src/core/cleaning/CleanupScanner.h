#pragma once

#include "core/cleaning/CoverageFlag.h"
#include "core/model/JunkCategory.h"
#include "core/model/JunkKind.h"
#include "core/model/ScanItem.h"
#include "platform/AppLocator.h"
#include "platform/CodeSigner.h"
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
    // One root folder of a junk kind; its direct children are the kind's items. Items of a labelled
    // row are named "<label> · <child name>", those of an unlabelled row by the child's name alone.
    struct RootRow
    {
        std::optional<QString> label;
        Path url;

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

    // With no arguments: the real file system, the current user's home folder and "/". The system
    // root, the code signer (null: the system's) and the application look-up (null: the inventory's
    // own index) only serve the App Leftovers kind, which lists the applications installed under
    // <systemRoot>/Applications and <home>/Applications before it calls anything orphaned.
    explicit CleanupScanner(FileSystem fileManager = {}, Path home = FileSystem::homeDirectory(),
                            Path systemRoot = Path("/"), std::shared_ptr<const CodeSigner> signer = nullptr,
                            std::shared_ptr<const AppLocator> appLocator = nullptr);

    // The places of `home` the App Leftovers kind reads: the session's own when `home` is the current
    // user's and `systemRoot` is "/", otherwise the default layout under `home`. Reads nothing but
    // the user-dirs file.
    static Places placesOf(const Path& home, const Path& systemRoot = Path("/"));

    const FileSystem& fileManager() const { return m_fileManager; }
    const Path& home() const { return m_home; }
    const Path& systemRoot() const { return m_systemRoot; }

    // The root folders of every kind, one entry per kind in display order, each folder under `home`:
    // caches, logs and saved state from the Library; the developer caches of Xcode, the simulator,
    // npm, pnpm, Yarn, Gradle, Maven, Go modules, Cargo and ~/.cache, each labelled; the leftover
    // finder's orphan roots for App Leftovers. Reads nothing.
    static std::vector<KindRoots> roots(const Path& home);
    // The folders of `kinds` (their order and repeats do not matter) in table order: the roots a
    // SafetyGuard is built from to trash and restore what a scan of those kinds found. Reads nothing.
    static std::vector<Path> allowedRoots(const Path& home, const std::vector<JunkKind>& kinds);

    // Scans the planned kinds (the entries of `roots(home())` whose kind is in `kinds`, in table
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
    // meanwhile (joined, once it proves large, by helpers from one budget of a thread per processor
    // that every walk of the process shares), never following a link and never entering a kernel pseudo file
    // system, while the caller waits for at most 0.25 s at a time and wakes as soon as it ends:
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

    FileSystem m_fileManager;
    Path m_home;
    Path m_systemRoot;
    std::shared_ptr<const CodeSigner> m_signer;
    std::shared_ptr<const AppLocator> m_appLocator;
};

} // namespace qm
