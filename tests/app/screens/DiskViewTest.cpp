#include "DiskScreenHarness.h"
#include "app/models/DiskViewModel.h"
#include "support/SizeOracle.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQmlProperty>
#include <QQuickItem>
#include <QTest>
#include <QtQml/qqml.h>

#include <gtest/gtest.h>

#include <memory>

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::DiskScreenHarness;

const QSize kPageSize(820, 700);

QString text(const QQuickItem* item)
{
    return item != nullptr ? item->property("text").toString() : QStringLiteral("<missing>");
}

// The overview's parts, found under the page.
QQuickItem* part(DiskScreenHarness& h, const char* name)
{
    return h.find(QString::fromUtf8(name), h.page());
}

TEST(DiskViewTextsTest, SharesAndHelpTexts)
{
    struct Case
    {
        qint64 part;
        qint64 total;
        const char* expected;
    };
    const Case cases[] = {
        {5, 0, "\u2014"},     {5, -3, "\u2014"},    {1, 1000, "<1%"}, {995, 100'000, "<1%"}, {25, 1000, "3%"},
        {2000, 1000, "100%"}, {1000, 1000, "100%"}, {10, 1000, "1%"}, {15, 1000, "2%"},      {0, 1000, "<1%"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DiskViewModel::percentText(c.part, c.total), QString::fromUtf8(c.expected))
            << c.part << " of " << c.total;

    const DiskCategory folder{"Music", 25'000, 0x8AD9C0, Path("/h/Music"), "music.note"};
    const DiskCategory remainder{"System & Other", 25'000, 0x8E97AB, std::nullopt, "gearshape"};
    EXPECT_EQ(DiskViewModel::helpText(folder, 1'000'000),
              QStringLiteral("Music: 25 KB \u2014 3% of used space. Click to show in your file manager."));
    EXPECT_EQ(DiskViewModel::helpText(remainder, 1'000'000),
              QStringLiteral("System & Other: 25 KB \u2014 3% of used space"));
    EXPECT_EQ(DiskViewModel::helpText(remainder, 0),
              QStringLiteral("System & Other: 25 KB \u2014 \u2014 of used space"));
}

// A tile shows its icon, name and size line only where its frame has room for them.
TEST(DiskViewTileTest, LabelsFollowTheFrame)
{
    QQmlEngine engine;
    QQmlComponent component(&engine);
    component.setData(R"(
import QtQuick
import Quillmere.Screens
DiskTile {
    name: "A"
    tileColor: "#9A8AE8"
    symbol: "doc.text"
    hasFolder: true
    sizeLine: "12 GB \u00b7 40%"
    helpText: "Documents"
    revealed: true
})",
                      QUrl());
    std::unique_ptr<QObject> object(component.create());
    ASSERT_NE(object, nullptr) << component.errorString().toStdString();
    auto* tile = qobject_cast<QQuickItem*>(object.get());
    struct Case
    {
        QRectF frame;
        bool icon, name, sizeLine;
    };
    const Case cases[] = {
        {{0, 0, 100, 40}, false, true, false}, {{0, 0, 120, 50}, false, true, true},
        {{0, 0, 80, 70}, true, true, false},   {{0, 0, 50, 100}, false, false, false},
        {{0, 0, 110, 46}, false, true, true},  {{0, 0, 72, 64}, true, true, false},
        {{0, 0, 56, 26}, false, true, false},  {{0, 0, 55.9, 200}, false, false, false},
    };
    for (const Case& c : cases) {
        tile->setProperty("frame", c.frame);
        const auto shows = [&](const char* alias) {
            return tile->property(alias).value<QQuickItem*>()->isVisible();
        };
        EXPECT_EQ(tile->property("showsIcon").toBool(), c.icon) << c.frame.width() << "x" << c.frame.height();
        EXPECT_EQ(shows("icon"), c.icon) << c.frame.width() << "x" << c.frame.height();
        EXPECT_EQ(tile->property("showsName").toBool(), c.name) << c.frame.width() << "x" << c.frame.height();
        EXPECT_EQ(tile->property("showsSizeLine").toBool(), c.sizeLine)
            << c.frame.width() << "x" << c.frame.height();
    }
    // A name wider than the tile even one step down the type scale still shows, on one line cut at its
    // end inside the tile; with room it shows whole.
    tile->setProperty("name", QStringLiteral("Documents"));
    auto* name = tile->property("nameText").value<QQuickItem*>();
    tile->setProperty("frame", QRectF(0, 0, 56, 26));
    EXPECT_TRUE(tile->property("showsName").toBool());
    EXPECT_TRUE(name->isVisible());
    EXPECT_TRUE(name->property("truncated").toBool());
    EXPECT_EQ(name->property("lineCount").toInt(), 1);
    EXPECT_LE(name->property("contentWidth").toDouble(), name->width() + 0.5)
        << "the name runs past the tile";
    tile->setProperty("frame", QRectF(0, 0, 200, 60));
    EXPECT_TRUE(tile->property("showsName").toBool());
    EXPECT_FALSE(name->property("truncated").toBool());

    tile->setProperty("frame", QRectF(10, 20, 100, 40));
    EXPECT_EQ(QRectF(tile->x(), tile->y(), tile->width(), tile->height()), QRectF(13, 23, 94, 34));
    tile->setProperty("frame", QRectF(10, 20, 4, 5));
    EXPECT_EQ(tile->width(), 0);
    EXPECT_EQ(tile->height(), 0);
}

class DiskViewTest : public ::testing::Test
{
protected:
    DiskScreenHarness h;
};

TEST_F(DiskViewTest, MeasuresOnAppearanceThenShowsTheOverview)
{
    h.tree().file(h.home() / "Documents/report", 3'000'000);
    h.tree().file(h.home() / "Music/song", 1); // a sliver of the volume: its segment is 2 wide
    h.setVolume(VolumeSpace{10'000'000'000, 4'000'000'000, 4'000'000'000});
    h.holdScans(true);
    ASSERT_TRUE(h.open(kPageSize)) << h.errors().join('\n').toStdString();

    // Measuring until the report arrives; the Rescan button waits with it.
    ASSERT_TRUE(h.settle([&] { return h.holding(); }));
    EXPECT_EQ(h.model().generation(), 1) << "the page loads on appearance";
    EXPECT_NE(part(h, "measuringState"), nullptr);
    EXPECT_EQ(text(part(h, "measuringTitle")), QStringLiteral("Measuring your folders\u2026"));
    EXPECT_EQ(text(part(h, "measuringNote")),
              QStringLiteral("Large libraries (Photos, Applications) can take a moment."));
    QQuickItem* rescan = part(h, "rescanButton");
    ASSERT_NE(rescan, nullptr);
    EXPECT_FALSE(rescan->isEnabled());
    h.model().load();
    h.click(rescan);
    EXPECT_EQ(h.model().generation(), 1) << "two starts while measuring start one scan";

    h.holdScans(false);
    ASSERT_TRUE(h.settleScan());
    EXPECT_TRUE(rescan->isEnabled());
    EXPECT_EQ(part(h, "measuringState"), nullptr);
    EXPECT_EQ(text(part(h, "usedText")), QStringLiteral("6 GB"));
    EXPECT_EQ(text(part(h, "freeText")), QStringLiteral("4 GB free of 10 GB"));
    QQuickItem* bar = part(h, "storageBar");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(QQmlProperty(bar, QStringLiteral("Accessible.name"), qmlContext(bar)).read().toString(),
              QStringLiteral("Storage bar: 6 GB used, 4 GB free of 10 GB"));
    EXPECT_EQ(part(h, "emptyBar"), nullptr);

    // One segment per category, System & Other included, in report order; the song's is 2 wide.
    const QVariantList categories = h.model().categories();
    ASSERT_EQ(categories.size(), 3);
    EXPECT_EQ(categories[0].toMap()["name"], QStringLiteral("System & Other"));
    EXPECT_EQ(categories[1].toMap()["name"], QStringLiteral("Documents"));
    EXPECT_EQ(categories[2].toMap()["name"], QStringLiteral("Music"));
    QQuickItem* music = part(h, "segment:Music");
    QQuickItem* documents = part(h, "segment:Documents");
    QQuickItem* remainder = part(h, "segment:System & Other");
    ASSERT_TRUE(music && documents && remainder);
    EXPECT_EQ(music->width(), 2);
    const qint64 docBytes = test::findAllocatedSize(h.home() / "Documents");
    EXPECT_NEAR(documents->width(), std::max(2.0, bar->width() * double(docBytes) / 10e9), 1e-6);
    EXPECT_LT(remainder->x(), documents->x());
    EXPECT_EQ(documents->x() + documents->width() + 1, music->x()) << "1 apart";
    QQuickItem* filler = part(h, "freeSegment");
    ASSERT_NE(filler, nullptr);
    EXPECT_NEAR(filler->x() + filler->width(), bar->width(), 1e-6) << "the free space takes the rest";

    // Tiles for the folders only; chips for every category and the free space.
    EXPECT_NE(part(h, "tile:Documents"), nullptr);
    EXPECT_NE(part(h, "tile:Music"), nullptr);
    EXPECT_EQ(part(h, "tile:System & Other"), nullptr);
    // Each tile sits in its treemap rectangle inset by 3.
    QQuickItem* map = part(h, "treemap");
    ASSERT_NE(map, nullptr);
    const QVariantList frames = h.model().tileFrames(map->width(), map->height());
    ASSERT_EQ(frames.size(), 2);
    const QVariantMap docFrame = frames[0].toMap();
    QQuickItem* docTile = part(h, "tile:Documents");
    EXPECT_DOUBLE_EQ(docTile->x(), docFrame["x"].toDouble() + 3);
    EXPECT_DOUBLE_EQ(docTile->width(), docFrame["width"].toDouble() - 6);
    EXPECT_DOUBLE_EQ(docTile->height(), docFrame["height"].toDouble() - 6);
    QQuickItem* otherChip = part(h, "chip:System & Other");
    ASSERT_NE(otherChip, nullptr);
    EXPECT_FALSE(otherChip->property("helpText")
                     .toString()
                     .endsWith(QStringLiteral("Click to show in your file manager.")));
    EXPECT_TRUE(part(h, "chip:Music")
                    ->property("helpText")
                    .toString()
                    .endsWith(QStringLiteral(". Click to show in your file manager.")));
    EXPECT_EQ(part(h, "chip:Free")->property("helpText").toString(), QStringLiteral("Free space: 4 GB"));
    EXPECT_EQ(part(h, "incompleteNote"), nullptr);
    EXPECT_EQ(part(h, "mapEmpty"), nullptr);
    EXPECT_TRUE(h.warnings().isEmpty()) << h.warnings().join('\n').toStdString();
}

TEST_F(DiskViewTest, AnUnreadableVolumeShowsZeroTotalsDashesAndAnEmptyBar)
{
    h.tree().file(h.home() / "Downloads/file", 40'000);
    h.setVolume(std::nullopt);
    ASSERT_TRUE(h.open(kPageSize));
    ASSERT_TRUE(h.settleScan());
    EXPECT_EQ(text(part(h, "usedText")), QStringLiteral("0 KB"));
    EXPECT_EQ(text(part(h, "freeText")), QStringLiteral("0 KB free of 0 KB"));
    EXPECT_NE(part(h, "emptyBar"), nullptr);
    EXPECT_EQ(part(h, "segment:Downloads"), nullptr);
    QQuickItem* chip = part(h, "chip:Downloads");
    ASSERT_NE(chip, nullptr);
    EXPECT_TRUE(chip->property("sizeLine").toString().endsWith(QStringLiteral(" \u00b7 \u2014")))
        << chip->property("sizeLine").toString().toStdString();
    EXPECT_NE(part(h, "incompleteNote"), nullptr) << "a measured byte against no volume is overcounted";
    EXPECT_EQ(
        text(part(h, "incompleteText")),
        QStringLiteral("Some folders couldn't be fully measured \u2014 the split is approximate and the "
                       "difference is folded into \u201cSystem & Other.\u201d"));
}

TEST_F(DiskViewTest, NothingToMapShowsTheEmptyState)
{
    ASSERT_TRUE(h.open(kPageSize));
    ASSERT_TRUE(h.settleScan());
    QQuickItem* empty = part(h, "mapEmpty");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->property("title").toString(),
              QStringLiteral("Your folders are practically empty \u2014 nothing to map."));
    EXPECT_NE(part(h, "chip:System & Other"), nullptr);
}

TEST_F(DiskViewTest, AnEqualReportDoesNotReplayTheEntranceAndADifferentOneDoes)
{
    h.tree().file(h.home() / "Documents/report", 300'000);
    ASSERT_TRUE(h.open(kPageSize, false));
    ASSERT_TRUE(h.settleScan());
    const int first = h.page()->property("entrances").toInt();
    EXPECT_EQ(first, 2) << "once on appearance, once for the first report";
    ASSERT_TRUE(h.settle([&] { return part(h, "tile:Documents")->property("entrance").toDouble() == 1; }));

    h.click(part(h, "rescanButton"));
    EXPECT_EQ(h.model().generation(), 2);
    ASSERT_TRUE(h.settle([&] { return !h.model().scanning(); }));
    EXPECT_EQ(h.page()->property("entrances").toInt(), first) << "an equal report changes nothing";
    EXPECT_TRUE(h.page()->property("revealed").toBool());
    EXPECT_EQ(part(h, "tile:Documents")->property("entrance").toDouble(), 1);

    // A new folder joins the map: the Documents tile stays the same tile and glides to its new place.
    QQuickItem* documents = part(h, "tile:Documents");
    const double widthBefore = documents->width();
    h.tree().file(h.home() / "Music/song", 80'000);
    h.model().load();
    ASSERT_TRUE(h.settle([&] { return !h.model().scanning(); }));
    EXPECT_EQ(h.page()->property("entrances").toInt(), first + 1);
    ASSERT_NE(part(h, "tile:Music"), nullptr);
    EXPECT_EQ(part(h, "tile:Documents"), documents) << "the tile keeps its identity";
    EXPECT_TRUE(documents->property("animatesFrame").toBool());
    QQuickItem* map = part(h, "treemap");
    const QVariantMap frame = h.model().tileFrames(map->width(), map->height())[0].toMap();
    ASSERT_TRUE(h.settle([&] { return documents->width() == frame["width"].toDouble() - 6; }));
    EXPECT_LT(documents->width(), widthBefore);
    EXPECT_TRUE(h.settle([&] { return !documents->property("animatesFrame").toBool(); }));
}

TEST_F(DiskViewTest, WithReduceMotionTilesStandAtOnce)
{
    h.tree().file(h.home() / "Documents/report", 300'000);
    h.tree().file(h.home() / ".config/prefs", 100'000);
    ASSERT_TRUE(h.open(kPageSize, true));
    ASSERT_TRUE(h.settleScan());
    for (const char* name : {"tile:Documents", "tile:App Data"}) {
        QQuickItem* tile = part(h, name);
        ASSERT_NE(tile, nullptr) << name;
        EXPECT_EQ(tile->opacity(), 1) << name;
        EXPECT_EQ(tile->scale(), 1) << name;
    }
}

// Hover follows the last writer: a late leave of the old tile does not clear the new one.
TEST_F(DiskViewTest, HoverKeepsTheLastWriterAndDimsTheRest)
{
    h.tree().file(h.home() / "Documents/report", 300'000);
    h.tree().file(h.home() / ".config/prefs", 100'000);
    ASSERT_TRUE(h.open(kPageSize, true));
    ASSERT_TRUE(h.settleScan());
    QQuickItem* documents = part(h, "tile:Documents");
    QQuickItem* library = part(h, "tile:App Data");
    ASSERT_TRUE(documents && library);

    QMetaObject::invokeMethod(documents, "hoverEntered", Q_ARG(QString, QStringLiteral("Documents")));
    QMetaObject::invokeMethod(library, "hoverEntered", Q_ARG(QString, QStringLiteral("App Data")));
    QMetaObject::invokeMethod(documents, "hoverLeft", Q_ARG(QString, QStringLiteral("Documents")));
    EXPECT_EQ(h.page()->property("hovered").toString(), QStringLiteral("App Data"));
    EXPECT_DOUBLE_EQ(documents->opacity(), 0.55);
    EXPECT_DOUBLE_EQ(library->opacity(), 1);
    EXPECT_DOUBLE_EQ(part(h, "segment:Documents")->opacity(), 0.35);
    EXPECT_DOUBLE_EQ(part(h, "segment:App Data")->opacity(), 1);
    EXPECT_EQ(library->property("isHovered").toBool(), true);

    QMetaObject::invokeMethod(library, "hoverLeft", Q_ARG(QString, QStringLiteral("App Data")));
    EXPECT_EQ(h.page()->property("hovered").toString(), QString());
    EXPECT_DOUBLE_EQ(documents->opacity(), 1);
    EXPECT_DOUBLE_EQ(part(h, "segment:Documents")->opacity(), 1);

    // The real pointer, too: resting on a chip names it.
    QQuickItem* chip = part(h, "chip:Documents");
    ASSERT_NE(chip, nullptr);
    // On a loaded machine the layout may still be settling; point only once the chip lies in the window.
    const auto centre = [&] { return chip->mapToScene(QPointF(chip->width() / 2, chip->height() / 2)); };
    ASSERT_TRUE(h.settle([&] {
        const QPointF c = centre();
        return c.x() >= 0 && c.y() >= 0 && c.x() < h.window()->width() && c.y() < h.window()->height();
    }));
    QTest::mouseMove(h.window(), centre().toPoint());
    EXPECT_TRUE(
        h.settle([&] { return h.page()->property("hovered").toString() == QStringLiteral("Documents"); }));
}

// A click shows the folder as listed: the link, not where it leads, byte for byte.
TEST_F(DiskViewTest, AClickRevealsTheListedFolder)
{
    const fs::path inner = h.home() / "Documents" / test::TempTree::nonUtf8Name();
    h.tree().file(inner / "memo", 600'000);
    h.tree().file(h.home() / "Documents/report", 300'000);
    h.tree().symlink(inner, h.home() / "Desktop");
    ASSERT_TRUE(h.open(kPageSize, true));
    ASSERT_TRUE(h.settleScan());

    h.click(part(h, "tile:Desktop"));
    ASSERT_EQ(h.workspace().revealed().size(), 1u);
    EXPECT_EQ(h.workspace().revealed()[0].native(), h.home().native() + "/Desktop");

    h.click(part(h, "chip:Documents"));
    ASSERT_EQ(h.workspace().revealed().size(), 2u);
    EXPECT_EQ(h.workspace().revealed()[1].native(), h.home().native() + "/Documents");

    h.click(part(h, "chip:System & Other"));
    h.click(part(h, "chip:Free"));
    EXPECT_EQ(h.workspace().revealed().size(), 2u) << "nothing to show for the remainder or the free space";
}

} // namespace
} // namespace qm
