#include "platform/FileSystem.h"

#include "platform/MayExist.h"
#include "platform/UniqueFd.h"
#include "platform/linux/InspectedOpen.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qm {
namespace {

constexpr int kMaxRemoveDepth = 4096;

FileStatus fromStatWithoutTime(const struct stat& st)
{
    FileStatus s;
    s.id = FileId{static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino)};
    s.mode = st.st_mode;
    s.owner = st.st_uid;
    s.group = st.st_gid;
    s.links = static_cast<quint64>(st.st_nlink);
    s.size = static_cast<qint64>(st.st_size);
    s.allocated = static_cast<qint64>(st.st_blocks) * 512;
    return s;
}

FileStatus fromStat(const struct stat& st)
{
    FileStatus s = fromStatWithoutTime(st);
    const qint64 ms = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1'000'000;
    s.modified = QDateTime::fromMSecsSinceEpoch(ms);
    return s;
}

QString describe(const Path& path)
{
    return FileSystem::displayName(path);
}

// True when the folder open as `inner` lies on the same mount as the one open as `outer`. Bind mounts of
// one file system share a device number, so the mount id decides where the kernel reports one; without
// statx the device has to do.
bool sameMount(int outer, int inner)
{
    struct statx a;
    struct statx b;
    if (::statx(outer, "", AT_EMPTY_PATH, STATX_MNT_ID, &a) == 0 &&
        ::statx(inner, "", AT_EMPTY_PATH, STATX_MNT_ID, &b) == 0) {
        if ((a.stx_mask & STATX_MNT_ID) && (b.stx_mask & STATX_MNT_ID))
            return a.stx_mnt_id == b.stx_mnt_id;
        return a.stx_dev_major == b.stx_dev_major && a.stx_dev_minor == b.stx_dev_minor;
    }
    struct stat outerSt;
    struct stat innerSt;
    return ::fstat(outer, &outerSt) == 0 && ::fstat(inner, &innerSt) == 0 && outerSt.st_dev == innerSt.st_dev;
}

// Removes the entry `name` inside the open folder `parent`, depth-first, never following links and
// never entering another mount (a folder mounted there, bind mounts included, fails with EXDEV and
// keeps what it holds).
int removeAt(int parent, const char* name, int depth)
{
    struct stat st;
    if (::fstatat(parent, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode))
        return ::unlinkat(parent, name, 0) == 0 ? 0 : errno;
    if (depth >= kMaxRemoveDepth)
        return ELOOP;

    int firstError = 0;
    {
        UniqueFd dir(::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!dir.valid())
            return errno;
        if (!sameMount(parent, dir.get()))
            return EXDEV;
        // A folder of ours without write permission (a Go module cache makes every folder read-only)
        // would keep its entries: it is being removed with everything in it, so it may be written.
        // Root needs no such change and makes none.
        struct stat dirStatus;
        const uid_t self = ::geteuid();
        if (self != 0 && ::fstat(dir.get(), &dirStatus) == 0 && dirStatus.st_uid == self &&
            (dirStatus.st_mode & (S_IWUSR | S_IXUSR)) != (S_IWUSR | S_IXUSR))
            (void)::fchmod(dir.get(), (dirStatus.st_mode & 07777) | S_IWUSR | S_IXUSR);
        // Collect names first: removing while reading a directory stream may skip entries.
        std::vector<std::string> children;
        {
            const int listFd = ::dup(dir.get());
            if (listFd < 0)
                return errno;
            DIR* stream = ::fdopendir(listFd);
            if (!stream) {
                const int err = errno;
                ::close(listFd);
                return err;
            }
            errno = 0;
            while (const dirent* entry = ::readdir(stream)) {
                if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                    children.emplace_back(entry->d_name);
            }
            if (errno != 0)
                firstError = errno;
            ::closedir(stream);
        }
        for (const std::string& child : children) {
            const int err = removeAt(dir.get(), child.c_str(), depth + 1);
            if (err != 0 && firstError == 0)
                firstError = err;
        }
    }
    if (::unlinkat(parent, name, AT_REMOVEDIR) != 0 && firstError == 0)
        firstError = errno;
    return firstError;
}

// The type a directory entry gives.
FileSystem::EntryType entryType(unsigned char type)
{
    switch (type) {
    case DT_DIR:
        return FileSystem::EntryType::folder;
    case DT_REG:
        return FileSystem::EntryType::regularFile;
    case DT_LNK:
        return FileSystem::EntryType::symbolicLink;
    case DT_UNKNOWN:
        return FileSystem::EntryType::unknown;
    default:
        return FileSystem::EntryType::other;
    }
}

} // namespace

QString FileId::toText() const
{
    return QString::number(device) + QLatin1Char(':') + QString::number(inode);
}

bool FileStatus::isDirectory() const
{
    return S_ISDIR(mode);
}

bool FileStatus::isSymlink() const
{
    return S_ISLNK(mode);
}

bool FileStatus::isRegular() const
{
    return S_ISREG(mode);
}

FileSystem::FileSystem(Hook beforeAct) : m_hook(std::make_shared<const Hook>(std::move(beforeAct))) {}

void FileSystem::beforeAct(FsStep step, const Path& path) const
{
    if (m_hook && *m_hook)
        (*m_hook)(step, path);
}

Path FileSystem::homeDirectory()
{
    const char* env = std::getenv("HOME");
    if (env && env[0] == '/')
        return Path(env);
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_dir)
        return Path(pw->pw_dir);
    return Path("/");
}

QString FileSystem::displayName(const Path& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

Path FileSystem::standardize(const Path& path)
{
    const bool absolute = path.is_absolute();
    std::vector<Path> parts;
    for (const Path& part : path) {
        const std::string& s = part.native();
        if (s.empty() || s == "/" || s == ".")
            continue;
        if (s == "..") {
            if (!parts.empty() && parts.back() != "..")
                parts.pop_back();
            else if (!absolute)
                parts.emplace_back("..");
            continue;
        }
        parts.push_back(part);
    }
    Path out = absolute ? Path("/") : Path();
    for (const Path& part : parts)
        out /= part;
    if (out.empty())
        out = absolute ? Path("/") : Path(".");
    return out;
}

Path FileSystem::resolveLinks(const Path& path)
{
    const Path clean = standardize(path);
    // Find the longest prefix that resolves; what lies below it does not exist (or cannot be
    // reached) and stays as written.
    Path prefix = clean;
    std::vector<Path> rest;
    while (true) {
        char buffer[PATH_MAX];
        if (::realpath(prefix.c_str(), buffer)) {
            Path out(buffer);
            for (auto it = rest.rbegin(); it != rest.rend(); ++it)
                out /= *it;
            return out;
        }
        if (!prefix.has_relative_path())
            return clean;
        rest.push_back(prefix.filename());
        prefix = prefix.parent_path();
    }
}

Result<FileStatus> FileSystem::status(const Path& path) const
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return Error::posix(errno, describe(path));
    return fromStat(st);
}

Result<FileStatus> FileSystem::statusWithoutTime(const Path& path) const
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return Error::posix(errno, describe(path));
    return fromStatWithoutTime(st);
}

Result<FileStatus> FileSystem::statusFollowingLinks(const Path& path) const
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return Error::posix(errno, describe(path));
    return fromStat(st);
}

bool FileBirth::matches(const FileBirth& now) const
{
    return (!bornAtNanoseconds || bornAtNanoseconds == now.bornAtNanoseconds) &&
           (!generation || generation == now.generation);
}

Result<FileBirth> FileSystem::birth(const Path& path) const
{
    const UniqueFd entry(::open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct statx sx
    {
    };
    if (!entry.valid() ||
        ::statx(entry.get(), "", AT_EMPTY_PATH, STATX_TYPE | STATX_INO | STATX_BTIME, &sx) != 0)
        return Error::posix(errno, describe(path));
    FileBirth birth;
    if ((sx.stx_mask & STATX_BTIME) != 0)
        birth.bornAtNanoseconds = qint64(sx.stx_btime.tv_sec) * 1'000'000'000 + qint64(sx.stx_btime.tv_nsec);
    if (S_ISREG(sx.stx_mode) || S_ISDIR(sx.stx_mode)) {
        struct stat inspected
        {
        };
        if (::fstat(entry.get(), &inspected) == 0) {
            const UniqueFd opened = InspectedOpen::reopen(entry, inspected);
            // The kernel writes an int whatever the request's declared size.
            int generation = 0;
            if (opened.valid() && ::ioctl(opened.get(), FS_IOC_GETVERSION, &generation) == 0)
                birth.generation = quint32(generation);
        }
    }
    return birth;
}

bool FileSystem::exists(const Path& path) const
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool mayExist(const FileSystem& fileSystem, const Path& path)
{
    const Result<FileStatus> found = fileSystem.statusFollowingLinks(path);
    if (found)
        return true;
    const Error& error = found.error();
    return !(error.isPosix(ENOENT) || error.isPosix(ENOTDIR) || error.isPosix(ELOOP));
}

Result<UniqueFd> FileSystem::openForReading(const Path& path) const
{
    beforeAct(FsStep::Open, path);
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid()) {
        const int err = errno;
        return Error::posix(err, QStringLiteral("open ") + describe(path));
    }
    return fd;
}

Result<UniqueFd> FileSystem::openFollowingLinks(const Path& path) const
{
    beforeAct(FsStep::Open, path);
    // Found first without opening it, so a device or FIFO a link names is never opened (opening a
    // device runs its driver: a tape rewinds, a serial line rises); only a regular file is opened, and
    // only while it is still the file that was checked.
    const UniqueFd found(::open(path.c_str(), O_PATH | O_CLOEXEC));
    struct stat st;
    if (!found.valid() || ::fstat(found.get(), &st) != 0)
        return Error::posix(errno, QStringLiteral("open ") + describe(path));
    if (!S_ISREG(st.st_mode))
        return Error::posix(EINVAL, QStringLiteral("open ") + describe(path));
    UniqueFd fd = InspectedOpen::reopen(found, st);
    if (!fd.valid())
        return Error::posix(errno, QStringLiteral("open ") + describe(path));
    return fd;
}

Result<FileSystem::Listing> FileSystem::list(const Path& folder, std::size_t maxEntries) const
{
    beforeAct(FsStep::List, folder);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Error::posix(errno, describe(folder));
    DIR* stream = ::fdopendir(fd);
    if (!stream) {
        const int err = errno;
        ::close(fd);
        return Error::posix(err, describe(folder));
    }
    Listing listing;
    errno = 0;
    while (const dirent* entry = ::readdir(stream)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        if (listing.names.size() >= maxEntries) {
            listing.truncated = true;
            break;
        }
        listing.names.emplace_back(entry->d_name);
        listing.types.push_back(entryType(entry->d_type));
    }
    const int err = errno;
    ::closedir(stream);
    if (err != 0 && !listing.truncated)
        return Error::posix(err, describe(folder));
    return listing;
}

Result<void> FileSystem::createDirectories(const Path& path) const
{
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec)
        return Error::posix(ec.value(), describe(path));
    return {};
}

Result<void> FileSystem::createExclusive(const Path& path, const QByteArray& contents, mode_t mode) const
{
    beforeAct(FsStep::CreateExclusive, path);
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
    if (!fd.valid())
        return Error::posix(errno, describe(path));
    qint64 written = 0;
    while (written < contents.size()) {
        const ssize_t n =
            ::write(fd.get(), contents.constData() + written, size_t(contents.size() - written));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::unlink(path.c_str());
            return Error::posix(err, describe(path));
        }
        written += n;
    }
    return {};
}

Result<void> FileSystem::moveNoReplace(const Path& from, const Path& to) const
{
    beforeAct(FsStep::Move, to);
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0)
        return Error::posix(errno, describe(from));
    return {};
}

Result<void> FileSystem::moveNoReplaceAt(int fromFolder, const Path& fromName, int toFolder,
                                         const Path& toName, const Path& shownAs) const
{
    for (const Path* name : {&fromName, &toName}) {
        if (name->empty() || name->has_parent_path() || *name == "." || *name == "..")
            return Error::posix(EINVAL, describe(shownAs));
    }
    beforeAct(FsStep::Move, shownAs);
    if (::renameat2(fromFolder, fromName.c_str(), toFolder, toName.c_str(), RENAME_NOREPLACE) != 0)
        return Error::posix(errno, describe(shownAs));
    return {};
}

Result<void> FileSystem::removeTree(const Path& path) const
{
    const Path clean = standardize(path);
    if (!clean.has_relative_path())
        return Error::posix(EINVAL, describe(path));
    beforeAct(FsStep::Remove, clean);
    const Path parent = clean.parent_path();
    UniqueFd parentFd(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parentFd.valid())
        return Error::posix(errno, describe(path));
    if (const int err = removeAt(parentFd.get(), clean.filename().c_str(), 0); err != 0)
        return Error::posix(err, describe(path));
    return {};
}

Result<void> FileSystem::removeTreeAt(int folder, const Path& name, const Path& shownAs) const
{
    if (name.empty() || name.has_parent_path() || name == "." || name == "..")
        return Error::posix(EINVAL, describe(shownAs));
    beforeAct(FsStep::Remove, shownAs);
    if (const int err = removeAt(folder, name.c_str(), 0); err != 0)
        return Error::posix(err, describe(shownAs));
    return {};
}

} // namespace qm
