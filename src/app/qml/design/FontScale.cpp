#include "app/qml/design/FontScale.h"

#include <QtGui/qtguiglobal.h>

#include <algorithm>

// The resolution QFont turns point sizes into pixels with (exported by QtGui, declared in its private
// headers): 96 under Qt::AA_Use96Dpi, else the primary screen's logical resolution rounded.
Q_GUI_EXPORT int qt_defaultDpiY();

namespace qm {

FontScale::FontScale(QObject* parent) : QObject(parent), m_pointsPerPixel(currentPointsPerPixel()) {}

qreal FontScale::currentPointsPerPixel()
{
    return 72.0 / qt_defaultDpiY();
}

QFont FontScale::font(qreal pixels, int weight) const
{
    QFont result;
    result.setPointSizeF(std::max(pixels, 0.01) * m_pointsPerPixel);
    result.setWeight(weight >= 1 && weight <= 1000 ? static_cast<QFont::Weight>(weight) : QFont::Normal);
    return result;
}

} // namespace qm
