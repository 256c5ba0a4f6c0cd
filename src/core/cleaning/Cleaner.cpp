#include "core/cleaning/Cleaner.h"

#include "core/cleaning/FileErrors.h"

#include <cerrno>

namespace qm {
namespace {

const QString kSkippedForSafety = QStringLiteral("Skipped for safety");

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
    for (const ScanItem& item : items) {
        // The guard's answer is where the move happens: the Trash opens the item's folder beneath the
        // root the guard found it under, never by this path again.
        const std::optional<AnchoredPath> place = m_guardrail.placementOf(item.url);
        if (!place) {
            report.failures.push_back(kSkippedForSafety + QStringLiteral(": ") + item.name);
            report.failureDetails.push_back(CleanFailure{item.url, item.name, kSkippedForSafety, false});
            continue;
        }
        const auto moved = m_trash.moveToTrash(*place);
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
