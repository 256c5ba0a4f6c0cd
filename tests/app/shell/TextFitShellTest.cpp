// The texts that carry their meaning whole at the window's default size (1040 by 700) and at its minimum
// (1000 by 688), with long values: the sidebar gauge's used and total sizes, the Explore cards' titles
// (whole, or a word too wide for the line cut on its one line),
// the Explore cards' subtitles on up to two lines, and the Disk page's legend names and tile names (a tile
// name on one line, cut at its end inside the tile where it is too wide).
#include "ShellHarness.h"
#include "app/shell/ModuleModels.h"

#include <QQuickItem>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

namespace qm::test {
namespace {

// Every item under `root` (visual tree) whose object name starts with `prefix`.
void collect(QQuickItem* root, const QString& prefix, QList<QQuickItem*>& into)
{
    for (QQuickItem* child : root->childItems()) {
        if (child->objectName().startsWith(prefix))
            into.append(child);
        collect(child, prefix, into);
    }
}

class TextFitShellTest : public ::testing::Test
{
protected:
    QList<QQuickItem*> items(const QString& prefix) const
    {
        QList<QQuickItem*> found;
        collect(shell.window()->contentItem(), prefix, found);
        return found;
    }
    ModuleModels* models() const { return shell.models(); }
    // Whether the text item shows `text` whole, inside its parent's row.
    static void expectWhole(const QQuickItem* item, const QString& text, const std::string& what)
    {
        ASSERT_NE(item, nullptr) << what;
        EXPECT_EQ(item->property("text").toString(), text) << what;
        EXPECT_FALSE(item->property("truncated").toBool()) << what << " is cut: " << text.toStdString();
        EXPECT_LE(item->property("contentWidth").toDouble(), item->width() + 0.5) << what << " overflows";
    }

    ShellHarness shell;
};

TEST_F(TextFitShellTest, TheTextsShowTheirMeaningAtTheDefaultAndTheMinimumSize)
{
    shell.answers().fullDiskAccess = true;
    ASSERT_TRUE(shell.launch());
    ModuleModels* m = models();
    ASSERT_NE(m, nullptr);

    struct Row
    {
        const char* what;
        std::function<void(const std::string& at)> check;
    };
    const Row rows[] = {
        {"gauge",
         [&](const std::string& at) {
             QQuickItem* sidebar = shell.item("rootView")->property("sidebar").value<QQuickItem*>();
             auto* value =
                 sidebar->property("gauge").value<QObject*>()->property("valueLabel").value<QQuickItem*>();
             auto* card = sidebar->property("gauge").value<QQuickItem*>();
             for (const auto& [used, total, shown] :
                  {std::tuple{qint64(205'210'000'000), qint64(270'550'000'000), "205.21 GB / 270.55 GB"},
                   std::tuple{qint64(999'990'000'000), qint64(999'990'000'000'000),
                              "999.99 GB / 999.99 TB"}}) {
                 shell.answers().usedBytes = used;
                 shell.answers().totalBytes = total;
                 shell.clock().advance(std::chrono::seconds(4));
                 ASSERT_TRUE(
                     waitFor([&] { return value->property("text").toString() == QLatin1String(shown); }));
                 QCoreApplication::processEvents();
                 expectWhole(value, QLatin1String(shown), at + " gauge");
                 const QRectF box = value->mapRectToItem(card, QRectF(0, 0, value->width(), value->height()));
                 EXPECT_GE(box.left(), 0) << at;
                 EXPECT_LE(box.right(), card->width()) << at << ": the value leaves the card";
             }
         }},
        {"explore titles",
         [&](const std::string& at) {
             shell.app().navigator()->select(QStringLiteral("Smart Scan"));
             ASSERT_TRUE(waitFor([&] { return items(QStringLiteral("exploreCard:")).size() == 4; }));
             QCoreApplication::processEvents();
             for (QQuickItem* card : items(QStringLiteral("exploreCard:"))) {
                 auto* title = card->property("titleText").value<QQuickItem*>();
                 // A title shows whole, on up to two lines broken between words; only a word wider than
                 // the line even one type step down is cut, on its one line ("Protecti…").
                 if (title->property("wordsFitSmall").toBool()) {
                     expectWhole(title, card->property("title").toString(),
                                 at + " " + card->objectName().toStdString());
                 } else {
                     EXPECT_EQ(title->property("lineCount").toInt(), 1)
                         << at << " " << card->objectName().toStdString();
                     EXPECT_LE(title->property("contentWidth").toDouble(), title->width() + 0.5)
                         << at << " " << card->objectName().toStdString() << " title overflows";
                 }
                 // The subtitle takes a second line before it is cut, and never a third.
                 auto* subtitle = card->property("subtitleText").value<QQuickItem*>();
                 ASSERT_NE(subtitle, nullptr);
                 const std::string what = at + " " + card->objectName().toStdString() + " subtitle \"" +
                                          subtitle->property("text").toString().toStdString() + "\"";
                 const int lines = subtitle->property("lineCount").toInt();
                 EXPECT_LE(lines, 2) << what;
                 if (subtitle->implicitWidth() > subtitle->width() + 0.5) {
                     EXPECT_EQ(lines, 2) << what << " is cut to one line";
                 }
                 EXPECT_LE(subtitle->property("contentHeight").toDouble(), subtitle->height() + 0.5) << what;
             }
         }},
        {"disk legend and tiles",
         [&](const std::string& at) {
             shell.app().navigator()->select(QStringLiteral("Disk"));
             ASSERT_TRUE(waitFor(
                 [&] { return m->disk()->hasReport() && !items(QStringLiteral("chip:")).isEmpty(); }));
             QCoreApplication::processEvents();
             for (QQuickItem* chip : items(QStringLiteral("chip:"))) {
                 auto* name = chip->property("nameText").value<QQuickItem*>();
                 expectWhole(name, chip->property("name").toString(),
                             at + " " + chip->objectName().toStdString());
             }
             // A tile name shows on one line, whole, or cut at its end inside the tile.
             for (QQuickItem* name : items(QStringLiteral("tileName"))) {
                 const QQuickItem* tile = name->parentItem() ? name->parentItem()->parentItem() : nullptr;
                 ASSERT_NE(tile, nullptr);
                 const QRectF frame = tile->property("frame").toRectF();
                 const bool room = frame.height() >= 26 && frame.width() >= 56;
                 EXPECT_EQ(name->isVisible() && tile->isVisible(), room && tile->isVisible())
                     << at << " tile " << frame.width() << "x" << frame.height() << " "
                     << name->property("text").toString().toStdString();
                 if (!name->isVisible())
                     continue;
                 EXPECT_EQ(name->property("lineCount").toInt(), 1) << at << " tile";
                 EXPECT_LE(name->property("contentWidth").toDouble(), name->width() + 0.5)
                     << at << " tile name overflows: " << name->property("text").toString().toStdString();
             }
         }},
    };

    for (const QSize size : {QSize(1040, 700), QSize(1000, 688)}) {
        shell.window()->resize(size);
        ASSERT_TRUE(waitFor([&] { return shell.window()->size() == size; }));
        const std::string at = std::to_string(size.width()) + "x" + std::to_string(size.height());
        for (const Row& row : rows) {
            SCOPED_TRACE(at + " " + row.what);
            row.check(at);
        }
    }
}

} // namespace
} // namespace qm::test
