#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QHash>
#include <QtQml/qqmlregistration.h>

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace qm {

// What the list models QML reads share: the row count as a property with its change signal, the role
// table given at construction, and the ways a snapshot of rows is replaced or thinned out so that views
// hear of it in one step. A subclass keeps its rows in a vector, says how many there are, and words
// each role of a row; it computes nothing else. Lives on the GUI thread.
class RowListModel : public QAbstractListModel
{
    Q_OBJECT
    QML_ANONYMOUS
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    int rowCount(const QModelIndex& parent = QModelIndex()) const final;
    QHash<int, QByteArray> roleNames() const final { return m_roles; }
    int count() const { return rowTotal(); }

signals:
    void countChanged();

protected:
    RowListModel(QHash<int, QByteArray> roles, QObject* parent);

    virtual int rowTotal() const = 0;

    // The row `index` names, or null when it names none.
    template <typename Row> static const Row* rowAt(const std::vector<Row>& rows, const QModelIndex& index)
    {
        if (!index.isValid() || index.row() < 0 || std::size_t(index.row()) >= rows.size())
            return nullptr;
        return &rows[std::size_t(index.row())];
    }

    // Replaces `current` by `rows` with one reset, then announces the count when it changed.
    template <typename Row> void resetRows(std::vector<Row>& current, std::vector<Row> rows)
    {
        const bool countChanges = rows.size() != current.size();
        beginResetModel();
        current = std::move(rows);
        endResetModel();
        if (countChanges)
            emit countChanged();
    }

    // Replaces `current` by `rows`: when there are rows and each is `same` as the one it replaces, in
    // place with one dataChanged over them all (a view keeps its place); otherwise as `resetRows`.
    template <typename Row, typename Same>
    void replaceRows(std::vector<Row>& current, std::vector<Row> rows, Same same)
    {
        if (!rows.empty() && std::equal(current.begin(), current.end(), rows.begin(), rows.end(), same)) {
            current = std::move(rows);
            emit dataChanged(index(0), index(int(current.size()) - 1));
            return;
        }
        resetRows(current, std::move(rows));
    }

    // How `removeRows` announced what it did.
    enum class Removal { none, runs, reset };

    // Removes the rows of `current` whose flag in `goes` is set, keeping the others in order: each run
    // of removed rows as such, or one reset beyond `maxRuns` runs (one reset is cheaper then).
    template <typename Row>
    Removal removeRows(std::vector<Row>& current, const std::vector<bool>& goes, std::size_t maxRuns)
    {
        // Runs of removed rows as [first, last], from the end, so earlier indexes stay valid.
        std::vector<std::pair<int, int>> runs;
        for (int row = int(current.size()) - 1; row >= 0; --row) {
            if (!goes[std::size_t(row)])
                continue;
            if (!runs.empty() && runs.back().first == row + 1)
                runs.back().first = row;
            else
                runs.emplace_back(row, row);
        }
        if (runs.empty())
            return Removal::none;
        if (runs.size() > maxRuns) {
            std::vector<Row> kept;
            kept.reserve(current.size());
            for (std::size_t row = 0; row < current.size(); ++row) {
                if (!goes[row])
                    kept.push_back(std::move(current[row]));
            }
            resetRows(current, std::move(kept));
            return Removal::reset;
        }
        for (const auto& [first, last] : runs) {
            beginRemoveRows(QModelIndex(), first, last);
            current.erase(current.begin() + first, current.begin() + last + 1);
            endRemoveRows();
        }
        emit countChanged();
        return Removal::runs;
    }

private:
    QHash<int, QByteArray> m_roles;
};

} // namespace qm
