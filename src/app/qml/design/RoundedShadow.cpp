#include "RoundedShadow.h"

#include "RoundedOutline.h"

#include <algorithm>
#include <cmath>

namespace qm {
namespace {

// How much of a shape's colour remains at `distance` outside its edge once blurred with a Gaussian of
// `deviation` (0.5 at the edge).
qreal edgeCoverage(qreal distance, qreal deviation)
{
    return 0.5 * std::erfc(distance / (deviation * M_SQRT2));
}

// Outlines from inside the edge out to three deviations: one every quarter deviation, with a half-pixel
// smoothed inner edge.
constexpr int kSteps = 12;

} // namespace

RoundedShadow::RoundedShadow(QQuickItem* parent) : QQuickItem(parent)
{
    setFlag(ItemHasContents, true);
}

void RoundedShadow::setCornerRadius(qreal radius)
{
    if (qFuzzyCompare(m_cornerRadius, radius))
        return;
    m_cornerRadius = radius;
    emit cornerRadiusChanged();
    update();
}

void RoundedShadow::setColor(const QColor& color)
{
    if (m_color == color)
        return;
    m_color = color;
    emit colorChanged();
    update();
}

void RoundedShadow::setBlurRadius(qreal radius)
{
    if (qFuzzyCompare(m_blurRadius, radius))
        return;
    m_blurRadius = radius;
    emit blurRadiusChanged();
    update();
}

void RoundedShadow::setOffsetX(qreal offset)
{
    if (qFuzzyCompare(m_offsetX, offset))
        return;
    m_offsetX = offset;
    emit offsetXChanged();
    update();
}

void RoundedShadow::setOffsetY(qreal offset)
{
    if (qFuzzyCompare(m_offsetY, offset))
        return;
    m_offsetY = offset;
    emit offsetYChanged();
    update();
}

qreal RoundedShadow::deviation() const
{
    return std::max(m_blurRadius / 2, 0.5);
}

void RoundedShadow::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry)
{
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.size() != oldGeometry.size())
        update();
}

QSGNode* RoundedShadow::updatePaintNode(QSGNode* old, UpdatePaintNodeData*)
{
    const qreal sigma = deviation();
    const qreal reach = 3 * sigma;
    std::vector<qreal> offsets{-0.5};
    std::vector<qreal> coverage{0};
    if (reach > 0.5) {
        offsets.push_back(0.5);
        coverage.push_back(edgeCoverage(0.5, sigma));
    }
    for (int k = 0; k <= kSteps; ++k) {
        const qreal d = reach * k / kSteps;
        if (d <= offsets.back())
            continue;
        offsets.push_back(d);
        coverage.push_back(k == kSteps ? 0 : edgeCoverage(d, sigma));
    }
    const QRectF shape(m_offsetX, m_offsetY, width(), height());
    const QColor base = m_color;
    return RoundedOutline::node(*this, old, shape, m_cornerRadius, offsets, [&](int k, QPointF) {
        QColor c = base;
        c.setAlphaF(float(base.alphaF() * coverage[std::size_t(k)]));
        return c;
    });
}

} // namespace qm
