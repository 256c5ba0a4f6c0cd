#pragma once

#include "app/models/RowListModel.h"
#include "core/privacy/PrivacyItem.h"

#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <vector>

namespace qm {

// The browser groups of the privacy screen as QML sees them: one row per browser, in the order of
// each browser's first item, with that browser's items in their own order. A snapshot that its owner
// replaces in one step whenever the items or their selection change; it computes nothing else.
class PrivacyGroupListModel : public RowListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The privacy model owns its groups")

public:
    // One browser's items.
    struct Group
    {
        QString browser;
        std::vector<PrivacyItem> items;

        bool operator==(const Group&) const = default;
    };

    enum Role {
        BrowserRole = Qt::UserRole + 1,
        // The group's items as maps: `id` (UUID without braces), `browser`, `kind`, `systemImage`,
        // `path` (display text), `bytes`, `bytesText` and `isSelected`.
        ItemsRole,
    };
    Q_ENUM(Role)

    explicit PrivacyGroupListModel(QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role) const override;

    const std::vector<Group>& groups() const { return m_groups; }

    // The groups of `items`: one per distinct browser, in the order of its first item.
    static std::vector<Group> grouped(const std::vector<PrivacyItem>& items);
    // Replaces the rows by the groups of `items`. The same browsers in the same order keep their rows
    // (one dataChanged covers them); otherwise the model is reset once.
    void replace(const std::vector<PrivacyItem>& items);

private:
    int rowTotal() const override { return int(m_groups.size()); }
    static QVariantList itemList(const Group& group);

    std::vector<Group> m_groups;
};

} // namespace qm
