#include "core/files/DuplicateFinder.h"

#include "core/model/Formatting.h"

#include <QUuid>

#include <algorithm>
#include <atomic>
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

struct Bucket
{
    qint64 logicalBytes = 0;
    std::vector<FileEntry> entries; // walk order
};

// What hashing one bucket left: its whole-content lists in the order they were filled.
struct BucketOutcome
{
    std::vector<std::pair<std::string, FileEntry>> hashed;
    bool hashFailed = false;
};

} // namespace

DuplicateFinder::DuplicateFinder(const FileScanner& scanner, Settings settings)
    : m_scanner(scanner), m_settings(std::move(settings))
{}

QString DuplicateFinder::progressText(qint64 logicalBytes)
{
    return QStringLiteral("Comparing files of ") + Formatting::byteCount(logicalBytes) + QChar(0x2026);
}

FileScanner::DuplicateSearch DuplicateFinder::run(const Path& root, qint64 minBytes,
                                                  const FileScanner::TextSink& progress,
                                                  std::stop_token stop) const
{
    FileScanner::DuplicateSearch result;

    // Stage 1: the walk, collecting regular files of at least minBytes into buckets by logical size.
    std::unordered_map<qint64, std::size_t> bucketIndex;
    std::vector<Bucket> buckets;
    qint64 candidates = 0;
    bool walkStopped = false;
    FileScanner::DeniedFlag denied;
    const auto visit = [&](const DirectoryWalk::Entry& entry) {
        if (stop.stop_requested())
            return DirectoryWalk::Action::Stop;
        if (candidates >= m_settings.maxCandidates) {
            walkStopped = true;
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
        FileEntry file;
        file.url = Path(std::string(entry.path));
        file.name = Path(std::string(lastComponent(entry.path)));
        file.bytes = meta.allocatedBytes;
        file.modified = meta.modified;
        file.sharesInode = meta.linkCount > 1;
        const auto [it, inserted] = bucketIndex.try_emplace(meta.logicalBytes, buckets.size());
        if (inserted)
            buckets.push_back(Bucket{meta.logicalBytes, {}});
        buckets[it->second].entries.push_back(std::move(file));
        ++candidates;
        return DirectoryWalk::Action::Continue;
    };
    if (!m_scanner.walk(root, denied, stop, visit)) {
        result.incomplete = true;
        return result;
    }
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
    const ContentHash hasher(m_settings.fileSystem);
    std::mutex progressMutex;
    std::vector<BucketOutcome> outcomes(work.size());
    std::atomic<std::size_t> next{0};
    const auto hashBucket = [&](const Bucket& bucket, BucketOutcome& outcome, ContentHash::Buffer& buffer) {
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
                if (!stop.stop_requested())
                    outcome.hashFailed = true;
                continue;
            }
            heads.append(*head, std::move(representative));
        }
        for (auto& [head, list] : heads.lists()) {
            if (list.size() < 2)
                continue;
            if (stop.stop_requested())
                return;
            for (FileEntry& entry : list) {
                if (stop.stop_requested())
                    break;
                const std::optional<std::string> whole = hasher.sha256(entry.url, std::nullopt, stop, buffer);
                if (!whole) {
                    if (!stop.stop_requested())
                        outcome.hashFailed = true;
                    continue;
                }
                outcome.hashed.emplace_back(*whole, std::move(entry));
            }
        }
    };
    const auto worker = [&] {
        ContentHash::Buffer buffer;
        for (;;) {
            if (stop.stop_requested())
                return;
            const std::size_t i = next.fetch_add(1, std::memory_order_relaxed);
            if (i >= work.size())
                return;
            hashBucket(*work[i], outcomes[i], buffer);
        }
    };
    {
        const std::size_t helpers =
            std::min<std::size_t>(std::size_t(std::max(m_settings.threads, 1)), work.size()) -
            (work.empty() ? 0 : 1);
        std::vector<std::jthread> threads;
        threads.reserve(helpers);
        for (std::size_t i = 0; i < helpers; ++i)
            threads.emplace_back(worker);
        worker();
    }

    // The content table, filled in bucket order as one thread would have filled it.
    bool hashFailed = false;
    OrderedLists contents;
    for (BucketOutcome& outcome : outcomes) {
        hashFailed = hashFailed || outcome.hashFailed;
        for (auto& [whole, entry] : outcome.hashed)
            contents.append(whole, std::move(entry));
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
