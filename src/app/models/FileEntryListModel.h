#pragma once

#include "app/models/RowListModel.h"
#include "core/files/FileEntry.h"

#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <vector>

namespace qm {

// The files of a file tool as QML sees them, one row per file: the model's own list, changed in place.
// Ticking one file changes that row only, and dropping files removes their rows, so a view of 200,000
// rows keeps its items and its place; only a new list resets it. Texts are made when a row is read.
class FileEntryListModel : public RowListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("A file tool's model owns its file list")

public:
    enum Role {
        // The file's UUID without braces, the argument of the tool's `toggle`.
        FileIdRole = Qt::UserRole + 1,
        // The file name and its parent folder's path, as display text.
        NameRole,
        FolderRole,
        // The allocated size as a byte-count text ("0 KB" below 1 byte).
        SizeTextRole,
        IsSelectedRole,
        // The file shares its storage (a linked copy): it frees nothing and cannot be ticked.
        LinkedRole,
    };
    Q_ENUM(Role)

    explicit FileEntryListModel(QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role) const override;

    const std::vector<FileEntry>& rows() const { return m_rows; }

    // Replaces every row (a reset, once).
    void replace(std::vector<FileEntry> rows);
    // Ticks or unticks row `row`; only that row is announced, and only when it changes.
    void setSelected(int row, bool selected);
    // Drops the rows `drop` accepts, keeping the others in order: each run of dropped rows is removed
    // as such, or the list is reset once when the runs are many.
    void removeIf(const std::function<bool(const FileEntry&)>& drop);

    // One file as the row roles give it, keyed by the role names: for lists nested in another row.
    static QVariantMap rowMap(const FileEntry& file);

private:
    int rowTotal() const override { return int(m_rows.size()); }

    std::vector<FileEntry> m_rows;
};

} // namespace qm
