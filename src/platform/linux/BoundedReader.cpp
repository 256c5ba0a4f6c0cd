#include "platform/BoundedReader.h"

#include "platform/UniqueFd.h"
#include "platform/linux/InspectedOpen.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <string>
#include <utility>

namespace qm {

namespace {

QString displayName(const std::filesystem::path& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

Error failure(int errnoValue, const QString& what, const std::filesystem::path& path)
{
    return Error::posix(errnoValue, what + QLatin1Char(' ') + displayName(path));
}

// The error for an entry of type `mode` that is not read, or 0 for a regular file.
int refusalForType(mode_t mode)
{
    if (S_ISREG(mode)) {
        return 0;
    }
    if (S_ISLNK(mode)) {
        return ELOOP;
    }
    if (S_ISDIR(mode)) {
        return EISDIR;
    }
    // Opening a socket fails with ENXIO; it keeps that error although it is no longer opened.
    if (S_ISSOCK(mode)) {
        return ENXIO;
    }
    return EINVAL;
}

// What a read buffer starts with when the size from fstat says nothing (files in /proc report 0).
constexpr qint64 kInitialChunk = 64 * 1024;
// Keeps `cap + 1` representable as a QByteArray size; no real file comes near it.
constexpr qint64 kLargestCap = std::numeric_limits<qsizetype>::max() / 2;

// A descriptor open for reading on the regular file that was inspected, and its size at open.
struct OpenedFile
{
    UniqueFd fd;
    qint64 size = 0;
};

// Everything a bounded read does before its first byte: the type and size checks (the size only for
// a whole-file read) and the reopen through the inspected descriptor.
Result<OpenedFile> openForReading(const std::filesystem::path& path, qint64 maxBytes, ReadExtent extent,
                                  bool followFinalLink = false)
{
    if (maxBytes < 0) {
        return failure(EINVAL, QStringLiteral("Negative read limit for"), path);
    }
    // Nothing is opened for reading before it is known to be a regular file: an O_PATH descriptor
    // looks at the entry without opening the object behind it, so a device's open routine never runs
    // and a FIFO's writer is never woken. With O_NOFOLLOW a final link is held as the link itself.
    const UniqueFd entry(::open(path.c_str(), O_PATH | (followFinalLink ? 0 : O_NOFOLLOW) | O_CLOEXEC));
    if (!entry) {
        return failure(errno, QStringLiteral("Cannot open"), path);
    }
    struct stat info
    {
    };
    if (::fstat(entry.get(), &info) != 0) {
        return failure(errno, QStringLiteral("Cannot inspect"), path);
    }
    if (const int refusal = refusalForType(info.st_mode)) {
        return failure(refusal,
                       refusal == ELOOP ? QStringLiteral("Symbolic link:")
                                        : QStringLiteral("Not a regular file:"),
                       path);
    }
    if (extent == ReadExtent::whole && info.st_size > maxBytes) {
        return failure(EFBIG, QStringLiteral("Larger than its read limit:"), path);
    }

    // Reopened for reading through the descriptor itself, so the very file inspected above is read
    // whatever has been renamed into its place since.
    UniqueFd fd = InspectedOpen::reopen(entry, info);
    if (!fd) {
        const int error = errno;
        return failure(error,
                       error == ESTALE ? QStringLiteral("Not the file that was inspected:")
                                       : QStringLiteral("Cannot open"),
                       path);
    }
    return OpenedFile{std::move(fd), info.st_size};
}

// Reads into `buffer` until it is full or the file ends; the number of bytes read, or -1 with errno.
qint64 readFully(int fd, char* buffer, qint64 size)
{
    qint64 filled = 0;
    while (filled < size) {
        const ssize_t got = ::read(fd, buffer + filled, static_cast<size_t>(size - filled));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    return filled;
}

} // namespace

namespace {

Result<QByteArray> readOpened(Result<OpenedFile> opened, const std::filesystem::path& path, qint64 maxBytes,
                              ReadExtent extent)
{
    if (!opened) {
        return opened.error();
    }
    const int fd = opened->fd.get();

    // For a whole-file read one byte more than the cap may be read: its arrival is how a file that
    // grew is noticed. A prefix read stops at the cap.
    const qint64 cap = std::min<qint64>(maxBytes, kLargestCap);
    const qint64 limit = extent == ReadExtent::whole ? cap + 1 : cap;
    QByteArray data;
    data.resize(std::min<qint64>(limit, std::max<qint64>(opened->size + 1, kInitialChunk)));
    qint64 filled = 0;
    for (;;) {
        if (filled == data.size()) {
            if (data.size() >= limit) {
                break;
            }
            data.resize(std::min<qint64>(limit, data.size() * 2));
        }
        const qint64 got = readFully(fd, data.data() + filled, data.size() - filled);
        if (got < 0) {
            return failure(errno, QStringLiteral("Cannot read"), path);
        }
        filled += got;
        if (filled < data.size()) {
            break; // the end of the file
        }
    }
    if (filled > maxBytes) {
        return failure(EFBIG, QStringLiteral("Grew beyond its read limit:"), path);
    }
    data.truncate(filled);
    data.squeeze();
    return data;
}

} // namespace

Result<QByteArray> readBounded(const std::filesystem::path& path, qint64 maxBytes, ReadExtent extent)
{
    return readOpened(openForReading(path, maxBytes, extent), path, maxBytes, extent);
}

Result<QByteArray> readBoundedFollowingLinks(const std::filesystem::path& path, qint64 maxBytes)
{
    return readOpened(openForReading(path, maxBytes, ReadExtent::whole, true), path, maxBytes,
                      ReadExtent::whole);
}

Result<qsizetype> readBoundedInto(const std::filesystem::path& path, std::span<char> buffer,
                                  ReadExtent extent)
{
    const qint64 cap = static_cast<qint64>(buffer.size());
    Result<OpenedFile> opened = openForReading(path, cap, extent);
    if (!opened) {
        return opened.error();
    }
    const qint64 filled = readFully(opened->fd.get(), buffer.data(), cap);
    if (filled < 0) {
        return failure(errno, QStringLiteral("Cannot read"), path);
    }
    if (filled == cap && extent == ReadExtent::whole) {
        // A full buffer may be the whole file or the start of a longer one: one more byte decides.
        char extra = 0;
        const qint64 more = readFully(opened->fd.get(), &extra, 1);
        if (more < 0) {
            return failure(errno, QStringLiteral("Cannot read"), path);
        }
        if (more > 0) {
            return failure(EFBIG, QStringLiteral("Grew beyond its read limit:"), path);
        }
    }
    return static_cast<qsizetype>(filled);
}

} // namespace qm
