#pragma once

#include "core/apps/InstalledApp.h"

#include <QSortFilterProxyModel>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <vector>

namespace qm {

class ApplicationListModel;

// The Applications list as the page shows it: the rows of an `ApplicationListModel` (the inventory,
// in listing order) whose name or identifier contains the query regardless of case and diacritics,
// without this program's own entries, in listing order or largest first. Keeps the folded name and
// identifier of each source row, folded when a row arrives or its texts change, never per
// comparison. It neither reads the disk nor changes the inventory. Lives on the GUI thread.
class ApplicationFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The Applications model owns its list")
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    // Tells this program's own entries, which are never shown.
    using OwnTest = std::function<bool(const InstalledApp&)>;

    // Shows the rows of `source`, which must outlive this model; `isOwn` is asked once per row each
    // time the row arrives or changes.
    ApplicationFilterModel(ApplicationListModel& source, OwnTest isOwn, QObject* parent = nullptr);

    // How many rows are shown.
    int count() const { return rowCount(); }
    // The applications shown, in the order shown (copies).
    std::vector<InstalledApp> rows() const;

    const QString& query() const { return m_query; }
    // Keeps the rows whose name or identifier contains `query` (as typed, never trimmed) regardless of
    // case and diacritics; an empty query keeps every row. Rows come and go as inserts and removals.
    void setQuery(const QString& query);
    bool sortBySize() const { return m_sortBySize; }
    // Largest first, equal sizes in listing order (a size change moves the row); otherwise listing
    // order. A change resets the model once.
    void setSortBySize(bool sortBySize);

    // How many source rows are this program's own entries.
    int ownCount() const { return m_ownCount; }

signals:
    void countChanged();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    // The source is the one given at construction, whose rows the keys follow.
    using QSortFilterProxyModel::setSourceModel;

    struct Keys
    {
        QString name;     // as listed: a row whose texts are unchanged is not folded again
        QString bundleID; // as listed
        QString foldedName;
        QString foldedBundleID;
        bool keyed = false; // the folded texts are those of `name` and `bundleID`
        bool own = false;
    };

    // Brings the keys of source rows [first, last] up to date with the rows.
    void rekey(int first, int last);
    void rekeyAll();
    // Emits countChanged when the number of shown rows differs from the last one announced.
    void announceCount();
    Keys keysOf(const InstalledApp& app, Keys keys) const;

    ApplicationListModel& m_source;
    OwnTest m_isOwn;
    std::vector<Keys> m_keys; // one per source row
    int m_ownCount = 0;
    QString m_query;
    QString m_foldedQuery;
    bool m_sortBySize = false;
    int m_shown = 0; // the row count last announced
};

} // namespace qm
