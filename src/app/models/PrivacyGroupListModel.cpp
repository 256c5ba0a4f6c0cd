#include "app/models/PrivacyGroupListModel.h"

#include "core/model/Formatting.h"

#include <QVariantMap>

#include <algorithm>

namespace qm {

PrivacyGroupListModel::PrivacyGroupListModel(QObject* parent)
    : RowListModel({{BrowserRole, "browser"}, {ItemsRole, "items"}}, parent)
{}

QVariant PrivacyGroupListModel::data(const QModelIndex& index, int role) const
{
    const Group* group = rowAt(m_groups, index);
    if (group == nullptr)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case BrowserRole:
        return group->browser;
    case ItemsRole:
        return itemList(*group);
    default:
        return {};
    }
}

std::vector<PrivacyGroupListModel::Group>
PrivacyGroupListModel::grouped(const std::vector<PrivacyItem>& items)
{
    std::vector<Group> groups;
    for (const PrivacyItem& item : items) {
        auto found = std::find_if(groups.begin(), groups.end(),
                                  [&](const Group& group) { return group.browser == item.browser; });
        if (found == groups.end())
            found = groups.insert(groups.end(), Group{item.browser, {}});
        found->items.push_back(item);
    }
    return groups;
}

void PrivacyGroupListModel::replace(const std::vector<PrivacyItem>& items)
{
    std::vector<Group> groups = grouped(items);
    // No groups before and none now: nothing to tell.
    if (groups.empty() && m_groups.empty())
        return;
    replaceRows(m_groups, std::move(groups),
                [](const Group& a, const Group& b) { return a.browser == b.browser; });
}

QVariantList PrivacyGroupListModel::itemList(const Group& group)
{
    QVariantList list;
    list.reserve(qsizetype(group.items.size()));
    for (const PrivacyItem& item : group.items) {
        list.append(QVariantMap{
            {QStringLiteral("id"), item.id.toString(QUuid::WithoutBraces)},
            {QStringLiteral("browser"), item.browser},
            {QStringLiteral("kind"), item.kind},
            {QStringLiteral("systemImage"), item.systemImage},
            {QStringLiteral("path"), FileSystem::displayName(item.url)},
            {QStringLiteral("bytes"), item.bytes},
            {QStringLiteral("bytesText"), Formatting::byteCount(item.bytes)},
            {QStringLiteral("isSelected"), item.isSelected},
        });
    }
    return list;
}

} // namespace qm
