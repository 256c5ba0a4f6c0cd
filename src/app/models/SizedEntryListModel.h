#pragma once

#include "app/models/RowListModel.h"
#include "core/files/SizedEntry.h"
#include "core/spacelens/PackedCircle.h"

#include <QString>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <optional>
#include <vector>

namespace qm {

// Measured children of a folder as QML sees them, one row each: the space lens's sized list and,
// with a circle per row, its bubble layout. Its owner decides every value (colour index, removability,
// selection, circle); the model only keeps rows and announces changes, so that a list view or a
// repeater updates the rows that changed instead of rebuilding everything. Lives on the GUI thread.
class SizedEntryListModel : public RowListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The space lens model owns its lists")

public:
    struct Row
    {
        SizedEntry entry;
        int colorIndex = -1; // the entry's colour number; -1: none (drawn gray)
        bool removable = false;
        bool selected = false;
        std::optional<PackedCircle> circle; // its place in the bubble layout, for layout rows
        int order = 0;                      // its position in the layout (later ones are drawn on top)
    };

    // Role names avoid QML's `id` and an Item's own x, y and z.
    enum Role {
        EntryIdRole = Qt::UserRole + 1, // "entryId": the entry's UUID without braces
        NameRole,                       // "name": display text of the name
        PathRole,                       // "path": display text of the full path
        UrlRole,                        // "url": the file address, byte for byte
        BytesRole,                      // "bytes": allocated bytes (a number)
        SizeTextRole,                   // "sizeText": "— can't read", "0 KB" or the size text
        IsDirectoryRole,                // "isDirectory"
        UnreadableRole,                 // "unreadable"
        FractionRole,                   // "fraction": share of the folder's total, 0...1
        ColorIndexRole,                 // "colorIndex": -1 when the entry has none
        RemovableRole,                  // "removable": the space lens's removal rule allows it
        SelectedRole,                   // "selected": the entry's path is selected for removal
        CenterXRole,                    // "centerX", "centerY", "radius": layout units, 0 without a circle
        CenterYRole,
        RadiusRole,
        OrderRole, // "order": position in the layout, 0 for the heaviest
    };
    Q_ENUM(Role)

    explicit SizedEntryListModel(QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role) const override;

    const std::vector<Row>& rows() const { return m_rows; }
    // The row of the entry `id`, or nothing.
    const Row* find(const QUuid& id) const;

    // The size text of an entry as rows and bubbles show it: "— can't read" when unreadable, "0 KB"
    // below 1 byte, otherwise the byte-count text.
    static QString sizeText(const SizedEntry& entry);

    // Adds one row at the end.
    void append(Row row);
    // Replaces every row at once: the same entries in another order as one layout change (a view
    // keeps its scroll position and its delegates), anything else as one reset.
    void reset(std::vector<Row> rows);
    // Replaces the rows by `rows`, keeping the row of every entry id that stays where it is in the
    // model (its values change in place), removing the others and appending the new ones in the
    // given order. For views that animate an item from its old values to its new ones.
    void update(std::vector<Row> rows);
    // Sets each row's `selected` to `isSelected(entry)`, announcing only the rows that changed.
    void setSelected(const std::function<bool(const SizedEntry&)>& isSelected);

private:
    int rowTotal() const override { return int(m_rows.size()); }

    std::vector<Row> m_rows;
};

} // namespace qm
