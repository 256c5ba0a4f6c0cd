#include "platform/Trash.h"

#include "platform/BoundedReader.h"

#include <QDateTime>

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace qm {
namespace {

constexpr int kMaxNameAttempts = 10'000;
// Room for ".trashinfo" and a collision suffix inside NAME_MAX (255 bytes).
constexpr std::size_t kMaxTrashNameBytes = 200;
// An info file holds a group header, a path of at most PATH_MAX bytes (three times that encoded) and
// a date: far below this.
constexpr qint64 kMaxInfoFileBytes = 64 * 1024;

// The mount a path lies on. Bind mounts of one file system share a device number, yet a rename
// between them fails (EXDEV), so the mount id decides where the kernel reports one.
struct MountIdentity
{
    quint64 device = 0;
    std::optional<quint64> mountId;

    bool sameMountAs(const MountIdentity& other) const
    {
        if (mountId && other.mountId)
            return *mountId == *other.mountId;
        return device == other.device;
    }
};

// The mount of the entry `name` of the folder open as `folder` (statx flags as given: AT_EMPTY_PATH for
// the folder itself).
std::optional<MountIdentity> mountAt(int folder, const char* name, int flags)
{
    struct statx sx;
    if (::statx(folder, name, flags, STATX_MNT_ID, &sx) != 0)
        return std::nullopt;
    MountIdentity identity;
    identity.device = quint64(makedev(sx.stx_dev_major, sx.stx_dev_minor));
    if (sx.stx_mask & STATX_MNT_ID)
        identity.mountId = sx.stx_mnt_id;
    return identity;
}

std::optional<MountIdentity> mountOf(const Path& path, bool followLinks)
{
    return mountAt(AT_FDCWD, path.c_str(), followLinks ? 0 : AT_SYMLINK_NOFOLLOW);
}

// "name", then "name.2", "name.3", ... keeping a final extension where there is one.
std::string candidateName(const std::string& base, int attempt)
{
    if (attempt == 0)
        return base;
    std::string suffix(1, '.');
    suffix.append(std::to_string(attempt + 1));
    const std::size_t dot = base.rfind('.');
    std::string name = base;
    if (dot == std::string::npos || dot == 0)
        name.append(suffix);
    else
        name.insert(dot, suffix);
    return name;
}

std::string trashBaseName(const Path& item)
{
    std::string name = item.filename().native();
    if (name.size() > kMaxTrashNameBytes)
        name.resize(kMaxTrashNameBytes);
    return name;
}

// A per-user trash folder must be a real folder of ours, reached without a link.
bool isUsableTrashDirectory(const Path& dir)
{
    struct stat st;
    return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

Result<void> ensureLayout(const Path& trash)
{
    for (const Path& dir : {trash, trash / "files", trash / "info"}) {
        if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
            return Error::posix(errno);
        if (!isUsableTrashDirectory(dir))
            return Error::posix(ENOTDIR);
    }
    return {};
}

// The top folder of the mount that holds `path` (a folder without links): its last ancestor on
// that mount.
Path mountTopOf(const Path& path, const MountIdentity& mount)
{
    Path top = path;
    Path parent = top.parent_path();
    while (parent != top) {
        const auto parentMount = mountOf(parent, false);
        if (!parentMount || !parentMount->sameMountAs(mount))
            break;
        top = parent;
        parent = top.parent_path();
    }
    return top;
}

// Failures in words for a trash on another volume than the home trash's: the errno text ("Permission
// denied", "Invalid cross-device link") would not say that it is the Trash that cannot be used.
Error volumeTrashUnusable(int errnoValue)
{
    QString reason;
    if (errnoValue == EROFS)
        reason = QStringLiteral("No Trash can be made on this item's volume: the volume is read-only.");
    else if (errnoValue == EACCES || errnoValue == EPERM)
        reason =
            QStringLiteral("No Trash can be made on this item's volume: its top folder can't be written.");
    else if (errnoValue == ENOTDIR)
        reason = QStringLiteral("The Trash on this item's volume isn't a folder of this user's own.");
    else
        return Error::posix(errnoValue);
    return Error(ErrorDomain::Posix, EXDEV, reason);
}

Error crossMountMove()
{
    return Error(ErrorDomain::Posix, EXDEV,
                 QStringLiteral("The Trash of this item's volume lies on another mount, so moving the item "
                                "there would mean copying it."));
}

Error mountPointRefused()
{
    return Error(
        ErrorDomain::Posix, EBUSY,
        QStringLiteral("This item is the top folder of a mounted volume and can't be moved to the Trash."));
}

// The home trash when the item's folder lies on the home trash's mount, else the per-user trash at
// the top of the item's own mount. `onVolume` tells which.
Result<Path> trashFor(const FileSystem& fs, const Path& physicalParent, const MountIdentity& mount,
                      bool& onVolume)
{
    const Path home = Trash::homeTrashDirectory();
    if (auto result = fs.createDirectories(home.parent_path()); !result)
        return result.error();
    // The home trash itself when it exists (a folder mounted there has its own mount), else the folder
    // it will be made in.
    auto homeMount = mountOf(home, false);
    if (!homeMount)
        homeMount = mountOf(home.parent_path(), true);
    onVolume = !(homeMount && homeMount->sameMountAs(mount));
    if (!onVolume)
        return home;
    // Another mount: its own per-user trash at its top, found from the folder the item physically lies
    // in (a linked parent leads to another disk; its link does not).
    return mountTopOf(physicalParent, mount) / Path(".Trash-" + std::to_string(::geteuid()));
}

// The folder of a volume trash whose parent is that volume's top folder: `$topdir/.Trash-$uid`
// or `$topdir/.Trash/$uid`. Empty for any other folder.
Path volumeTopOf(const Path& trash)
{
    const std::string name = trash.filename().native();
    if (name.rfind(".Trash-", 0) == 0)
        return trash.parent_path();
    if (trash.parent_path().filename() == ".Trash")
        return trash.parent_path().parent_path();
    return {};
}

// The raw Path= value of the "[Trash Info]" group, or nothing.
std::optional<QByteArray> pathValue(const QByteArray& text)
{
    bool inGroup = false;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith('[')) {
            inGroup = line == "[Trash Info]";
            continue;
        }
        if (!inGroup)
            continue;
        const qsizetype equals = line.indexOf('=');
        if (equals > 0 && line.left(equals).trimmed() == "Path")
            return line.mid(equals + 1).trimmed();
    }
    return std::nullopt;
}

long openHow(int folder, const Path& path, std::uint64_t resolve)
{
    open_how how{};
    how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    how.resolve = resolve | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    // EAGAIN means a rename raced the lookup: a few retries settle it, a tree that keeps changing fails.
    long fd = -1;
    for (int attempt = 0; attempt < 8; ++attempt) {
        fd = ::syscall(SYS_openat2, folder, path.c_str(), &how, sizeof how);
        if (fd >= 0 || (errno != EAGAIN && errno != EINTR))
            break;
    }
    return fd;
}

// The folder of `place`, opened beneath its anchor without following a link anywhere on the way (the
// anchor itself included), so what is opened is what the caller's check saw, or nothing. With
// `create`, folders missing on the way are made one by one, each opened without following a link.
// No RESOLVE_NO_XDEV: an item on another volume mounted below the anchor is still reached.
Result<UniqueFd> openFolderOf(const AnchoredPath& place, bool create)
{
    UniqueFd anchor(int(openHow(AT_FDCWD, place.anchor, 0)));
    if (!anchor.valid())
        return Error::posix(errno);
    if (place.folder.empty())
        return anchor;
    UniqueFd folder(int(openHow(anchor.get(), place.folder, RESOLVE_BENEATH)));
    if (folder.valid())
        return folder;
    if (errno != ENOENT || !create)
        return Error::posix(errno);
    UniqueFd current = std::move(anchor);
    for (const Path& component : place.folder) {
        if (component.empty() || component == "." || component == "..")
            return Error::posix(EINVAL);
        if (::mkdirat(current.get(), component.c_str(), 0777) != 0 && errno != EEXIST)
            return Error::posix(errno);
        // O_PATH with O_NOFOLLOW names a link itself, which is no folder: ENOTDIR.
        UniqueFd next(
            ::openat(current.get(), component.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.valid())
            return Error::posix(errno);
        current = std::move(next);
    }
    return current;
}

bool isPlainName(const Path& name)
{
    return !name.empty() && !name.has_parent_path() && name != "." && name != "..";
}

} // namespace

Trash::Trash(FileSystem fs) : m_fs(std::move(fs)) {}

Path Trash::homeTrashDirectory()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && dataHome[0] == '/')
        return Path(dataHome) / "Trash";
    return FileSystem::homeDirectory() / ".local" / "share" / "Trash";
}

Path Trash::homeTrashFilesDirectory()
{
    return homeTrashDirectory() / "files";
}

Path Trash::infoFileFor(const Path& inTrash)
{
    const Path files = inTrash.parent_path();
    if (files.filename() != "files" || !inTrash.has_filename())
        return {};
    return files.parent_path() / "info" / Path(inTrash.filename().native() + ".trashinfo");
}

QByteArray Trash::infoFileContents(const Path& original)
{
    // The raw bytes, never a QString: "bad\xff" must read back as itself, not as "bad%EF%BF%BD".
    const QByteArray encoded = QByteArray::fromStdString(original.native()).toPercentEncoding("/");
    const QByteArray date =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1();
    return "[Trash Info]\nPath=" + encoded + "\nDeletionDate=" + date + "\n";
}

std::optional<Path> Trash::recordedOriginal(const Path& inTrash)
{
    const Path info = infoFileFor(inTrash);
    if (info.empty())
        return std::nullopt;
    const auto text = readBounded(info, kMaxInfoFileBytes);
    if (!text)
        return std::nullopt;
    const auto value = pathValue(*text);
    if (!value || value->isEmpty())
        return std::nullopt;
    const QByteArray decoded = QByteArray::fromPercentEncoding(*value);
    if (decoded.isEmpty() || decoded.contains('\0'))
        return std::nullopt;
    const Path recorded(decoded.toStdString());
    if (recorded.is_absolute())
        return FileSystem::standardize(recorded);
    const Path top = volumeTopOf(inTrash.parent_path().parent_path());
    if (top.empty())
        return std::nullopt; // the home trash records absolute paths only
    return FileSystem::standardize(top / recorded);
}

Result<Path> Trash::moveToTrash(const AnchoredPath& place) const
{
    if (!isPlainName(place.name))
        return Error::posix(EINVAL);
    const Path item = place.path();
    const auto folder = openFolderOf(place, false);
    if (!folder)
        return folder.error();
    const auto itemMount = mountAt(folder->get(), place.name.c_str(), AT_SYMLINK_NOFOLLOW);
    if (!itemMount)
        return Error::posix(errno);
    const auto parentMount = mountAt(folder->get(), "", AT_EMPTY_PATH);
    if (!parentMount)
        return Error::posix(errno);
    // A mount point cannot be renamed: refuse it before any trash folder is made on its volume.
    if (!itemMount->sameMountAs(*parentMount) || itemMount->device != parentMount->device)
        return mountPointRefused();
    bool onVolume = false;
    const auto trash = trashFor(m_fs, item.parent_path(), *parentMount, onVolume);
    if (!trash)
        return trash.error();
    if (auto layout = ensureLayout(*trash); !layout)
        return onVolume ? volumeTrashUnusable(layout.error().code()) : layout.error();
    const UniqueFd files(::open((*trash / "files").c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!files.valid())
        return Error::posix(errno);

    const QByteArray info = infoFileContents(item);
    const std::string base = trashBaseName(item);
    for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
        const std::string name = candidateName(base, attempt);
        const Path infoFile = *trash / "info" / Path(name + ".trashinfo");
        const Path destination = *trash / "files" / Path(name);
        auto claimed = m_fs.createExclusive(infoFile, info, 0600);
        if (!claimed) {
            if (claimed.error().isPosix(EEXIST))
                continue;
            return Error::posix(claimed.error().code());
        }
        auto moved = m_fs.moveNoReplaceAt(folder->get(), place.name, files.get(), Path(name), destination);
        if (moved)
            return destination;
        ::unlink(infoFile.c_str());
        if (moved.error().isPosix(EXDEV))
            return crossMountMove();
        if (!moved.error().isPosix(EEXIST))
            return Error::posix(moved.error().code());
    }
    return Error::posix(EEXIST);
}

Result<void> Trash::restore(const Path& inTrash, const AnchoredPath& original) const
{
    if (!isPlainName(original.name) || !isPlainName(inTrash.filename()))
        return Error::posix(EINVAL);
    const UniqueFd files(
        ::open(inTrash.parent_path().c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!files.valid())
        return Error::posix(errno);
    const auto folder = openFolderOf(original, true);
    if (!folder)
        return folder.error();
    auto moved =
        m_fs.moveNoReplaceAt(files.get(), inTrash.filename(), folder->get(), original.name, original.path());
    if (!moved)
        return Error::posix(moved.error().code());
    if (const Path info = infoFileFor(inTrash); !info.empty())
        ::unlink(info.c_str());
    return {};
}

} // namespace qm
