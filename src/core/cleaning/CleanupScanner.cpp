#include "core/cleaning/CleanupScanner.h"

#include "core/cleaning/DirectoryWalk.h"
#include "core/cleaning/FileErrors.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
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

// Threads a large walk may use, the walker's own included: the walk is bound by system calls that
// scale with threads, while small folders never start more than the one walker thread.
int walkThreads()
{
    static const int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    return threads;
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
    const Result<void> outcome =
        DirectoryWalk(limits).run(request.root, state.stop.get_token(), visit, onError);
    if (!outcome && FileErrors::isPermissionDenied(outcome.error()))
        state.coverageHit.store(true, std::memory_order_relaxed);
}

} // namespace

CleanupScanner::CleanupScanner(FileSystem fileManager, Path home)
    : m_fileManager(std::move(fileManager)), m_home(std::move(home))
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

    const auto state = std::make_shared<WalkState>(walkThreads());
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                 std::chrono::duration<double>(std::min(deadline, kLongestDeadlineSeconds)));
    try {
        std::thread([request, state] {
            walk(*request, *state);
            {
                const std::lock_guard lock(state->mutex);
                state->done = true;
            }
            state->finished.notify_all();
        }).detach();
    } catch (const std::system_error&) {
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

} // namespace qm
