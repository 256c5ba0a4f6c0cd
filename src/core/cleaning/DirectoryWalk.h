#pragma once

#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/Result.h"

#include <sys/types.h>

#include <functional>
#include <stop_token>
#include <string_view>

namespace qm {

// The one bounded walk over a folder tree. It works relative to folder descriptors (getdents64,
// fstatat, openat), never follows a symbolic link (a link is reported as itself), never descends into a
// mount of a kernel pseudo file system (see MountTable; such a folder is reported but adds no entries
// and no error), keeps at most `maxOpenFolders` descriptors open per thread whatever the depth, and
// stops at `maxDepth`, at the visitor's request or when the stop token is triggered. Every entry is
// reported once with what fstatat said of it; an entry that cannot be examined and a folder that cannot
// be opened or read go to the error handler instead, with their errno, so callers can tell a permission
// denial from anything else. Entries of one folder come in the order the file system lists them, and a
// folder's sub-folders are walked after all of its entries; with several threads, different folders
// are walked at the same time and nothing is ordered across them. Synchronous: `run` returns when the
// walk has ended and every helper thread has been joined.
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
        // tree never starts a thread.
        int threads = 1;
        qint64 parallelAfterEntries = 2048;
    };

    DirectoryWalk() = default;
    explicit DirectoryWalk(Limits limits) : m_limits(limits) {}

    // Walks everything below the folder `root` (the root itself is not reported). Fails only when the
    // root cannot be opened as a folder without following a link; a root on a pseudo file system
    // succeeds with nothing reported. Returns early, successfully, when stopped.
    Result<void> run(const Path& root, std::stop_token stop, const Visitor& visit,
                     const ErrorHandler& onError) const;

    const Limits& limits() const { return m_limits; }

private:
    Limits m_limits;
};

} // namespace qm
