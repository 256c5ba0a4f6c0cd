#include "core/files/DuplicateFinder.h"

#include "core/model/Formatting.h"

#include <QUuid>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qm {
namespace {

// Lists of entries under keys, the keys kept in the order they were first met, so that every walk over
// the table is the same on every run.
class OrderedLists
{
public:
    using List = std::vector<FileEntry>;

    void append(const std::string& key, FileEntry entry)
    {
        const auto [it, inserted] = m_index.try_emplace(key, m_lists.size());
        if (inserted)
            m_lists.emplace_back(key, List{});
        m_lists[it->second].second.push_back(std::move(entry));
    }

    std::vector<std::pair<std::string, List>>& lists() { return m_lists; }

private:
    std::unordered_map<std::string, std::size_t> m_index;
    std::vector<std::pair<std::string, List>> m_lists;
};

// The identity key of a path, or a fresh UUID when it has none, so that such an entry stays alone.
std::string identityKey(const Path& path)
{
    const std::optional<QString> key = ContentHash::inodeKey(path);
    return (key ? *key : QUuid::createUuid().toString()).toStdString();
}

std::string_view lastComponent(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Whether the walk meets the file at relative path `a` before the one at `b`: a folder's own entries in
// name order (names compared as unsigned bytes), then its sub-folders one by one in name order.
bool metEarlier(std::string_view a, std::string_view b)
{
    for (;;) {
        const std::size_t slashA = a.find('/');
        const std::size_t slashB = b.find('/');
        const std::string_view nameA = a.substr(0, slashA);
        const std::string_view nameB = b.substr(0, slashB);
        const bool leafA = slashA == std::string_view::npos;
        const bool leafB = slashB == std::string_view::npos;
        if (leafA != leafB)
            return leafA;
        if (leafA || nameA != nameB)
            return nameA < nameB;
        a.remove_prefix(slashA + 1);
        b.remove_prefix(slashB + 1);
    }
}

// A file the walk found, before it is put in its size bucket.
struct Candidate
{
    FileEntry entry;
    qint64 logicalBytes = 0;
};

struct Bucket
{
    qint64 logicalBytes = 0;
    std::vector<FileEntry> entries; // walk order
};

// One file whose whole content is hashed, and its digest once it is (nothing when it failed or was
// cancelled).
struct Slot
{
    std::optional<std::string> hash;
    FileEntry entry;
};

// What hashing one bucket left: the files of its head lists of two or more, in list order.
struct BucketOutcome
{
    std::vector<Slot> hashes;
};

// Tasks for a few threads, each with one chunk buffer; a task may queue more. `work` returns when the
// queue is empty and no task runs any more.
class TaskQueue
{
public:
    using Task = std::function<void(ContentHash::Buffer& buffer)>;

    void pushBack(std::vector<Task> tasks)
    {
        const std::lock_guard lock(m_mutex);
        for (Task& task : tasks)
            m_tasks.push_back(std::move(task));
        m_wake.notify_all();
    }

    // Puts `tasks` before everything queued, keeping their order.
    void pushFront(std::vector<Task> tasks)
    {
        const std::lock_guard lock(m_mutex);
        for (auto it = tasks.rbegin(); it != tasks.rend(); ++it)
            m_tasks.push_front(std::move(*it));
        m_wake.notify_all();
    }

    void work()
    {
        ContentHash::Buffer buffer;
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return !m_tasks.empty() || m_running == 0; });
            if (m_tasks.empty())
                return;
            Task task = std::move(m_tasks.front());
            m_tasks.pop_front();
            ++m_running;
            lock.unlock();
            task(buffer);
            lock.lock();
            if (--m_running == 0 && m_tasks.empty())
                m_wake.notify_all();
        }
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Task> m_tasks;
    int m_running = 0;
};

} // namespace

DuplicateFinder::DuplicateFinder(const FileScanner& scanner, Settings settings)
    : m_scanner(scanner), m_settings(std::move(settings))
{}

QString DuplicateFinder::progressText(qint64 logicalBytes)
{
    return QStringLiteral("Comparing files of ") + Formatting::byteCount(logicalBytes) + QChar(0x2026);
}

DuplicateFinder::Search DuplicateFinder::find(const FileScanner& scanner, const Path& root, qint64 minBytes,
                                              const TextSink& progress, std::stop_token stop)
{
    const FileScanner::Services& services = scanner.services();
    Settings settings;
    settings.fileSystem = services.fileSystem;
    settings.extentKey = services.extentKey;
    if (services.maxDuplicateCandidates > 0)
        settings.maxCandidates = services.maxDuplicateCandidates;
    settings.threads = scanner.hashThreads();
    return DuplicateFinder(scanner, std::move(settings)).run(root, minBytes, progress, std::move(stop));
}

DuplicateFinder::Search DuplicateFinder::run(const Path& root, qint64 minBytes, const TextSink& progress,
                                             std::stop_token stop) const
{
    Search result;

    // Stage 1: the walk, collecting regular files of at least minBytes. With several threads, folders
    // are walked side by side and the candidates then put back in the order one thread meets them; a
    // walk that reaches the candidate cap is done again on one thread, where the cap has its exact
    // meaning (it ends the walk at the first path met after the last candidate it allows).
    const int walkThreads = std::max(m_settings.threads, 1);
    std::vector<std::vector<Candidate>> found;
    std::atomic<qint64> candidates{0};
    std::atomic<bool> capReached{false};
    FileScanner::DeniedFlag denied;
    const auto walk = [&](int threads) {
        found.assign(std::size_t(threads), {});
        candidates = 0;
        capReached = false;
        denied.hit = false;
        const auto visit = [&](const DirectoryWalk::Entry& entry) {
            if (stop.stop_requested())
                return DirectoryWalk::Action::Stop;
            if (candidates.load(std::memory_order_relaxed) >= m_settings.maxCandidates) {
                capReached = true;
                return DirectoryWalk::Action::Stop;
            }
            if (m_scanner.isPruned(entry.path))
                return DirectoryWalk::Action::SkipChildren;
            const DirectoryWalk::Status& status = entry.status;
            if (!status.isRegular() || status.size < minBytes)
                return DirectoryWalk::Action::Continue;
            const FileScanner::Meta meta = m_scanner.meta(entry.path, status);
            if (meta.isDataless)
                return DirectoryWalk::Action::Continue;
            Candidate candidate;
            candidate.logicalBytes = meta.logicalBytes;
            FileEntry& file = candidate.entry;
            file.url = Path(std::string(entry.path));
            file.name = Path(std::string(lastComponent(entry.path)));
            file.bytes = meta.allocatedBytes;
            file.modified = meta.modified;
            file.sharesInode = meta.linkCount > 1;
            found[std::size_t(entry.worker)].push_back(std::move(candidate));
            candidates.fetch_add(1, std::memory_order_relaxed);
            return DirectoryWalk::Action::Continue;
        };
        return m_scanner.walk(root, denied, stop, visit, threads).ok();
    };
    bool walked = walk(walkThreads);
    if (walked && walkThreads > 1 && candidates.load() >= m_settings.maxCandidates)
        walked = walk(1);
    if (!walked) {
        result.incomplete = true;
        return result;
    }
    const bool walkStopped = capReached.load();
    std::vector<Candidate> inWalkOrder = std::move(found.front());
    for (std::size_t i = 1; i < found.size(); ++i)
        std::move(found[i].begin(), found[i].end(), std::back_inserter(inWalkOrder));
    found = {};
    if (walkThreads > 1) {
        const std::string& rootText = root.native();
        const std::size_t prefix = rootText.size() + (!rootText.empty() && rootText.back() == '/' ? 0 : 1);
        std::sort(inWalkOrder.begin(), inWalkOrder.end(), [prefix](const Candidate& a, const Candidate& b) {
            return metEarlier(std::string_view(a.entry.url.native()).substr(prefix),
                              std::string_view(b.entry.url.native()).substr(prefix));
        });
    }
    std::unordered_map<qint64, std::size_t> bucketIndex;
    std::vector<Bucket> buckets;
    for (Candidate& candidate : inWalkOrder) {
        const auto [it, inserted] = bucketIndex.try_emplace(candidate.logicalBytes, buckets.size());
        if (inserted)
            buckets.push_back(Bucket{candidate.logicalBytes, {}});
        buckets[it->second].entries.push_back(std::move(candidate.entry));
    }
    inWalkOrder = {};
    bucketIndex = {};

    // Only sizes with two or more candidates are read; the largest first, so that the long hashes start
    // early and the threads finish together.
    std::vector<Bucket*> work;
    for (Bucket& bucket : buckets) {
        if (bucket.entries.size() >= 2)
            work.push_back(&bucket);
    }
    std::stable_sort(work.begin(), work.end(),
                     [](const Bucket* a, const Bucket* b) { return a->logicalBytes > b->logicalBytes; });

    // Stages 2 and 3 per bucket: hard links collapsed, heads hashed, whole contents where heads match.
    // A bucket's text, collapse and head hashes run as one task; each whole-content hash it then needs
    // is a task of its own, put at the front of the queue so that the files of a bucket of large copies
    // are hashed side by side. Results go to fixed slots and are read in bucket and slot order.
    const ContentHash hasher(m_settings.fileSystem);
    std::mutex progressMutex;
    std::atomic<bool> hashFailed{false};
    std::vector<BucketOutcome> outcomes(work.size());
    TaskQueue queue;
    const auto failUnlessCancelled = [&] {
        if (!stop.stop_requested())
            hashFailed.store(true, std::memory_order_relaxed);
    };
    const auto hashBucket = [&](const Bucket& bucket, BucketOutcome& outcome, ContentHash::Buffer& buffer) {
        if (stop.stop_requested())
            return;
        if (progress) {
            const std::lock_guard lock(progressMutex);
            progress(progressText(bucket.logicalBytes));
        }
        OrderedLists identities;
        for (const FileEntry& entry : bucket.entries)
            identities.append(identityKey(entry.url), entry);
        OrderedLists heads;
        for (auto& [key, paths] : identities.lists()) {
            if (stop.stop_requested())
                break;
            FileEntry& representative = paths.front();
            const std::optional<std::string> head =
                hasher.sha256(representative.url, kHeadBytes, stop, buffer);
            if (!head) {
                failUnlessCancelled();
                continue;
            }
            heads.append(*head, std::move(representative));
        }
        for (auto& [head, list] : heads.lists()) {
            if (list.size() < 2)
                continue;
            for (FileEntry& entry : list)
                outcome.hashes.push_back(Slot{std::nullopt, std::move(entry)});
        }
        std::vector<TaskQueue::Task> tasks;
        tasks.reserve(outcome.hashes.size());
        for (Slot& slot : outcome.hashes) {
            tasks.push_back([&](ContentHash::Buffer& own) {
                if (stop.stop_requested())
                    return;
                slot.hash = hasher.sha256(slot.entry.url, std::nullopt, stop, own);
                if (!slot.hash)
                    failUnlessCancelled();
            });
        }
        queue.pushFront(std::move(tasks));
    };
    {
        std::vector<TaskQueue::Task> tasks;
        std::size_t files = 0;
        for (std::size_t i = 0; i < work.size(); ++i) {
            files += work[i]->entries.size();
            tasks.push_back(
                [&, i](ContentHash::Buffer& buffer) { hashBucket(*work[i], outcomes[i], buffer); });
        }
        queue.pushBack(std::move(tasks));
        const std::size_t threads =
            std::min<std::size_t>(std::size_t(std::max(m_settings.threads, 1)), files);
        std::vector<std::jthread> helpers;
        for (std::size_t i = 1; i < threads; ++i)
            helpers.emplace_back([&queue] { queue.work(); });
        queue.work();
    }

    // The content table, filled in bucket order as one thread would have filled it.
    OrderedLists contents;
    for (BucketOutcome& outcome : outcomes) {
        for (Slot& slot : outcome.hashes) {
            if (slot.hash)
                contents.append(*slot.hash, std::move(slot.entry));
        }
    }
    outcomes = {};

    // Stage 4: group assembly. No cancellation test: what was fully hashed is assembled.
    const ExtentKey extentKey =
        m_settings.extentKey
            ? m_settings.extentKey
            : ExtentKey([&hasher](const Path& path) { return hasher.firstExtentOffset(path); });
    for (auto& [whole, list] : contents.lists()) {
        if (list.size() < 2)
            continue;
        // Shared storage: a key two entries of this list share marks both; keys of other lists never
        // count, and an entry without a key is never marked this way.
        std::vector<std::optional<QString>> keys;
        keys.reserve(list.size());
        std::unordered_map<std::string, int> occurrences;
        for (const FileEntry& entry : list) {
            keys.push_back(extentKey(entry.url));
            if (keys.back())
                ++occurrences[keys.back()->toStdString()];
        }
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (!list[i].sharesInode && keys[i] && occurrences[keys[i]->toStdString()] >= 2)
                list[i].sharesInode = true;
        }
        // One path per file.
        std::vector<FileEntry> files;
        std::unordered_map<std::string, bool> seen;
        for (FileEntry& entry : list) {
            if (seen.try_emplace(identityKey(entry.url), true).second)
                files.push_back(std::move(entry));
        }
        if (files.size() < 2 ||
            std::all_of(files.begin(), files.end(), [](const FileEntry& f) { return f.sharesInode; }))
            continue;
        std::stable_sort(files.begin(), files.end(), [](const FileEntry& a, const FileEntry& b) {
            if (!a.modified || !b.modified)
                return !a.modified && b.modified;
            return *a.modified < *b.modified;
        });
        auto keeper =
            std::find_if(files.begin(), files.end(), [](const FileEntry& f) { return f.sharesInode; });
        if (keeper == files.end())
            keeper = files.begin();
        for (auto it = files.begin(); it != files.end(); ++it)
            it->isSelected = it == keeper ? false : !it->sharesInode;
        std::rotate(files.begin(), keeper, keeper + 1);
        DuplicateGroup group;
        group.hash = QString::fromLatin1(whole.data(), qsizetype(whole.size()));
        group.files = std::move(files);
        result.groups.push_back(std::move(group));
    }

    // Stage 5: largest reclaimable space first; equal ones keep their assembly order.
    std::vector<std::pair<qint64, std::size_t>> order;
    order.reserve(result.groups.size());
    for (std::size_t i = 0; i < result.groups.size(); ++i)
        order.emplace_back(result.groups[i].wastedBytes(), i);
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<DuplicateGroup> sorted;
    sorted.reserve(order.size());
    for (const auto& [wasted, i] : order)
        sorted.push_back(std::move(result.groups[i]));
    result.groups = std::move(sorted);

    result.incomplete = walkStopped || hashFailed || denied.hit.load(std::memory_order_relaxed);
    return result;
}

} // namespace qm
