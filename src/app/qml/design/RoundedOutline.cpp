#include "RoundedOutline.h"

#include <QSGGeometry>
#include <QSGGeometryNode>
#include <QSGVertexColorMaterial>

#include <algorithm>
#include <cmath>

namespace qm::RoundedOutline {

QSGGeometryNode* node(QSGNode* old)
{
    if (old != nullptr)
        return static_cast<QSGGeometryNode*>(old);
    auto* node = new QSGGeometryNode;
    auto* geometry = new QSGGeometry(QSGGeometry::defaultAttributes_ColoredPoint2D(), 0, 0,
                                     QSGGeometry::UnsignedShortType);
    geometry->setDrawingMode(QSGGeometry::DrawTriangles);
    node->setGeometry(geometry);
    node->setFlag(QSGNode::OwnsGeometry);
    node->setMaterial(new QSGVertexColorMaterial);
    node->setFlag(QSGNode::OwnsMaterial);
    return node;
}

void fill(QSGGeometry& geometry, const QRectF& rect, qreal radius, const std::vector<qreal>& offsets,
          const std::function<QColor(int, QPointF)>& colorAt)
{
    const int outlines = int(offsets.size());
    if (outlines < 2 || rect.width() < 0 || rect.height() < 0) {
        geometry.allocate(0, 0);
        return;
    }
    const qreal corner = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2);
    const qreal widest = corner + std::max(0.0, *std::max_element(offsets.begin(), offsets.end()));
    // About 3 pixels of arc per segment, so the largest corner stays round.
    const int segments = std::clamp(int(std::ceil(widest * M_PI / 2 / 3)), 1, 24);
    const int perOutline = 4 * (segments + 1);
    geometry.allocate(outlines * perOutline, (outlines - 1) * perOutline * 6);

    auto* vertex = geometry.vertexDataAsColoredPoint2D();
    for (int k = 0; k < outlines; ++k) {
        const qreal d = offsets[std::size_t(k)];
        const qreal r = std::max(corner + d, 0.0);
        const qreal left = rect.left() - d;
        const qreal top = rect.top() - d;
        const qreal right = rect.right() + d;
        const qreal bottom = rect.bottom() + d;
        // Corner centres clockwise from the top left, with the angle each corner's arc starts at.
        const QPointF centres[4] = {
            {left + r, top + r}, {right - r, top + r}, {right - r, bottom - r}, {left + r, bottom - r}};
        for (int c = 0; c < 4; ++c) {
            const qreal start = M_PI + c * M_PI / 2;
            for (int s = 0; s <= segments; ++s) {
                const qreal angle = start + (M_PI / 2) * s / segments;
                const QPointF p(centres[c].x() + r * std::cos(angle), centres[c].y() + r * std::sin(angle));
                const QColor color = colorAt(k, p);
                const float a = float(color.alphaF());
                vertex->set(float(p.x()), float(p.y()), uchar(std::lround(color.redF() * a * 255)),
                            uchar(std::lround(color.greenF() * a * 255)),
                            uchar(std::lround(color.blueF() * a * 255)), uchar(std::lround(a * 255)));
                ++vertex;
            }
        }
    }

    quint16* index = geometry.indexDataAsUShort();
    for (int k = 0; k + 1 < outlines; ++k) {
        for (int i = 0; i < perOutline; ++i) {
            const int j = (i + 1) % perOutline;
            const auto a = quint16(k * perOutline + i);
            const auto b = quint16(k * perOutline + j);
            const auto c = quint16((k + 1) * perOutline + i);
            const auto e = quint16((k + 1) * perOutline + j);
            *index++ = a;
            *index++ = b;
            *index++ = c;
            *index++ = b;
            *index++ = e;
            *index++ = c;
        }
    }
}

} // namespace qm::RoundedOutline
