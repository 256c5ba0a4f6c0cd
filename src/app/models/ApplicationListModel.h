#pragma once

#include "app/models/RowListModel.h"
#include "core/apps/InstalledApp.h"

#include <QtQml/qqmlregistration.h>

#include <vector>

namespace qm {

// The rows of the Applications list as QML sees them: the inventory of installed applications in
// listing order, which its owner replaces in one step each time it is published again (the search
// and sort are `ApplicationFilterModel`'s, over this). It computes nothing.
class ApplicationListModel : public RowListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The Applications model owns its list")

public:
    enum Role {
        // The bundle path's bytes, percent-encoded: a text that names the application exactly, also
        // when its path is not valid UTF-8 (a key for the row, never a path to open).
        AppIdRole = Qt::UserRole + 1,
        NameRole,
        BundleIdRole,
        VersionRole,
        // Allocated bytes of the bundle (qint64); 0 until measured.
        SizeBytesRole,
        // The bundle path as display text.
        PathRole,
        // The bundle's icon file as display text, empty when it has none.
        IconPathRole,
        // The icon file's path bytes, percent-encoded (`iconId`): the id under which the application
        // icon provider loads it; empty when the bundle has no icon.
        IconIdRole,
    };
    Q_ENUM(Role)

    explicit ApplicationListModel(QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role) const override;

    const std::vector<InstalledApp>& rows() const { return m_rows; }
    // The application of row `row`; null when there is no such row.
    const InstalledApp* at(int row) const;

    // Replaces the rows. When the new rows name the same applications in the same order, the rows are
    // kept and one dataChanged covers them all (a view keeps its place); otherwise the model is reset
    // once. Either way views hear of it exactly once, also when nothing differs.
    void replace(std::vector<InstalledApp> rows);

    // The percent-encoded bytes of `app`'s bundle path, as the AppIdRole gives them.
    static QString appId(const InstalledApp& app);
    // The percent-encoded bytes of `app`'s icon file, as the IconIdRole gives them; empty without one.
    // Every byte but ASCII letters, digits, "-._~" and "/" is encoded, so the text survives a trip
    // through an image address and still names the same file.
    static QString iconId(const InstalledApp& app);

private:
    int rowTotal() const override { return int(m_rows.size()); }

    std::vector<InstalledApp> m_rows;
};

} // namespace qm
