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

DuplicateGroupListModel::DuplicateGroupListModel(QObject* parent)
    : RowListModel({{GroupIdRole, "groupId"},
                    {FileCountRole, "fileCount"},
                    {CopySizeRole, "copySize"},
                    {WastedTextRole, "wastedText"},
                    {FilesRole, "files"}},
                   parent)
{}

QVariant DuplicateGroupListModel::data(const QModelIndex& index, int role) const
{
    const DuplicateGroup* row = rowAt(m_groups, index);
    if (row == nullptr)
        return {};
    const DuplicateGroup& group = *row;
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

void DuplicateGroupListModel::replace(std::vector<DuplicateGroup> groups)
{
    resetRows(m_groups, std::move(groups));
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
    // Which groups lost files and which go.
    std::vector<bool> touched(m_groups.size(), false);
    std::vector<bool> goes(m_groups.size(), false);
    for (std::size_t row = 0; row < m_groups.size(); ++row) {
        touched[row] = std::erase_if(m_groups[row].files, drop) > 0;
        goes[row] = !keep(m_groups[row]);
    }
    if (removeRows(m_groups, goes, kMaxRemovedRuns) == Removal::reset)
        return;
    // The rows that stayed, in order, and whether each lost files.
    std::vector<bool> stayedTouched;
    for (std::size_t row = 0; row < goes.size(); ++row) {
        if (!goes[row])
            stayedTouched.push_back(touched[row]);
    }
    for (int row = 0; row < count(); ++row) {
        if (stayedTouched[std::size_t(row)])
            emit dataChanged(index(row), index(row),
                             {FileCountRole, CopySizeRole, WastedTextRole, FilesRole});
    }
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
