#include "app/models/FileToolCleaning.h"

#include "core/model/Formatting.h"

#include <algorithm>
#include <utility>

namespace qm {

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
