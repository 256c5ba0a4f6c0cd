#include "app/models/DuplicateGroupListModel.h"

#include "app/models/FileEntryListModel.h"
#include "core/model/Formatting.h"

#include <QUuid>

#include <utility>

namespace qm {
namespace {

// Beyond this many runs of dropped groups, one reset is cheaper than announcing each run.
constexpr std::size_t kMaxRemovedRuns = 64;

} // namespace

DuplicateGroupListModel::DuplicateGroupListModel(QObject* parent) : QAbstractListModel(parent) {}

int DuplicateGroupListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant DuplicateGroupListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || std::size_t(index.row()) >= m_groups.size())
        return {};
    const DuplicateGroup& group = m_groups[std::size_t(index.row())];
    switch (role) {
    case GroupIdRole:
        return group.id.toString(QUuid::WithoutBraces);
    case FileCountRole:
        return int(group.files.size());
    case CopySizeRole:
        return Formatting::byteCount(group.files.empty() ? 0 : group.files.front().bytes);
    case WastedTextRole:
        return Formatting::byteCount(group.wastedBytes());
    case FilesRole:
        return fileList(group);
    default:
        return {};
    }
}

QHash<int, QByteArray> DuplicateGroupListModel::roleNames() const
{
    return {{GroupIdRole, "groupId"},
            {FileCountRole, "fileCount"},
            {CopySizeRole, "copySize"},
            {WastedTextRole, "wastedText"},
            {FilesRole, "files"}};
}

void DuplicateGroupListModel::replace(std::vector<DuplicateGroup> groups)
{
    const bool countChanges = groups.size() != m_groups.size();
    beginResetModel();
    m_groups = std::move(groups);
    endResetModel();
    if (countChanges)
        emit countChanged();
}

void DuplicateGroupListModel::setSelected(int group, int file, bool selected)
{
    if (group < 0 || std::size_t(group) >= m_groups.size())
        return;
    std::vector<FileEntry>& files = m_groups[std::size_t(group)].files;
    if (file < 0 || std::size_t(file) >= files.size() || files[std::size_t(file)].isSelected == selected)
        return;
    files[std::size_t(file)].isSelected = selected;
    emit dataChanged(index(group), index(group), {FilesRole});
}

void DuplicateGroupListModel::prune(const std::function<bool(const FileEntry&)>& drop,
                                    const std::function<bool(const DuplicateGroup&)>& keep)
{
    // Which groups lost files and which go, then runs of going rows as [first, last] from the end, so
    // earlier indexes stay valid while they are removed.
    std::vector<bool> touched(m_groups.size(), false);
    std::vector<std::pair<int, int>> runs;
    for (int row = count() - 1; row >= 0; --row) {
        DuplicateGroup& group = m_groups[std::size_t(row)];
        touched[std::size_t(row)] = std::erase_if(group.files, drop) > 0;
        if (keep(group))
            continue;
        if (!runs.empty() && runs.back().first == row + 1)
            runs.back().first = row;
        else
            runs.emplace_back(row, row);
    }
    if (runs.size() > kMaxRemovedRuns) {
        std::vector<DuplicateGroup> kept;
        kept.reserve(m_groups.size());
        for (DuplicateGroup& group : m_groups) {
            if (keep(group))
                kept.push_back(std::move(group));
        }
        replace(std::move(kept));
        return;
    }
    for (const auto& [first, last] : runs) {
        beginRemoveRows(QModelIndex(), first, last);
        m_groups.erase(m_groups.begin() + first, m_groups.begin() + last + 1);
        touched.erase(touched.begin() + first, touched.begin() + last + 1);
        endRemoveRows();
    }
    for (int row = 0; row < count(); ++row) {
        if (touched[std::size_t(row)])
            emit dataChanged(index(row), index(row),
                             {FileCountRole, CopySizeRole, WastedTextRole, FilesRole});
    }
    if (!runs.empty())
        emit countChanged();
}

QVariantList DuplicateGroupListModel::fileList(const DuplicateGroup& group)
{
    QVariantList list;
    list.reserve(qsizetype(group.files.size()));
    for (const FileEntry& file : group.files)
        list.append(FileEntryListModel::rowMap(file));
    return list;
}

} // namespace qm
