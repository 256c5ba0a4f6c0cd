#include "platform/BoundedReader.h"

#include "platform/UniqueFd.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>

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
    // O_NOCTTY: opening a terminal device must never make it our controlling terminal before the
    // type check below turns it away. O_NONBLOCK keeps a FIFO without a writer from blocking here.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd) {
        return failure(errno, QStringLiteral("Cannot open"), path);
    }
    struct stat info
    {
    };
    if (::fstat(fd.get(), &info) != 0) {
        return failure(errno, QStringLiteral("Cannot inspect"), path);
    }
    if (S_ISDIR(info.st_mode)) {
        return failure(EISDIR, QStringLiteral("Not a regular file:"), path);
    }
    if (!S_ISREG(info.st_mode)) {
        return failure(EINVAL, QStringLiteral("Not a regular file:"), path);
    }
    if (info.st_size > maxBytes) {
        return failure(EFBIG, QStringLiteral("Larger than its read limit:"), path);
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
