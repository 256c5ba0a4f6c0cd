#include "app/models/SpaceLensDisplay.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qm {

SpaceLensDisplay::SpaceLensDisplay(QObject* parent) : QObject(parent) {}

SpaceLensDisplay::Transform SpaceLensDisplay::fit(QSizeF area, const std::vector<PackedCircle>& layout)
{
    if (layout.empty())
        return {};
    double minX = std::numeric_limits<double>::infinity();
    double maxX = -minX;
    double minY = minX;
    double maxY = -minX;
    for (const PackedCircle& circle : layout) {
        minX = std::min(minX, circle.center.x() - circle.radius);
        maxX = std::max(maxX, circle.center.x() + circle.radius);
        minY = std::min(minY, circle.center.y() - circle.radius);
        maxY = std::max(maxY, circle.center.y() + circle.radius);
    }
    const double scaleX = (area.width() - kFitMargin) / std::max(maxX - minX, 1.0);
    const double scaleY = (area.height() - kFitMargin) / std::max(maxY - minY, 1.0);
    return {std::min(scaleX, scaleY), (minX + maxX) * 0.5, (minY + maxY) * 0.5};
}

QPointF SpaceLensDisplay::place(const Transform& transform, QSizeF area, QPointF point)
{
    return {area.width() / 2 + (point.x() - transform.midX) * transform.scale,
            area.height() / 2 + (point.y() - transform.midY) * transform.scale};
}

double SpaceLensDisplay::nameFontSize(double d)
{
    return std::min(d * 0.12, 15.0);
}

double SpaceLensDisplay::sizeFontSize(double d)
{
    return std::min(d * 0.09, 12.0);
}

double SpaceLensDisplay::checkSize(double d)
{
    return std::min(std::max(d * 0.2, 14.0), 24.0);
}

QPointF SpaceLensDisplay::checkOffset(double d)
{
    return {d * 0.3, -d * 0.3};
}

QString SpaceLensDisplay::percentText(double fraction)
{
    // std::round takes halves away from zero.
    const double percent = std::round(fraction * 100.0);
    return QString::number(static_cast<qint64>(std::isfinite(percent) ? percent : 0.0)) + QLatin1Char('%');
}

double SpaceLensDisplay::shareBarWidth(double width, double fraction)
{
    return std::max(width * fraction, 3.0);
}

QString SpaceLensDisplay::contentState(bool hasEntries, bool scanning, bool currentUnreadable,
                                       bool justEmptiedByRemoval, bool hasScanned)
{
    if (hasEntries)
        return QStringLiteral("results");
    if (scanning)
        return QStringLiteral("measuring");
    if (currentUnreadable)
        return QStringLiteral("unreadable");
    if (justEmptiedByRemoval)
        return QStringLiteral("emptied");
    if (hasScanned)
        return QStringLiteral("empty");
    // Nothing measured yet: the same column as while measuring.
    return QStringLiteral("measuring");
}

const std::vector<QColor>& SpaceLensDisplay::palette()
{
    static const std::vector<QColor> colours{
        QColor(77, 141, 246), QColor(47, 207, 192), QColor(177, 108, 240), QColor(246, 162, 60),
        QColor(236, 77, 155), QColor(54, 210, 122), QColor(108, 124, 240), QColor(242, 86, 107),
        QColor(0, 181, 216),  QColor(242, 178, 60), QColor(155, 108, 245), QColor(87, 198, 160),
    };
    return colours;
}

QColor SpaceLensDisplay::entryColor(int index)
{
    if (index < 0)
        return unindexedColor();
    const auto& colours = palette();
    return colours[std::size_t(index) % colours.size()];
}

QColor SpaceLensDisplay::lensAccent()
{
    return QColor(70, 184, 222);
}

QColor SpaceLensDisplay::unindexedColor()
{
    // The platform's standard gray.
    return QColor(142, 142, 147);
}

QVariantMap SpaceLensDisplay::fitModel(double width, double height, const QAbstractItemModel* layout)
{
    std::vector<PackedCircle> circles;
    if (layout != nullptr) {
        const QHash<int, QByteArray> names = layout->roleNames();
        const int xRole = names.key("centerX", -1);
        const int yRole = names.key("centerY", -1);
        const int rRole = names.key("radius", -1);
        const int rows = layout->rowCount();
        circles.reserve(std::size_t(std::max(rows, 0)));
        for (int row = 0; row < rows; ++row) {
            const QModelIndex at = layout->index(row, 0);
            circles.push_back({QUuid(), QPointF(at.data(xRole).toDouble(), at.data(yRole).toDouble()),
                               at.data(rRole).toDouble()});
        }
    }
    const Transform t = fit(QSizeF(width, height), circles);
    return {{QStringLiteral("scale"), t.scale},
            {QStringLiteral("midX"), t.midX},
            {QStringLiteral("midY"), t.midY}};
}

QPointF SpaceLensDisplay::placeIn(const QVariantMap& transform, double width, double height, double x,
                                  double y)
{
    const Transform t{transform.value(QStringLiteral("scale"), 1.0).toDouble(),
                      transform.value(QStringLiteral("midX")).toDouble(),
                      transform.value(QStringLiteral("midY")).toDouble()};
    return place(t, QSizeF(width, height), QPointF(x, y));
}

} // namespace qm
