#include "app/models/ApplicationListModel.h"

#include <algorithm>

namespace qm {

ApplicationListModel::ApplicationListModel(QObject* parent)
    : RowListModel(
          {
              {AppIdRole, "appId"},
              {NameRole, "name"},
              {BundleIdRole, "bundleID"},
              {VersionRole, "version"},
              {SizeBytesRole, "sizeBytes"},
              {PathRole, "path"},
              {IconPathRole, "iconPath"},
              {IconIdRole, "iconId"},
          },
          parent)
{}

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

const InstalledApp* ApplicationListModel::at(int row) const
{
    if (row < 0 || std::size_t(row) >= m_rows.size())
        return nullptr;
    return &m_rows[std::size_t(row)];
}

void ApplicationListModel::replace(std::vector<InstalledApp> rows)
{
    replaceRows(m_rows, std::move(rows),
                [](const InstalledApp& a, const InstalledApp& b) { return a.id() == b.id(); });
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
