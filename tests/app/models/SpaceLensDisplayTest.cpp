// The Space Lens screen's arithmetic and wording: the map's fit and thresholds, the size and summary
// texts, the share bar and percentage, the breadcrumb label and the entry colours.
#include "app/models/SpaceLensDisplay.h"

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

TEST(SpaceLensDisplayTest, SizeTexts)
{
    EXPECT_EQ(D::sizeText(123'456'789, true), QStringLiteral("\u2014 can't read"));
    EXPECT_EQ(D::sizeText(123'456'789, true).toUtf8().size(), 14);
    EXPECT_EQ(D::sizeText(0, false), QStringLiteral("0 KB"));
    EXPECT_EQ(D::sizeText(-5, false), QStringLiteral("0 KB"));
    EXPECT_EQ(D::sizeText(1'500'000, false), QStringLiteral("1.5 MB"));
}

TEST(SpaceLensDisplayTest, SummaryLine)
{
    struct Case
    {
        qint64 total;
        int count, unreadable;
        const char* expected;
    };
    const Case cases[] = {
        {0, 1, 1, "\u2014 \u00b7 1 item \u00b7 1 can't be measured"},
        {0, 2, 0, "0 KB \u00b7 2 items"},
        {1'200'000'000, 37, 2, "1.2 GB \u00b7 37 items \u00b7 2 can't be measured"},
        {4096, 1, 0, "4 KB \u00b7 1 item"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(D::summaryLine(c.total, c.count, c.unreadable), QString::fromUtf8(c.expected))
            << c.expected;
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

TEST(SpaceLensDisplayTest, CrumbLabelIsHomeOnlyForTheHomeFolder)
{
    const Path home = "/srv/users/ann";
    EXPECT_EQ(D::crumbLabel(home, home), QStringLiteral("Home"));
    EXPECT_EQ(D::crumbLabel("/srv/users/ann/Projects", home), QStringLiteral("Projects"));
    EXPECT_EQ(D::crumbLabel("/srv/users", home), QStringLiteral("users"));
    EXPECT_EQ(D::crumbLabel("/srv/users/ann/Home", home), QStringLiteral("Home"));
    EXPECT_EQ(D::crumbLabel("/srv/users/annex", home), QStringLiteral("annex"));
    EXPECT_EQ(D::crumbLabel("/", home), QStringLiteral("/"));
    // A name that is not UTF-8 still shows, decoded for display.
    EXPECT_FALSE(D::crumbLabel("/srv/a\xff", home).isEmpty());
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
