#include "support/TempTree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace qm::test {
namespace {

[[noreturn]] void fail(int error, const char* operation, const fs::path& path)
{
    throw std::system_error(error, std::generic_category(), std::string(operation) + " " + path.native());
}

// Closes a descriptor on every way out of a scope.
class Fd
{
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

void mkdirParents(const fs::path& path)
{
    fs::path sofar;
    for (const fs::path& part : path) {
        sofar /= part;
        if (::mkdir(sofar.c_str(), 0755) == 0) {
            // The umask must not make a fixture folder untraversable for a dropped process.
            if (::chmod(sofar.c_str(), 0755) != 0)
                fail(errno, "chmod", sofar);
            continue;
        }
        const int error = errno;
        struct stat st
        {
        };
        if (error != EEXIST || ::stat(sofar.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            fail(error, "mkdir", sofar);
    }
}

void mkdirParentsOf(const fs::path& path)
{
    if (path.has_parent_path())
        mkdirParents(path.parent_path());
}

void writeAll(int fd, const char* data, size_t size, const fs::path& path)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            fail(errno, "write", path);
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
}

int createRegular(const fs::path& path)
{
    mkdirParentsOf(path);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        fail(errno, "open", path);
    if (::fchmod(fd, 0644) != 0) {
        const int error = errno;
        ::close(fd);
        fail(error, "fchmod", path);
    }
    return fd;
}

timespec toTimespec(const QDateTime& time)
{
    const qint64 ms = time.toMSecsSinceEpoch();
    qint64 seconds = ms / 1000;
    qint64 rest = ms % 1000;
    if (rest < 0) {
        rest += 1000;
        seconds -= 1;
    }
    return timespec{static_cast<time_t>(seconds), static_cast<long>(rest * 1000000)};
}

// Removes the entry `name` in the folder `parentFd` and, for a folder, everything below it. Nothing
// follows a symbolic link: entries are classified with lstat semantics and folders are opened with
// O_NOFOLLOW. A folder is first given mode 0700 so its owner can list and empty it.
bool removeEntry(int parentFd, const char* name)
{
    struct stat st
    {
    };
    if (::fstatat(parentFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(st.st_mode))
        return ::unlinkat(parentFd, name, 0) == 0;

    (void)::fchmodat(parentFd, name, 0700, 0);
    bool ok = true;
    {
        Fd dirFd(::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (dirFd.get() < 0)
            return false;
        // Names are collected first: removing while reading a directory stream may skip entries.
        std::vector<std::string> names;
        {
            const int listFd = ::dup(dirFd.get());
            DIR* dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
            if (dir == nullptr) {
                if (listFd >= 0)
                    ::close(listFd);
                return false;
            }
            while (const dirent* entry = ::readdir(dir)) {
                const std::string entryName = entry->d_name;
                if (entryName != "." && entryName != "..")
                    names.push_back(entryName);
            }
            ::closedir(dir);
        }
        for (const std::string& entryName : names)
            ok = removeEntry(dirFd.get(), entryName.c_str()) && ok;
    }
    return ::unlinkat(parentFd, name, AT_REMOVEDIR) == 0 && ok;
}

} // namespace

TempTree::TempTree()
{
    // Always /tmp, never $TMPDIR: the tree must be traversable by every user, which a private
    // temporary folder (or anything under /root) is not.
    char pattern[] = "/tmp/qm-test-XXXXXX";
    if (::mkdtemp(pattern) == nullptr)
        fail(errno, "mkdtemp", pattern);
    m_top = pattern;
    m_root = m_top;
    if (::chmod(m_root.c_str(), 0755) != 0)
        fail(errno, "chmod", m_root);
}

TempTree::TempTree(const fs::path& rootName) : TempTree()
{
    m_root = m_top / rootName;
    if (::mkdir(m_root.c_str(), 0755) != 0)
        fail(errno, "mkdir", m_root);
    if (::chmod(m_root.c_str(), 0755) != 0)
        fail(errno, "chmod", m_root);
}

TempTree::~TempTree()
{
    if (!removeEntry(AT_FDCWD, m_top.c_str()))
        std::fprintf(stderr, "TempTree: could not remove %s completely\n", m_top.c_str());
}

fs::path TempTree::path(const fs::path& relativeOrAbsolute) const
{
    return relativeOrAbsolute.is_absolute() ? relativeOrAbsolute : m_root / relativeOrAbsolute;
}

fs::path TempTree::file(const fs::path& relative, qint64 size, char fill)
{
    const fs::path full = path(relative);
    Fd fd(createRegular(full));
    const std::string chunk(64 * 1024, fill);
    for (qint64 left = size; left > 0;) {
        const size_t now = static_cast<size_t>(std::min<qint64>(left, static_cast<qint64>(chunk.size())));
        writeAll(fd.get(), chunk.data(), now, full);
        left -= static_cast<qint64>(now);
    }
    return full;
}

fs::path TempTree::fileWithContent(const fs::path& relative, QByteArrayView content)
{
    const fs::path full = path(relative);
    Fd fd(createRegular(full));
    writeAll(fd.get(), content.data(), static_cast<size_t>(content.size()), full);
    return full;
}

fs::path TempTree::fileWithMtime(const fs::path& relative, const QDateTime& mtime, qint64 size)
{
    const fs::path full = file(relative, size);
    setMtime(full, mtime);
    return full;
}

void TempTree::setMtime(const fs::path& relative, const QDateTime& mtime)
{
    const fs::path full = path(relative);
    const timespec times[2] = {toTimespec(mtime), toTimespec(mtime)};
    if (::utimensat(AT_FDCWD, full.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        fail(errno, "utimensat", full);
}

fs::path TempTree::folder(const fs::path& relative)
{
    const fs::path full = path(relative);
    mkdirParents(full);
    return full;
}

fs::path TempTree::symlink(const fs::path& target, const fs::path& link)
{
    const fs::path full = path(link);
    mkdirParentsOf(full);
    if (::symlink(target.c_str(), full.c_str()) != 0)
        fail(errno, "symlink", full);
    return full;
}

fs::path TempTree::hardLink(const fs::path& existing, const fs::path& link)
{
    const fs::path from = path(existing);
    const fs::path full = path(link);
    mkdirParentsOf(full);
    if (::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, full.c_str(), 0) != 0)
        fail(errno, "link", full);
    return full;
}

fs::path TempTree::sparseFile(const fs::path& relative, qint64 apparentSize)
{
    const fs::path full = path(relative);
    Fd fd(createRegular(full));
    if (::ftruncate(fd.get(), static_cast<off_t>(apparentSize)) != 0)
        fail(errno, "ftruncate", full);
    return full;
}

fs::path TempTree::fifo(const fs::path& relative)
{
    const fs::path full = path(relative);
    mkdirParentsOf(full);
    if (::mkfifo(full.c_str(), 0644) != 0)
        fail(errno, "mkfifo", full);
    if (::chmod(full.c_str(), 0644) != 0)
        fail(errno, "chmod", full);
    return full;
}

fs::path TempTree::nonUtf8Name()
{
    return fs::path(std::string("a\xff"));
}

fs::path TempTree::nonUtf8File(const fs::path& parent, qint64 size)
{
    return file(path(parent) / nonUtf8Name(), size);
}

fs::path TempTree::nonUtf8Folder(const fs::path& parent)
{
    return folder(path(parent) / nonUtf8Name());
}

void TempTree::chown(const fs::path& relative, uid_t uid, gid_t gid)
{
    const fs::path full = path(relative);
    if (::lchown(full.c_str(), uid, gid) != 0)
        fail(errno, "lchown", full);
}

void TempTree::chmod(const fs::path& relative, mode_t mode)
{
    const fs::path full = path(relative);
    struct stat st
    {
    };
    if (::lstat(full.c_str(), &st) != 0)
        fail(errno, "lstat", full);
    if (S_ISLNK(st.st_mode))
        fail(ELOOP, "chmod (symbolic link)", full);
    if (::chmod(full.c_str(), mode) != 0)
        fail(errno, "chmod", full);
}

} // namespace qm::test
