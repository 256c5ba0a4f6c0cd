#pragma once

#include "core/cleaning/DirectoryWalk.h"
#include "core/cleaning/MountTable.h"
#include "core/files/FileEntry.h"
#include "core/files/SizedEntry.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Places.h"
#include "platform/Result.h"

#include <QDateTime>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The file-walking engine of the file tools and the space lens: its configuration, the status summary
// every walk decides from (one lstat per entry, links never followed), the deep walk of the whole-tree
// searches with its filter, and the folder sizer `streamChildren`. A plain value: copy it freely and use
// it from any thread; it keeps no state between calls. Walks go through DirectoryWalk, so they reach
// paths longer than PATH_MAX, never enter a kernel pseudo file system (such a folder is met like an
// empty one) and are cancelled by the stop token passed in. Nothing here throws: what cannot be read is
// left out and shows in the operation's flag.
class FileScanner
{
public:
    // What one lstat said of an entry, reduced to what the walks decide by.
    struct Meta
    {
        bool isRegular = false;
        bool isDirectory = false;
        bool isDataless = false;           // a cloud placeholder whose content is not on this disk
        qint64 allocatedBytes = 0;         // st_blocks * 512
        qint64 logicalBytes = 0;           // st_size: the length of the content
        std::optional<QDateTime> modified; // always present: the content modification time
        quint64 linkCount = 0;
        quint64 dev = 0; // the full device number (written in full by FileId::toText, never cut to 32 bits)
        quint64 ino = 0;

        // The identity key "<device>:<inode>" shared by every hard link to one file.
        QString key() const { return FileId{dev, ino}.toText(); }
    };

    // Set when a walk met a folder or entry it had no permission to read (EACCES or EPERM, the
    // file domain's "no permission to read"). Shared by a walk and its error handler; safe to set from
    // several walking threads.
    struct DeniedFlag
    {
        std::atomic<bool> hit{false};
    };

    // Whether an entry is a cloud placeholder. Status records on this platform carry no such flag, so
    // the real test answers false; tests inject one to fake placeholders.
    using DatalessTest = std::function<bool(std::string_view path, const DirectoryWalk::Status& status)>;
    using MountSource = std::function<MountTable()>;

    // The points at which the sizer tests for cancellation, reported to the test hook just before the
    // test, with the index concerned: Listing every 500th listed child (0, 500, 1000, ...), Sizing before
    // each child's sizing (the child's index in the work list), Collecting after each finished sizing
    // (the number measured before it). SizingEnded is no test: it follows each child's sizing.
    enum class Checkpoint { Listing, Sizing, SizingEnded, Collecting };
    using Hook = std::function<void(Checkpoint point, qint64 index)>;

    // What a scanner is built with; every field left empty takes the real machine's value.
    struct Services
    {
        Path home;             // the user's home folder; empty: FileSystem::homeDirectory()
        Path systemRoot = "/"; // where "/usr" lies
        // Where the XDG homes of `home` lie; empty: CleanupScanner::placesOf(home, systemRoot).
        std::optional<Places> places;
        DatalessTest isDataless; // empty: nothing is a placeholder
        MountSource mounts;      // read once per operation; empty: MountTable::current()
        Hook hook;               // called from the sizer's threads; must be safe for that
        int width = 0;           // sizings at once; 0: defaultWidth()
        int walkThreads = 0;     // threads one child's walk may use; 0: a few, by the processor count
        std::shared_ptr<const Clock> clock; // the large-file search's present moment; empty: the system's
        int maxLargeFileResults = 0;        // the large-file search's cap; 0: kMaxLargeFileResults
        // The duplicate finder's (it walks with this scanner and reads these through `services`): opens
        // for hashing and shared-storage keys (tests hook FsStep::Open),
        // the source of shared-storage keys (empty: ContentHash::firstExtentOffset; tests fake clones),
        // its candidate cap (0: kMaxDuplicateCandidates), and the threads it walks and hashes with (0: one
        // per processor; `isDataless` is then called from several walking threads at once).
        FileSystem fileSystem;
        std::function<std::optional<QString>(const Path& path)> extentKey;
        int maxDuplicateCandidates = 0;
        int hashThreads = 0;
    };

    // Called with each sized child, and with (measured, total) progress, from the sizer's one
    // collecting thread (the caller's), never two at once.
    using EntrySink = std::function<void(const SizedEntry& entry)>;
    using ProgressSink = std::function<void(qint64 measured, qint64 total)>;

    // What the whole-tree searches do with one walked path (in the order they test it): End when
    // cancelled, Prune for a package (by its extension, any letter case) or one of the library roots
    // (the path and everything under it are left out), Visit otherwise.
    enum class Filter { End, Prune, Visit };

    // What the large-file search found: the files largest first, and whether the list is partial
    // (capped, or some folder could not be read or the root not opened).
    struct LargeFiles
    {
        std::vector<FileEntry> entries;
        bool incomplete = false;
    };
    // Called with the number of paths the large-file search has visited, every 200 of them.
    using VisitSink = std::function<void(qint64 visited)>;

    FileScanner() : FileScanner(Services{}) {}
    explicit FileScanner(Services services);

    // The configuration every creator gives.
    static constexpr quint32 kSfDataless = 0x40000000; // the placeholder flag of the platform it models
    static constexpr int kMaxDuplicateCandidates = 500'000;
    static constexpr int kMaxLargeFileResults = 200'000;
    // Extensions, lowercase and without the dot, of packages the whole-tree searches never enter.
    static const std::set<std::string, std::less<>>& packageExtensions();
    // Where applications keep their data and the system its programs: the config, data, cache and state
    // homes where the places put them, ~/.var, and root + "/usr", as plain path strings.
    const std::vector<std::string>& libraryRoots() const { return m_libraryRoots; }

    // max(4, 4 x the processors this process may run on).
    static int defaultWidth();
    // The number of sizings `streamChildren` runs at once.
    int width() const;
    // What the scanner was built with.
    const Services& services() const { return m_services; }
    // The threads the duplicate finder walks and hashes with: Services::hashThreads, or one per
    // processor this process may run on.
    int hashThreads() const;

    // lstat of `path` summarised; nothing when it fails (also for a path longer than PATH_MAX).
    std::optional<Meta> meta(const Path& path) const;
    // The same summary of a status a walk already read, without another system call.
    Meta meta(std::string_view path, const DirectoryWalk::Status& status) const;

    // The walk filter of the whole-tree searches for one path a walk yields (see Filter).
    Filter filter(std::string_view path, std::stop_token stop) const;
    // The pruning half of the filter alone, for a search that tests other things between cancellation
    // and pruning: true for a package extension (any letter case) and for a library root exactly.
    bool isPruned(std::string_view path) const;

    // The deep walk of the whole-tree searches: every entry below `root` (a final link of the root
    // itself is followed), names sorted as bytes in each folder so that the path met first is the same
    // on every run, one thread. Hidden entries (names starting with ".") and everything below them are
    // left out; nothing is pruned otherwise: the visitor applies `filter` and answers SkipChildren to
    // prune. A permission denial sets `denied` and the walk goes on. Fails only when the root cannot be
    // opened as a folder; a root on a pseudo file system gives nothing and succeeds.
    // With `threads` above 1, folders are walked side by side (see DirectoryWalk::Limits::threads): the
    // visitor is called from several threads at once and nothing is ordered across folders.
    Result<void> walk(const Path& root, DeniedFlag& denied, std::stop_token stop,
                      const DirectoryWalk::Visitor& visit, int threads = 1) const;

    // Sizes each non-hidden child of `folder`: exactly one onProgress(0, n) first, then for each finished
    // child its entry (if it has one) immediately followed by onProgress(m, n), m rising by one to n;
    // entries come in completion order. A folder child's bytes are the allocated bytes of everything
    // below it (hard links once per child, placeholders not counted, packages and hidden files
    // included, the folder's own blocks not); a folder child with nothing counted is left out unless a
    // permission denial left it unreadable; a file or link child gives its own allocation, or nothing
    // when that is 0. At most width() children are sized at once. A failed listing gives one
    // onProgress(0, 0) and true; everything else, cancellation included, returns false. A final link of
    // `folder` is followed; nothing below it is. Threads: the caller's collects, width() size, and large
    // children borrow helpers for their walk from one budget of one thread per processor. Descriptors:
    // each walking thread holds a share of the process's limit; only when even two folders each would
    // not fit is the soft limit raised towards the hard one.
    bool streamChildren(const Path& folder, const EntrySink& onEntry, const ProgressSink& onProgress,
                        std::stop_token stop = {}) const;

    // The large-file search: one walk of `root` (see `walk` and `filter`) listing the regular files
    // whose logical length is at least `minBytes`, each with its allocated bytes, its date and
    // `sharesInode` when it has more than one hard link. With `olderThanMonths` above 0 only files
    // modified at or before the cutoff count: the clock's present moment, read once, minus that many
    // calendar months in local time (a day past the end of a shorter month becomes its last day; more
    // than a million years count as a million). Sorted by bytes, largest first, equal sizes in list
    // order: the order the walk met them, except that a file which displaced another takes its place.
    // At most the cap's number of files are kept (a newcomer replaces the first of the smallest when it
    // is larger, see LargeFileList); a newcomer met with the list full marks it incomplete, as does a
    // permission denial or a root that cannot be opened as a folder (then the list is empty). `progress` gets
    // the visited count (folders, links and small files included, pruned paths not) at every multiple of 200,
    // on the calling thread. Cancellation returns what was found so far, sorted. Runs on the calling thread
    // only.
    LargeFiles scanLargeFiles(const Path& root, qint64 minBytes, std::optional<int> olderThanMonths,
                              const VisitSink& progress = {}, std::stop_token stop = {}) const;

private:
    struct Operation;
    struct Child;
    struct Subtree
    {
        qint64 bytes = 0;
        bool unreadable = false;
    };

    std::optional<SizedEntry> sizeChild(const Child& child, const Operation& op, std::stop_token stop) const;
    Subtree subtreeSize(const Child& child, const Operation& op, std::stop_token stop) const;
    void checkpoint(Checkpoint point, qint64 index) const;

    Services m_services;
    std::vector<std::string> m_libraryRoots;
};

} // namespace qm
