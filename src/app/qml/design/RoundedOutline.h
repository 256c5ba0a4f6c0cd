#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>

#include <functional>
#include <vector>

class QQuickItem;
class QSGGeometry;
class QSGNode;

namespace qm::RoundedOutline {

// Fills `geometry` (coloured 2D points, indexed triangles) with the bands between concentric outlines
// of the rounded rectangle `rect` with corner radius `radius` (clamped to half the smaller side): one
// outline per entry of `offsets` (logical pixels, positive outward, in order), each band shaded
// between the colours its two outlines get from `colorAt(outline index, point)`. Colours are
// straight (not premultiplied); the geometry receives them premultiplied, as the vertex-colour
// material wants them. Resizes the geometry; draws nothing for fewer than two outlines.
void fill(QSGGeometry& geometry, const QRectF& rect, qreal radius, const std::vector<qreal>& offsets,
          const std::function<QColor(int, QPointF)>& colorAt);

// The node that draws what `fill` makes of these arguments for `item`, from `updatePaintNode`: the
// geometry itself with the vertex-colour material, or, under Qt Quick's software renderer (which
// draws no custom geometry), an image of that geometry made by `rasterize` at the window's device
// pixel ratio and placed where the geometry lies. `old` is what this returned last time for the item;
// it is reused or deleted. Null when there is nothing to draw.
QSGNode* node(QQuickItem& item, QSGNode* old, const QRectF& rect, qreal radius,
              const std::vector<qreal>& offsets, const std::function<QColor(int, QPointF)>& colorAt);

// The indexed coloured triangles of `geometry` drawn into a transparent premultiplied image covering
// `area` (logical pixels) at `scale` image pixels per logical pixel, as the graphics hardware would
// draw them: a pixel belongs to each triangle that covers its centre, an edge two triangles share to
// one of them only, and the colour is the vertices' interpolated across the triangle and laid over
// what is below (source over). Draws no smoothing of its own; the geometry carries its own.
QImage rasterize(const QSGGeometry& geometry, const QRectF& area, qreal scale);

} // namespace qm::RoundedOutline
