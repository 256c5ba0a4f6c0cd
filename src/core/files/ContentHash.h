#pragma once

#include "platform/FileSystem.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

namespace qm {

// What the duplicate finder compares files by: a SHA-256 of a file's content (or of its first bytes),
// the identity of the file a path names, and where on its device a file's first byte lies. Each works on
// a path, keeps no state and gives nothing rather than failing; any number may run at once on
// different files (each thread with its own Buffer).
class ContentHash
{
public:
    // Bytes asked for per read, and the size of a Buffer.
    static constexpr qint64 kChunkBytes = 1'048'576;

    // One chunk's room, reused for every file a thread hashes.
    class Buffer
    {
    public:
        Buffer();
        std::uint8_t* data() const { return m_bytes.get(); }

    private:
        std::unique_ptr<std::uint8_t[]> m_bytes;
    };

    explicit ContentHash(FileSystem fileSystem = {}) : m_fileSystem(std::move(fileSystem)) {}

    // The SHA-256 of the file's content as 64 lowercase hex characters: of all of it without a limit,
    // of at most `limit` bytes with one (a limit of 0 hashes nothing and reads nothing). Refuses what
    // is not a regular file reached without following a final symbolic link (opened non-blocking, so a
    // FIFO or device never blocks), a failing read, and cancellation: the stop token is tested before
    // the first read and after every chunk of at most kChunkBytes. A short read is not the end.
    std::optional<std::string> sha256(const Path& path, std::optional<qint64> limit, std::stop_token stop,
                                      Buffer& buffer) const;
    // The same with a buffer of its own.
    std::optional<std::string> sha256(const Path& path, std::optional<qint64> limit,
                                      std::stop_token stop = {}) const;

    // "<device>:<inode>" of the path itself (lstat: a link is described, not followed), through
    // FileId::toText; nothing when lstat fails.
    static std::optional<QString> inodeKey(const Path& path);

    // "<device>:<physical offset>" of the file's first byte: the device from fstat of the file the path
    // names (links followed), the offset from FS_IOC_FIEMAP. Equal for hard links and for clones that
    // share their first block, different for independent copies. Nothing unless the open succeeds
    // (read-only, non-blocking, so a FIFO never blocks), fstat says regular file and exactly one
    // extent comes back that starts at byte 0 and is allocated and aligned (none of UNKNOWN, DELALLOC,
    // DATA_INLINE, DATA_TAIL, NOT_ALIGNED: data not yet written out reports no real place). File
    // systems without FIEMAP (tmpfs: ENOTTY or EOPNOTSUPP) give nothing.
    std::optional<QString> firstExtentOffset(const Path& path) const;

private:
    FileSystem m_fileSystem;
};

} // namespace qm
