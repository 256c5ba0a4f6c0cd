#include "app/models/JunkCategoryMaps.h"

#include "core/model/Formatting.h"
#include "core/model/JunkKind.h"
#include "platform/FileSystem.h"

#include <QUuid>

namespace qm::JunkCategoryMaps {
namespace {

// "1 item", "3 items": the count, " item", and "s" unless the count is exactly 1.
QString items(qint64 count)
{
    return Formatting::countedNoun(count, QStringLiteral("item"));
}

QString selectionStateName(JunkCategory::SelectionState state)
{
    switch (state) {
    case JunkCategory::SelectionState::none:
        return QStringLiteral("none");
    case JunkCategory::SelectionState::some:
        return QStringLiteral("some");
    case JunkCategory::SelectionState::all:
        return QStringLiteral("all");
    }
    return QStringLiteral("none");
}

// "1 of 3 items selected" while the selection is partial (the noun follows the number of items),
// otherwise "3 items".
QString selectionSummary(const JunkCategory& category)
{
    const qint64 n = qint64(category.items.size());
    const qint64 k = qint64(category.selectedItems().size());
    if (k != n)
        return QString::number(k) + QStringLiteral(" of ") + items(n) + QStringLiteral(" selected");
    return items(n);
}

QVariantMap itemMap(const ScanItem& item)
{
    return QVariantMap{
        {QStringLiteral("id"), item.id.toString(QUuid::WithoutBraces)},
        {QStringLiteral("name"), item.name},
        {QStringLiteral("path"), FileSystem::displayName(item.url)},
        {QStringLiteral("bytes"), item.bytes},
        {QStringLiteral("bytesText"), Formatting::byteCount(item.bytes)},
        {QStringLiteral("modified"), item.modified ? QVariant(*item.modified) : QVariant::fromValue(nullptr)},
        {QStringLiteral("isSelected"), item.isSelected},
    };
}

} // namespace

QVariantMap toMap(const JunkCategory& category)
{
    QVariantList itemList;
    itemList.reserve(qsizetype(category.items.size()));
    for (const ScanItem& item : category.items)
        itemList.append(itemMap(item));
    const JunkCategory::SelectionState state = category.selectionState();
    return QVariantMap{
        {QStringLiteral("id"), category.id()},
        {QStringLiteral("kind"), category.id()},
        {QStringLiteral("title"), JunkKinds::title(category.kind)},
        {QStringLiteral("incomplete"), category.incomplete},
        {QStringLiteral("count"), qint64(category.items.size())},
        {QStringLiteral("selectedCount"), qint64(category.selectedItems().size())},
        {QStringLiteral("selectionState"), selectionStateName(state)},
        {QStringLiteral("selectionSummary"), selectionSummary(category)},
        {QStringLiteral("formattedTotal"), category.formattedTotal()},
        {QStringLiteral("formattedSelected"), category.formattedSelected()},
        {QStringLiteral("sizeText"), state == JunkCategory::SelectionState::some
                                         ? category.formattedSelected()
                                         : category.formattedTotal()},
        {QStringLiteral("items"), itemList},
    };
}

QVariantList toList(const std::vector<JunkCategory>& categories)
{
    QVariantList list;
    list.reserve(qsizetype(categories.size()));
    for (const JunkCategory& category : categories)
        list.append(toMap(category));
    return list;
}

} // namespace qm::JunkCategoryMaps
