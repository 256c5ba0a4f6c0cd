#include "RoundedOutline.h"

#include <QQuickItem>
#include <QQuickWindow>
#include <QSGGeometry>
#include <QSGGeometryNode>
#include <QSGImageNode>
#include <QSGRendererInterface>
#include <QSGVertexColorMaterial>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>

namespace qm::RoundedOutline {
namespace {

QSGGeometry* emptyGeometry()
{
    auto* geometry = new QSGGeometry(QSGGeometry::defaultAttributes_ColoredPoint2D(), 0, 0,
                                     QSGGeometry::UnsignedShortType);
    geometry->setDrawingMode(QSGGeometry::DrawTriangles);
    return geometry;
}

QSGGeometryNode* geometryNode(QSGNode* old)
{
    if (old != nullptr)
        return static_cast<QSGGeometryNode*>(old);
    auto* node = new QSGGeometryNode;
    node->setGeometry(emptyGeometry());
    node->setFlag(QSGNode::OwnsGeometry);
    node->setMaterial(new QSGVertexColorMaterial);
    node->setFlag(QSGNode::OwnsMaterial);
    return node;
}

bool drawsInSoftware(const QQuickItem& item)
{
    const QQuickWindow* window = item.window();
    return window != nullptr && window->rendererInterface() != nullptr &&
           window->rendererInterface()->graphicsApi() == QSGRendererInterface::Software;
}

// The smallest rectangle on whole image pixels (at `scale` per logical pixel) holding every vertex.
QRectF boundsOf(const QSGGeometry& geometry, qreal scale)
{
    const auto* vertex = geometry.vertexDataAsColoredPoint2D();
    qreal left = vertex[0].x;
    qreal top = vertex[0].y;
    qreal right = left;
    qreal bottom = top;
    for (int i = 1; i < geometry.vertexCount(); ++i) {
        left = std::min<qreal>(left, vertex[i].x);
        top = std::min<qreal>(top, vertex[i].y);
        right = std::max<qreal>(right, vertex[i].x);
        bottom = std::max<qreal>(bottom, vertex[i].y);
    }
    const qreal x = std::floor(left * scale);
    const qreal y = std::floor(top * scale);
    return {x / scale, y / scale, (std::ceil(right * scale) - x) / scale,
            (std::ceil(bottom * scale) - y) / scale};
}

// Positions on a grid of 1/256 pixel, as graphics hardware snaps vertices, so that whether a pixel
// centre lies on an edge is decided exactly.
constexpr std::int64_t kSubpixels = 256;

struct Corner
{
    std::int64_t x;
    std::int64_t y;
    std::array<float, 4> rgba; // premultiplied, 0 to 1
};

// Twice the signed area of (a, b, p); positive when p lies on the inner side of the edge a to b of a
// triangle wound as `rasterize` orders them.
std::int64_t edge(const Corner& a, const Corner& b, std::int64_t px, std::int64_t py)
{
    return (b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x);
}

// The top-left rule: of two triangles sharing an edge, a pixel centre on it belongs to the one this
// edge is a top or a left edge of.
bool ownsCentresOn(const Corner& a, const Corner& b)
{
    return (a.y == b.y && b.x > a.x) || b.y < a.y;
}

// One edge's function walked over the pixel centres: its value at the current row's first centre,
// what a step right and a step down add, and the bias that makes "inside" a test against zero (1 where
// centres on the edge belong to this triangle: the values are whole numbers).
struct EdgeWalk
{
    EdgeWalk(const Corner& a, const Corner& b, std::int64_t px, std::int64_t py)
        : value(edge(a, b, px, py)), stepX(-(b.y - a.y) * kSubpixels), stepY((b.x - a.x) * kSubpixels),
          bias(ownsCentresOn(a, b) ? 1 : 0)
    {}
    std::int64_t value;
    std::int64_t stepX;
    std::int64_t stepY;
    std::int64_t bias;
};

} // namespace

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

QImage rasterize(const QSGGeometry& geometry, const QRectF& area, qreal scale)
{
    const QSize size(std::max(0, int(std::lround(area.width() * scale))),
                     std::max(0, int(std::lround(area.height() * scale))));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (image.isNull())
        return image;
    const auto* vertex = geometry.vertexDataAsColoredPoint2D();
    const quint16* index = geometry.indexDataAsUShort();
    const auto corner = [&](int i) {
        const QSGGeometry::ColoredPoint2D& v = vertex[index[i]];
        return Corner{std::llround((v.x - area.left()) * scale * kSubpixels),
                      std::llround((v.y - area.top()) * scale * kSubpixels),
                      {v.r / 255.0f, v.g / 255.0f, v.b / 255.0f, v.a / 255.0f}};
    };
    for (int t = 0; t + 2 < geometry.indexCount(); t += 3) {
        Corner a = corner(t);
        Corner b = corner(t + 1);
        Corner c = corner(t + 2);
        // A triangle clear at every corner lays nothing over what is below.
        if (a.rgba[3] == 0 && b.rgba[3] == 0 && c.rgba[3] == 0)
            continue;
        std::int64_t twiceArea = edge(a, b, c.x, c.y);
        if (twiceArea == 0)
            continue;
        if (twiceArea < 0) {
            std::swap(b, c);
            twiceArea = -twiceArea;
        }
        // The pixels whose centres (x + 0.5, y + 0.5) can lie inside.
        const auto first = [](std::int64_t low) {
            return int((low - kSubpixels / 2 + kSubpixels - 1) / kSubpixels);
        };
        const auto last = [](std::int64_t high) { return int((high - kSubpixels / 2) / kSubpixels); };
        const int x0 = std::max(0, first(std::min({a.x, b.x, c.x})));
        const int x1 = std::min(size.width() - 1, last(std::max({a.x, b.x, c.x})));
        const int y0 = std::max(0, first(std::min({a.y, b.y, c.y})));
        const int y1 = std::min(size.height() - 1, last(std::max({a.y, b.y, c.y})));
        if (x0 > x1 || y0 > y1)
            continue;
        const std::int64_t px = x0 * kSubpixels + kSubpixels / 2;
        const std::int64_t py = y0 * kSubpixels + kSubpixels / 2;
        EdgeWalk wa(b, c, px, py);
        EdgeWalk wb(c, a, px, py);
        EdgeWalk wc(a, b, px, py);
        const float perArea = 1.0f / float(twiceArea);
        for (int y = y0; y <= y1; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            std::int64_t ea = wa.value;
            std::int64_t eb = wb.value;
            std::int64_t ec = wc.value;
            for (int x = x0; x <= x1; ++x, ea += wa.stepX, eb += wb.stepX, ec += wc.stepX) {
                if (ea + wa.bias <= 0 || eb + wb.bias <= 0 || ec + wc.bias <= 0)
                    continue;
                const float ka = float(ea) * perArea;
                const float kb = float(eb) * perArea;
                const float kc = 1.0f - ka - kb;
                std::array<float, 4> s{};
                for (std::size_t k = 0; k < 4; ++k)
                    s[k] = ka * a.rgba[k] + kb * b.rgba[k] + kc * c.rgba[k];
                const QRgb below = line[x];
                const float keep = 1.0f - s[3];
                const auto over = [&](float source, int destination) {
                    return std::clamp(int(source * 255 + float(destination) * keep + 0.5f), 0, 255);
                };
                line[x] = qRgba(over(s[0], qRed(below)), over(s[1], qGreen(below)), over(s[2], qBlue(below)),
                                over(s[3], qAlpha(below)));
            }
            wa.value += wa.stepY;
            wb.value += wb.stepY;
            wc.value += wc.stepY;
        }
    }
    return image;
}

QSGNode* node(QQuickItem& item, QSGNode* old, const QRectF& rect, qreal radius,
              const std::vector<qreal>& offsets, const std::function<QColor(int, QPointF)>& colorAt)
{
    if (!drawsInSoftware(item)) {
        QSGGeometryNode* node = geometryNode(old);
        fill(*node->geometry(), rect, radius, offsets, colorAt);
        node->markDirty(QSGNode::DirtyGeometry);
        return node;
    }
    // The picture is made again only when the item changes; a new node takes it each time.
    delete old;
    const std::unique_ptr<QSGGeometry> geometry(emptyGeometry());
    fill(*geometry, rect, radius, offsets, colorAt);
    if (geometry->vertexCount() == 0)
        return nullptr;
    QQuickWindow* window = item.window();
    const qreal scale = window->effectiveDevicePixelRatio();
    const QRectF area = boundsOf(*geometry, scale);
    const QImage image = rasterize(*geometry, area, scale);
    if (image.isNull())
        return nullptr;
    QSGImageNode* node = window->createImageNode();
    node->setTexture(window->createTextureFromImage(image, QQuickWindow::TextureHasAlphaChannel));
    node->setOwnsTexture(true);
    node->setRect(area);
    node->setFiltering(QSGTexture::Linear);
    return node;
}

} // namespace qm::RoundedOutline
