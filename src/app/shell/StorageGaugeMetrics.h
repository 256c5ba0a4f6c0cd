#pragma once

#include "core/system/MacHealth.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace qm {

// What the sidebar's storage gauge shows for a reading of the home volume: its value text and the
// width of its fill. In QML the singleton `StorageGaugeMetrics`; byte counts are bytes, widths logical
// pixels.
class StorageGaugeMetrics : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    explicit StorageGaugeMetrics(QObject* parent = nullptr);

    // "—" while no total is known (below 1 byte); otherwise the used and the total byte-count texts
    // joined by " / " ("0 KB" for a count below 1).
    static QString valueText(const MacHealth& health);
    // The fill's width in a bar `barWidth` wide: the used fraction of the bar rounded to the nearest
    // whole pixel (halves away from zero) but never under 6, or 0 (no fill at all) while no total is
    // known.
    static double fillWidth(double barWidth, const MacHealth& health);

    Q_INVOKABLE QString valueText(qint64 usedBytes, qint64 totalBytes) const;
    Q_INVOKABLE double fillWidth(double barWidth, qint64 usedBytes, qint64 totalBytes) const;
    // Whether the gauge draws a fill: only while a total of at least 1 byte is known.
    Q_INVOKABLE bool hasFill(qint64 totalBytes) const { return totalBytes >= 1; }
};

} // namespace qm
