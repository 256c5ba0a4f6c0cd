#include "app/models/ApplicationFilterModel.h"

#include "app/models/ApplicationListModel.h"
#include "core/model/TextSearch.h"

#include <algorithm>

namespace qm {

ApplicationFilterModel::ApplicationFilterModel(ApplicationListModel& source, OwnTest isOwn, QObject* parent)
    : QSortFilterProxyModel(parent), m_source(source), m_isOwn(std::move(isOwn))
{
    // Connected before the proxy's own handlers, so the keys are current when they filter and sort.
    connect(&m_source, &QAbstractItemModel::modelReset, this, &ApplicationFilterModel::rekeyAll);
    connect(&m_source, &QAbstractItemModel::layoutChanged, this, &ApplicationFilterModel::rekeyAll);
    connect(&m_source, &QAbstractItemModel::rowsMoved, this, &ApplicationFilterModel::rekeyAll);
    connect(&m_source, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                rekey(topLeft.row(), bottomRight.row());
            });
    connect(&m_source, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) {
                m_keys.insert(m_keys.begin() + first, std::size_t(last - first + 1), Keys{});
                rekey(first, last);
            });
    connect(&m_source, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int last) {
                for (int row = first; row <= last; ++row)
                    m_ownCount -= m_keys[std::size_t(row)].own ? 1 : 0;
                m_keys.erase(m_keys.begin() + first, m_keys.begin() + last + 1);
            });
    rekeyAll();
    setSourceModel(&m_source);

    m_shown = rowCount();
    connect(this, &QAbstractItemModel::modelReset, this, &ApplicationFilterModel::announceCount);
    connect(this, &QAbstractItemModel::layoutChanged, this, &ApplicationFilterModel::announceCount);
    connect(this, &QAbstractItemModel::rowsInserted, this, &ApplicationFilterModel::announceCount);
    connect(this, &QAbstractItemModel::rowsRemoved, this, &ApplicationFilterModel::announceCount);
}

void ApplicationFilterModel::announceCount()
{
    if (rowCount() == m_shown)
        return;
    m_shown = rowCount();
    emit countChanged();
}

std::vector<InstalledApp> ApplicationFilterModel::rows() const
{
    std::vector<InstalledApp> out;
    out.reserve(std::size_t(rowCount()));
    for (int row = 0; row < rowCount(); ++row) {
        if (const InstalledApp* app = m_source.at(mapToSource(index(row, 0)).row()))
            out.push_back(*app);
    }
    return out;
}

void ApplicationFilterModel::setQuery(const QString& query)
{
    if (m_query == query)
        return;
    m_query = query;
    m_foldedQuery = TextSearch::fold(query);
    invalidateRowsFilter();
}

void ApplicationFilterModel::setSortBySize(bool sortBySize)
{
    if (m_sortBySize == sortBySize)
        return;
    // The whole order changes: one reset, so a view starts again at the top.
    beginResetModel();
    m_sortBySize = sortBySize;
    endResetModel();
    sort(sortBySize ? 0 : -1);
}

bool ApplicationFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    if (sourceRow < 0 || std::size_t(sourceRow) >= m_keys.size())
        return false;
    const Keys& keys = m_keys[std::size_t(sourceRow)];
    if (keys.own)
        return false;
    return m_query.isEmpty() || TextSearch::containsFolded(keys.foldedName, m_foldedQuery) ||
           TextSearch::containsFolded(keys.foldedBundleID, m_foldedQuery);
}

bool ApplicationFilterModel::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const InstalledApp* a = m_source.at(left.row());
    const InstalledApp* b = m_source.at(right.row());
    if (m_sortBySize && a != nullptr && b != nullptr && a->sizeBytes != b->sizeBytes)
        return a->sizeBytes > b->sizeBytes;
    return left.row() < right.row();
}

void ApplicationFilterModel::rekey(int first, int last)
{
    for (int row = std::max(first, 0); row <= last && std::size_t(row) < m_keys.size(); ++row) {
        const InstalledApp* app = m_source.at(row);
        if (app == nullptr)
            continue;
        Keys& keys = m_keys[std::size_t(row)];
        m_ownCount -= keys.own ? 1 : 0;
        keys = keysOf(*app, std::move(keys));
        m_ownCount += keys.own ? 1 : 0;
    }
}

void ApplicationFilterModel::rekeyAll()
{
    m_keys.resize(m_source.rows().size());
    m_ownCount = 0;
    for (Keys& keys : m_keys)
        keys.own = false;
    rekey(0, int(m_keys.size()) - 1);
}

ApplicationFilterModel::Keys ApplicationFilterModel::keysOf(const InstalledApp& app, Keys keys) const
{
    if (!keys.keyed || keys.name != app.name) {
        keys.name = app.name;
        keys.foldedName = TextSearch::fold(app.name);
    }
    if (!keys.keyed || keys.bundleID != app.bundleID) {
        keys.bundleID = app.bundleID;
        keys.foldedBundleID = TextSearch::fold(app.bundleID);
    }
    keys.keyed = true;
    keys.own = m_isOwn(app);
    return keys;
}

} // namespace qm
