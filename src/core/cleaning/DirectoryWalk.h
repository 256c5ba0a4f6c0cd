#pragma once

#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/Result.h"

#include <sys/types.h>

struct stat;

#include <atomic>
#include <functional>
#include <memory>
#include <stop_token>
#include <string_view>

namespace qm {

class MountTable;

// The one bounded walk over a folder tree. It works relative to folder descriptors (getdents64,
// fstatat, openat), never follows a symbolic link (a link is reported as itself), never descends into a
// mount of a kernel pseudo file system (see MountTable; such a folder is reported but adds no entries
// and no error), keeps at most `maxOpenFolders` descriptors open per thread whatever the depth, and
// stops at `maxDepth`, at the visitor's request or when the stop token is triggered. Every entry is
// reported once with what fstatat said of it; an entry that cannot be examined and a folder that cannot
// be opened or read go to the error handler instead, with their errno, so callers can tell a permission
// denial from anything else. Entries of one folder come in the order the file system lists them (or
// sorted by their names' bytes, when asked), and a folder's sub-folders are walked after all of its
// entries, in the same order; with several threads, different folders are walked at the same time and
// nothing is ordered across them. Synchronous: `run` returns when the walk has ended and every helper
// thread has been joined.
class DirectoryWalk
{
public:
    // What fstatat (without following links) said about an entry.
    struct Status
    {
        mode_t mode = 0;
        quint64 device = 0;
        quint64 inode = 0;
        quint64 links = 0;
        uid_t owner = 0;
        gid_t group = 0;
        qint64 size = 0;       // apparent size in bytes
        qint64 allocated = 0;  // allocated bytes: st_blocks * 512
        qint64 modifiedNs = 0; // content modification time, nanoseconds since the epoch

        // The summary of a stat record. A time outside the years 1677 to 2262, which the nanosecond
        // count cannot hold, is held at that end of the range instead of wrapping round.
        static Status of(const struct stat& st);

        bool isDirectory() const;
        bool isSymlink() const;
        bool isRegular() const;
    };

    // One entry, valid only during the visitor's call.
    struct Entry
    {
        std::string_view path; // the root as given, then "/" and the relative path; raw bytes
        std::string_view name; // the last component
        int depth = 0;         // 1 for the root's direct entries
        int parentFd = -1;     // an open descriptor of the folder holding the entry
        int worker = 0;        // which thread reports it: 0 is the caller's, 1 .. threads - 1 helpers
        const Status& status;
    };

    enum class Action {
        Continue,     // go on; a folder will be walked
        SkipChildren, // go on, but do not walk this folder (no meaning for anything else)
        Stop          // end the whole walk now
    };

    using Visitor = std::function<Action(const Entry& entry)>;
    // `path` is the entry or folder concerned; `error` is a POSIX error with its errno.
    using ErrorHandler = std::function<void(std::string_view path, const Error& error)>;

    struct Limits
    {
        int maxDepth = 4096;     // entries deeper than this are not reported; such a folder is an ELOOP error
        int maxOpenFolders = 64; // descriptors held at once per thread; deeper folders are reopened via ".."
        // Threads walking at once, the caller's included. With more than one, the visitor and the error
        // handler are called from several threads at the same time and must be safe for that. Helpers
        // start only after the caller's thread has reported `parallelAfterEntries` entries, so a small
        // tree never starts a thread. An idle helper is handed the last sub-folder still waiting in the
        // shallowest folder a busy thread holds open, so each takes a large part of the tree at once.
        int threads = 1;
        qint64 parallelAfterEntries = 2048;
        // Report each folder's entries sorted by their names as raw bytes (and walk its sub-folders in
        // that order), so that with one thread the walk's order, and so "the path met first", is the
        // same on every run whatever order the file system lists in. Costs one vector of names per
        // folder while it is read.
        bool sortedNames = false;
        // Open the root through a final symbolic link (a listing or search of a linked folder). Only
        // the root: below it no link is ever followed.
        bool followRootLink = false;
        // With several threads, let idle helpers examine part of a large folder's entries (and walk
        // the sub-folders among them), so that one folder of many thousand entries is not examined by
        // one thread alone. The entries of such a folder are then not reported in listing order, nor
        // its sub-folders walked after all of its entries; for visitors that do not depend on order.
        bool splitLargeFolders = false;
    };

    // Helper threads that several walks at once draw from, so that w walks running side by side stay
    // within one bound of threads in all (each walk still asks for at most `Limits::threads - 1`). A
    // walk takes what is free when it decides to go parallel, looks again every 1024 entries while it
    // has fewer than it asked for, and gives everything back when it ends; it never waits for a thread.
    // Safe to share between threads.
    class HelperBudget
    {
    public:
        explicit HelperBudget(int threads) : m_free(threads < 0 ? 0 : threads) {}
        // Takes up to `wanted` threads; returns how many were taken (possibly 0).
        int take(int wanted);
        // Returns threads taken before.
        void give(int count) { m_free.fetch_add(count, std::memory_order_relaxed); }
        int available() const { return m_free.load(std::memory_order_relaxed); }

    private:
        std::atomic<int> m_free;
    };

    // What several walks of one operation share. Both are optional: without a mount table a run reads
    // the current one once, when it first meets another device (or a tmpfs root); without a budget a
    // run starts up to `Limits::threads - 1` helpers of its own.
    struct Shared
    {
        std::shared_ptr<const MountTable> mounts;
        std::shared_ptr<HelperBudget> helpers;
    };

    DirectoryWalk() = default;
    explicit DirectoryWalk(Limits limits, Shared shared = {}) : m_limits(limits), m_shared(std::move(shared))
    {}

    // Walks everything below the folder `root` (the root itself is not reported). Fails only when the
    // root cannot be opened as a folder (without following a final link unless `followRootLink`); a
    // root on a pseudo file system succeeds with nothing reported. Returns early, successfully, when
    // stopped.
    Result<void> run(const Path& root, std::stop_token stop, const Visitor& visit,
                     const ErrorHandler& onError) const;

    const Limits& limits() const { return m_limits; }

    // For tests: when set, called with a folder's path (raw bytes, no trailing "/") before the folder is
    // opened, by whichever thread walks it, so that a test can hold a walk as a hung system call would.
    // Process-wide; unset (null) it costs one atomic load per folder.
    using FolderHook = void (*)(std::string_view folder);
    static void setFolderHook(FolderHook hook);

private:
    Limits m_limits;
    Shared m_shared;
};

} // namespace qm
