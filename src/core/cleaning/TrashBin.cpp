#include "core/cleaning/TrashBin.h"

#include "core/cleaning/FileErrors.h"
#include "platform/SystemClock.h"
#include "platform/Trash.h"
#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <future>
#include <mutex>
#include <set>
#include <string_view>
#include <system_error>
#include <thread>

namespace qm {
namespace {

constexpr qint64 kMaxWalkedElements = 200'001;
constexpr std::chrono::milliseconds kVolumePoll{20};
constexpr std::string_view kInfoSuffix = ".trashinfo";

struct VolumeTrash
{
    Path files;
    FileId trash;
    Result<FileSystem::Listing> listing;
};

// A per-user trash folder of a volume: a real folder (never a link) of this user that nobody else
// may write in.
std::optional<FileId> ownTrashFolder(const FileSystem& fs, const Path& path, uid_t uid)
{
    const auto status = fs.status(path);
    // A folder others may write in could have its `files` swapped for a link into someone's data.
    if (!status || !status->isDirectory() || status->owner != uid || (status->mode & (S_IWGRP | S_IWOTH)))
        return std::nullopt;
    return status->id;
}

// The per-user trash folders at the top of one volume and what their `files/` folders hold:
// `.Trash-$uid`, then `.Trash/$uid` when `.Trash` is a real sticky folder. A trash without a `files/`
// folder holds nothing. Runs on a thread of its own, so it owns everything it uses.
std::vector<VolumeTrash> probeVolume(const FileSystem& fs, const Path& top, uid_t uid)
{
    std::vector<Path> candidates{top / Path(".Trash-" + std::to_string(uid))};
    const Path shared = top / ".Trash";
    if (const auto status = fs.status(shared); status && status->isDirectory() && (status->mode & S_ISVTX))
        candidates.push_back(shared / Path(std::to_string(uid)));

    std::vector<VolumeTrash> found;
    for (const Path& trash : candidates) {
        const auto id = ownTrashFolder(fs, trash, uid);
        if (!id)
            continue;
        auto listing = fs.list(trash / "files");
        if (!listing && listing.error().isPosix(ENOENT))
            continue;
        found.push_back(VolumeTrash{trash / "files", *id, std::move(listing)});
    }
    return found;
}

// Runs `probe` on a thread of its own and waits for it until `limit` has passed on `clock`. A probe
// stuck in the kernel (a network volume that stopped answering) is left to finish on its own.
std::optional<std::vector<VolumeTrash>> probeWithinLimit(const Path& mountPoint,
                                                         std::function<std::vector<VolumeTrash>()> probe,
                                                         const Clock& clock, std::chrono::milliseconds limit)
{
    // Mount points whose probe is still out (possibly stuck for good in a dead network mount): such a
    // volume counts as not listed instead of getting one more stuck thread each time the Trash is read.
    static std::mutex probingMutex;
    static std::set<Path::string_type> probing;
    {
        const std::lock_guard lock(probingMutex);
        if (!probing.insert(mountPoint.native()).second)
            return std::nullopt;
    }
    // The mount leaves the set before the answer is given, so the next reading may probe it again.
    const auto leave = [key = mountPoint.native()] {
        const std::lock_guard lock(probingMutex);
        probing.erase(key);
    };
    auto task =
        std::make_shared<std::packaged_task<std::vector<VolumeTrash>()>>([probe = std::move(probe), leave] {
            std::vector<VolumeTrash> found = probe();
            leave();
            return found;
        });
    std::future<std::vector<VolumeTrash>> done = task->get_future();
    const auto start = clock.monotonicNow();
    try {
        std::thread([task] { (*task)(); }).detach();
    } catch (const std::system_error&) {
        leave();
        return std::nullopt;
    }
    while (done.wait_for(kVolumePoll) != std::future_status::ready) {
        if (clock.monotonicNow() - start >= limit)
            return std::nullopt;
    }
    return done.get();
}

} // namespace

TrashBin::TrashBin(std::optional<Path> directory, FileSystem fs, MountSource mounts,
                   std::shared_ptr<const Clock> clock)
    : m_directory(directory ? std::move(*directory) : Trash::homeTrashFilesDirectory()),
      m_withVolumes(!directory), m_fs(std::move(fs)),
      m_mounts(mounts ? std::move(mounts) : MountSource(&MountTable::current)),
      m_clock(clock ? std::move(clock) : std::make_shared<const SystemClock>())
{}

std::vector<TrashBin::Folder> TrashBin::volumeFolders(bool& failed) const
{
    std::vector<Folder> folders;
    if (!m_withVolumes)
        return folders;
    const uid_t uid = ::geteuid();
    std::vector<FileId> seen;
    if (const auto home = m_fs.status(m_directory.parent_path()))
        seen.push_back(home->id);
    const MountTable table = m_mounts();
    for (const MountTable::Mount& mount : table.mounts()) {
        if (MountTable::isPseudoType(mount.type) || mount.readOnly || !mount.mountPoint.is_absolute())
            continue;
        const auto found = probeWithinLimit(
            mount.mountPoint, [fs = m_fs, top = mount.mountPoint, uid] { return probeVolume(fs, top, uid); },
            *m_clock, kVolumeListingLimit);
        if (!found) {
            failed = true;
            continue;
        }
        for (const VolumeTrash& trash : *found) {
            // One volume mounted at several places shows the same trash at each.
            if (std::find(seen.begin(), seen.end(), trash.trash) != seen.end())
                continue;
            seen.push_back(trash.trash);
            if (!trash.listing) {
                failed = true;
                continue;
            }
            folders.push_back(Folder{trash.files, trash.listing->names, trash.trash});
        }
    }
    return folders;
}

TrashBin::Summary TrashBin::summary() const
{
    Summary summary;
    if (const auto listing = m_fs.list(m_directory); listing) {
        summary.count = qint64(listing->names.size());
        for (const Path& name : listing->names)
            summary.bytes += size(m_directory / name);
    } else {
        summary.restricted = FileErrors::isPermissionDenied(listing.error());
        summary.listingFailed = true;
    }
    for (const Folder& folder : volumeFolders(summary.listingFailed)) {
        summary.count += qint64(folder.names.size());
        for (const Path& name : folder.names)
            summary.bytes += size(folder.files / name);
    }
    return summary;
}

TrashBin::EmptyResult TrashBin::empty() const
{
    EmptyResult result;
    if (auto listing = m_fs.list(m_directory); listing)
        emptyFolder(Folder{m_directory, std::move(listing->names), std::nullopt}, result);
    else
        result.listingFailed = true;
    for (const Folder& folder : volumeFolders(result.listingFailed))
        emptyFolder(folder, result);
    return result;
}

namespace {

// Opens a folder without following a link anywhere on its path (a mount point as the mount table
// gives it is a real path), or returns an invalid descriptor.
UniqueFd openFolderWithoutLinks(const Path& path)
{
    open_how how{};
    how.flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    return UniqueFd(int(::syscall(SYS_openat2, AT_FDCWD, path.c_str(), &how, sizeof how)));
}

UniqueFd openChildFolder(int parent, const char* name)
{
    return UniqueFd(::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

} // namespace

void TrashBin::emptyFolder(const Folder& folder, EmptyResult& result) const
{
    // The folder is held open for the whole emptying and every removal is made relative to it, so a
    // link swapped into its path meanwhile cannot send a permanent removal elsewhere.
    const bool isTrash = folder.files.filename() == "files";
    UniqueFd filesFd;
    UniqueFd infoFd;
    if (folder.trash) {
        const UniqueFd trashFd = openFolderWithoutLinks(folder.files.parent_path());
        struct stat st;
        const bool same = trashFd.valid() && ::fstat(trashFd.get(), &st) == 0 &&
                          FileId{quint64(st.st_dev), quint64(st.st_ino)} == *folder.trash &&
                          st.st_uid == ::geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
        if (same) {
            filesFd = openChildFolder(trashFd.get(), "files");
            infoFd = openChildFolder(trashFd.get(), "info");
        }
    } else {
        // Never through a final link, as the listing did not either.
        filesFd = UniqueFd(::open(folder.files.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (isTrash && filesFd.valid())
            infoFd = UniqueFd(::open(folder.files.parent_path().append("info").c_str(),
                                     O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    if (!filesFd.valid()) {
        result.listingFailed = true;
        return;
    }
    if (!isTrash)
        infoFd = UniqueFd();

    for (const Path& name : folder.names) {
        const Path entry = folder.files / name;
        const qint64 bytes = size(entry);
        // Only an info file that already described the entry goes with it. An entry without one
        // leaves its name open: an info file appearing there while the entry is deleted is another
        // program's claim on the name for the item it is about to trash.
        const std::string infoName = name.native() + std::string(kInfoSuffix);
        struct stat infoStatus;
        const bool described = infoFd.valid() && ::fstatat(infoFd.get(), infoName.c_str(), &infoStatus,
                                                           AT_SYMLINK_NOFOLLOW) == 0;
        if (!m_fs.removeTreeAt(filesFd.get(), name, entry)) {
            ++result.failures;
            continue;
        }
        ++result.removed;
        result.bytes += bytes;
        if (described)
            ::unlinkat(infoFd.get(), infoName.c_str(), 0);
    }
    if (infoFd.valid())
        removeStaleOrphanInfoFiles(folder.files, filesFd.get(), infoFd.get());
}

void TrashBin::removeStaleOrphanInfoFiles(const Path& files, int filesFd, int infoFd) const
{
    const auto listing = m_fs.list(files.parent_path() / "info");
    if (!listing)
        return;
    const qint64 nowMs = m_clock->now().toMSecsSinceEpoch();
    const qint64 minimumAgeMs = std::chrono::milliseconds(kOrphanInfoAge).count();
    for (const Path& name : listing->names) {
        const std::string_view text = name.native();
        if (text.size() <= kInfoSuffix.size() || !text.ends_with(kInfoSuffix))
            continue;
        struct stat st;
        if (::fstatat(infoFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        const qint64 modifiedMs = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1'000'000;
        if (nowMs - modifiedMs < minimumAgeMs)
            continue;
        // Only an item that is certainly missing (a dangling link is an item) leaves its info file an orphan.
        const std::string item(text.substr(0, text.size() - kInfoSuffix.size()));
        struct stat itemStatus;
        if (::fstatat(filesFd, item.c_str(), &itemStatus, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT)
            continue;
        ::unlinkat(infoFd, name.c_str(), 0);
    }
}

qint64 TrashBin::size(const Path& entry) const
{
    const auto status = m_fs.status(entry);
    if (!status)
        return 0;
    if (!status->isDirectory())
        return status->allocated;

    qint64 total = 0;
    qint64 walked = 0;
    std::vector<Path> pending{entry};
    while (!pending.empty()) {
        const Path folder = std::move(pending.back());
        pending.pop_back();
        const auto listing = m_fs.list(folder);
        if (!listing)
            continue;
        for (const Path& name : listing->names) {
            if (walked >= kMaxWalkedElements)
                return total;
            ++walked;
            const Path child = folder / name;
            const auto childStatus = m_fs.status(child);
            if (!childStatus)
                continue;
            // A file system mounted inside the entry is not its to free: emptying never enters it
            // (and a stalled network mount must not hold the measurement), so it adds nothing.
            if (childStatus->id.device != status->id.device)
                continue;
            if (childStatus->isDirectory())
                pending.push_back(child);
            else
                total += childStatus->allocated;
        }
    }
    return total;
}

} // namespace qm
