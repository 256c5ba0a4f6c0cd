#include "core/cleaning/CleanupScanner.h"

#include "core/apps/AppScanner.h"
#include "core/apps/DesktopAppScanner.h"
#include "core/apps/LeftoverFinder.h"
#include "core/cleaning/DirectoryWalk.h"
#include "core/cleaning/FileErrors.h"
#include "core/cleaning/MountTable.h"
#include "core/cleaning/RootFolders.h"
#include "core/cleaning/WalkerThreads.h"
#include "platform/Processors.h"

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <iterator>
#include <memory>
#include <mutex>
#include <string_view>
#include <system_error>
#include <thread>

namespace qm {
namespace {

// The longest the caller waits between looks at cancellation and the deadline.
constexpr std::chrono::milliseconds kLongestWait{250};
// Deadlines beyond this are treated as this, so that adding them to the clock cannot overflow.
constexpr double kLongestDeadlineSeconds = 10.0 * 365 * 24 * 3600;

// Threads that measure the children of one root side by side (sizeChildren): one per processor.
int walkThreads()
{
    static const int threads = Processors::count();
    return threads;
}

// Threads one walk may use, its own included: four per processor, as many as the Space Lens walk
// sizes children with. A walk is mostly waiting in fstatat and getdents64, and on a busy machine every
// thread only gets its share of a processor; with one thread per processor the sizer took about twice
// as long as the Space Lens walk on the same tree under load. Helpers beyond the walk's own thread
// come from one budget shared by every walk of the process, so walks running side by side stay within
// that bound in all, and none waits for one.
int threadsPerWalk()
{
    static const int threads = 4 * Processors::count();
    return threads;
}

const std::shared_ptr<DirectoryWalk::HelperBudget>& helperBudget()
{
    static const auto budget = std::make_shared<DirectoryWalk::HelperBudget>(threadsPerWalk() - 1);
    return budget;
}

// Folder descriptors each walking thread may hold: the budget's helpers and a generous number of walks
// at once stay well below the descriptor limit.
int foldersPerThread()
{
    static const int folders = [] {
        struct rlimit limit;
        if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
            return 64;
        const rlim_t reserve = std::min<rlim_t>(256, limit.rlim_cur / 4);
        const rlim_t threads = rlim_t(threadsPerWalk() + walkThreads() + 16);
        return int(std::clamp<rlim_t>((limit.rlim_cur - reserve) / threads, 2, 64));
    }();
    return folders;
}

// The running total of one walking thread, alone on its cache line.
struct alignas(64) TotalSlot
{
    std::atomic<qint64> bytes{0};
};

// What the caller and the walker threads share. Whoever lets go last frees it, so a walker abandoned
// after a deadline or a cancellation never touches freed memory.
struct WalkState
{
    explicit WalkState(int threads) : totals(std::size_t(threads)) {}

    // The bytes counted so far by all walking threads.
    qint64 total() const
    {
        qint64 sum = 0;
        for (const TotalSlot& slot : totals)
            sum += slot.bytes.load(std::memory_order_relaxed);
        return sum;
    }

    std::vector<TotalSlot> totals; // one per walking thread
    std::atomic<qint64> taken{0};  // entries claimed against the node cap
    std::atomic<bool> coverageHit{false};
    std::stop_source stop;

    std::mutex mutex;
    std::condition_variable_any finished;
    bool done = false; // guarded by `mutex`
};

struct WalkRequest
{
    Path root;
    std::vector<std::string> excluded; // standardized paths
    qint64 nodeLimit = 0;
    bool flagCapAsIncomplete = false;
};

bool isExcluded(std::string_view path, const std::vector<std::string>& excluded)
{
    for (const std::string& ex : excluded) {
        if (path.size() < ex.size() || path.compare(0, ex.size(), ex) != 0)
            continue;
        if (path.size() == ex.size() || path[ex.size()] == '/' || ex == "/")
            return true;
    }
    return false;
}

void walk(const WalkRequest& request, WalkState& state)
{
    // Called from every walking thread at once: each entry claims one place under the cap (so exactly
    // nodeLimit + 1 entries are measured) and adds to its own thread's total.
    const auto visit = [&](const DirectoryWalk::Entry& entry) {
        if (state.taken.fetch_add(1, std::memory_order_relaxed) > request.nodeLimit) {
            if (request.flagCapAsIncomplete)
                state.coverageHit.store(true, std::memory_order_relaxed);
            return DirectoryWalk::Action::Stop;
        }
        if (!request.excluded.empty() && isExcluded(entry.path, request.excluded))
            return DirectoryWalk::Action::SkipChildren;
        if (!entry.status.isDirectory() && entry.status.allocated != 0) {
            std::atomic<qint64>& own = state.totals[std::size_t(entry.worker)].bytes;
            own.store(own.load(std::memory_order_relaxed) + entry.status.allocated,
                      std::memory_order_relaxed);
        }
        return DirectoryWalk::Action::Continue;
    };
    const auto onError = [&](std::string_view, const Error& error) {
        if (FileErrors::isPermissionDenied(error))
            state.coverageHit.store(true, std::memory_order_relaxed);
    };
    DirectoryWalk::Limits limits;
    limits.threads = int(state.totals.size());
    limits.maxOpenFolders = foldersPerThread();
    limits.splitLargeFolders = true; // a sum does not depend on the order of entries
    const Result<void> outcome = DirectoryWalk(limits, DirectoryWalk::Shared{nullptr, helperBudget()})
                                     .run(request.root, state.stop.get_token(), visit, onError);
    if (!outcome && FileErrors::isPermissionDenied(outcome.error()))
        state.coverageHit.store(true, std::memory_order_relaxed);
}

using Measured = CleanupScanner::ChildSize;

// The part of a measurement after the walk: when to ask whether a 0-byte child could be read, else
// its modification time.
void finish(const FileSystem& fileManager, const Path& child, Measured& out)
{
    if (out.bytes < 1) {
        out.unreadable = !RootFolders::isReadable(child);
    } else if (const auto status = fileManager.status(child)) {
        out.modified = status->modified;
    }
}

// The children of one root, measured by a few cached walker threads that each claim the next child in
// listing order and walk it themselves, while the caller only watches cancellation and every child's
// deadline. So a small child costs no thread start and no hand-off. A walk still running at its
// deadline is given up by the caller with the total so far, and another thread takes over claiming;
// the abandoned thread finds its child taken and leaves. Shared by the caller and the threads; whoever
// lets go last frees it.
struct ChildBatch
{
    struct Child
    {
        std::shared_ptr<WalkState> state; // set when claimed
        std::chrono::steady_clock::time_point end;
        bool finished = false;  // measured to the end by its thread
        bool abandoned = false; // given up by the caller (cancellation or deadline)
        Measured result;        // valid once finished or abandoned
    };

    ChildBatch(FileSystem fileManager, Path of, std::vector<Path> names, std::stop_token stop,
               double deadline)
        : fileManager(std::move(fileManager)), of(std::move(of)), children(names.size()),
          names(std::move(names)), stop(std::move(stop)), deadline(deadline)
    {}

    // Claims and measures children until none is left, the scan is cancelled or the caller gives up
    // the child this thread measures.
    void work()
    {
        for (;;) {
            std::size_t index = 0;
            std::shared_ptr<WalkState> state;
            {
                const std::lock_guard lock(mutex);
                if (next >= names.size() || stop.stop_requested()) {
                    --running;
                    changed.notify_all();
                    return;
                }
                index = next++;
                state = std::make_shared<WalkState>(threadsPerWalk());
                children[index].state = state;
                children[index].end = std::chrono::steady_clock::now() +
                                      std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                          std::chrono::duration<double>(deadline));
            }
            const Path child = of / names[index];
            Measured out;
            const auto status = fileManager.statusWithoutTime(child);
            if (!status) {
                out.bytes = 0;
            } else if (!status->isDirectory()) {
                out.bytes = status->allocated;
            } else {
                WalkRequest request;
                request.root = FileSystem::standardize(child);
                request.nodeLimit = CleanupScanner::kNodeLimit;
                walk(request, *state);
                out.bytes = state->total();
                out.coverageHit = state->coverageHit.load(std::memory_order_relaxed);
            }
            finish(fileManager, child, out);
            {
                const std::lock_guard lock(mutex);
                Child& c = children[index];
                if (c.abandoned)
                    return; // another thread claims in this one's place
                c.result = std::move(out);
                c.finished = true;
            }
            changed.notify_all();
        }
    }

    const FileSystem fileManager;
    const Path of;
    std::mutex mutex;
    std::condition_variable_any changed;
    std::vector<Child> children; // guarded by `mutex`, as are the fields below
    std::size_t next = 0;        // children claimed
    int running = 0;             // threads claiming

private:
    const std::vector<Path> names;
    const std::stop_token stop;
    const double deadline; // seconds each child may take
};

} // namespace

CleanupScanner::CleanupScanner(FileSystem fileManager, Places places,
                               std::shared_ptr<const AppLocator> appLocator)
    : m_fileManager(std::move(fileManager)), m_places(std::move(places)), m_appLocator(std::move(appLocator))
{}

CleanupScanner::CleanupScanner(FileSystem fileManager, const Path& home, const Path& systemRoot,
                               std::shared_ptr<const AppLocator> appLocator)
    : CleanupScanner(std::move(fileManager), Places::resolve(home, {}, systemRoot), std::move(appLocator))
{}

qint64 CleanupScanner::size(const Path& of, const std::vector<Path>& excluding, qint64 nodeLimit,
                            bool flagCapAsIncomplete, double deadline, CoverageFlag* coverage,
                            std::stop_token stop) const
{
    const auto status = m_fileManager.status(of);
    if (!status)
        return 0;
    if (!status->isDirectory())
        return status->allocated;
    if (!(deadline > 0)) {
        if (coverage)
            coverage->markHit();
        return 0;
    }

    auto request = std::make_shared<WalkRequest>();
    request->root = FileSystem::standardize(of);
    request->excluded.reserve(excluding.size());
    for (const Path& path : excluding)
        request->excluded.push_back(FileSystem::standardize(path).native());
    request->nodeLimit = nodeLimit;
    request->flagCapAsIncomplete = flagCapAsIncomplete;

    const auto state = std::make_shared<WalkState>(threadsPerWalk());
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                 std::chrono::duration<double>(std::min(deadline, kLongestDeadlineSeconds)));
    const bool started = WalkerThreads::start([request, state] {
        walk(*request, *state);
        {
            const std::lock_guard lock(state->mutex);
            state->done = true;
        }
        state->finished.notify_all();
    });
    if (!started) {
        // No thread to walk with: the figure is as short as it gets.
        if (coverage)
            coverage->markHit();
        return 0;
    }

    std::unique_lock lock(state->mutex);
    for (;;) {
        if (state->done) {
            if (coverage && state->coverageHit.load(std::memory_order_relaxed))
                coverage->markHit();
            break;
        }
        if (stop.stop_requested()) {
            state->stop.request_stop();
            break;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= end) {
            state->stop.request_stop();
            if (coverage)
                coverage->markHit();
            break;
        }
        // Wakes at once when the walk ends or the caller is cancelled, and never sleeps past the
        // deadline.
        const auto wait = std::min<std::chrono::steady_clock::duration>(kLongestWait, end - now);
        state->finished.wait_for(lock, stop, wait, [&] { return state->done; });
    }
    return state->total();
}

std::vector<CleanupScanner::KindRoots> CleanupScanner::roots(const Places& places)
{
    const Path& home = places.home();
    const auto row = [](std::optional<QString> label, Path url, RowShape shape = RowShape::children) {
        RootRow out;
        out.label = std::move(label);
        out.url = std::move(url);
        out.shape = shape;
        return out;
    };
    const auto labelled = [&row](const char* label, Path url) {
        return row(QString::fromUtf8(label), std::move(url));
    };
    std::vector<RootRow> developer{
        labelled("npm", home / ".npm/_cacache"),
        labelled("pnpm", places.dataHome() / "pnpm/store"),
        labelled("Yarn", home / ".yarn/berry/cache"),
        labelled("Yarn", places.cacheHome() / "yarn"),
        labelled("Gradle", home / ".gradle/caches"),
        labelled("Maven", home / ".m2/repository"),
        labelled("Go modules", home / "go/pkg/mod"),
        // Go's build cache is hundreds of hash-named folders: one item, the cache itself.
        row(QStringLiteral("Go build cache"), places.cacheHome() / "go-build", RowShape::itself),
        labelled("Cargo", home / ".cargo/registry"),
    };

    // The cache home's children, less the developer tools' folders in it and the document portal.
    RootRow caches = row(std::nullopt, places.cacheHome());
    caches.skipMounts = true;
    for (const RootRow& row : developer) {
        const Path relative = row.url.lexically_relative(places.cacheHome());
        if (!relative.empty() && *relative.begin() != "..")
            caches.excludedNames.push_back(*relative.begin());
    }
    caches.excludedNames.push_back("doc");

    std::vector<RootRow> logs{
        row(std::nullopt, home / ".xsession-errors", RowShape::itself),
        row(std::nullopt, home / ".xsession-errors.old", RowShape::itself),
        row(QStringLiteral("Xorg"), places.dataHome() / "xorg", RowShape::logChildren),
        row(QStringLiteral("npm"), home / ".npm/_logs", RowShape::logChildren),
    };
    // Applications that keep a "logs" folder in their folder of the config home (Electron-style).
    const FileSystem files;
    const RootFolders::Listing configs = RootFolders::list(files, places.configHome(), home);
    std::vector<Path> appFolders = configs.names;
    std::sort(appFolders.begin(), appFolders.end());
    for (const Path& name : appFolders) {
        const Path logsFolder = places.configHome() / name / "logs";
        const auto status = files.status(logsFolder);
        if (status && status->isDirectory())
            logs.push_back(row(FileSystem::displayName(name), logsFolder));
    }

    std::vector<KindRoots> table{
        {JunkKind::userCaches, {std::move(caches)}},
        {JunkKind::logs, std::move(logs)},
        {JunkKind::savedState, {}},
        {JunkKind::developerCaches, std::move(developer)},
        {JunkKind::appLeftovers, {}},
    };
    for (LeftoverFinder::SearchRoot& root : LeftoverFinder::orphanRoots(places))
        table.back().roots.push_back(row(std::move(root.label), std::move(root.url)));
    return table;
}

std::vector<Path> CleanupScanner::allowedRoots(const Places& places, const std::vector<JunkKind>& kinds)
{
    std::vector<Path> out;
    for (KindRoots& entry : roots(places)) {
        if (std::find(kinds.begin(), kinds.end(), entry.kind) == kinds.end())
            continue;
        for (RootRow& row : entry.roots)
            out.push_back(std::move(row.url));
    }
    return out;
}

SafetyGuard CleanupScanner::guard(const Places& places, const std::vector<JunkKind>& kinds)
{
    std::vector<Path> folders;
    std::vector<Path> items;
    for (KindRoots& entry : roots(places)) {
        if (std::find(kinds.begin(), kinds.end(), entry.kind) == kinds.end())
            continue;
        for (RootRow& row : entry.roots)
            (row.shape == RowShape::itself ? items : folders).push_back(std::move(row.url));
    }
    return SafetyGuard(folders, items);
}

bool CleanupScanner::isLogName(const Path& name)
{
    const std::string_view text = name.native();
    if (text == "logs")
        return true;
    const auto endsWith = [](std::string_view s, std::string_view tail) {
        return s.size() > tail.size() && s.substr(s.size() - tail.size()) == tail;
    };
    if (endsWith(text, ".log"))
        return true;
    if (endsWith(text, ".old"))
        return isLogName(Path(std::string(text.substr(0, text.size() - 4))));
    // "<name>.log.<digits>", the rotated ones.
    std::size_t digits = 0;
    while (digits < text.size() && text[text.size() - 1 - digits] >= '0' &&
           text[text.size() - 1 - digits] <= '9')
        ++digits;
    return digits > 0 && endsWith(text.substr(0, text.size() - digits), ".log.");
}

std::vector<JunkCategory> CleanupScanner::scanAll(const std::vector<JunkKind>& kinds,
                                                  const Progress& progress, std::stop_token stop) const
{
    std::vector<KindRoots> plan;
    for (KindRoots& entry : roots(m_places)) {
        if (std::find(kinds.begin(), kinds.end(), entry.kind) != kinds.end())
            plan.push_back(std::move(entry));
    }
    const auto report = [&](double fraction, const QString& title) {
        if (progress)
            progress(fraction, title);
    };

    std::vector<JunkCategory> categories;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        if (stop.stop_requested())
            break;
        const KindRoots& entry = plan[i];
        report(double(i) / double(plan.size()), JunkKinds::title(entry.kind));

        if (entry.kind == JunkKind::appLeftovers) {
            categories.push_back(scanLeftovers(stop));
            continue;
        }
        const bool selected = entry.kind == JunkKind::userCaches || entry.kind == JunkKind::logs ||
                              entry.kind == JunkKind::savedState;
        JunkCategory category{entry.kind, {}, false};
        for (const RootRow& row : entry.roots) {
            ChildScan scan = scanRow(row, selected, stop);
            category.incomplete = category.incomplete || scan.incomplete;
            std::move(scan.items.begin(), scan.items.end(), std::back_inserter(category.items));
        }
        std::stable_sort(category.items.begin(), category.items.end(),
                         [](const ScanItem& a, const ScanItem& b) { return a.bytes > b.bytes; });
        categories.push_back(std::move(category));
    }
    report(1.0, plan.empty() ? QString() : JunkKinds::title(plan.back().kind));
    return categories;
}

Places CleanupScanner::placesOf(const Path& home, const Path& systemRoot)
{
    // The current user's places follow the session's XDG variables; another home takes the defaults.
    Places current = Places::current();
    if (FileSystem::standardize(home) == current.home() && systemRoot == Path("/"))
        return current;
    return Places::resolve(home, {}, systemRoot);
}

JunkCategory CleanupScanner::scanLeftovers(std::stop_token stop) const
{
    const Places& places = m_places;
    const DesktopAppScanner inventory(places);
    const AppScanner::Listing listing = inventory.listApps(stop);
    // A listing cut short by cancellation proves nothing about the inventory.
    if (stop.stop_requested())
        return JunkCategory{JunkKind::appLeftovers, {}, false};
    const auto matcher = LeftoverFinder::orphanMatcher(listing, m_appLocator);
    if (!matcher)
        return JunkCategory{JunkKind::appLeftovers, {}, true};
    LeftoverFinder::Orphans orphans =
        LeftoverFinder(m_fileManager, *this, places).findOrphans(*matcher, stop);
    return JunkCategory{JunkKind::appLeftovers, std::move(orphans.items), orphans.incomplete};
}

CleanupScanner::ChildSizes CleanupScanner::sizeChildren(const Path& of, const std::vector<Path>& names,
                                                        std::stop_token stop, double deadline) const
{
    ChildSizes result;
    if (names.empty())
        return result;

    const auto batch = std::make_shared<ChildBatch>(
        m_fileManager, of, names, stop, deadline > 0 ? std::min(deadline, kLongestDeadlineSeconds) : 0.0);
    // Starts a claiming thread; false when none could be started.
    const auto startWorker = [&] {
        if (WalkerThreads::start([batch] { batch->work(); }))
            return true;
        const std::lock_guard lock(batch->mutex);
        --batch->running;
        return false;
    };
    const std::size_t width = std::min<std::size_t>(std::size_t(walkThreads()), names.size());
    batch->running = int(width);
    int started = 0;
    for (std::size_t i = 0; i < width; ++i)
        started += startWorker() ? 1 : 0;
    if (started == 0) {
        // No thread to walk with: nothing is measured.
        result.noThread = true;
        return result;
    }

    // Abandoned children are finished here, after the wait, as a measurement cut short would be.
    std::vector<std::size_t> cutShort;
    {
        std::unique_lock lock(batch->mutex);
        for (;;) {
            if (batch->running == 0)
                break;
            if (stop.stop_requested()) {
                for (std::size_t i = 0; i < batch->next; ++i) {
                    ChildBatch::Child& c = batch->children[i];
                    if (c.finished)
                        continue;
                    c.state->stop.request_stop();
                    c.abandoned = true;
                    c.result.bytes = c.state->total();
                    cutShort.push_back(i);
                }
                break;
            }
            const auto now = std::chrono::steady_clock::now();
            auto wake = now + kLongestWait;
            int replacements = 0;
            for (std::size_t i = 0; i < batch->next; ++i) {
                ChildBatch::Child& c = batch->children[i];
                if (c.finished || c.abandoned)
                    continue;
                if (now < c.end) {
                    wake = std::min(wake, c.end);
                    continue;
                }
                c.state->stop.request_stop();
                c.abandoned = true;
                c.result.bytes = c.state->total();
                c.result.coverageHit = true;
                cutShort.push_back(i);
                ++replacements; // the stuck thread counts no more; another claims in its place
            }
            if (replacements > 0) {
                lock.unlock();
                for (int i = 0; i < replacements; ++i)
                    startWorker();
                lock.lock();
                continue;
            }
            batch->changed.wait_until(lock, stop, wake, [&] { return batch->running == 0; });
        }
    }
    std::vector<Measured> measured;
    {
        const std::lock_guard lock(batch->mutex);
        measured.reserve(batch->next);
        for (std::size_t i = 0; i < batch->next; ++i)
            measured.push_back(batch->children[i].result);
    }
    for (const std::size_t i : cutShort)
        finish(m_fileManager, of / names[i], measured[i]);
    result.sizes = std::move(measured);
    return result;
}

CleanupScanner::ChildScan CleanupScanner::scanChildren(const Path& of, const std::optional<QString>& label,
                                                       bool selected, std::stop_token stop,
                                                       double deadline) const
{
    const RootFolders::Listing listing = RootFolders::list(m_fileManager, of, m_places.home());
    return measureNames(of, listing.names, listing.incomplete, label, selected, stop, deadline);
}

CleanupScanner::ChildScan CleanupScanner::scanRow(const RootRow& row, bool selected, std::stop_token stop,
                                                  double deadline) const
{
    if (row.shape == RowShape::itself) {
        // One file or folder of its own: offered by its label, else its name, when it holds something.
        if (RootFolders::coversHome(row.url, m_places.home()))
            return {};
        const auto status = m_fileManager.status(row.url);
        if (!status) {
            const Error& error = status.error();
            const bool gone =
                error.domain() == ErrorDomain::Posix && (error.code() == ENOENT || error.code() == ENOTDIR);
            return ChildScan{{}, !gone};
        }
        ChildScan own = measureNames(row.url.parent_path(), {row.url.filename()}, false, std::nullopt,
                                     selected, stop, deadline);
        if (row.label) {
            for (ScanItem& item : own.items)
                item.name = *row.label;
        }
        return own;
    }
    RootFolders::Listing listing = RootFolders::list(m_fileManager, row.url, m_places.home());
    std::vector<Path> names;
    names.reserve(listing.names.size());
    std::optional<MountTable> mounts;
    std::optional<quint64> rootDevice;
    if (row.skipMounts && !listing.names.empty()) {
        mounts = MountTable::current();
        if (const auto status = m_fileManager.statusFollowingLinks(row.url))
            rootDevice = status->id.device;
    }
    const Path resolvedRoot = row.skipMounts ? FileSystem::resolveLinks(row.url) : Path();
    for (Path& name : listing.names) {
        if (std::find(row.excludedNames.begin(), row.excludedNames.end(), name) != row.excludedNames.end())
            continue;
        if (row.shape == RowShape::logChildren && !isLogName(name))
            continue;
        if (mounts) {
            // Another file system mounted here (a device of its own, or a bind mount listed in the
            // mount table): its contents are not this cache's.
            const auto status = m_fileManager.status(row.url / name);
            if (status && rootDevice && status->id.device != *rootDevice)
                continue;
            const Path full = resolvedRoot / name;
            const auto& all = mounts->mounts();
            if (std::any_of(all.begin(), all.end(),
                            [&](const MountTable::Mount& m) { return m.mountPoint == full; }))
                continue;
        }
        names.push_back(std::move(name));
    }
    return measureNames(row.url, names, listing.incomplete, row.label, selected, stop, deadline);
}

CleanupScanner::ChildScan CleanupScanner::measureNames(const Path& of, const std::vector<Path>& names,
                                                       bool listingIncomplete,
                                                       const std::optional<QString>& label, bool selected,
                                                       std::stop_token stop, double deadline) const
{
    ChildScan result;
    result.incomplete = listingIncomplete;
    if (names.empty())
        return result;

    const ChildSizes sizes = sizeChildren(of, names, stop, deadline);
    const std::vector<ChildSize>& measured = sizes.sizes;
    // No thread to walk with: nothing is measured and the list may be short. Children left unclaimed
    // without a cancellation: no thread could be started to take them.
    if (sizes.noThread || (measured.size() < names.size() && !stop.stop_requested()))
        result.incomplete = true;

    for (std::size_t i = 0; i < measured.size(); ++i) {
        const ChildSize& m = measured[i];
        if (m.coverageHit)
            result.incomplete = true;
        if (m.bytes < 1) {
            if (m.unreadable)
                result.incomplete = true;
            continue;
        }
        ScanItem item;
        item.url = of / names[i];
        const QString childName = FileSystem::displayName(names[i]);
        item.name = label ? *label + QStringLiteral(" \u00B7 ") + childName : childName;
        item.bytes = m.bytes;
        item.modified = m.modified;
        item.isSelected = selected;
        result.items.push_back(std::move(item));
    }
    std::stable_sort(result.items.begin(), result.items.end(),
                     [](const ScanItem& a, const ScanItem& b) { return a.bytes > b.bytes; });
    return result;
}

} // namespace qm
