#pragma once

#include "app/models/RowListModel.h"
#include "core/files/DuplicateGroup.h"

#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <vector>

namespace qm {

// The groups of the duplicates tool as QML sees them, one row per group with its files nested: the
// model's own list, changed in place. Ticking one file changes its group's row only, pruning after a
// clean changes or removes only the groups it touches; only a new search resets the list. Texts are
// made when a row is read.
class DuplicateGroupListModel : public RowListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The duplicates model owns its groups")

public:
    enum Role {
        // The group's UUID without braces.
        GroupIdRole = Qt::UserRole + 1,
        // How many files the group holds, linked copies included.
        FileCountRole,
        // The first file's size as a byte-count text ("0 KB" when the group has no file).
        CopySizeRole,
        // The group's reclaimable bytes as a byte-count text.
        WastedTextRole,
        // The files as maps keyed like FileEntryListModel's roles (`fileId`, `name`, `folder`,
        // `sizeText`, `isSelected`, `linked`).
        FilesRole,
    };
    Q_ENUM(Role)

    explicit DuplicateGroupListModel(QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role) const override;

    const std::vector<DuplicateGroup>& groups() const { return m_groups; }

    // Replaces every group (a reset, once).
    void replace(std::vector<DuplicateGroup> groups);
    // Ticks or unticks file `file` of group `group`; only that group's files are announced, and only
    // when the file changes.
    void setSelected(int group, int file, bool selected);
    // Drops the files `drop` accepts from every group, then the groups `keep` no longer accepts. A group
    // that lost files is announced, a dropped one removed; nothing else is touched.
    void prune(const std::function<bool(const FileEntry&)>& drop,
               const std::function<bool(const DuplicateGroup&)>& keep);

private:
    int rowTotal() const override { return int(m_groups.size()); }

    static QVariantList fileList(const DuplicateGroup& group);

    std::vector<DuplicateGroup> m_groups;
};

} // namespace qm
