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
        if (!m_guardrail.isCleanable(item.url)) {
            report.failures.push_back(kSkippedForSafety + QStringLiteral(": ") + item.name);
            report.failureDetails.push_back(CleanFailure{item.url, item.name, kSkippedForSafety, false});
            continue;
        }
        const auto moved = m_trash.moveToTrash(item.url);
        if (!moved) {
            const QString reason = moved.error().description();
            report.failures.push_back(item.name + QStringLiteral(": ") + reason);
            report.failureDetails.push_back(
                CleanFailure{item.url, item.name, reason, FileErrors::isPermissionDenied(moved.error())});
            continue;
        }
        TrashedItem trashed;
        trashed.original = item.url;
        trashed.inTrash = *moved;
        trashed.bytes = item.bytes;
        trashed.fileID = fileID(trashed.inTrash);
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
        if (fs.exists(item.original)) {
            ++result.skippedRecreated;
            continue;
        }
        if (!item.fileID)
            continue;
        const auto current = fileID(item.inTrash);
        if (!current || *current != *item.fileID)
            continue;
        // A parent swapped for a link since the clean must not carry the restore elsewhere.
        if (!m_guardrail.isCleanable(item.original))
            continue;
        (void)fs.createDirectories(item.original.parent_path());
        const auto restored = m_trash.restore(item.inTrash, item.original);
        if (restored)
            ++result.restored;
        else if (restored.error().isPosix(EEXIST))
            ++result.skippedRecreated; // something appeared at the original place after the check
    }
    return result;
}

} // namespace qm
