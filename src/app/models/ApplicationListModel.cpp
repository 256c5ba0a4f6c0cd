#include "app/models/ApplicationListModel.h"

#include <algorithm>

namespace qm {

ApplicationListModel::ApplicationListModel(QObject* parent) : QAbstractListModel(parent) {}

int ApplicationListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant ApplicationListModel::data(const QModelIndex& index, int role) const
{
    const InstalledApp* app = index.isValid() ? at(index.row()) : nullptr;
    if (app == nullptr)
        return {};
    switch (role) {
    case AppIdRole:
        return appId(*app);
    case Qt::DisplayRole:
    case NameRole:
        return app->name;
    case BundleIdRole:
        return app->bundleID;
    case VersionRole:
        return app->version;
    case SizeBytesRole:
        return app->sizeBytes;
    case PathRole:
        return FileSystem::displayName(app->url);
    case IconPathRole:
        return app->icon ? FileSystem::displayName(*app->icon) : QString();
    case IconIdRole:
        return iconId(*app);
    default:
        return {};
    }
}

QHash<int, QByteArray> ApplicationListModel::roleNames() const
{
    return {
        {AppIdRole, "appId"},       {NameRole, "name"},           {BundleIdRole, "bundleID"},
        {VersionRole, "version"},   {SizeBytesRole, "sizeBytes"}, {PathRole, "path"},
        {IconPathRole, "iconPath"}, {IconIdRole, "iconId"},
    };
}

const InstalledApp* ApplicationListModel::at(int row) const
{
    if (row < 0 || std::size_t(row) >= m_rows.size())
        return nullptr;
    return &m_rows[std::size_t(row)];
}

void ApplicationListModel::replace(std::vector<InstalledApp> rows)
{
    const bool sameApps =
        std::equal(m_rows.begin(), m_rows.end(), rows.begin(), rows.end(),
                   [](const InstalledApp& a, const InstalledApp& b) { return a.id() == b.id(); });
    if (sameApps && !rows.empty()) {
        m_rows = std::move(rows);
        emit dataChanged(index(0), index(int(m_rows.size()) - 1));
        return;
    }
    const bool countChanges = rows.size() != m_rows.size();
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
    if (countChanges)
        emit countChanged();
}

namespace {

QString percentEncoded(const std::string& bytes)
{
    return QString::fromLatin1(QByteArray(bytes.data(), qsizetype(bytes.size())).toPercentEncoding("/"));
}

} // namespace

QString ApplicationListModel::appId(const InstalledApp& app)
{
    return percentEncoded(app.id());
}

QString ApplicationListModel::iconId(const InstalledApp& app)
{
    return app.icon ? percentEncoded(app.icon->native()) : QString();
}

} // namespace qm
