#include "app/models/FileEntryListModel.h"

#include "core/model/Formatting.h"

#include <QUuid>

#include <utility>

namespace qm {
namespace {

// Beyond this many runs of dropped rows, one reset is cheaper than announcing each run.
constexpr std::size_t kMaxRemovedRuns = 64;

QString folderText(const FileEntry& file)
{
    return FileSystem::displayName(file.url.parent_path());
}

} // namespace

FileEntryListModel::FileEntryListModel(QObject* parent) : QAbstractListModel(parent) {}

int FileEntryListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant FileEntryListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || std::size_t(index.row()) >= m_rows.size())
        return {};
    const FileEntry& file = m_rows[std::size_t(index.row())];
    switch (role) {
    case FileIdRole:
        return file.id.toString(QUuid::WithoutBraces);
    case Qt::DisplayRole:
    case NameRole:
        return FileSystem::displayName(file.name);
    case FolderRole:
        return folderText(file);
    case SizeTextRole:
        return Formatting::byteCount(file.bytes);
    case IsSelectedRole:
        return file.isSelected;
    case LinkedRole:
        return file.sharesInode;
    default:
        return {};
    }
}

QHash<int, QByteArray> FileEntryListModel::roleNames() const
{
    return {{FileIdRole, "fileId"},         {NameRole, "name"},
            {FolderRole, "folder"},         {SizeTextRole, "sizeText"},
            {IsSelectedRole, "isSelected"}, {LinkedRole, "linked"}};
}

void FileEntryListModel::replace(std::vector<FileEntry> rows)
{
    const bool countChanges = rows.size() != m_rows.size();
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
    if (countChanges)
        emit countChanged();
}

void FileEntryListModel::setSelected(int row, bool selected)
{
    if (row < 0 || std::size_t(row) >= m_rows.size() || m_rows[std::size_t(row)].isSelected == selected)
        return;
    m_rows[std::size_t(row)].isSelected = selected;
    emit dataChanged(index(row), index(row), {IsSelectedRole});
}

void FileEntryListModel::removeIf(const std::function<bool(const FileEntry&)>& drop)
{
    // Runs of dropped rows as [first, last], from the end, so earlier indexes stay valid.
    std::vector<std::pair<int, int>> runs;
    for (int row = count() - 1; row >= 0; --row) {
        if (!drop(m_rows[std::size_t(row)]))
            continue;
        if (!runs.empty() && runs.back().first == row + 1)
            runs.back().first = row;
        else
            runs.emplace_back(row, row);
    }
    if (runs.empty())
        return;
    if (runs.size() > kMaxRemovedRuns) {
        std::vector<FileEntry> kept;
        kept.reserve(m_rows.size());
        for (FileEntry& file : m_rows) {
            if (!drop(file))
                kept.push_back(std::move(file));
        }
        replace(std::move(kept));
        return;
    }
    for (const auto& [first, last] : runs) {
        beginRemoveRows(QModelIndex(), first, last);
        m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
        endRemoveRows();
    }
    emit countChanged();
}

QVariantMap FileEntryListModel::rowMap(const FileEntry& file)
{
    return {{QStringLiteral("fileId"), file.id.toString(QUuid::WithoutBraces)},
            {QStringLiteral("name"), FileSystem::displayName(file.name)},
            {QStringLiteral("folder"), folderText(file)},
            {QStringLiteral("sizeText"), Formatting::byteCount(file.bytes)},
            {QStringLiteral("isSelected"), file.isSelected},
            {QStringLiteral("linked"), file.sharesInode}};
}

} // namespace qm
