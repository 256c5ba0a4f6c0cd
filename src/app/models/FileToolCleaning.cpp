#include "app/models/FileToolCleaning.h"

#include "core/cleaning/Cleaner.h"
#include "core/cleaning/SafetyGuard.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include <algorithm>
#include <utility>

namespace qm {
namespace {

// What the user waits for goes ahead of background work on the pool.
constexpr int kUserInitiatedPriority = 1;

// Runs `apply` on the GUI thread unless `context` is gone by then; queued on the application object,
// which outlives every model.
template <typename Apply> void postTo(const QPointer<QObject>& context, Apply apply)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [context, apply = std::move(apply)]() mutable {
            if (context)
                apply();
        },
        Qt::QueuedConnection);
}

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
            postTo(guard, [done, report = std::move(report)]() mutable { done(std::move(report)); });
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
            postTo(guard, [done, result] { done(result); });
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

std::set<Path::string_type> FileToolCleaning::trashedPaths(const CleanReport& report)
{
    std::set<Path::string_type> paths;
    for (const TrashedItem& item : report.trashed)
        paths.insert(item.original.native());
    return paths;
}

std::optional<QString> FileToolCleaning::cleanNote(const CleanReport& report)
{
    if (report.failures.empty())
        return std::nullopt;
    const qint64 count = qint64(report.failures.size());
    return QString::number(count) + QStringLiteral(" file") + (count == 1 ? QString() : QStringLiteral("s")) +
           QStringLiteral(" couldn't be moved to the Trash.") + QLatin1Char('\n') + report.failures.front();
}

std::optional<QString> FileToolCleaning::undoNote(const UndoResult& result)
{
    if (result.restored + result.skippedRecreated == result.total)
        return std::nullopt;
    const qint64 missing = std::max<qint64>(0, result.total - result.restored - result.skippedRecreated);
    return QString::number(missing) + QStringLiteral(" of ") + QString::number(result.total) +
           QStringLiteral(" file") + (result.total == 1 ? QString() : QStringLiteral("s")) +
           QStringLiteral(
               " couldn't be restored from the Trash \u2014 it may have been permanently deleted.");
}

} // namespace qm
