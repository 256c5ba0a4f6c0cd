#include "platform/BoundedReader.h"

#include "platform/UniqueFd.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <string>

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

} // namespace

Result<QByteArray> readBounded(const std::filesystem::path& path, qint64 maxBytes)
{
    if (maxBytes < 0) {
        return failure(EINVAL, QStringLiteral("Negative read limit for"), path);
    }
    // Nothing is opened for reading before it is known to be a regular file: an O_PATH descriptor
    // looks at the entry without opening the object behind it, so a device's open routine never runs
    // and a FIFO's writer is never woken. With O_NOFOLLOW a final link is held as the link itself.
    const UniqueFd entry(::open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
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
    if (info.st_size > maxBytes) {
        return failure(EFBIG, QStringLiteral("Larger than its read limit:"), path);
    }

    // Reopened for reading through the descriptor itself, so the very file inspected above is read
    // whatever has been renamed into its place since. O_NONBLOCK and O_NOCTTY guard against a
    // /proc that is not the kernel's; the identity check below turns away whatever such a one gives.
    const std::string reopenPath = "/proc/self/fd/" + std::to_string(entry.get());
    const UniqueFd fd(::open(reopenPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd) {
        return failure(errno, QStringLiteral("Cannot open"), path);
    }
    struct stat opened
    {
    };
    if (::fstat(fd.get(), &opened) != 0) {
        return failure(errno, QStringLiteral("Cannot inspect"), path);
    }
    if (opened.st_dev != info.st_dev || opened.st_ino != info.st_ino || !S_ISREG(opened.st_mode)) {
        return failure(ESTALE, QStringLiteral("Not the file that was inspected:"), path);
    }

    // One byte more than the cap may be read: its arrival is how a file that grew is noticed.
    const qint64 limit = std::min<qint64>(maxBytes, kLargestCap) + 1;
    QByteArray data;
    data.resize(std::min<qint64>(limit, std::max<qint64>(info.st_size + 1, kInitialChunk)));
    qint64 filled = 0;
    for (;;) {
        if (filled == data.size()) {
            if (data.size() >= limit) {
                break;
            }
            data.resize(std::min<qint64>(limit, data.size() * 2));
        }
        const ssize_t got = ::read(fd.get(), data.data() + filled, static_cast<size_t>(data.size() - filled));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return failure(errno, QStringLiteral("Cannot read"), path);
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    if (filled > maxBytes) {
        return failure(EFBIG, QStringLiteral("Grew beyond its read limit:"), path);
    }
    data.truncate(filled);
    data.squeeze();
    return data;
}

} // namespace qm
