// The Space Lens bubble map and list row drawn from plain data in a window of this process: the fit,
// the label and check thresholds, colours, the menu by removability, the signals, identity across
// lists and which changes animate; the row's select control or lock, symbols, share bar and texts.
#include "ScreenHarness.h"
#include "app/models/SpaceLensDisplay.h"

#include <QFont>
#include <QQmlEngine>
#include <QQuickItem>
#include <QTest>
#include <QVariantList>
#include <QVariantMap>
#include <QtQuickTest/quicktest.h>

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::ScreenHarness;

// The map over a list model that follows `bubbles` by id (as the space lens model's layout keeps its
// rows: values change in place, rows gone are removed, new ones appended), in a host that keeps the
// shared hover as the screen does and writes down what the map asks.
constexpr const char* kMapHost = R"(
import QtQuick
import Quillmere.Screens

Item {
    id: host
    property var bubbles: []
    property real mapWidth: 436
    property real mapHeight: 336
    property string hovered: ""
    property string log: ""
    readonly property alias page: map

    function sync() {
        const wanted = {}
        for (let i = 0; i < bubbles.length; ++i)
            wanted[bubbles[i].entryId] = bubbles[i]
        for (let i = rows.count - 1; i >= 0; --i) {
            const id = rows.get(i).entryId
            if (wanted[id] === undefined)
                rows.remove(i)
            else
                rows.set(i, wanted[id])
        }
        for (let i = 0; i < bubbles.length; ++i) {
            let found = false
            for (let j = 0; j < rows.count; ++j)
                found = found || rows.get(j).entryId === bubbles[i].entryId
            if (!found)
                rows.append(bubbles[i])
        }
    }
    onBubblesChanged: sync()
    Component.onCompleted: sync()
    ListModel { id: rows }

    BubbleMap {
        id: map
        width: host.mapWidth
        height: host.mapHeight
        model: rows
        hovered: host.hovered
        onHoverEntered: id => host.hovered = id
        onHoverLeft: id => { if (host.hovered === id) host.hovered = "" }
        onOpened: id => host.log += "open " + id + ";"
        onToggleSelectRequested: id => host.log += "toggle " + id + ";"
        onRevealRequested: id => host.log += "reveal " + id + ";"
    }
}
)";

// One row of the layout; `order` is its place in the packer's list.
QVariantMap bubble(const QString& id, double x, double y, double r, int colorIndex = 0, bool removable = true,
                   bool selected = false, const QString& name = QStringLiteral("Projects"),
                   const QString& sizeText = QStringLiteral("1.2 GB"), int order = 0)
{
    return {{QStringLiteral("entryId"), id},          {QStringLiteral("centerX"), x},
            {QStringLiteral("centerY"), y},           {QStringLiteral("radius"), r},
            {QStringLiteral("order"), order},         {QStringLiteral("colorIndex"), colorIndex},
            {QStringLiteral("name"), name},           {QStringLiteral("sizeText"), sizeText},
            {QStringLiteral("removable"), removable}, {QStringLiteral("selected"), selected}};
}

class BubbleMapTest : public ::testing::Test
{
protected:
    void open(const QVariantList& bubbles, QSizeF mapSize = QSizeF(436, 336))
    {
        ASSERT_TRUE(h.open(kMapHost,
                           {{QStringLiteral("bubbles"), bubbles},
                            {QStringLiteral("mapWidth"), mapSize.width()},
                            {QStringLiteral("mapHeight"), mapSize.height()}},
                           QSize(600, 500)))
            << h.errors().join('\n').toStdString();
    }
    QQuickItem* bubbleItem(const QString& id) { return h.find(QStringLiteral("bubble:") + id); }
    QQuickItem* part(QQuickItem* of, const char* alias) { return of->property(alias).value<QQuickItem*>(); }
    QString log() { return h.host()->property("log").toString(); }
    void setBubbles(const QVariantList& bubbles) { h.host()->setProperty("bubbles", bubbles); }
    int movingCount()
    {
        QVariant count;
        QMetaObject::invokeMethod(h.page(), "movingCount", Q_RETURN_ARG(QVariant, count));
        return count.toInt();
    }
    QPointF centreOf(QQuickItem* item)
    {
        return item->mapToItem(h.find(QStringLiteral("bubbleArea")),
                               QPointF(item->width() / 2, item->height() / 2));
    }

    ScreenHarness h;
};

TEST_F(BubbleMapTest, OneBubbleFillsTheInsetAreaWithItsCheckUpperRight)
{
    // 436 × 336 less 18 on every side: an area of 400 × 300.
    open({bubble(QStringLiteral("a"), 0, 0, 100, 3, true, true)});
    QQuickItem* a = bubbleItem(QStringLiteral("a"));
    ASSERT_NE(a, nullptr);
    EXPECT_DOUBLE_EQ(a->property("diameter").toDouble(), 272);
    const QPointF centre = centreOf(a);
    EXPECT_NEAR(centre.x(), 200, 1e-9);
    EXPECT_NEAR(centre.y(), 150, 1e-9);
    QQuickItem* check = part(a, "checkMark");
    ASSERT_TRUE(check->isVisible());
    EXPECT_DOUBLE_EQ(check->width(), 24);
    const QPointF checkCentre = check->mapToItem(a, QPointF(12, 12));
    EXPECT_NEAR(checkCentre.x() - 136, 81.6, 1e-9);
    EXPECT_NEAR(checkCentre.y() - 136, -81.6, 1e-9);
    // Name 15 and size line 12 points (the fonts carry the same points-per-pixel factor).
    const double namePoints = part(a, "nameLabel")->property("font").value<QFont>().pointSizeF();
    const double sizePoints = part(a, "sizeLabel")->property("font").value<QFont>().pointSizeF();
    EXPECT_NEAR(namePoints / sizePoints, 15.0 / 12.0, 1e-9);
    EXPECT_TRUE(part(a, "sizeLabel")->isVisible());
    EXPECT_EQ(part(a, "sizeLabel")->property("text").toString(), QStringLiteral("1.2 GB"));
    // Selected: a white rim 3 wide, the shadow at 0.6 of the tint.
    EXPECT_EQ(part(a, "rim")->property("border").value<QObject*>()->property("width").toDouble(), 3);
    EXPECT_EQ(a->property("tint").value<QColor>(), SpaceLensDisplay::entryColor(3));
    EXPECT_DOUBLE_EQ(a->property("shadowOpacity").toDouble(), 0.6);
}

TEST_F(BubbleMapTest, LabelSizeLineAndCheckAppearOnlyAboveTheirDiameters)
{
    // A circle of radius 64 fills (side − 36 − 28) points: diameters 50, 82 and 34 exactly, then just above.
    struct Case
    {
        double d;
        bool label, sizeLine, check;
    };
    const Case cases[] = {{34, false, false, false}, {35, false, false, true}, {50, false, false, true},
                          {51, true, false, true},   {82, true, false, true},  {83, true, true, true}};
    open({bubble(QStringLiteral("a"), 0, 0, 64, 0, true, true)}, QSizeF(200, 200));
    for (const Case& c : cases) {
        h.host()->setProperty("mapWidth", c.d + 64);
        h.host()->setProperty("mapHeight", c.d + 64);
        QQuickItem* a = bubbleItem(QStringLiteral("a"));
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->property("diameter").toDouble(), c.d) << c.d;
        EXPECT_EQ(part(a, "nameLabel")->parentItem()->isVisible(), c.label) << c.d;
        EXPECT_EQ(part(a, "sizeLabel")->isVisible(), c.sizeLine) << c.d;
        EXPECT_EQ(part(a, "checkMark")->isVisible(), c.check) << c.d;
    }
}

TEST_F(BubbleMapTest, NothingIsDrawnWithoutBubblesOrRoom)
{
    open({});
    EXPECT_EQ(h.findAllStartingWith(QStringLiteral("bubble:")).size(), 0);
    setBubbles({bubble(QStringLiteral("a"), 0, 0, 100), bubble(QStringLiteral("b"), 160, 0, 50)});
    EXPECT_EQ(h.findAllStartingWith(QStringLiteral("bubble:")).size(), 2);
    // 28 points or less inside the inset on one axis: no scale, nothing drawn.
    h.host()->setProperty("mapWidth", 64);
    EXPECT_LE(h.page()->property("fit").toMap().value(QStringLiteral("scale")).toDouble(), 0);
    EXPECT_EQ(h.findAllStartingWith(QStringLiteral("bubble:")).size(), 0);
    h.host()->setProperty("mapWidth", 65);
    EXPECT_EQ(h.findAllStartingWith(QStringLiteral("bubble:")).size(), 2);
}

TEST_F(BubbleMapTest, BubblesKeepTheirItemsByIdAndMoveOnlyForANewList)
{
    const QString name = QStringLiteral("Projects");
    const QString size = QStringLiteral("1 GB");
    open({bubble(QStringLiteral("a"), 0, 0, 100, 0, true, false, name, size, 0),
          bubble(QStringLiteral("b"), 160, 0, 50, 1, true, false, name, size, 1)});
    QQuickItem* b = bubbleItem(QStringLiteral("b"));
    ASSERT_NE(b, nullptr);
    EXPECT_GT(b->z(), bubbleItem(QStringLiteral("a"))->z()) << "later bubbles lie over earlier ones";

    // A new layout: b grows and is listed first; the same item moves there.
    setBubbles({bubble(QStringLiteral("b"), 0, 0, 100, 0, true, false, name, size, 0),
                bubble(QStringLiteral("a"), -160, 0, 50, 1, true, false, name, size, 1)});
    EXPECT_EQ(bubbleItem(QStringLiteral("b")), b);
    EXPECT_GT(h.page()->property("animatesLayout").toBool(), false);
    EXPECT_EQ(movingCount(), 2);
    EXPECT_LT(b->z(), bubbleItem(QStringLiteral("a"))->z());
    EXPECT_TRUE(h.settle([&] { return movingCount() == 0; }));
    EXPECT_NEAR(b->property("diameter").toDouble(), b->property("targetDiameter").toDouble(), 1e-9);

    // A resize jumps: no bubble is moving, each already stands where the new fit puts it.
    h.host()->setProperty("mapWidth", 600);
    h.host()->setProperty("mapHeight", 420);
    EXPECT_EQ(movingCount(), 0);
    EXPECT_EQ(b->property("diameter").toDouble(), b->property("targetDiameter").toDouble());
    EXPECT_EQ(b->property("centreX").toDouble(), b->property("targetCentreX").toDouble());
}

TEST_F(BubbleMapTest, ClickOpensAndTheMenuFollowsRemovability)
{
    open({bubble(QStringLiteral("a"), 0, 0, 100, 0, true, false),
          bubble(QStringLiteral("b"), 160, 0, 50, -1, false, false, QStringLiteral("Library"),
                 QStringLiteral("\u2014 can't read"))});
    QQuickItem* a = bubbleItem(QStringLiteral("a"));
    QQuickItem* b = bubbleItem(QStringLiteral("b"));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->property("tint").value<QColor>(), SpaceLensDisplay::unindexedColor());
    EXPECT_EQ(b->property("toolTipText").toString(), QStringLiteral("Library \u2014 \u2014 can't read"));

    h.click(a);
    EXPECT_EQ(log(), QStringLiteral("open a;"));

    auto* menu = h.page()->property("menu").value<QObject*>();
    ASSERT_NE(menu, nullptr);
    const auto menuTexts = [&] {
        QStringList texts;
        const int count = menu->property("count").toInt();
        for (int i = 0; i < count; ++i) {
            QQuickItem* item = nullptr;
            QMetaObject::invokeMethod(menu, "itemAt", Q_RETURN_ARG(QQuickItem*, item), Q_ARG(int, i));
            texts.append(item != nullptr ? item->property("text").toString() : QString());
        }
        return texts;
    };
    const auto rightClick = [&](QQuickItem* target) {
        const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
        QTest::mouseClick(h.window(), Qt::RightButton, Qt::NoModifier, centre.toPoint());
        EXPECT_TRUE(h.settle([&] { return menu->property("opened").toBool(); }));
    };
    rightClick(a);
    EXPECT_EQ(menuTexts(),
              QStringList({QStringLiteral("Select for removal"), QStringLiteral("Show in File Manager")}));
    QQuickItem* select = h.find(QStringLiteral("selectMenuItem"));
    ASSERT_NE(select, nullptr);
    h.click(select);
    EXPECT_TRUE(h.settle([&] { return !menu->property("opened").toBool(); }));
    EXPECT_EQ(log(), QStringLiteral("open a;toggle a;"));

    // A protected bubble's menu holds only "Show in File Manager".
    rightClick(b);
    EXPECT_EQ(menuTexts(), QStringList({QStringLiteral("Show in File Manager")}));
    h.click(h.find(QStringLiteral("revealMenuItem")));
    EXPECT_TRUE(h.settle([&] { return !menu->property("opened").toBool(); }));
    EXPECT_EQ(log(), QStringLiteral("open a;toggle a;reveal b;"));

    // Selected: the item reads "Deselect". The select item comes back even after a collection.
    qmlEngine(h.page())->collectGarbage();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    setBubbles({bubble(QStringLiteral("a"), 0, 0, 100, 0, true, true)});
    rightClick(a);
    EXPECT_EQ(menuTexts(), QStringList({QStringLiteral("Deselect"), QStringLiteral("Show in File Manager")}));
    EXPECT_TRUE(h.warnings().isEmpty()) << h.warnings().join('\n').toStdString();
}

TEST_F(BubbleMapTest, HoverGrowsTheBubbleAndBrightensItsRim)
{
    open({bubble(QStringLiteral("a"), 0, 0, 100, 0), bubble(QStringLiteral("b"), 160, 0, 50, 1)});
    QQuickItem* a = bubbleItem(QStringLiteral("a"));
    const QPointF centre = a->mapToScene(QPointF(a->width() / 2, a->height() / 2));
    QTest::mouseMove(h.window(), QPoint(1, 1));
    QTest::mouseMove(h.window(), centre.toPoint());
    EXPECT_TRUE(h.settle([&] { return h.host()->property("hovered").toString() == QStringLiteral("a"); }));
    EXPECT_TRUE(h.settle([&] { return a->scale() == 1.05; }));
    EXPECT_EQ(a->property("rimWidth").toDouble(), 2);
    EXPECT_NEAR(a->property("rimColor").value<QColor>().alphaF(), 0.9, 0.01);
    EXPECT_DOUBLE_EQ(a->property("shadowBlur").toDouble(), 18);
    // The corner of its square frame lies outside the disc: not hovered there.
    const QPointF corner = a->mapToScene(QPointF(2, 2));
    QTest::mouseMove(h.window(), corner.toPoint());
    EXPECT_TRUE(h.settle([&] { return h.host()->property("hovered").toString().isEmpty(); }));
    EXPECT_TRUE(h.settle([&] { return a->scale() == 1.0; }));
    EXPECT_EQ(a->property("rimWidth").toDouble(), 1);
}

// ---- list row ----

constexpr const char* kRowHost = R"(
import QtQuick
import Quillmere.Screens

Item {
    id: host
    readonly property alias page: row
    property string log: ""
    SpaceListRow {
        id: row
        width: 320
        name: "Projects"
        sizeText: "1.2 GB"
        onOpened: host.log += "open;"
        onToggleSelectRequested: host.log += "toggle;"
        onHoverReported: inside => host.log += (inside ? "in;" : "out;")
    }
}
)";

TEST(SpaceListRowTest, SelectOrLockSymbolsShareBarAndTexts)
{
    ScreenHarness h;
    ASSERT_TRUE(h.open(kRowHost, {}, QSize(400, 100))) << h.errors().join('\n').toStdString();
    QQuickItem* row = h.page();
    const auto part = [&](const char* alias) { return row->property(alias).value<QQuickItem*>(); };
    const QColor tint = SpaceLensDisplay::entryColor(4);
    row->setProperty("color", tint);

    struct Case
    {
        const char* what;
        bool directory, unreadable, removable;
        double fraction;
        double fill; // -1: the full track
        const char* percent;
    };
    const Case cases[] = {
        {"a removable folder", true, false, true, 0.125, -2, "13%"},
        {"a protected file with no share", false, false, false, 0, 3, "0%"},
        {"the whole folder", true, false, true, 1, -1, "100%"},
        {"an unreadable folder", true, true, false, 0, 3, "0%"},
    };
    for (const Case& c : cases) {
        row->setProperty("isDirectory", c.directory);
        row->setProperty("unreadable", c.unreadable);
        row->setProperty("isRemovable", c.removable);
        row->setProperty("fraction", c.fraction);
        row->setProperty("sizeText",
                         c.unreadable ? QStringLiteral("\u2014 can't read") : QStringLiteral("1.2 GB"));
        QQuickTest::qWaitForPolish(h.window());
        EXPECT_EQ(part("selectButton")->isVisible(), c.removable) << c.what;
        EXPECT_EQ(part("lock")->isVisible(), !c.removable) << c.what;
        EXPECT_EQ(part("kindSymbol")->property("name").toString(),
                  c.directory ? QStringLiteral("folder.fill") : QStringLiteral("doc"))
            << c.what;
        EXPECT_EQ(part("kindSymbol")->property("color").value<QColor>() == tint, c.directory) << c.what;
        EXPECT_EQ(part("chevron")->isVisible(), c.directory) << c.what;
        EXPECT_EQ(part("shareLine")->isVisible(), !c.unreadable) << c.what;
        EXPECT_EQ(part("sizeLabel")->property("text").toString(),
                  c.unreadable ? QStringLiteral("\u2014 can't read") : QStringLiteral("1.2 GB"))
            << c.what;
        if (c.unreadable)
            continue;
        const double track = part("shareFill")->parentItem()->width();
        ASSERT_GT(track, 50) << c.what;
        const double expected = c.fill == -1 ? track : c.fill == -2 ? track * c.fraction : c.fill;
        EXPECT_DOUBLE_EQ(part("shareFill")->width(), expected) << c.what;
        EXPECT_EQ(part("percentText")->property("text").toString(), QString::fromLatin1(c.percent)) << c.what;
    }
    EXPECT_EQ(row->property("lockTip").value<QObject*>()->property("text").toString(),
              QStringLiteral("Protected \u2014 drill in to remove individual items"));

    // The select control shows the state; its press and the main button's only report.
    row->setProperty("isRemovable", true);
    row->setProperty("isSelected", true);
    EXPECT_EQ(part("selectButton")->property("contentItem").value<QQuickItem*>()->property("name").toString(),
              QStringLiteral("checkmark.circle.fill"));
    h.click(part("selectButton"));
    h.click(part("nameText"));
    // The pointer entered the row on its way to the first click.
    EXPECT_EQ(h.host()->property("log").toString(), QStringLiteral("in;toggle;open;"));
    EXPECT_TRUE(row->property("isSelected").toBool()) << "the row keeps no selection of its own";

    // Hover reports entering and leaving; the highlight follows `isHovered` only.
    QTest::mouseMove(h.window(), QPoint(390, 95));
    EXPECT_TRUE(
        h.settle([&] { return h.host()->property("log").toString().endsWith(QStringLiteral("open;out;")); }));
    QTest::mouseMove(h.window(), row->mapToScene(QPointF(200, 10)).toPoint());
    EXPECT_TRUE(
        h.settle([&] { return h.host()->property("log").toString().endsWith(QStringLiteral("out;in;")); }));
    QQuickItem* highlight = h.find(QStringLiteral("rowHighlight"));
    EXPECT_EQ(highlight->property("color").value<QColor>().alpha(), 0);
    row->setProperty("isHovered", true);
    EXPECT_NEAR(highlight->property("color").value<QColor>().alphaF(), 0.1, 0.01);
}

} // namespace
} // namespace qm
