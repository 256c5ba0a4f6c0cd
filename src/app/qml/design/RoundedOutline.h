#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>

#include <functional>
#include <vector>

class QSGGeometry;
class QSGGeometryNode;
class QSGNode;

namespace qm::RoundedOutline {

// Fills `geometry` (coloured 2D points, indexed triangles) with the bands between concentric outlines
// of the rounded rectangle `rect` with corner radius `radius` (clamped to half the smaller side): one
// outline per entry of `offsets` (logical pixels, positive outward, in order), each band shaded
// between the colours its two outlines get from `colorAt(outline index, point)`. Colours are
// straight (not premultiplied); the geometry receives them premultiplied, as the vertex-colour
// material wants them. Resizes the geometry; draws nothing for fewer than two outlines.
// `old` as a geometry node, or a new node of indexed coloured triangles drawn with the vertex-colour
// material when there is none yet.
QSGGeometryNode* node(QSGNode* old);

void fill(QSGGeometry& geometry, const QRectF& rect, qreal radius, const std::vector<qreal>& offsets,
          const std::function<QColor(int, QPointF)>& colorAt);

} // namespace qm::RoundedOutline
