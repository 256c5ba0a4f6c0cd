#include "app/models/FileEntryListModel.h"

#include "core/model/Formatting.h"

#include <QUuid>

#include <algorithm>
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

FileEntryListModel::FileEntryListModel(QObject* parent)
    : RowListModel({{FileIdRole, "fileId"},
                    {NameRole, "name"},
                    {FolderRole, "folder"},
                    {SizeTextRole, "sizeText"},
                    {IsSelectedRole, "isSelected"},
                    {LinkedRole, "linked"}},
                   parent)
{}

QVariant FileEntryListModel::data(const QModelIndex& index, int role) const
{
    const FileEntry* row = rowAt(m_rows, index);
    if (row == nullptr)
        return {};
    const FileEntry& file = *row;
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

void FileEntryListModel::replace(std::vector<FileEntry> rows)
{
    resetRows(m_rows, std::move(rows));
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
    std::vector<bool> goes(m_rows.size());
    std::transform(m_rows.begin(), m_rows.end(), goes.begin(), drop);
    (void)removeRows(m_rows, goes, kMaxRemovedRuns);
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
