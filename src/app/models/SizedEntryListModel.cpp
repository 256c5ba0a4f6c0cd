#include "app/models/SizedEntryListModel.h"

#include "core/model/Formatting.h"
#include "platform/Workspace.h"

#include <QHash>

#include <algorithm>
#include <iterator>
#include <utility>

namespace qm {

SizedEntryListModel::SizedEntryListModel(QObject* parent)
    : RowListModel({{EntryIdRole, "entryId"},
                    {NameRole, "name"},
                    {PathRole, "path"},
                    {UrlRole, "url"},
                    {BytesRole, "bytes"},
                    {SizeTextRole, "sizeText"},
                    {IsDirectoryRole, "isDirectory"},
                    {UnreadableRole, "unreadable"},
                    {FractionRole, "fraction"},
                    {ColorIndexRole, "colorIndex"},
                    {RemovableRole, "removable"},
                    {SelectedRole, "selected"},
                    {CenterXRole, "centerX"},
                    {CenterYRole, "centerY"},
                    {RadiusRole, "radius"},
                    {OrderRole, "order"}},
                   parent)
{}

QVariant SizedEntryListModel::data(const QModelIndex& index, int role) const
{
    const Row* found = rowAt(m_rows, index);
    if (found == nullptr)
        return {};
    const Row& row = *found;
    const SizedEntry& entry = row.entry;
    switch (role) {
    case EntryIdRole:
        return entry.id.toString(QUuid::WithoutBraces);
    case Qt::DisplayRole:
    case NameRole:
        return FileSystem::displayName(entry.name);
    case PathRole:
        return FileSystem::displayName(entry.url);
    case UrlRole:
        return Workspace::fileUrl(entry.url);
    case BytesRole:
        return entry.bytes;
    case SizeTextRole:
        return sizeText(entry);
    case IsDirectoryRole:
        return entry.isDirectory;
    case UnreadableRole:
        return entry.unreadable;
    case FractionRole:
        return entry.fraction;
    case ColorIndexRole:
        return row.colorIndex;
    case RemovableRole:
        return row.removable;
    case SelectedRole:
        return row.selected;
    case CenterXRole:
        return row.circle ? row.circle->center.x() : 0.0;
    case CenterYRole:
        return row.circle ? row.circle->center.y() : 0.0;
    case RadiusRole:
        return row.circle ? row.circle->radius : 0.0;
    case OrderRole:
        return row.order;
    default:
        return {};
    }
}

const SizedEntryListModel::Row* SizedEntryListModel::find(const QUuid& id) const
{
    const auto found =
        std::find_if(m_rows.begin(), m_rows.end(), [&](const Row& row) { return row.entry.id == id; });
    return found == m_rows.end() ? nullptr : &*found;
}

QString SizedEntryListModel::sizeText(const SizedEntry& entry)
{
    if (entry.unreadable)
        return QStringLiteral("\u2014 can't read");
    return Formatting::byteCount(entry.bytes);
}

void SizedEntryListModel::append(Row row)
{
    const int at = int(m_rows.size());
    beginInsertRows(QModelIndex(), at, at);
    m_rows.push_back(std::move(row));
    endInsertRows();
    emit countChanged();
}

void SizedEntryListModel::reset(std::vector<Row> rows)
{
    QHash<QUuid, int> newRow;
    for (std::size_t i = 0; i < rows.size(); ++i)
        newRow.insert(rows[i].entry.id, int(i));
    const bool sameEntries = !rows.empty() && rows.size() == m_rows.size() &&
                             std::size_t(newRow.size()) == rows.size() &&
                             std::all_of(m_rows.begin(), m_rows.end(),
                                         [&](const Row& row) { return newRow.contains(row.entry.id); });
    if (sameEntries) {
        // The same entries in another order: one layout change, so a view keeps its place.
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        const QModelIndexList before = persistentIndexList();
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex& old : before)
            after.append(index(newRow.value(m_rows[std::size_t(old.row())].entry.id), old.column()));
        m_rows = std::move(rows);
        changePersistentIndexList(before, after);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
        emit dataChanged(index(0), index(int(m_rows.size()) - 1));
        return;
    }
    resetRows(m_rows, std::move(rows));
}

void SizedEntryListModel::update(std::vector<Row> rows)
{
    const std::size_t before = m_rows.size();
    QHash<QUuid, std::size_t> incoming;
    for (std::size_t i = 0; i < rows.size(); ++i)
        incoming.insert(rows[i].entry.id, i);

    // Gone rows leave from the back, so the indices of the rows before them hold.
    for (int i = int(m_rows.size()) - 1; i >= 0; --i) {
        if (incoming.contains(m_rows[std::size_t(i)].entry.id))
            continue;
        beginRemoveRows(QModelIndex(), i, i);
        m_rows.erase(m_rows.begin() + i);
        endRemoveRows();
    }
    std::vector<bool> kept(rows.size(), false);
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const std::size_t from = incoming.value(m_rows[i].entry.id);
        m_rows[i] = rows[from];
        kept[from] = true;
    }
    if (!m_rows.empty())
        emit dataChanged(index(0), index(int(m_rows.size()) - 1));
    std::vector<Row> added;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!kept[i])
            added.push_back(std::move(rows[i]));
    }
    if (!added.empty()) {
        const int at = int(m_rows.size());
        beginInsertRows(QModelIndex(), at, at + int(added.size()) - 1);
        std::move(added.begin(), added.end(), std::back_inserter(m_rows));
        endInsertRows();
    }
    if (m_rows.size() != before)
        emit countChanged();
}

void SizedEntryListModel::setSelected(const std::function<bool(const SizedEntry&)>& isSelected)
{
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const bool selected = isSelected(m_rows[i].entry);
        if (m_rows[i].selected == selected)
            continue;
        m_rows[i].selected = selected;
        emit dataChanged(index(int(i)), index(int(i)), {SelectedRole});
    }
}

} // namespace qm
