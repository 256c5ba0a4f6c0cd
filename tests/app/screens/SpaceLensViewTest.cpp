// The Space Lens page over the real space lens model on a fixture home and system root: the content
// states, loading on appearance and on activation, the toolbar by stack depth, what a removal disables,
// the counted texts, the shared hover, protected entries, the bottom bars, and which map changes move.
#include "SpaceLensScreenHarness.h"
#include "support/PrivilegeDrop.h"

#include <QFont>
#include <QQuickItem>
#include <QTest>
#include <QtQuickTest/quicktest.h>

#include <gtest/gtest.h>

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::SpaceLensScreenHarness;

const QSize kPageSize(820, 700);
constexpr qint64 kBlock = 4096;

QString text(const QQuickItem* item)
{
    return item != nullptr ? item->property("text").toString() : QStringLiteral("<missing>");
}

class SpaceLensViewTest : public ::testing::Test
{
protected:
    void openPage() { ASSERT_TRUE(h.open(kPageSize)) << h.errors().join('\n').toStdString(); }
    void openAndMeasure()
    {
        openPage();
        ASSERT_TRUE(h.settlePass());
    }
    QQuickItem* item(const char* alias) const { return h.page()->property(alias).value<QQuickItem*>(); }
    QQuickItem* named(const char* name) const { return h.find(QString::fromLatin1(name)); }
    QQuickItem* results() const { return h.pageObject("content")->property("item").value<QQuickItem*>(); }
    QQuickItem* map() const { return h.find(QStringLiteral("bubbleMap")); }
    int movingCount() const
    {
        QVariant count;
        QMetaObject::invokeMethod(map(), "movingCount", Q_RETURN_ARG(QVariant, count));
        return count.toInt();
    }
    // Selects the entry `name` of the current folder through its row's select control.
    void select(const std::string& name)
    {
        QQuickItem* row = h.row(name);
        ASSERT_NE(row, nullptr) << name;
        h.click(row->property("selectButton").value<QQuickItem*>());
        ASSERT_TRUE(h.settle([&] { return h.row(name)->property("isSelected").toBool(); })) << name;
    }
    // "Review & Remove", then the dialog's destructive button.
    void confirmRemoval()
    {
        h.click(named("reviewButton"));
        ASSERT_TRUE(h.model().showConfirm());
        auto* dialog = h.page()->property("confirm").value<QObject*>();
        ASSERT_TRUE(h.settle([&] { return dialog->property("opened").toBool(); }));
        h.click(dialog->property("destructiveButton").value<QQuickItem*>());
    }
    void removeAndWait()
    {
        confirmRemoval();
        ASSERT_TRUE(h.settle([&] { return !h.model().removing(); }));
        ASSERT_TRUE(h.settlePass());
    }
    QStringList crumbTexts() const
    {
        QStringList texts;
        auto* crumbs = h.page()->property("crumbs").value<QQuickItem*>();
        const int count = crumbs->property("count").toInt();
        for (int i = 0; i < count; ++i) {
            QQuickItem* crumb = nullptr;
            QMetaObject::invokeMethod(crumbs, "itemAt", Q_RETURN_ARG(QQuickItem*, crumb), Q_ARG(int, i));
            texts.append(crumb != nullptr ? text(crumb->property("button").value<QQuickItem*>()) : QString());
        }
        return texts;
    }
    QQuickItem* crumbButton(int index) const
    {
        return h.find(QStringLiteral("crumb:") + QString::number(index));
    }

    SpaceLensScreenHarness h;
};

// Before the first entry lands the page measures; entries show the list beside the map; an empty
// folder, a folder that can't be listed and one emptied by a removal each have their own state.
TEST_F(SpaceLensViewTest, ContentStatesFollowTheModel)
{
    h.home().file("Projects/app.bin", 20 * kBlock);
    h.home().file("notes.txt", kBlock);
    h.holdSizing(true);
    openPage();
    EXPECT_TRUE(h.model().scanning()) << "the page loads when it comes on screen";
    EXPECT_EQ(h.contentName(), QStringLiteral("measuringState"));
    EXPECT_EQ(text(named("measuringText")), QStringLiteral("Measuring ") +
                                                QString::fromStdString(h.home().home().filename().native()) +
                                                QStringLiteral("\u2026"))
        << "the home folder by its own name";
    EXPECT_FALSE(item("summary")->isVisible());

    h.letOne();
    ASSERT_TRUE(h.settle([&] { return h.model().entryCount() == 1; }));
    EXPECT_EQ(h.contentName(), QStringLiteral("resultsState"));
    EXPECT_TRUE(named("scanBar")->isVisible());
    // The progress report comes as a call of its own, after or before the entry.
    EXPECT_TRUE(h.settle([&] {
        return text(named("scanText")) == QStringLiteral("Measuring\u2026 1 of 2 items");
    })) << text(named("scanText")).toStdString();
    EXPECT_EQ(named("listPane")->width(), 320);
    h.holdSizing(false);
    ASSERT_TRUE(h.settlePass());
    EXPECT_EQ(named("scanBar"), nullptr) << "no scan bar once measured";
    EXPECT_TRUE(map()->isVisible());
    EXPECT_EQ(h.findAllStartingWith(QStringLiteral("row:")).size(), 2);

    const fs::path empty = h.home().folder("Empty");

    h.click(item("chooseButton"));
    ASSERT_TRUE(h.picker().pending());
    h.picker().answer(empty);
    ASSERT_TRUE(h.settlePass());
    EXPECT_EQ(h.contentName(), QStringLiteral("emptyState"));

    h.model().choose();
    h.picker().answer(h.home().home() / "missing");
    ASSERT_TRUE(h.settlePass());
    EXPECT_EQ(h.contentName(), QStringLiteral("unreadableState"));

    h.model().choose();
    h.picker().answer(h.home().home() / "Projects");
    ASSERT_TRUE(h.settlePass());
    select("app.bin");
    removeAndWait();
    EXPECT_EQ(h.contentName(), QStringLiteral("emptiedState"));
    EXPECT_NE(named("undoBar"), nullptr) << "the undo offer shows below it";
    EXPECT_TRUE(h.warnings().isEmpty()) << h.warnings().join('\n').toStdString();
}

// Unreadable children of no bytes: while measuring, the map stands beside the list with nothing drawn;
// once measured, the map area says they can't be measured while the list still shows them.
TEST_F(SpaceLensViewTest, UnreadableChildrenLeaveTheMapEmptyThenSayTheyCantBeMeasured)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    const fs::path locked = h.home().folder("locked");
    for (const char* name : {"u1", "u2"}) {
        h.home().file(locked / name / "inside", kBlock);
        h.home().chmod(locked / name, 0);
    }
    openAndMeasure();
    h.holdSizing(true);
    {
        const test::DroppedPrivileges dropped;
        h.model().choose();
        h.picker().answer(locked);
        h.letOne();
        ASSERT_TRUE(h.settle([&] { return h.model().entryCount() == 1; }));
        EXPECT_FALSE(h.model().currentUnreadable()) << "the positive control: the folder itself was listed";
        EXPECT_EQ(h.contentName(), QStringLiteral("resultsState"));
        EXPECT_TRUE(named("scanBar")->isVisible());
        EXPECT_EQ(h.model().layoutList()->count(), 0);
        EXPECT_TRUE(map()->isVisible()) << "the map shows while measuring, even with an empty layout";
        EXPECT_EQ(named("unmeasurable"), nullptr);
        EXPECT_EQ(text(item("summary")), QStringLiteral("\u2014 \u00b7 1 item \u00b7 1 can't be measured"));
        h.holdSizing(false);
        ASSERT_TRUE(h.settlePass());
    }
    EXPECT_EQ(map(), nullptr);
    EXPECT_NE(named("unmeasurable"), nullptr);
    // The list lays out its new row when the window is next polished.
    EXPECT_TRUE(h.settle([&] { return h.findAllStartingWith(QStringLiteral("row:")).size() == 2; }));
    QQuickItem* row = h.row("u1");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(text(row->property("sizeLabel").value<QQuickItem*>()), QStringLiteral("\u2014 can't read"));
    EXPECT_FALSE(row->property("shareLine").value<QQuickItem*>()->isVisible());
    EXPECT_EQ(text(item("summary")), QStringLiteral("\u2014 \u00b7 2 items \u00b7 2 can't be measured"));
}

// The page loads when it comes on screen and the model has nothing; a revisit with entries keeps them.
TEST_F(SpaceLensViewTest, TheFirstShowingLoadsARevisitWithEntriesDoesNot)
{
    h.home().file("notes.txt", kBlock);
    openAndMeasure();
    EXPECT_EQ(h.model().generation(), 1);
    h.close();
    openPage();
    EXPECT_EQ(h.model().generation(), 1) << "entries are there: nothing measured again";
    EXPECT_FALSE(h.model().scanning());
    EXPECT_EQ(h.contentName(), QStringLiteral("resultsState"));

    // A folder that measured empty is measured again on the next visit.
    h.model().choose();
    h.picker().answer(h.home().folder("Empty"));
    ASSERT_TRUE(h.settlePass());
    const int before = h.model().generation();
    h.close();
    openPage();
    EXPECT_EQ(h.model().generation(), before + 1);
}

// Coming back to the application re-reads the access state: the first time access appears the folder
// is measured again and the banner goes; the next activation changes nothing.
TEST_F(SpaceLensViewTest, ActivationReloadsOnceWhenAccessAppears)
{
    h.home().file("notes.txt", kBlock);
    h.setAccess(false);
    openAndMeasure();
    EXPECT_EQ(h.model().generation(), 1) << "the initial state is not an activation";
    auto* banner = item("banner");
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(
        banner->property("message").toString(),
        QStringLiteral("Folders your user may not read are skipped, so some files may be missing here."));

    h.activity().setState(AppActivity::State::Inactive);
    h.activity().setState(AppActivity::State::Active);
    EXPECT_EQ(h.model().generation(), 1) << "still no access";
    h.setAccess(true);
    h.activity().setState(AppActivity::State::Background);
    EXPECT_EQ(h.model().generation(), 1) << "leaving is no activation";
    h.activity().setState(AppActivity::State::Active);
    EXPECT_EQ(h.model().generation(), 2);
    EXPECT_FALSE(banner->isVisible());
    ASSERT_TRUE(h.settlePass());
    h.activity().setState(AppActivity::State::Inactive);
    h.activity().setState(AppActivity::State::Active);
    EXPECT_EQ(h.model().generation(), 2);
}

TEST_F(SpaceLensViewTest, UpButtonAndBreadcrumbByDepth)
{
    h.home().file("A/B/deep.bin", 4 * kBlock);
    h.home().file("A/side.txt", kBlock);
    openAndMeasure();

    QQuickItem* up = item("upButton");
    const auto glyph = [&] { return up->property("contentItem").value<QQuickItem*>(); };
    EXPECT_FALSE(up->isEnabled());
    EXPECT_DOUBLE_EQ(glyph()->opacity(), 0.4);
    EXPECT_EQ(crumbTexts(), QStringList{QStringLiteral("Home")});
    ASSERT_NE(crumbButton(0), nullptr);
    EXPECT_FALSE(crumbButton(0)->isEnabled());
    EXPECT_EQ(h.findAllStartingWith(QStringLiteral("crumbChevron")).size(), 0);
    const auto crumbFont = [&](int i) {
        return crumbButton(i)->property("contentItem").value<QQuickItem*>()->property("font").value<QFont>();
    };
    EXPECT_EQ(crumbFont(0).weight(), QFont::DemiBold);

    h.click(h.row("A")->property("mainButton").value<QQuickItem*>());
    ASSERT_TRUE(h.settlePass());
    h.click(h.row("B")->property("mainButton").value<QQuickItem*>());
    ASSERT_TRUE(h.settlePass());
    EXPECT_EQ(crumbTexts(), QStringList({QStringLiteral("Home"), QStringLiteral("A"), QStringLiteral("B")}));
    EXPECT_EQ(h.findAllStartingWith(QStringLiteral("crumbChevron")).size(), 2);
    EXPECT_TRUE(crumbButton(0)->isEnabled());
    EXPECT_TRUE(crumbButton(1)->isEnabled());
    EXPECT_FALSE(crumbButton(2)->isEnabled());
    EXPECT_EQ(crumbFont(0).weight(), QFont::Normal);
    EXPECT_EQ(crumbFont(2).weight(), QFont::DemiBold);
    EXPECT_TRUE(up->isEnabled());
    EXPECT_DOUBLE_EQ(glyph()->opacity(), 1);

    h.click(up);
    ASSERT_TRUE(h.settlePass());
    EXPECT_EQ(crumbTexts(), QStringList({QStringLiteral("Home"), QStringLiteral("A")}));
    h.click(crumbButton(0));
    ASSERT_TRUE(h.settlePass());
    EXPECT_EQ(crumbTexts(), QStringList{QStringLiteral("Home")});
    EXPECT_NE(h.row("A"), nullptr);

    // A chosen root is named by its own name; only the home folder reads "Home".
    h.click(item("chooseButton"));
    h.picker().answer(h.home().home() / "A");
    ASSERT_TRUE(h.settlePass());
    EXPECT_EQ(crumbTexts(), QStringList{QStringLiteral("A")});
    EXPECT_FALSE(up->isEnabled());
}

// While a removal runs, the controls that start work are disabled; the breadcrumb and Undo are not.
TEST_F(SpaceLensViewTest, ARemovalDisablesUpChooseClearAndReviewButNotTheBreadcrumbOrUndo)
{
    h.home().file("A/one.bin", 2 * kBlock);
    h.home().file("A/two.bin", kBlock);
    openAndMeasure();
    h.click(h.row("A")->property("mainButton").value<QQuickItem*>());
    ASSERT_TRUE(h.settlePass());
    select("one.bin");
    removeAndWait();
    ASSERT_TRUE(h.model().hasLastReport());

    select("two.bin");
    h.trashGate().arm(FsStep::Move);
    confirmRemoval();
    ASSERT_TRUE(h.settle([&] { return h.trashGate().holding(); }));
    ASSERT_TRUE(h.model().removing());
    EXPECT_FALSE(item("upButton")->isEnabled());
    EXPECT_FALSE(item("chooseButton")->isEnabled());
    EXPECT_FALSE(named("clearButton")->isEnabled());
    EXPECT_FALSE(named("reviewButton")->isEnabled());
    EXPECT_TRUE(crumbButton(0)->isEnabled());
    // With the selection cleared the undo offer shows, and Undo stays enabled.
    h.model().clearSelection();
    ASSERT_NE(named("undoBar"), nullptr);
    EXPECT_TRUE(named("undoButton")->isEnabled());
    h.trashGate().release();
    ASSERT_TRUE(h.settle([&] { return !h.model().removing(); }));
    EXPECT_TRUE(item("upButton")->isEnabled());
    EXPECT_TRUE(item("chooseButton")->isEnabled());
}

// One and two of each: the summary's entries, the dialog's selected items and the undo offer's trashed
// items.
TEST_F(SpaceLensViewTest, CountedTextsTakeTheirPluralUnlessTheCountIsOne)
{
    h.home().file("One/only.bin", kBlock);
    h.home().file("Two/a.bin", 2 * kBlock);
    h.home().file("Two/b.bin", kBlock);
    openAndMeasure();
    auto* dialog = h.page()->property("confirm").value<QObject*>();

    h.click(h.row("One")->property("mainButton").value<QQuickItem*>());
    ASSERT_TRUE(h.settlePass());
    EXPECT_EQ(text(item("summary")), QStringLiteral("4 KB \u00b7 1 item"));
    select("only.bin");
    EXPECT_EQ(dialog->property("title").toString(), QStringLiteral("Move 1 item to the Trash?"));
    EXPECT_EQ(named("selectionBar")->property("subtitle").toString(),
              QStringLiteral("1 selected across this scan"));
    removeAndWait();
    EXPECT_EQ(named("undoBar")->property("subtitle").toString(), QStringLiteral("1 item in Trash"));
    EXPECT_EQ(named("undoBar")->property("title").toString(), QStringLiteral("Freed 4 KB"));
    EXPECT_TRUE(h.page()->property("showCelebration").toBool());

    h.click(crumbButton(0));
    ASSERT_TRUE(h.settlePass());
    h.click(h.row("Two")->property("mainButton").value<QQuickItem*>());
    ASSERT_TRUE(h.settlePass());
    EXPECT_EQ(text(item("summary")), QStringLiteral("12 KB \u00b7 2 items"));
    select("a.bin");
    select("b.bin");
    EXPECT_EQ(dialog->property("title").toString(), QStringLiteral("Move 2 items to the Trash?"));
    EXPECT_EQ(dialog->property("destructiveText").toString(), QStringLiteral("Move 12 KB to Trash"));
    removeAndWait();
    EXPECT_EQ(named("undoBar")->property("subtitle").toString(), QStringLiteral("3 items in Trash"))
        << "the undo record holds both removals";
}

// Rows and bubbles share one hover: pointing at B before A's leave arrives leaves B highlighted, in
// the list and on the map.
TEST_F(SpaceLensViewTest, TheHoverStaysWithTheEntryEnteredLast)
{
    h.home().file("big.bin", 8 * kBlock);
    h.home().file("small.bin", 2 * kBlock);
    openAndMeasure();
    QQuickItem* a = h.row("big.bin");
    QQuickItem* b = h.row("small.bin");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    const QString idA = h.entryId("big.bin");
    const QString idB = h.entryId("small.bin");

    QMetaObject::invokeMethod(a, "hoverReported", Q_ARG(bool, true));
    EXPECT_EQ(h.page()->property("hovered").toString(), idA);
    QMetaObject::invokeMethod(b, "hoverReported", Q_ARG(bool, true));
    QMetaObject::invokeMethod(a, "hoverReported", Q_ARG(bool, false));
    EXPECT_EQ(h.page()->property("hovered").toString(), idB);
    EXPECT_TRUE(b->property("isHovered").toBool());
    EXPECT_FALSE(a->property("isHovered").toBool());
    EXPECT_TRUE(h.bubble("small.bin")->property("isHovered").toBool()) << "the bubble follows the row";

    // The same race between bubbles.
    QMetaObject::invokeMethod(map(), "hoverEntered", Q_ARG(QString, idA));
    QMetaObject::invokeMethod(map(), "hoverLeft", Q_ARG(QString, idB));
    EXPECT_EQ(h.page()->property("hovered").toString(), idA);
    EXPECT_TRUE(a->property("isHovered").toBool());
    QMetaObject::invokeMethod(map(), "hoverLeft", Q_ARG(QString, idA));
    EXPECT_EQ(h.page()->property("hovered").toString(), QString());
}

// A protected folder (the home's Documents) shows the lock in its row and only "Show in File Manager" in its
// bubble's menu, which reveals it; another folder's menu selects it.
TEST_F(SpaceLensViewTest, AProtectedEntryShowsTheLockAndOnlyRevealInItsMenu)
{
    h.home().file("Documents/report.pdf", 4 * kBlock);
    h.home().file("Projects/app.bin", 8 * kBlock);
    openAndMeasure();
    QQuickItem* documents = h.row("Documents");
    ASSERT_NE(documents, nullptr);
    EXPECT_TRUE(documents->property("lock").value<QQuickItem*>()->isVisible());
    EXPECT_FALSE(documents->property("selectButton").value<QQuickItem*>()->isVisible());
    EXPECT_TRUE(h.row("Projects")->property("selectButton").value<QQuickItem*>()->isVisible());

    auto* menu = map()->property("menu").value<QObject*>();
    const auto openMenu = [&](const std::string& name) {
        QQuickItem* bubble = h.bubble(name);
        EXPECT_NE(bubble, nullptr) << name;
        if (bubble == nullptr)
            return QStringList();
        const QPointF centre = bubble->mapToScene(QPointF(bubble->width() / 2, bubble->height() / 2));
        QTest::mouseClick(h.window(), Qt::RightButton, Qt::NoModifier, centre.toPoint());
        EXPECT_TRUE(h.settle([&] { return menu->property("opened").toBool(); }));
        QStringList texts;
        for (int i = 0; i < menu->property("count").toInt(); ++i) {
            QQuickItem* entry = nullptr;
            QMetaObject::invokeMethod(menu, "itemAt", Q_RETURN_ARG(QQuickItem*, entry), Q_ARG(int, i));
            texts.append(text(entry));
        }
        return texts;
    };
    EXPECT_EQ(openMenu("Documents"), QStringList{QStringLiteral("Show in File Manager")});
    h.click(h.find(QStringLiteral("revealMenuItem")));
    ASSERT_EQ(h.workspace().revealed().size(), 1u);
    EXPECT_EQ(h.workspace().revealed()[0].native(), (h.home().home() / "Documents").native());
    EXPECT_TRUE(h.settle([&] { return !menu->property("opened").toBool(); }));

    EXPECT_EQ(openMenu("Projects"),
              QStringList({QStringLiteral("Select for removal"), QStringLiteral("Show in File Manager")}));
    h.click(h.find(QStringLiteral("selectMenuItem")));
    EXPECT_EQ(h.model().selectedCount(), 1);
    EXPECT_TRUE(h.row("Projects")->property("isSelected").toBool());
    EXPECT_TRUE(h.bubble("Projects")->property("selected").toBool());
    EXPECT_TRUE(h.warnings().isEmpty()) << h.warnings().join('\n').toStdString();
}

// A resize places the bubbles at once; a new layout from the model moves them.
TEST_F(SpaceLensViewTest, BubblesMoveForANewLayoutButNotForAResize)
{
    h.home().file("big.bin", 16 * kBlock);
    h.home().file("mid.bin", 8 * kBlock);
    h.home().file("small.bin", 2 * kBlock);
    openAndMeasure();
    ASSERT_TRUE(h.settle([&] { return movingCount() == 0; }));

    h.window()->resize(700, 600);
    h.page()->parentItem()->parentItem()->setSize(QSizeF(700, 600));
    ASSERT_TRUE(h.settle([&] { return map()->width() < 500; }));
    EXPECT_EQ(movingCount(), 0);
    QQuickItem* mid = h.bubble("mid.bin");
    EXPECT_EQ(mid->property("diameter").toDouble(), mid->property("targetDiameter").toDouble());

    select("big.bin");
    removeAndWait();
    EXPECT_GT(movingCount(), 0) << "mid.bin is now the largest, at the centre";
    EXPECT_TRUE(h.settle([&] { return movingCount() == 0; }));
}

// A click on a bubble opens its entry: a file is shown in the file manager, a folder is entered.
TEST_F(SpaceLensViewTest, AClickOnABubbleOpensItsEntry)
{
    h.home().file("Projects/app.bin", 8 * kBlock);
    const fs::path file = h.home().file("movie.mkv", 6 * kBlock);
    openAndMeasure();
    h.click(h.bubble("movie.mkv"));
    ASSERT_EQ(h.workspace().revealed().size(), 1u);
    EXPECT_EQ(h.workspace().revealed()[0].native(), file.native());
    EXPECT_EQ(h.model().stackDepth(), 1);

    h.click(h.bubble("Projects"));
    ASSERT_TRUE(h.settlePass());
    EXPECT_EQ(crumbTexts(), QStringList({QStringLiteral("Home"), QStringLiteral("Projects")}));
    EXPECT_NE(h.row("app.bin"), nullptr);
}

TEST_F(SpaceLensViewTest, TheFailureAlertShowsTheNoteAndClearsIt)
{
    h.home().file("notes.txt", kBlock);
    openAndMeasure();
    h.model().setFailureNote(QStringLiteral("1 item couldn't be moved to the Trash:\nnotes.txt: denied"));
    auto* alert = h.page()->property("failureAlert").value<QObject*>();
    ASSERT_TRUE(alert->property("presented").toBool());
    h.click(alert->property("okButton").value<QQuickItem*>());
    EXPECT_TRUE(h.settle([&] { return h.model().failureNote().isEmpty(); }));
}

// A folder whose rows overflow the list opens at the list's top, its largest entry the first row in
// view: when a folder is opened, when the stack goes up and back down, and when an undo measures it
// again.
TEST_F(SpaceLensViewTest, EveryNewFolderShowsItsListFromTheTop)
{
    for (int i = 1; i <= 40; ++i)
        h.home().file("Docs/file" + std::to_string(i) + ".bin", i * kBlock);
    h.home().file("Docs/Inner/a.bin", kBlock);
    h.home().file("Other/b.bin", kBlock);
    openAndMeasure();
    // The list is made anew with each results state: look it up each time.
    const auto list = [&] { return named("entryList"); };
    const auto expectTop = [&](const char* when) {
        ASSERT_TRUE(h.settlePass()) << when;
        ASSERT_NE(list(), nullptr) << when;
        EXPECT_TRUE(list()->property("atYBeginning").toBool())
            << when << ": contentY " << list()->property("contentY").toDouble();
        QQuickItem* first = h.row("file40.bin");
        ASSERT_NE(first, nullptr) << when;
        const QPointF inList = first->mapToItem(list(), QPointF(0, 0));
        EXPECT_GE(inList.y(), 0) << when << ": the largest entry sits above the list's top";
        EXPECT_LT(inList.y(), first->height()) << when << ": the largest entry is not the first row in view";
    };

    // The folder's children are measured one at a time, the list laid out after each, as on a real disk.
    const auto openStepwise = [&](const char* name) {
        h.holdSizing(true);
        h.click(h.row(name)->property("mainButton").value<QQuickItem*>());
        for (int i = 0; i < 60 && h.model().scanning(); ++i) {
            const int before = h.model().entryCount();
            // Time passes between arrivals, so the list is re-sorted during the pass.
            h.clock().advance(std::chrono::milliseconds(400));
            h.letOne();
            h.settle([&] { return h.model().entryCount() > before || !h.model().scanning(); });
            if (h.window() != nullptr)
                QQuickTest::qWaitForPolish(h.window());
        }
        h.holdSizing(false);
    };
    openStepwise("Docs");
    expectTop("opened");
    ASSERT_GT(list()->property("contentHeight").toDouble(), list()->height()) << "the rows overflow the list";

    // Scrolled to the end, up and back in: the folder opens at its top again.
    QMetaObject::invokeMethod(list(), "positionViewAtEnd");
    h.click(item("upButton"));
    ASSERT_TRUE(h.settlePass());
    openStepwise("Docs");
    expectTop("opened again");

    // A removal and its undo measure the folder anew; it shows from the top.
    select("file40.bin");
    removeAndWait();
    ASSERT_EQ(h.row("file40.bin"), nullptr);
    h.model().clearSelection();
    QMetaObject::invokeMethod(list(), "positionViewAtEnd");
    h.click(named("undoButton"));
    ASSERT_TRUE(h.settle([&] { return !h.model().restoring(); }));
    expectTop("after undo");
}

// The breadcrumb keeps the current folder's name whole in view when its own width changes (the size
// summary appearing beside it once the pass ends, a resize), at the pages of the window's default and
// minimum sizes.
TEST_F(SpaceLensViewTest, TheBreadcrumbKeepsTheCurrentFolderInViewWhenItNarrows)
{
    const std::string deep =
        "Quarterly reports archive/Projects of the northern office/Correspondence with suppliers";
    h.home().file(deep + "/letter.bin", 2 * kBlock);
    for (const QSize size : {QSize(1040 - 228, 700), QSize(1000 - 228, 688)}) {
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        ASSERT_TRUE(h.open(size)) << h.errors().join('\n').toStdString();
        ASSERT_TRUE(h.settlePass());
        for (const char* name : {"Quarterly reports archive", "Projects of the northern office",
                                 "Correspondence with suppliers"}) {
            ASSERT_NE(h.row(name), nullptr) << name;
            h.click(h.row(name)->property("mainButton").value<QQuickItem*>());
            ASSERT_TRUE(h.settlePass());
        }
        auto* breadcrumb = item("breadcrumb");
        ASSERT_GT(breadcrumb->property("contentWidth").toDouble(), breadcrumb->width())
            << "the crumbs overflow";
        QQuickItem* current = crumbButton(3);
        ASSERT_NE(current, nullptr);
        const QRectF box =
            current->mapRectToItem(breadcrumb, QRectF(0, 0, current->width(), current->height()));
        EXPECT_GE(box.left(), -0.5) << "the current folder's name is cut at its start";
        EXPECT_LE(box.right(), breadcrumb->width() + 0.5) << "the current folder's name is cut at its end";
        h.model().jump(0);
        ASSERT_TRUE(h.settlePass());
        h.close();
    }
}

} // namespace
} // namespace qm
