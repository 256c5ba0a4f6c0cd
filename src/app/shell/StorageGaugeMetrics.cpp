#include "app/shell/StorageGaugeMetrics.h"

#include "core/model/Formatting.h"

#include <algorithm>
#include <cmath>

namespace qm {

StorageGaugeMetrics::StorageGaugeMetrics(QObject* parent) : QObject(parent) {}

QString StorageGaugeMetrics::valueText(const MacHealth& health)
{
    if (health.totalBytes < 1)
        return QStringLiteral("\u2014");
    return Formatting::byteCount(health.usedBytes) + QStringLiteral(" / ") +
           Formatting::byteCount(health.totalBytes);
}

double StorageGaugeMetrics::fillWidth(double barWidth, const MacHealth& health)
{
    if (health.totalBytes < 1)
        return 0;
    const double fraction = double(health.usedBytes) / double(health.totalBytes);
    // std::round takes halves away from zero.
    return std::max(6.0, std::round(barWidth * fraction));
}

QString StorageGaugeMetrics::valueText(qint64 usedBytes, qint64 totalBytes) const
{
    return valueText(MacHealth{.usedBytes = usedBytes, .totalBytes = totalBytes});
}

double StorageGaugeMetrics::fillWidth(double barWidth, qint64 usedBytes, qint64 totalBytes) const
{
    return fillWidth(barWidth, MacHealth{.usedBytes = usedBytes, .totalBytes = totalBytes});
}

} // namespace qm
