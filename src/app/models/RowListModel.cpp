#include "app/models/RowListModel.h"

namespace qm {

RowListModel::RowListModel(QHash<int, QByteArray> roles, QObject* parent)
    : QAbstractListModel(parent), m_roles(std::move(roles))
{}

int RowListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rowTotal();
}

} // namespace qm
