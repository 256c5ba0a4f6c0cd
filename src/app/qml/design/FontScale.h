#pragma once

#include <QFont>
#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace qm {

// Converts the design's font sizes, which are logical pixels with fractions (16.92), into the point
// sizes Qt Quick takes without rounding (`font.pixelSize` only holds whole pixels, and QML's
// Qt.font() drops the fraction of a point size). Available in QML as the singleton `FontScale`.
class FontScale : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    // Points per logical pixel: 72 over the dots per inch Qt converts fonts with (0.75 at 96 dpi).
    Q_PROPERTY(qreal pointsPerPixel READ pointsPerPixel CONSTANT)

public:
    explicit FontScale(QObject* parent = nullptr);

    // The same figure for C++ callers.
    static qreal currentPointsPerPixel();
    qreal pointsPerPixel() const { return m_pointsPerPixel; }

    // The application's font at `pixels` logical pixels (fractions kept, at least 0.01) and `weight`
    // (a QFont::Weight value, 1..1000; anything else draws regular). Only size and weight are set, so
    // the family stays the application's.
    Q_INVOKABLE QFont font(qreal pixels, int weight) const;

private:
    qreal m_pointsPerPixel;
};

} // namespace qm
