#include "GradientBorder.h"

#include "RoundedOutline.h"

#include <algorithm>

namespace qm {

GradientBorder::GradientBorder(QQuickItem* parent) : QQuickItem(parent)
{
    setFlag(ItemHasContents, true);
}

void GradientBorder::setCornerRadius(qreal radius)
{
    if (qFuzzyCompare(m_cornerRadius, radius))
        return;
    m_cornerRadius = radius;
    emit cornerRadiusChanged();
    update();
}

void GradientBorder::setLineWidth(qreal width)
{
    if (qFuzzyCompare(m_lineWidth, width))
        return;
    m_lineWidth = width;
    emit lineWidthChanged();
    update();
}

void GradientBorder::setTopColor(const QColor& color)
{
    if (m_topColor == color)
        return;
    m_topColor = color;
    emit topColorChanged();
    update();
}

void GradientBorder::setBottomColor(const QColor& color)
{
    if (m_bottomColor == color)
        return;
    m_bottomColor = color;
    emit bottomColorChanged();
    update();
}

QColor GradientBorder::colorAt(qreal fraction) const
{
    const qreal f = std::clamp(fraction, 0.0, 1.0);
    const auto mix = [f](float top, float bottom) { return top + (bottom - top) * float(f); };
    return QColor::fromRgbF(
        mix(m_topColor.redF(), m_bottomColor.redF()), mix(m_topColor.greenF(), m_bottomColor.greenF()),
        mix(m_topColor.blueF(), m_bottomColor.blueF()), mix(m_topColor.alphaF(), m_bottomColor.alphaF()));
}

void GradientBorder::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry)
{
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.size() != oldGeometry.size())
        update();
}

QSGNode* GradientBorder::updatePaintNode(QSGNode* old, UpdatePaintNodeData*)
{
    // The line from the edge inwards, each side smoothed over a pixel centred on it (as Qt Quick
    // smooths a rectangle's border); a line under a pixel wide fades instead of thinning.
    const qreal line = std::max(m_lineWidth, 0.0);
    std::vector<qreal> offsets;
    std::vector<qreal> strength;
    if (line >= 1) {
        offsets = {0.5, -0.5, -(line - 0.5), -(line + 0.5)};
        strength = {0, 1, 1, 0};
    } else if (line > 0) {
        offsets = {0.5, -line / 2, -line - 0.5};
        strength = {0, line, 0};
    }
    const qreal h = height();
    return RoundedOutline::node(*this, old, QRectF(0, 0, width(), h), m_cornerRadius, offsets,
                                [&](int k, QPointF p) {
                                    QColor c = colorAt(h > 0 ? p.y() / h : 0);
                                    c.setAlphaF(float(c.alphaF() * strength[std::size_t(k)]));
                                    return c;
                                });
}

} // namespace qm
