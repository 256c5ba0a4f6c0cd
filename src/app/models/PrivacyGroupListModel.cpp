#include "app/models/PrivacyGroupListModel.h"

#include "core/model/Formatting.h"

#include <QVariantMap>

#include <algorithm>

namespace qm {

PrivacyGroupListModel::PrivacyGroupListModel(QObject* parent) : QAbstractListModel(parent) {}

int PrivacyGroupListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_groups.size());
}

QVariant PrivacyGroupListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || std::size_t(index.row()) >= m_groups.size())
        return {};
    const Group& group = m_groups[std::size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case BrowserRole:
        return group.browser;
    case ItemsRole:
        return itemList(group);
    default:
        return {};
    }
}

QHash<int, QByteArray> PrivacyGroupListModel::roleNames() const
{
    return {{BrowserRole, "browser"}, {ItemsRole, "items"}};
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
    const bool sameBrowsers =
        std::equal(m_groups.begin(), m_groups.end(), groups.begin(), groups.end(),
                   [](const Group& a, const Group& b) { return a.browser == b.browser; });
    if (sameBrowsers) {
        m_groups = std::move(groups);
        if (!m_groups.empty())
            emit dataChanged(index(0), index(int(m_groups.size()) - 1));
        return;
    }
    const bool countChanges = groups.size() != m_groups.size();
    beginResetModel();
    m_groups = std::move(groups);
    endResetModel();
    if (countChanges)
        emit countChanged();
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
