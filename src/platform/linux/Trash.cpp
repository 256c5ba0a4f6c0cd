#include "platform/Trash.h"

#include <QDateTime>
#include <QUrl>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace qm {
namespace {

constexpr int kMaxNameAttempts = 10'000;
// Room for ".trashinfo" and a collision suffix inside NAME_MAX (255 bytes).
constexpr std::size_t kMaxTrashNameBytes = 200;

QByteArray infoContents(const Path& original)
{
    const QByteArray encoded = QUrl::toPercentEncoding(QByteArray::fromStdString(original.native()), "/");
    const QByteArray date =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1();
    return "[Trash Info]\nPath=" + encoded + "\nDeletionDate=" + date + "\n";
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

// The top folder of the file system that holds `path`: the last ancestor on the same device.
Path mountTopOf(const Path& path, quint64 device)
{
    Path top = path;
    Path parent = top.parent_path();
    while (parent != top) {
        struct stat st;
        if (::lstat(parent.c_str(), &st) != 0 || quint64(st.st_dev) != device)
            break;
        top = parent;
        parent = top.parent_path();
    }
    return top;
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

Result<Path> Trash::trashFor(const Path& physicalParent, quint64 device) const
{
    const Path home = homeTrashDirectory();
    if (auto result = m_fs.createDirectories(home.parent_path()); !result)
        return result.error();
    struct stat homeStat;
    if (::stat(home.parent_path().c_str(), &homeStat) == 0 && quint64(homeStat.st_dev) == device)
        return home;
    // Another file system: its own per-user trash at the top of that volume, found from the folder
    // the item physically lies in (a linked parent leads to another disk; its link does not).
    const Path top = mountTopOf(physicalParent, device);
    return top / Path(".Trash-" + std::to_string(::geteuid()));
}

Result<Path> Trash::moveToTrash(const Path& rawItem) const
{
    const Path item = FileSystem::standardize(rawItem);
    if (!item.has_relative_path())
        return Error::posix(EINVAL);
    const auto status = m_fs.status(item);
    if (!status)
        return Error::posix(status.error().code());
    const Path parent = FileSystem::resolveLinks(item.parent_path());
    const auto parentStatus = m_fs.status(parent);
    if (!parentStatus)
        return Error::posix(parentStatus.error().code());
    // A mount point cannot be renamed: refuse it before any trash folder is made on its volume.
    if (parentStatus->id.device != status->id.device)
        return Error::posix(EBUSY);
    const auto trash = trashFor(parent, status->id.device);
    if (!trash)
        return trash.error();
    if (auto layout = ensureLayout(*trash); !layout)
        return layout.error();

    const QByteArray info = infoContents(item);
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
        auto moved = m_fs.moveNoReplace(item, destination);
        if (moved)
            return destination;
        ::unlink(infoFile.c_str());
        if (!moved.error().isPosix(EEXIST))
            return Error::posix(moved.error().code());
    }
    return Error::posix(EEXIST);
}

Result<void> Trash::restore(const Path& inTrash, const Path& original) const
{
    auto moved = m_fs.moveNoReplace(inTrash, original);
    if (!moved)
        return Error::posix(moved.error().code());
    if (const Path info = infoFileFor(inTrash); !info.empty())
        ::unlink(info.c_str());
    return {};
}

} // namespace qm
