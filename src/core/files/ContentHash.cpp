#include "core/files/ContentHash.h"

#include "core/model/Sha256.h"

#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace qm {

ContentHash::Buffer::Buffer() : m_bytes(std::make_unique_for_overwrite<std::uint8_t[]>(kChunkBytes)) {}

std::optional<std::string> ContentHash::sha256(const Path& path, std::optional<qint64> limit,
                                               std::stop_token stop, Buffer& buffer) const
{
    if (path.empty())
        return std::nullopt;
    Result<UniqueFd> opened = m_fileSystem.openForReading(path);
    if (!opened)
        return std::nullopt;
    const UniqueFd fd = std::move(opened).value();
    struct stat st;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;

    Sha256 digest;
    qint64 hashed = 0;
    for (;;) {
        if (stop.stop_requested())
            return std::nullopt;
        qint64 want = kChunkBytes;
        if (limit) {
            want = std::min(want, *limit - hashed);
            if (want <= 0)
                break;
        }
        const ssize_t got = ::read(fd.get(), buffer.data(), std::size_t(want));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            break;
        digest.update(buffer.data(), std::size_t(got));
        hashed += got;
    }
    std::string text = digest.finish();
    if (text.empty())
        return std::nullopt;
    return text;
}

std::optional<std::string> ContentHash::sha256(const Path& path, std::optional<qint64> limit,
                                               std::stop_token stop) const
{
    Buffer buffer;
    return sha256(path, limit, std::move(stop), buffer);
}

std::optional<QString> ContentHash::inodeKey(const Path& path)
{
    struct stat st;
    if (path.empty() || ::lstat(path.c_str(), &st) != 0)
        return std::nullopt;
    return FileId{quint64(st.st_dev), quint64(st.st_ino)}.toText();
}

std::optional<QString> ContentHash::firstExtentOffset(const Path& path) const
{
    if (path.empty())
        return std::nullopt;
    // Read-only and non-blocking: a FIFO put in the file's place must not hold the search for good.
    Result<UniqueFd> opened = m_fileSystem.openFollowingLinks(path);
    if (!opened)
        return std::nullopt;
    const UniqueFd fd = std::move(opened).value();
    struct stat st;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;

    // The request with room for one extent after it.
    alignas(struct fiemap) unsigned char raw[sizeof(struct fiemap) + sizeof(struct fiemap_extent)] = {};
    auto* map = reinterpret_cast<struct fiemap*>(raw);
    map->fm_start = 0;
    map->fm_length = 1;
    map->fm_extent_count = 1;
    if (::ioctl(fd.get(), FS_IOC_FIEMAP, map) != 0)
        return std::nullopt; // ENOTTY or EOPNOTSUPP where the file system cannot say
    if (map->fm_mapped_extents != 1)
        return std::nullopt;
    const struct fiemap_extent& extent = map->fm_extents[0];
    constexpr quint32 kNoRealPlace = FIEMAP_EXTENT_UNKNOWN | FIEMAP_EXTENT_DELALLOC |
                                     FIEMAP_EXTENT_DATA_INLINE | FIEMAP_EXTENT_DATA_TAIL |
                                     FIEMAP_EXTENT_NOT_ALIGNED;
    if (extent.fe_logical != 0 || (extent.fe_flags & kNoRealPlace) != 0)
        return std::nullopt;
    return QString::number(quint64(st.st_dev)) + QLatin1Char(':') +
           QString::number(quint64(extent.fe_physical));
}

} // namespace qm
