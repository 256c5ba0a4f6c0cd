// The outlines' picture for Qt Quick's software renderer: the same triangles the graphics hardware
// draws, covered once each, and what a border and a shadow look like in a window drawn in software.
#include "app/qml/design/RoundedOutline.h"

#include "app/qml/design/GradientBorder.h"
#include "app/qml/design/RoundedShadow.h"

#include <QQuickItem>
#include <QQuickWindow>
#include <QSGGeometry>
#include <QSGRendererInterface>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace qm {
namespace {

std::unique_ptr<QSGGeometry> filled(const QRectF& rect, qreal radius, const std::vector<qreal>& offsets,
                                    const std::vector<QColor>& colors)
{
    auto geometry = std::make_unique<QSGGeometry>(QSGGeometry::defaultAttributes_ColoredPoint2D(), 0, 0,
                                                  QSGGeometry::UnsignedShortType);
    RoundedOutline::fill(*geometry, rect, radius, offsets,
                         [&](int k, QPointF) { return colors[std::size_t(k)]; });
    return geometry;
}

TEST(RoundedOutlineTest, EachPixelIsCoveredOnceWhereTrianglesMeet)
{
    // One evenly coloured band: a frame 2 pixels wide round a 10 by 6 hole, in four sides whose
    // triangles meet along diagonals, at the corners and at the hole's edge. Half-transparent, so a
    // pixel drawn twice shows as darker and one left out as clear.
    const QColor half = QColor::fromRgbF(1, 0, 0, 0.5f);
    const auto geometry = filled({0, 0, 14, 10}, 0, {-2, 0}, {half, half});
    for (const qreal scale : {1.0, 2.0}) {
        const QImage image = RoundedOutline::rasterize(*geometry, {0, 0, 14, 10}, scale);
        ASSERT_EQ(image.size(), QSize(int(14 * scale), int(10 * scale)));
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QPointF centre((x + 0.5) / scale, (y + 0.5) / scale);
                const bool inFrame =
                    QRectF(0, 0, 14, 10).contains(centre) && !QRectF(2, 2, 10, 6).contains(centre);
                const int alpha = qAlpha(image.pixel(x, y));
                EXPECT_EQ(alpha, inFrame ? 128 : 0) << "scale " << scale << " at " << x << "," << y;
            }
        }
    }
}

TEST(RoundedOutlineTest, ColoursRunAcrossABandAsTheVerticesGiveThem)
{
    // From clear at the outer outline to opaque white 8 pixels in: each pixel centre's share.
    const auto geometry = filled({8, 8, 40, 40}, 0, {0, 8}, {Qt::white, Qt::transparent});
    const QImage image = RoundedOutline::rasterize(*geometry, {0, 0, 56, 56}, 1);
    for (int x = 0; x < 8; ++x) {
        const int expected = int(std::lround((x + 0.5) / 8 * 255));
        EXPECT_NEAR(qAlpha(image.pixel(x, 28)), expected, 1) << x;
        // Premultiplied: every channel equals the coverage.
        EXPECT_NEAR(qRed(image.pixel(x, 28)), expected, 1) << x;
    }
    EXPECT_EQ(qAlpha(image.pixel(28, 28)), 0);
}

// A window drawn by Qt Quick's software renderer, with one item in it on a black ground. The renderer
// is chosen before the window exists, as the program does.
class SoftwareWindow
{
public:
    SoftwareWindow()
    {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        window = std::make_unique<QQuickWindow>();
        window->setColor(Qt::black);
        window->resize(80, 60);
    }
    QImage grab(QQuickItem& item)
    {
        item.setParentItem(window->contentItem());
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        EXPECT_EQ(window->rendererInterface()->graphicsApi(), QSGRendererInterface::Software);
        return window->grabWindow();
    }
    std::unique_ptr<QQuickWindow> window;
};

TEST(RoundedOutlineTest, ABorderIsDrawnBySoftwareRendering)
{
    SoftwareWindow software;
    GradientBorder border;
    border.setPosition({10, 10});
    border.setSize({60, 40});
    border.setCornerRadius(8);
    border.setLineWidth(2);
    border.setTopColor(Qt::red);
    border.setBottomColor(Qt::blue);
    const QImage image = software.grab(border).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(image.isNull());
    // The top edge red, the bottom edge blue, inside and outside the black ground.
    EXPECT_GT(image.pixelColor(40, 10).red(), 240);
    EXPECT_LT(image.pixelColor(40, 10).blue(), 20);
    EXPECT_GT(image.pixelColor(40, 49).blue(), 240);
    EXPECT_LT(image.pixelColor(40, 49).red(), 20);
    EXPECT_EQ(image.pixelColor(40, 30), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(40, 5), QColor(Qt::black));
}

TEST(RoundedOutlineTest, AShadowIsDrawnBySoftwareRendering)
{
    SoftwareWindow software;
    RoundedShadow shadow;
    shadow.setPosition({20, 15});
    shadow.setSize({40, 30});
    shadow.setCornerRadius(6);
    shadow.setColor(Qt::white);
    shadow.setBlurRadius(8);
    const QImage image = software.grab(shadow).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(image.isNull());
    // Clear inside, about half at the edge, fading outwards.
    EXPECT_EQ(image.pixelColor(40, 30), QColor(Qt::black));
    const int atEdge = image.pixelColor(40, 14).red();
    const int further = image.pixelColor(40, 10).red();
    EXPECT_NEAR(atEdge, 128, 40);
    EXPECT_GT(further, 0);
    EXPECT_LT(further, atEdge);
    EXPECT_EQ(image.pixelColor(40, 1).red(), 0);
}

} // namespace
} // namespace qm
