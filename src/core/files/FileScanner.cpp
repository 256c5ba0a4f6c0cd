#include "core/files/FileScanner.h"

#include "core/cleaning/CleanupScanner.h"
#include "core/cleaning/FileErrors.h"
#include "core/files/LargeFileList.h"
#include "platform/Processors.h"
#include "platform/SystemClock.h"

#include <QRandomGenerator64>

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_set>

namespace qm {
namespace {

// Descriptors kept free for the rest of the process while walks run.
constexpr rlim_t kReservedDescriptors = 128;
// A walking thread holds at most maxOpenFolders folders, one more while it opens the next, and one a
// helper waits to take from it.
constexpr int kDescriptorsBeyondFolders = 2;

// Folder descriptors each of `threads` walking threads may hold so that all of them at once stay below
// the descriptor limit. When even two each would not fit, the soft limit is raised towards the hard one
// first (an unprivileged process may do that); whatever the limit, a thread keeps at least two.
int foldersPerThread(int threads)
{
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 2;
    const rlim_t least = rlim_t(threads) * (2 + kDescriptorsBeyondFolders);
    const rlim_t reserve = std::min(kReservedDescriptors, limit.rlim_cur / 4);
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < reserve + least &&
        limit.rlim_max > limit.rlim_cur) {
        struct rlimit raised = limit;
        raised.rlim_cur = std::min(limit.rlim_max, kReservedDescriptors + least);
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
            limit = raised;
    }
    if (limit.rlim_cur == RLIM_INFINITY)
        return 64;
    const rlim_t usable = limit.rlim_cur > reserve ? limit.rlim_cur - reserve : 0;
    const rlim_t each = usable / rlim_t(std::max(threads, 1));
    return int(
        std::clamp<rlim_t>(each > kDescriptorsBeyondFolders ? each - kDescriptorsBeyondFolders : 0, 2, 64));
}

struct FileIdHash
{
    std::size_t operator()(const FileId& id) const noexcept
    {
        return std::hash<quint64>()(id.inode * 0x9E3779B97F4A7C15ull ^ id.device);
    }
};

// The hard-link keys of one subtree sizing, safe to fill from all of its walking threads; sharded so
// that they rarely wait for each other.
class KeySet
{
public:
    // True when the key is new.
    bool insert(const FileId& id)
    {
        Shard& shard = m_shards[FileIdHash()(id) % m_shards.size()];
        const std::lock_guard lock(shard.mutex);
        return shard.keys.insert(id).second;
    }

private:
    struct alignas(64) Shard
    {
        std::mutex mutex;
        std::unordered_set<FileId, FileIdHash> keys;
    };
    std::array<Shard, 16> m_shards;
};

struct alignas(64) Total
{
    qint64 bytes = 0;
};

// Random (version 4) identifiers from a generator seeded once from the system's source: as unique as
// QUuid::createUuid's, without a call to the system source for each of up to 200,000 entries (which
// alone would cost a search about as much as its walk).
class IdSource
{
public:
    QUuid next()
    {
        const quint64 high = m_random.generate64();
        const quint64 low = m_random.generate64();
        return QUuid(uint(high >> 32), ushort(high >> 16), ushort((high & 0x0FFF) | 0x4000),
                     uchar(((low >> 56) & 0x3F) | 0x80), uchar(low >> 48), uchar(low >> 40), uchar(low >> 32),
                     uchar(low >> 24), uchar(low >> 16), uchar(low >> 8), uchar(low));
    }

private:
    QRandomGenerator64 m_random = QRandomGenerator64::securelySeeded();
};

// Whether a modification time (nanoseconds since the epoch) is at or before a cutoff given in
// milliseconds, exactly and for any cutoff QDateTime can hold.
bool notLaterThan(qint64 modifiedNs, qint64 cutoffMs)
{
    qint64 ms = modifiedNs / 1'000'000;
    qint64 rest = modifiedNs % 1'000'000;
    if (rest < 0) {
        --ms;
        rest += 1'000'000;
    }
    return ms < cutoffMs || (ms == cutoffMs && rest == 0);
}

std::string_view lastComponent(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

} // namespace

// What every walk of one sizing operation shares.
struct FileScanner::Operation
{
    DirectoryWalk::Limits limits;
    DirectoryWalk::Shared shared;
};

// One listed child waiting to be sized.
struct FileScanner::Child
{
    std::string path;
    std::size_t nameOffset = 0;
    DirectoryWalk::Status status;
};

FileScanner::FileScanner(Services services) : m_services(std::move(services))
{
    if (m_services.home.empty())
        m_services.home = FileSystem::homeDirectory();
    if (m_services.systemRoot.empty())
        m_services.systemRoot = "/";
    // Plain string joins: a root given as "/" must give "/usr", never "//usr".
    const auto below = [](const Path& base, std::string_view rest) {
        std::string path = base.native();
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        if (path == "/")
            path.clear();
        return path + std::string(rest);
    };
    const Places places = m_services.places
                              ? *m_services.places
                              : CleanupScanner::placesOf(m_services.home, m_services.systemRoot);
    m_libraryRoots = {places.configHome().native(),  places.dataHome().native(),
                      places.cacheHome().native(),   places.stateHome().native(),
                      below(places.home(), "/.var"), below(m_services.systemRoot, "/usr")};
}

const std::set<std::string, std::less<>>& FileScanner::packageExtensions()
{
    static const std::set<std::string, std::less<>> extensions{
        "app",           "photoslibrary", "framework", "bundle", "plugin", "kext",
        "imovielibrary", "tvlibrary",     "fcpbundle", "logicx", "band"};
    return extensions;
}

int FileScanner::defaultWidth()
{
    return std::max(4, 4 * Processors::count());
}

int FileScanner::width() const
{
    return m_services.width > 0 ? m_services.width : defaultWidth();
}

std::optional<FileScanner::Meta> FileScanner::meta(const Path& path) const
{
    struct stat st;
    if (path.empty() || ::lstat(path.c_str(), &st) != 0)
        return std::nullopt;
    return meta(path.native(), DirectoryWalk::Status::of(st));
}

FileScanner::Meta FileScanner::meta(std::string_view path, const DirectoryWalk::Status& status) const
{
    Meta m;
    m.isRegular = status.isRegular();
    m.isDirectory = status.isDirectory();
    m.isDataless = m_services.isDataless && m_services.isDataless(path, status);
    m.allocatedBytes = status.allocated;
    m.logicalBytes = status.size;
    // Dates keep milliseconds; the walk's nanoseconds are cut, never rounded up past the real time.
    qint64 ms = status.modifiedNs / 1'000'000;
    if (status.modifiedNs % 1'000'000 < 0)
        --ms;
    m.modified = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    m.linkCount = status.links;
    m.dev = status.device;
    m.ino = status.inode;
    return m;
}

FileScanner::Filter FileScanner::filter(std::string_view path, std::stop_token stop) const
{
    if (stop.stop_requested())
        return Filter::End;
    return isPruned(path) ? Filter::Prune : Filter::Visit;
}

bool FileScanner::isPruned(std::string_view path) const
{
    const std::string_view name = lastComponent(path);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0 && dot + 1 < name.size()) {
        std::string extension(name.substr(dot + 1));
        for (char& c : extension) {
            if (c >= 'A' && c <= 'Z')
                c = char(c - 'A' + 'a');
        }
        if (packageExtensions().count(extension))
            return true;
    }
    return std::find(m_libraryRoots.begin(), m_libraryRoots.end(), path) != m_libraryRoots.end();
}

Result<void> FileScanner::walk(const Path& root, DeniedFlag& denied, std::stop_token stop,
                               const DirectoryWalk::Visitor& visit, int threads) const
{
    DirectoryWalk::Limits limits;
    limits.threads = std::max(threads, 1);
    if (limits.threads > 1)
        limits.maxOpenFolders = foldersPerThread(limits.threads);
    limits.sortedNames = true;
    limits.followRootLink = true;
    DirectoryWalk::Shared shared;
    if (m_services.mounts)
        shared.mounts = std::make_shared<const MountTable>(m_services.mounts());
    const auto skipHidden = [&](const DirectoryWalk::Entry& entry) {
        if (entry.name.front() == '.')
            return DirectoryWalk::Action::SkipChildren;
        return visit(entry);
    };
    const auto onError = [&](std::string_view, const Error& error) {
        if (FileErrors::isPermissionDenied(error))
            denied.hit.store(true, std::memory_order_relaxed);
    };
    return DirectoryWalk(limits, shared).run(root, std::move(stop), skipHidden, onError);
}

FileScanner::LargeFiles FileScanner::scanLargeFiles(const Path& root, qint64 minBytes,
                                                    std::optional<int> olderThanMonths,
                                                    const VisitSink& progress, std::stop_token stop) const
{
    // The present moment is read once; the months are calendar months of local time, and QDateTime
    // clamps a day past the end of a shorter month to its last day (31 May less 3 months is the end
    // of February).
    std::optional<qint64> cutoffMs;
    if (olderThanMonths && *olderThanMonths > 0) {
        // Qt's local-time month arithmetic wraps somewhere past a few million years and may then land in
        // the future, passing every file; a million years back is already before any date a file carries.
        constexpr int kMostMonths = 12'000'000;
        const QDateTime now = m_services.clock ? m_services.clock->now() : SystemClock().now();
        const QDateTime cutoff = now.toLocalTime().addMonths(-std::min(*olderThanMonths, kMostMonths));
        if (cutoff.isValid())
            cutoffMs = cutoff.toMSecsSinceEpoch();
    }

    LargeFileList list(std::size_t(m_services.maxLargeFileResults > 0 ? m_services.maxLargeFileResults
                                                                      : kMaxLargeFileResults));
    qint64 visited = 0;
    DeniedFlag denied;
    IdSource ids;
    const auto visit = [&](const DirectoryWalk::Entry& entry) {
        switch (filter(entry.path, stop)) {
        case Filter::End:
            return DirectoryWalk::Action::Stop;
        case Filter::Prune:
            return DirectoryWalk::Action::SkipChildren;
        case Filter::Visit:
            break;
        }
        if (++visited % 200 == 0 && progress)
            progress(visited);
        // The cheap tests on the walk's own status first; the entry is built only for a file kept.
        const DirectoryWalk::Status& status = entry.status;
        if (!status.isRegular() || status.size < minBytes)
            return DirectoryWalk::Action::Continue;
        if (cutoffMs && !notLaterThan(status.modifiedNs, *cutoffMs))
            return DirectoryWalk::Action::Continue;
        if (m_services.isDataless && m_services.isDataless(entry.path, status))
            return DirectoryWalk::Action::Continue;
        list.add(status.allocated, [&] {
            const Meta m = meta(entry.path, status);
            return FileEntry{.id = ids.next(),
                             .url = Path(entry.path),
                             .name = Path(entry.name),
                             .bytes = m.allocatedBytes,
                             .modified = m.modified,
                             .sharesInode = m.linkCount > 1};
        });
        return DirectoryWalk::Action::Continue;
    };
    if (!walk(root, denied, stop, visit))
        return {{}, true};
    const bool capped = list.capped();
    return {list.sorted(), capped || denied.hit.load(std::memory_order_relaxed)};
}

int FileScanner::hashThreads() const
{
    return m_services.hashThreads > 0 ? m_services.hashThreads : Processors::count();
}

void FileScanner::checkpoint(Checkpoint point, qint64 index) const
{
    if (m_services.hook)
        m_services.hook(point, index);
}

bool FileScanner::streamChildren(const Path& folder, const EntrySink& onEntry, const ProgressSink& onProgress,
                                 std::stop_token stop) const
{
    const auto progress = [&](qint64 measured, qint64 total) {
        if (onProgress)
            onProgress(measured, total);
    };

    // One mount table for the listing and every child's walk.
    Operation op;
    op.shared.mounts =
        std::make_shared<const MountTable>(m_services.mounts ? m_services.mounts() : MountTable::current());

    // The listing: the folder's direct children, hidden ones left out, sorted by name, each with the one
    // status the sizing then decides by. Cancellation is tested at every 500th child.
    const std::string& root = folder.native();
    const std::size_t prefixLength = !root.empty() && root.back() == '/' ? root.size() : root.size() + 1;
    std::vector<Child> work;
    qint64 listed = 0;
    bool cancelled = false;
    bool listingFailed = false;
    DirectoryWalk::Limits listing;
    listing.sortedNames = true;
    listing.followRootLink = true;
    const auto list = [&](const DirectoryWalk::Entry& entry) {
        if (entry.name.front() == '.')
            return DirectoryWalk::Action::SkipChildren;
        if (listed % 500 == 0) {
            checkpoint(Checkpoint::Listing, listed);
            if (stop.stop_requested()) {
                cancelled = true;
                return DirectoryWalk::Action::Stop;
            }
        }
        ++listed;
        if (m_services.isDataless && m_services.isDataless(entry.path, entry.status))
            return DirectoryWalk::Action::SkipChildren;
        work.push_back(Child{std::string(entry.path), entry.path.size() - entry.name.size(), entry.status});
        return DirectoryWalk::Action::SkipChildren;
    };
    const auto listingError = [&](std::string_view path, const Error&) {
        // A child whose status cannot be read is left out; only the folder's own failure counts.
        if (path.size() <= prefixLength)
            listingFailed = true;
    };
    const Result<void> listedOk = DirectoryWalk(listing, op.shared).run(folder, {}, list, listingError);
    if (cancelled)
        return false;
    if (!listedOk || listingFailed) {
        progress(0, 0);
        return true;
    }

    const qint64 n = qint64(work.size());
    progress(0, n);
    if (n == 0)
        return false;

    // Walking threads: one per sizing at once, plus helpers that large children borrow from one budget.
    const int w = width();
    const int sizers = int(std::min<qint64>(n, w));
    const int helpers = Processors::count();
    op.limits.threads = m_services.walkThreads > 0 ? m_services.walkThreads : std::min(helpers, 4) + 1;
    op.shared.helpers = std::make_shared<DirectoryWalk::HelperBudget>(op.limits.threads > 1 ? helpers : 0);
    op.limits.maxOpenFolders = foldersPerThread(sizers + op.shared.helpers->available());

    // Sizings start in list order; each finished one, once collected, lets the next one start, so at
    // most w run at once. Results come back to this thread in completion order.
    std::mutex mutex;
    std::condition_variable started;  // a worker may take the next item
    std::condition_variable finished; // a result waits
    qint64 next = 0;
    qint64 permits = sizers;
    bool quit = false;
    std::deque<std::optional<SizedEntry>> results;

    const auto sizeOne = [&](qint64 index) {
        checkpoint(Checkpoint::Sizing, index);
        std::optional<SizedEntry> entry = sizeChild(work[std::size_t(index)], op, stop);
        checkpoint(Checkpoint::SizingEnded, index);
        return entry;
    };
    const auto workLoop = [&] {
        for (;;) {
            qint64 index = 0;
            {
                std::unique_lock lock(mutex);
                started.wait(lock, [&] { return quit || (permits > 0 && next < n); });
                if (quit)
                    return;
                index = next++;
                --permits;
            }
            std::optional<SizedEntry> entry = sizeOne(index);
            {
                const std::lock_guard lock(mutex);
                results.push_back(std::move(entry));
            }
            finished.notify_one();
        }
    };

    std::vector<std::jthread> workers;
    workers.reserve(std::size_t(sizers));
    for (int i = 0; i < sizers; ++i) {
        try {
            workers.emplace_back(workLoop);
        } catch (const std::system_error&) {
            break;
        }
    }
    const auto stopWorkers = [&] {
        {
            const std::lock_guard lock(mutex);
            quit = true;
        }
        started.notify_all();
        workers.clear(); // joins: each ends its sizing first (cancelled walks end at their next entry)
    };

    for (qint64 measured = 0; measured < n;) {
        std::optional<SizedEntry> entry;
        if (workers.empty()) {
            // No thread could be started: size here, one child after another.
            entry = sizeOne(next++);
        } else {
            std::unique_lock lock(mutex);
            finished.wait(lock, [&] { return !results.empty(); });
            entry = std::move(results.front());
            results.pop_front();
        }
        checkpoint(Checkpoint::Collecting, measured);
        if (stop.stop_requested()) {
            stopWorkers();
            return false;
        }
        ++measured;
        if (entry && onEntry)
            onEntry(*entry);
        progress(measured, n);
        if (!workers.empty()) {
            {
                const std::lock_guard lock(mutex);
                ++permits;
            }
            started.notify_one();
        }
    }
    stopWorkers();
    return false;
}

std::optional<SizedEntry> FileScanner::sizeChild(const Child& child, const Operation& op,
                                                 std::stop_token stop) const
{
    if (stop.stop_requested())
        return std::nullopt;
    SizedEntry entry;
    entry.url = child.path;
    entry.name = child.path.substr(child.nameOffset);
    if (child.status.isDirectory()) {
        const Subtree size = subtreeSize(child, op, stop);
        if (size.bytes <= 0 && !size.unreadable)
            return std::nullopt;
        entry.bytes = size.bytes;
        entry.isDirectory = true;
        entry.unreadable = size.unreadable;
        return entry;
    }
    if (child.status.allocated < 1)
        return std::nullopt;
    entry.bytes = child.status.allocated;
    return entry;
}

FileScanner::Subtree FileScanner::subtreeSize(const Child& child, const Operation& op,
                                              std::stop_token stop) const
{
    if (m_services.isDataless && m_services.isDataless(child.path, child.status))
        return {};
    if (!child.status.isDirectory())
        return {child.status.allocated, false};

    DeniedFlag denied;
    KeySet keys;
    std::vector<Total> totals(std::size_t(std::max(op.limits.threads, 1)));
    const auto visit = [&](const DirectoryWalk::Entry& entry) {
        const DirectoryWalk::Status& status = entry.status;
        if (m_services.isDataless && m_services.isDataless(entry.path, status))
            return DirectoryWalk::Action::Continue;
        // A second name of an inode met before in this child adds nothing (folders too: a bind mount
        // shows one folder twice).
        if (status.links >= 2 && !keys.insert(FileId{status.device, status.inode}))
            return DirectoryWalk::Action::Continue;
        totals[std::size_t(entry.worker)].bytes += status.allocated;
        return DirectoryWalk::Action::Continue;
    };
    const auto onError = [&](std::string_view, const Error& error) {
        if (FileErrors::isPermissionDenied(error))
            denied.hit.store(true, std::memory_order_relaxed);
    };
    // The child itself is never followed through a link: the listing saw a folder, and a link put in
    // its place since is not entered.
    const Result<void> walked =
        DirectoryWalk(op.limits, op.shared).run(child.path, std::move(stop), visit, onError);
    if (!walked) {
        // Gone since the listing: nothing to show, as for a child whose status cannot be read.
        if (walked.error().code() == ENOENT)
            return {};
        return {0, true};
    }
    qint64 total = 0;
    for (const Total& t : totals)
        total += t.bytes;
    return {total, total == 0 && denied.hit.load(std::memory_order_relaxed)};
}

} // namespace qm
