#include "app/models/FileToolCleaning.h"

#include "app/models/PostToModel.h"
#include "core/cleaning/Cleaner.h"
#include "core/cleaning/SafetyGuard.h"
#include "core/model/Formatting.h"

#include <QPointer>
#include <QThreadPool>

#include <algorithm>
#include <utility>

namespace qm {
namespace {

// What the user waits for goes ahead of background work on the pool.
constexpr int kUserInitiatedPriority = 1;

} // namespace

std::vector<ScanItem> FileToolCleaning::itemsFrom(const std::vector<FileEntry>& files)
{
    std::vector<ScanItem> items;
    items.reserve(files.size());
    for (const FileEntry& file : files) {
        ScanItem item;
        item.url = file.url;
        item.name = QString::fromStdString(file.name.native());
        item.bytes = file.bytes;
        item.modified = file.modified;
        item.isSelected = true;
        items.push_back(std::move(item));
    }
    return items;
}

void FileToolCleaning::clean(QObject* context, const Path& root, const Trash& trash,
                             std::vector<ScanItem> items, std::function<void(CleanReport)> done)
{
    const QPointer<QObject> guard(context);
    QThreadPool::globalInstance()->start(
        [guard, root, trash, items = std::move(items), done = std::move(done)] {
            CleanReport report = Cleaner(SafetyGuard({root}), trash).clean(items);
            postTo(guard, [done, report = std::move(report)](QObject&) mutable { done(std::move(report)); });
        },
        kUserInitiatedPriority);
}

void FileToolCleaning::undo(QObject* context, const Path& root, const Trash& trash, CleanReport report,
                            std::function<void(UndoResult)> done)
{
    const QPointer<QObject> guard(context);
    QThreadPool::globalInstance()->start(
        [guard, root, trash, report = std::move(report), done = std::move(done)] {
            const UndoResult result = Cleaner(SafetyGuard({root}), trash).undo(report);
            postTo(guard, [done, result](QObject&) { done(result); });
        },
        kUserInitiatedPriority);
}

std::optional<CleanReport> FileToolCleaning::merged(const std::optional<CleanReport>& earlier,
                                                    const CleanReport& latest)
{
    std::vector<TrashedItem> trashed = earlier ? earlier->trashed : std::vector<TrashedItem>{};
    trashed.insert(trashed.end(), latest.trashed.begin(), latest.trashed.end());
    if (trashed.empty())
        return std::nullopt;
    return CleanReport{std::move(trashed), latest.failures, latest.failureDetails};
}

std::optional<QString> FileToolCleaning::moveFailureNote(const CleanReport& report, const QString& noun,
                                                         QChar close)
{
    if (report.failures.empty())
        return std::nullopt;
    return Formatting::countedNoun(qint64(report.failures.size()), noun) +
           QStringLiteral(" couldn't be moved to the Trash") + close + QLatin1Char('\n') +
           report.failures.front();
}

std::optional<QString> FileToolCleaning::restoreShortfallNote(const UndoResult& result, const QString& noun)
{
    if (result.restored + result.skippedRecreated == result.total)
        return std::nullopt;
    const qint64 missing = std::max<qint64>(0, result.total - result.restored - result.skippedRecreated);
    // The noun agrees with the total: "1 of 3 files".
    return QString::number(missing) + QStringLiteral(" of ") + Formatting::countedNoun(result.total, noun) +
           QStringLiteral(
               " couldn't be restored from the Trash \u2014 it may have been permanently deleted.");
}

std::optional<QString> FileToolCleaning::cleanNote(const CleanReport& report)
{
    return moveFailureNote(report, QStringLiteral("file"), QLatin1Char('.'));
}

std::optional<QString> FileToolCleaning::undoNote(const UndoResult& result)
{
    return restoreShortfallNote(result, QStringLiteral("file"));
}

} // namespace qm
