#pragma once

#include "platform/Result.h"
#include "platform/UniqueFd.h"

#include <QDateTime>
#include <QString>

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace qm {

// Paths are raw bytes: a name that is not valid UTF-8 still names the same file. Decode only
// for display (`displayName`).
using Path = std::filesystem::path;

// A file's identity on this machine: device and inode, as read without following links.
struct FileId
{
    quint64 device = 0;
    quint64 inode = 0;

    bool operator==(const FileId&) const = default;
    // "<device>:<inode>", both in plain decimal.
    QString toText() const;
};

// What tells a file from a later one that the file system gave the same device and inode after the
// first was gone: its birth time where the file system records one (statx, STATX_BTIME), and its
// inode generation where the file system hands one out (FS_IOC_GETVERSION; regular files and folders
// only). Either or both may be unknown; nothing is compared when both are.
struct FileBirth
{
    std::optional<qint64> bornAtNanoseconds; // birth time, nanoseconds since the epoch (UTC)
    std::optional<quint32> generation;

    bool operator==(const FileBirth&) const = default;
    // True when at least one of the two is known.
    bool known() const { return bornAtNanoseconds || generation; }
    // True when every mark this one knows is known to `now` with the same value, so `now` may be the
    // same file; a mark this one lacks is not looked at.
    bool matches(const FileBirth& now) const;
};

// What `lstat`/`stat` said about one file.
struct FileStatus
{
    FileId id;
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
    quint64 links = 0;
    qint64 size = 0;      // apparent size in bytes
    qint64 allocated = 0; // allocated bytes: st_blocks * 512
    QDateTime modified;   // content modification time, local time zone

    bool isDirectory() const;
    bool isSymlink() const;
    bool isRegular() const;
};

// The steps at which a test may interfere, each just before the act that a preceding check guards
// (List: just before a folder is opened for `list`).
enum class FsStep { Move, CreateExclusive, Remove, Open, List };

// The file-system seam: the POSIX calls every engine uses, with errors as values. Nothing here
// follows a final symbolic link unless its name says so, removal never follows links at any
// depth, and a move never replaces what exists at its destination. A value type; copies share
// the test hook.
class FileSystem
{
public:
    // Called with the step and the path about to be acted on, after the caller's checks and
    // before the system call. Tests use it to change the tree at exactly that moment.
    using Hook = std::function<void(FsStep step, const Path& path)>;

    FileSystem() = default;
    explicit FileSystem(Hook beforeAct);

    // The current user's home folder: $HOME when it is absolute, else the password database's.
    static Path homeDirectory();
    // The display text of a path or name; never use it to name a file again.
    static QString displayName(const Path& path);
    // Lexical clean-up: drops "." components and trailing slashes, collapses ".." against the
    // component before it (at the root it stays at the root). Reads nothing.
    static Path standardize(const Path& path);
    // `standardize`, then every component that exists and is a symbolic link is replaced by what
    // it points to; a remainder that does not exist is kept as it is. Never fails.
    static Path resolveLinks(const Path& path);

    // lstat: the link itself when the path names a symbolic link.
    Result<FileStatus> status(const Path& path) const;
    // `status` without the modification time, which stays null: for callers that need only the
    // type, size or identity, and not a local-time conversion per call (which takes a process-wide
    // lock, so threads examining files side by side wait for each other).
    Result<FileStatus> statusWithoutTime(const Path& path) const;
    // stat: follows links.
    Result<FileStatus> statusFollowingLinks(const Path& path) const;
    // The birth marks of the path itself (a final link is not followed: a link's own birth time, and
    // no generation). Reads the generation through a descriptor opened without blocking, and only
    // when the entry is a regular file or a folder that is still the entry examined (no device or FIFO
    // is ever opened). Fails only when the entry cannot be examined at all; no test hook step.
    Result<FileBirth> birth(const Path& path) const;
    // True when anything, a dangling link included, exists at the path.
    bool exists(const Path& path) const;
    // Opens a file for reading without following a final symbolic link (ELOOP), without blocking
    // on a FIFO or device and without taking a controlling terminal (O_RDONLY | O_NOFOLLOW |
    // O_NONBLOCK | O_NOCTTY | O_CLOEXEC). It does not check what it opened: callers fstat the
    // descriptor and compare its identity with what they examined before (test hook step: Open).
    Result<UniqueFd> openForReading(const Path& path) const;
    // Opens a regular file for reading through symbolic links, for questions about the file a link
    // names: it is found with O_PATH, must be a regular file (else EINVAL; a device or FIFO is never
    // opened), and is then opened through its descriptor without blocking or taking a controlling
    // terminal, as the same file (else ESTALE) (test hook step: Open).
    Result<UniqueFd> openFollowingLinks(const Path& path) const;

    // What a folder's entry says of its own type (a symbolic link is not followed). File systems
    // that keep no type in their entries say `unknown`, and only a status tells.
    enum class EntryType : std::uint8_t { unknown, folder, regularFile, symbolicLink, other };

    // The names of a folder's direct entries, hidden ones included, in the order the file system
    // gives them ("." and ".." left out). A final symbolic link is not followed (ELOOP/ENOTDIR).
    // At most `maxEntries` names are returned; `truncated` says when more were there.
    struct Listing
    {
        std::vector<Path> names;
        bool truncated = false;
        // Per name, in the same order: the type its entry gave when it was read, which saves a
        // status call per entry where a type is all that is needed. As of the reading only: the
        // entry may change before it is used.
        std::vector<EntryType> types;
    };
    Result<Listing> list(const Path& folder, std::size_t maxEntries = 1'000'000) const;

    // mkdir -p with mode 0777 less the umask; existing folders (also reached through links) are fine.
    Result<void> createDirectories(const Path& path) const;
    // Creates a new file that must not exist yet (O_EXCL, no link followed) with `contents`.
    Result<void> createExclusive(const Path& path, const QByteArray& contents, mode_t mode = 0600) const;
    // Moves without ever replacing: renameat2 with RENAME_NOREPLACE. Fails with EEXIST when the
    // destination exists, with EXDEV across file systems, and never falls back to copying.
    Result<void> moveNoReplace(const Path& from, const Path& to) const;
    // `moveNoReplace` of the entry `fromName` of the folder open as `fromFolder` to the entry `toName`
    // of the folder open as `toFolder` (both plain names), so nothing swapped in above either folder
    // can redirect the move. `shownAs` is the destination's path, for the test hook (step Move).
    Result<void> moveNoReplaceAt(int fromFolder, const Path& fromName, int toFolder, const Path& toName,
                                 const Path& shownAs) const;
    // Removes a file, a link (never its target) or a whole folder tree, working relative to
    // folder descriptors and never following a link. Goes on past entries it cannot remove and
    // returns the first error. Depth is bounded (ELOOP past 4096 levels). Never enters another mount:
    // a folder that is a mount point (bind mounts included) stays with everything in it (EXDEV). A
    // folder of the (non-root) caller that it could read but not write is given owner write permission
    // first, so read-only trees such as a Go module cache go too.
    Result<void> removeTree(const Path& path) const;
    // `removeTree` for `name`, a direct entry of the folder the caller holds open as `folder` (so no
    // path is looked up again and nothing swapped in above that folder can redirect the removal).
    // `shownAs` is the path the entry is known by, for the error text and the test hook.
    Result<void> removeTreeAt(int folder, const Path& name, const Path& shownAs) const;

private:
    void beforeAct(FsStep step, const Path& path) const;

    std::shared_ptr<const Hook> m_hook;
};

} // namespace qm
