#include "core/cleaning/Cleaner.h"

#include "core/cleaning/FileErrors.h"
#include "core/cleaning/MountTable.h"

#include <algorithm>
#include <cerrno>
#include <string_view>

namespace qm {
namespace {

const QString kSkippedForSafety = QStringLiteral("Skipped for safety");

bool atOrBelow(std::string_view path, std::string_view folder)
{
    return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

// Nothing on this platform keeps root from moving the system's own files, so the Trash refuses them
// whoever runs; /usr/local holds what the administrator installed by hand and is not among them.
bool isSystemFile(std::string_view path)
{
    static constexpr std::string_view kSystemFolders[] = {"/usr", "/etc",   "/boot",  "/bin",    "/sbin",
                                                          "/lib", "/lib32", "/lib64", "/libx32", "/var/lib"};
    if (path.starts_with("/usr/local/"))
        return false;
    return std::any_of(std::begin(kSystemFolders), std::end(kSystemFolders),
                       [&](std::string_view folder) { return atOrBelow(path, folder); });
}

// True when a mount point lies anywhere below `folder`: the rename would carry the live mount into the
// Trash, where it could not be emptied. (The top of a mount itself is refused by the Trash.)
bool holdsAMount(const std::string& folder, const MountTable& mounts)
{
    const std::string prefix = folder + '/';
    return std::any_of(mounts.mounts().begin(), mounts.mounts().end(), [&](const MountTable::Mount& mount) {
        return mount.mountPoint.native().starts_with(prefix);
    });
}

// Why the Trash must not take the entry at `path` (its folder's links resolved), or nothing.
std::optional<Error> refusal(const Path& path, const MountTable& mounts)
{
    if (isSystemFile(path.native()))
        // Not a permission denial: no folder permission would let it go, so no such hint is given.
        return Error(ErrorDomain::Posix, ENOTSUP,
                     QStringLiteral("This is a system file and can't be moved to the Trash."));
    if (holdsAMount(path.native(), mounts))
        return Error(ErrorDomain::Posix, EBUSY,
                     QStringLiteral("This folder holds a mounted volume and can't be moved to the Trash."));
    return std::nullopt;
}

} // namespace

Cleaner::Cleaner(SafetyGuard guardrail, Trash trash)
    : m_guardrail(std::move(guardrail)), m_trash(std::move(trash))
{}

std::optional<QString> Cleaner::fileID(const Path& path)
{
    const auto status = FileSystem().status(path);
    if (!status)
        return std::nullopt;
    return status->id.toText();
}

CleanReport Cleaner::clean(const std::vector<ScanItem>& items) const
{
    CleanReport report;
    const MountTable mounts = MountTable::current();
    for (const ScanItem& item : items) {
        // The guard's answer is where the move happens: the Trash opens the item's folder beneath the
        // root the guard found it under, never by this path again.
        const std::optional<AnchoredPath> place = m_guardrail.placementOf(item.url);
        if (!place) {
            report.failures.push_back(kSkippedForSafety + QStringLiteral(": ") + item.name);
            report.failureDetails.push_back(CleanFailure{item.url, item.name, kSkippedForSafety, false});
            continue;
        }
        const std::optional<Error> refused = refusal(place->path(), mounts);
        const Result<Path> moved = refused ? Result<Path>(*refused) : m_trash.moveToTrash(*place);
        if (!moved) {
            const QString reason = moved.error().description();
            report.failures.push_back(item.name + QStringLiteral(": ") + reason);
            report.failureDetails.push_back(
                CleanFailure{item.url, item.name, reason, FileErrors::isPermissionDenied(moved.error())});
            continue;
        }
        TrashedItem trashed;
        // As the Trash records it ("app/" and "app/." are "app"), so that undo finds the same place.
        trashed.original = FileSystem::standardize(item.url);
        trashed.inTrash = *moved;
        trashed.bytes = item.bytes;
        trashed.fileID = fileID(trashed.inTrash);
        if (const Result<FileBirth> birth = FileSystem().birth(trashed.inTrash))
            trashed.birth = *birth;
        report.trashed.push_back(std::move(trashed));
    }
    return report;
}

UndoResult Cleaner::undo(const CleanReport& report) const
{
    const FileSystem& fs = m_trash.fileSystem();
    UndoResult result;
    result.total = qint64(report.trashed.size());
    for (const TrashedItem& item : report.trashed) {
        const Path original = FileSystem::standardize(item.original);
        if (fs.exists(original)) {
            ++result.skippedRecreated;
            continue;
        }
        if (!item.fileID)
            continue;
        const auto current = fileID(item.inTrash);
        if (!current || *current != *item.fileID)
            continue;
        // Once the Trash is emptied elsewhere, a new file may get the same inode and, trashed from
        // the same place, the same info file: only its birth marks tell it from ours.
        if (item.birth.known()) {
            const Result<FileBirth> now = FileSystem().birth(item.inTrash);
            if (!now || !item.birth.matches(*now))
                continue;
        }
        // Judged again now, and the restore made through the answer: a parent swapped for a link since
        // the clean, or during this undo, must not carry the restore elsewhere.
        const std::optional<AnchoredPath> place = m_guardrail.placementOf(original);
        if (!place)
            continue;
        // The inode may have gone to another file since: only the item whose info file still names
        // this place is ours to move back. A missing info file counts as gone too.
        if (Trash::recordedOriginal(item.inTrash) != place->path())
            continue;
        const auto restored = m_trash.restore(item.inTrash, *place);
        if (restored)
            ++result.restored;
        else if (restored.error().isPosix(EEXIST))
            ++result.skippedRecreated; // something appeared at the original place after the check
    }
    return result;
}

} // namespace qm
