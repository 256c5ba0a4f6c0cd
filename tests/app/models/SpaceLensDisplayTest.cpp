// The Space Lens screen's arithmetic: the map's fit and thresholds, the share bar and percentage and
// the entry colours.
#include "app/models/SpaceLensDisplay.h"

#include <QStandardItemModel>

#include <gtest/gtest.h>

#include <cmath>

namespace qm {
namespace {

using D = SpaceLensDisplay;

PackedCircle circle(double x, double y, double r)
{
    return {QUuid::createUuid(), QPointF(x, y), r};
}

TEST(SpaceLensDisplayTest, OneCircleFillsTheAreaLessTheMarginCentred)
{
    const QSizeF area(400, 300);
    const D::Transform t = D::fit(area, {circle(0, 0, 100)});
    EXPECT_DOUBLE_EQ(t.scale, 1.36); // min(372 / 200, 272 / 200)
    const QPointF centre = D::place(t, area, QPointF(0, 0));
    EXPECT_DOUBLE_EQ(centre.x(), 200);
    EXPECT_DOUBLE_EQ(centre.y(), 150);

    const double d = D::diameter(100, t);
    EXPECT_DOUBLE_EQ(d, 272);
    EXPECT_DOUBLE_EQ(D::nameFontSize(d), 15);
    EXPECT_DOUBLE_EQ(D::sizeFontSize(d), 12);
    EXPECT_DOUBLE_EQ(D::checkSize(d), 24);
    EXPECT_DOUBLE_EQ(D::checkOffset(d).x(), 81.6);
    EXPECT_DOUBLE_EQ(D::checkOffset(d).y(), -81.6);
}

TEST(SpaceLensDisplayTest, FitCentresTheBoundingBoxAndKeepsItsProportions)
{
    // A box from x −100 to 300 and y −100 to 100: 400 × 200 layout units.
    const std::vector<PackedCircle> layout{circle(0, 0, 100), circle(250, 0, 50)};
    const QSizeF area(428, 528);
    const D::Transform t = D::fit(area, layout);
    EXPECT_DOUBLE_EQ(t.scale, 1.0); // width decides: 400 / 400, against 500 / 200
    EXPECT_DOUBLE_EQ(t.midX, 100);
    EXPECT_DOUBLE_EQ(t.midY, 0);
    // The box's left edge lies 14 points inside the area.
    EXPECT_DOUBLE_EQ(D::place(t, area, QPointF(-100, 0)).x(), 14);
    EXPECT_DOUBLE_EQ(D::place(t, area, QPointF(300, 0)).x(), 414);
}

TEST(SpaceLensDisplayTest, EmptyLayoutAndTooSmallAreas)
{
    const D::Transform empty = D::fit(QSizeF(400, 300), {});
    EXPECT_EQ(empty.scale, 1);
    EXPECT_EQ(empty.midX, 0);
    EXPECT_EQ(empty.midY, 0);
    // 28 points or less on either axis leaves no room: nothing is drawn.
    EXPECT_LE(D::fit(QSizeF(28, 300), {circle(0, 0, 100)}).scale, 0);
    EXPECT_LE(D::fit(QSizeF(400, 20), {circle(0, 0, 100)}).scale, 0);
    EXPECT_GT(D::fit(QSizeF(29, 29), {circle(0, 0, 100)}).scale, 0);
    // A point-sized layout counts as one unit across.
    EXPECT_DOUBLE_EQ(D::fit(QSizeF(128, 128), {circle(5, 5, 0)}).scale, 100);
}

TEST(SpaceLensDisplayTest, FitOverAListModelReadsItsCircleRoles)
{
    QStandardItemModel rows;
    rows.setItemRoleNames(
        {{Qt::UserRole + 1, "centerX"}, {Qt::UserRole + 2, "centerY"}, {Qt::UserRole + 3, "radius"}});
    const auto add = [&](double x, double y, double r) {
        auto* item = new QStandardItem;
        item->setData(x, Qt::UserRole + 1);
        item->setData(y, Qt::UserRole + 2);
        item->setData(r, Qt::UserRole + 3);
        rows.appendRow(item);
    };
    add(0, 0, 100);
    add(250, 0, 50);
    const QVariantMap fit = D::fitModel(428, 528, &rows);
    EXPECT_DOUBLE_EQ(fit.value(QStringLiteral("scale")).toDouble(), 1.0);
    EXPECT_DOUBLE_EQ(fit.value(QStringLiteral("midX")).toDouble(), 100);
    EXPECT_DOUBLE_EQ(fit.value(QStringLiteral("midY")).toDouble(), 0);
    const QPointF edge = D::placeIn(fit, 428, 528, -100, 0);
    EXPECT_DOUBLE_EQ(edge.x(), 14);
    EXPECT_DOUBLE_EQ(edge.y(), 264);
    // No model, or an empty one: scale 1 about the origin.
    EXPECT_DOUBLE_EQ(D::fitModel(428, 528, nullptr).value(QStringLiteral("scale")).toDouble(), 1);
    rows.clear();
    EXPECT_DOUBLE_EQ(D::fitModel(428, 528, &rows).value(QStringLiteral("midX")).toDouble(), 0);
}

TEST(SpaceLensDisplayTest, ThresholdsAreStrict)
{
    struct Case
    {
        double d;
        bool label, sizeLine, check;
    };
    const Case cases[] = {
        {34, false, false, false},  {34.01, false, false, true}, {50, false, false, true},
        {50.01, true, false, true}, {82, true, false, true},     {82.01, true, true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(D::showsLabel(c.d), c.label) << "diameter " << c.d;
        EXPECT_EQ(D::showsSizeLine(c.d), c.sizeLine) << "diameter " << c.d;
        EXPECT_EQ(D::showsCheck(c.d), c.check) << "diameter " << c.d;
    }
    // The smallest check mark is 14 points, the name scales below 125 points.
    EXPECT_DOUBLE_EQ(D::checkSize(40), 14);
    EXPECT_DOUBLE_EQ(D::nameFontSize(100), 12);
    EXPECT_DOUBLE_EQ(D::labelMaxWidth(100), 92);
}

TEST(SpaceLensDisplayTest, ShareBarAndPercentage)
{
    struct Case
    {
        double fraction;
        double width; // of a 200-point bar
        const char* percent;
    };
    const Case cases[] = {
        {0, 3, "0%"},     {1, 200, "100%"},  {0.125, 25, "13%"},
        {0.005, 3, "1%"}, {0.0049, 3, "0%"}, {0.5, 100, "50%"},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(D::shareBarWidth(200, c.fraction), c.width) << c.fraction;
        EXPECT_EQ(D::percentText(c.fraction), QString::fromLatin1(c.percent)) << c.fraction;
    }
}

TEST(SpaceLensDisplayTest, ContentStateFirstMatchWins)
{
    struct Case
    {
        bool entries, scanning, unreadable, emptied, scanned;
        const char* expected;
    };
    const Case cases[] = {
        {true, true, true, true, true, "results"},
        {false, true, true, true, true, "measuring"},
        {false, false, true, true, true, "unreadable"},
        {false, false, false, true, true, "emptied"},
        {false, false, false, false, true, "empty"},
        {false, false, false, false, false, "measuring"}, // before the first pass
        {true, false, false, false, false, "results"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(D::contentState(c.entries, c.scanning, c.unreadable, c.emptied, c.scanned),
                  QString::fromLatin1(c.expected))
            << c.entries << c.scanning << c.unreadable << c.emptied << c.scanned;
}

TEST(SpaceLensDisplayTest, EntryColours)
{
    EXPECT_EQ(D::entryColor(0), QColor(0x4D, 0x8D, 0xF6));
    EXPECT_EQ(D::entryColor(11), QColor(0x57, 0xC6, 0xA0));
    EXPECT_EQ(D::entryColor(12), D::entryColor(0));
    EXPECT_EQ(D::entryColor(26), QColor(0xB1, 0x6C, 0xF0));
    EXPECT_EQ(D::entryColor(-1), D::unindexedColor());
    EXPECT_EQ(D::palette().size(), 12u);
    EXPECT_EQ(D::lensAccent(), QColor(0x46, 0xB8, 0xDE));
}

} // namespace
} // namespace qm
