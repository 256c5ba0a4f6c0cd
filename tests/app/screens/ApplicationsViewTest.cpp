#include "ApplicationsScreenHarness.h"
#include "app/platform/GuiWorkspace.h"
#include "platform/Workspace.h"
#include "support/BundleProcess.h"
#include "support/FixtureOnlyWorkspace.h"

#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

// Shows texts as text in test failures.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace qm {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Icon = test::ApplicationsScreenHarness::Icon;
using Phase = ApplicationsViewModel::Phase;

QString prop(const QObject* object, const char* name = "text")
{
    return object != nullptr ? object->property(name).toString() : QStringLiteral("<missing>");
}

QObject* child(const QObject* object, const char* property)
{
    return object != nullptr ? object->property(property).value<QObject*>() : nullptr;
}

bool shown(const QObject* object)
{
    const auto* item = qobject_cast<const QQuickItem*>(object);
    return item != nullptr && item->isVisible();
}

const QString kRunningText = QStringLiteral(
    " is running. Quit & Uninstall asks it to quit first, so it can save your work, then removes it.");

// The page over programs installed in a fixture home, each with its desktop entry.
class ApplicationsViewTest : public ::testing::Test
{
protected:
    ~ApplicationsViewTest() override
    {
        // Anything QML could not evaluate fails the test that caused it.
        EXPECT_TRUE(h.warnings().isEmpty()) << h.warnings().join(QLatin1Char('\n')).toStdString();
    }

    void open() { ASSERT_TRUE(h.open(QSize(820, 700))) << h.errors().join(QLatin1Char('\n')).toStdString(); }
    void openListed()
    {
        open();
        ASSERT_TRUE(h.settleInventory()) << "the inventory was never listed";
        h.wait(50);
    }

    QQuickItem* find(const QString& name, const QQuickItem* under = nullptr) const
    {
        return h.find(name, under);
    }
    QString text(const QString& name, const QQuickItem* under = nullptr) const
    {
        return prop(find(name, under));
    }
    QString contentName() const
    {
        auto* loader = qobject_cast<QQuickItem*>(h.pageObject("content"));
        auto* item = loader != nullptr ? loader->property("item").value<QQuickItem*>() : nullptr;
        return item != nullptr ? item->objectName() : QString();
    }
    QString barName() const
    {
        auto* loader = qobject_cast<QQuickItem*>(h.pageObject("resultBar"));
        auto* item = loader != nullptr ? loader->property("item").value<QQuickItem*>() : nullptr;
        return item != nullptr ? item->objectName() : QStringLiteral("none");
    }
    QQuickItem* row(const QString& name) const { return find(QStringLiteral("app:") + name); }
    QObject* sheet() const { return h.pageObject("sheet"); }
    bool sheetOpen() const { return sheet() != nullptr && sheet()->property("opened").toBool(); }
    QQuickItem* sheetPart(const QString& name) const
    {
        auto* content = qobject_cast<QQuickItem*>(child(sheet(), "content"));
        return content != nullptr ? find(name, content) : nullptr;
    }
    // Opens the sheet of the row `name` with a click and waits for its leftovers.
    void openSheet(const QString& name)
    {
        QQuickItem* r = row(name);
        ASSERT_NE(r, nullptr) << name.toStdString();
        h.click(r);
        ASSERT_TRUE(h.settle([&] { return sheetOpen(); })) << "no sheet for " << name.toStdString();
        ASSERT_TRUE(h.settle([&] { return !h.model().findingLeftovers(); }));
        h.wait(20);
    }

    test::ApplicationsScreenHarness h;
};

TEST_F(ApplicationsViewTest, WhileLoadingOnlySearchAndSortShow)
{
    h.homeApp("Alpha", "Alpha", "com.example.alpha");
    h.holdListings(true);
    open();
    EXPECT_EQ(h.listings(), 1) << "the page lists the inventory when it appears with none";
    EXPECT_EQ(contentName(), QStringLiteral("loadingState"));
    EXPECT_EQ(find(QStringLiteral("appCount")), nullptr);
    EXPECT_EQ(find(QStringLiteral("rescanButton")), nullptr);
    EXPECT_NE(find(QStringLiteral("searchField")), nullptr);
    EXPECT_NE(find(QStringLiteral("sortPicker")), nullptr);

    h.holdListings(false);
    ASSERT_TRUE(h.settleInventory());
    EXPECT_EQ(text(QStringLiteral("appCount")), QStringLiteral("1 app"));
    EXPECT_NE(find(QStringLiteral("rescanButton")), nullptr);
    EXPECT_EQ(contentName(), QStringLiteral("appList"));
}

TEST_F(ApplicationsViewTest, NoApplicationsReadZeroAndTheEmptyTitle)
{
    openListed();
    EXPECT_EQ(text(QStringLiteral("appCount")), QStringLiteral("0 apps"));
    EXPECT_EQ(contentName(), QStringLiteral("emptyState"));
    EXPECT_EQ(prop(child(find(QStringLiteral("emptyStateView")), "titleText")),
              QStringLiteral("No applications found"));
}

TEST_F(ApplicationsViewTest, ATypedQueryThatMatchesNothingKeepsItsBlanks)
{
    h.homeApp("Alpha", "Alpha", "com.example.alpha");
    h.homeApp("Beta", "Beta", "com.example.beta");
    openListed();
    EXPECT_EQ(text(QStringLiteral("appCount")), QStringLiteral("2 apps"));
    QQuickItem* input = find(QStringLiteral("searchInput"));
    ASSERT_NE(input, nullptr);
    input->forceActiveFocus();
    for (const char key : {' ', 'a', ' '})
        QTest::keyClick(h.window(), key);
    EXPECT_EQ(h.model().query(), QStringLiteral(" a "));
    EXPECT_EQ(contentName(), QStringLiteral("emptyState"));
    EXPECT_EQ(prop(child(find(QStringLiteral("emptyStateView")), "titleText")),
              QStringLiteral("No apps match \u201c a \u201d"));
    EXPECT_EQ(text(QStringLiteral("appCount")), QStringLiteral("2 apps")) << "the count is the inventory's";

    h.model().setQuery(QStringLiteral("bet"));
    EXPECT_EQ(contentName(), QStringLiteral("appList"));
    EXPECT_NE(row(QStringLiteral("Beta")), nullptr);
    EXPECT_EQ(row(QStringLiteral("Alpha")), nullptr);
}

TEST_F(ApplicationsViewTest, RescanShowsASpinnerAndCannotBePressedWhileRefreshing)
{
    h.homeApp("Alpha", "Alpha", "com.example.alpha");
    openListed();
    QQuickItem* rescan = find(QStringLiteral("rescanButton"));
    ASSERT_NE(rescan, nullptr);
    EXPECT_TRUE(shown(find(QStringLiteral("rescanSymbol"))));
    EXPECT_FALSE(shown(find(QStringLiteral("rescanSpinner"))));
    h.holdListings(true);
    h.click(rescan);
    ASSERT_TRUE(h.model().refreshing());
    EXPECT_EQ(h.listings(), 2);
    EXPECT_TRUE(shown(find(QStringLiteral("rescanSpinner"))));
    EXPECT_FALSE(shown(find(QStringLiteral("rescanSymbol"))));
    EXPECT_FALSE(rescan->isEnabled());
    h.click(rescan);
    EXPECT_EQ(h.listings(), 2) << "a disabled rescan started a listing";
    h.holdListings(false);
    ASSERT_TRUE(h.settleInventory());
    EXPECT_TRUE(rescan->isEnabled());
    EXPECT_FALSE(shown(find(QStringLiteral("rescanSpinner"))));
}

TEST_F(ApplicationsViewTest, UndoBarComesBeforeOpenTrash)
{
    h.homeApp("Alpha", "Alpha", "com.example.alpha");
    openListed();
    EXPECT_EQ(barName(), QStringLiteral("none"));
    h.model().setLastAdminUninstallName(QStringLiteral("Root App"));
    EXPECT_EQ(barName(), QStringLiteral("openTrashBar"));
    EXPECT_EQ(text(QStringLiteral("resultText")),
              QStringLiteral("Uninstalled Root App \u2014 moved to the Trash"));
    h.click(find(QStringLiteral("openTrashButton")));
    EXPECT_EQ(h.workspace().opened().size(), 1u);

    TrashedItem item;
    item.original = Path("/x/alpha");
    item.bytes = 1'500'000;
    h.model().setLastReport(CleanReport{{item}, {}, {}});
    h.model().setUninstalledNames({QStringLiteral("Alpha")});
    EXPECT_EQ(barName(), QStringLiteral("undoBar"));
    EXPECT_EQ(text(QStringLiteral("resultText")), QStringLiteral("Uninstalled Alpha \u2014 freed 1.5 MB"));
    EXPECT_NE(find(QStringLiteral("undoButton")), nullptr);
    // Undo would be refused while the Trash is emptied, so it is off meanwhile.
    h.tracker().setEmptyingTrash(true);
    EXPECT_FALSE(find(QStringLiteral("undoButton"))->isEnabled()) << "Undo is off while the Trash is emptied";
    h.tracker().setEmptyingTrash(false);
    EXPECT_TRUE(find(QStringLiteral("undoButton"))->isEnabled());
    EXPECT_EQ(find(QStringLiteral("openTrashButton")), nullptr);
}

// Each way out of the alert clears the failure as a whole; the optional button comes first. A protected
// item adds no button: there is no setting here that would let Quillmere reach it.
TEST_F(ApplicationsViewTest, EveryWayOutOfTheAlertClearsTheFailure)
{
    const fs::path odd = h.home().path(".local/opt") / test::TempTree::nonUtf8Name();
    openListed();
    auto* alert = qobject_cast<QObject*>(h.pageObject("failureAlert"));
    ASSERT_NE(alert, nullptr);
    const char* buttons[] = {"revealButton", "okButton", "escape"};
    for (const char* way : buttons) {
        SCOPED_TRACE(way);
        h.model().setUninstallFailure(QStringLiteral("It went wrong."));
        h.model().setPendingRevealURL(Path(odd));
        h.model().setFailureNeedsFullDiskAccess(true);
        ASSERT_TRUE(h.settle([&] { return alert->property("opened").toBool(); }));
        EXPECT_EQ(prop(alert, "title"), QStringLiteral("Couldn't uninstall"));
        EXPECT_EQ(prop(alert, "message"), QStringLiteral("It went wrong."));
        auto* column = qobject_cast<QQuickItem*>(child(alert, "buttonColumn"));
        ASSERT_NE(column, nullptr);
        QStringList order;
        for (QQuickItem* each : column->childItems()) {
            if (each->isVisible())
                order.append(prop(each));
        }
        EXPECT_EQ(order, (QStringList{QStringLiteral("Show in File Manager"), QStringLiteral("OK")}));
        const std::size_t revealed = h.workspace().revealed().size();
        if (QByteArray(way) == "escape")
            QTest::keyClick(h.window(), Qt::Key_Escape);
        else
            h.click(find(QString::fromLatin1(way)));
        ASSERT_TRUE(h.settle([&] { return !alert->property("opened").toBool(); }));
        EXPECT_FALSE(h.model().uninstallFailure());
        EXPECT_FALSE(h.model().pendingRevealURL());
        EXPECT_FALSE(h.model().failureNeedsFullDiskAccess());
        const bool reveals = QByteArray(way) == "revealButton";
        ASSERT_EQ(h.workspace().revealed().size(), revealed + (reveals ? 1 : 0));
        if (reveals) {
            EXPECT_EQ(h.workspace().revealed().back().native(), odd.native()) << "the raw path";
        }
    }
    // Without a place to reveal, OK stands alone.
    h.model().setUninstallFailure(QStringLiteral("Again."));
    ASSERT_TRUE(h.settle([&] { return alert->property("opened").toBool(); }));
    EXPECT_EQ(find(QStringLiteral("revealButton")), nullptr);
    EXPECT_NE(find(QStringLiteral("okButton")), nullptr);
}

// The model counts a completion before it words its failure; the page celebrates only a clean one.
TEST_F(ApplicationsViewTest, ACompletionWithAFailureShowsTheAlertAndNoCelebration)
{
    h.homeApp("Alpha", "Alpha", "com.example.alpha");
    h.homeApp("Beta", "Beta", "com.example.beta");
    const fs::path cache = h.home().file(".cache/com.example.alpha/blob", 5'000).parent_path();
    h.home().file(".cache/com.example.beta/blob", 5'000);
    openListed();
    QObject* celebration = h.pageObject("celebration");
    ASSERT_NE(celebration, nullptr);
    QSignalSpy played(celebration, SIGNAL(activeChanged()));
    auto* alert = h.pageObject("failureAlert");

    openSheet(QStringLiteral("Alpha"));
    EXPECT_TRUE(shown(sheetPart(QStringLiteral("lockSymbol"))));
    fs::remove_all(cache); // gone between the search and the move
    h.click(sheetPart(QStringLiteral("uninstallButton")));
    auto* dialog = child(sheet(), "confirmDialog");
    ASSERT_TRUE(h.settle([&] { return dialog->property("opened").toBool(); }));
    h.click(qobject_cast<QQuickItem*>(child(dialog, "destructiveButton")));
    ASSERT_TRUE(h.settle([&] { return h.model().uninstallCompletions() == 1; }));
    h.wait(50);
    EXPECT_TRUE(alert->property("opened").toBool());
    EXPECT_EQ(played.count(), 0) << "a completion with a failure celebrated";
    EXPECT_FALSE(sheetOpen());
    EXPECT_EQ(barName(), QStringLiteral("undoBar"));
    h.click(find(QStringLiteral("okButton")));
    ASSERT_TRUE(h.settle([&] { return !alert->property("opened").toBool(); }));

    openSheet(QStringLiteral("Beta"));
    h.click(sheetPart(QStringLiteral("uninstallButton")));
    ASSERT_TRUE(h.settle([&] { return dialog->property("opened").toBool(); }));
    h.click(qobject_cast<QQuickItem*>(child(dialog, "destructiveButton")));
    ASSERT_TRUE(h.settle([&] { return h.model().uninstallCompletions() == 2; }));
    ASSERT_TRUE(h.settle([&] { return played.count() >= 1; })) << "a clean completion did not celebrate";
    h.wait(50);
    EXPECT_EQ(played.count(), 1) << "celebrated more than once";
    EXPECT_TRUE(celebration->property("active").toBool());
    EXPECT_FALSE(alert->property("opened").toBool());
    EXPECT_EQ(text(QStringLiteral("resultText")),
              QStringLiteral("Uninstalled Alpha and Beta \u2014 freed ") + h.model().formattedFreed());
}

// Coming back to the application drops applications deleted meanwhile; going inactive or to the
// background does nothing, and showing the page again with a list does not list again.
TEST_F(ApplicationsViewTest, BecomingActivePrunesAndShowingAgainKeepsTheList)
{
    h.homeApp("Alpha", "Alpha", "com.example.alpha");
    const fs::path beta = h.homeApp("Beta", "Beta", "com.example.beta").entry;
    openListed();
    ASSERT_EQ(h.model().apps().size(), 2u);
    fs::remove(beta);
    for (const auto state : {AppActivity::State::Inactive, AppActivity::State::Background}) {
        h.activity().setState(state);
        h.drain();
        EXPECT_EQ(h.model().apps().size(), 2u) << "pruned on " << int(state);
    }
    h.activity().setState(AppActivity::State::Active);
    ASSERT_TRUE(h.settle([&] { return h.model().apps().size() == 1u; })) << "not pruned on becoming active";
    EXPECT_EQ(row(QStringLiteral("Beta")), nullptr);
    EXPECT_EQ(text(QStringLiteral("appCount")), QStringLiteral("1 app"));

    ASSERT_TRUE(h.showPageAgain());
    h.drain();
    EXPECT_EQ(h.listings(), 1) << "a page shown again with a list listed again";
    EXPECT_NE(row(QStringLiteral("Alpha")), nullptr);
}

// An application whose texts look like markup or a format shows them as they are, in the row and the sheet.
TEST_F(ApplicationsViewTest, NamesAndIdentifiersAreShownAsText)
{
    h.homeApp("Markup", "<b>x</b>", "%1", "%2");
    openListed();
    QQuickItem* r = row(QStringLiteral("<b>x</b>"));
    ASSERT_NE(r, nullptr);
    auto* appRow = child(r, "row");
    EXPECT_EQ(prop(child(appRow, "nameText")), QStringLiteral("<b>x</b>"));
    EXPECT_EQ(child(appRow, "nameText")->property("textFormat").toInt(), int(Qt::PlainText));
    EXPECT_EQ(prop(child(appRow, "bundleIdText")), QStringLiteral("%1"));
    EXPECT_EQ(prop(child(appRow, "versionText")), QStringLiteral("v%2"));
    openSheet(QStringLiteral("<b>x</b>"));
    EXPECT_EQ(prop(sheetPart(QStringLiteral("headerName"))), QStringLiteral("<b>x</b>"));
    EXPECT_EQ(prop(sheetPart(QStringLiteral("headerBundleID"))), QStringLiteral("%1"));
    EXPECT_EQ(prop(sheetPart(QStringLiteral("headerVersion"))), QStringLiteral("Version %2"));
}

// The row's texts for what an entry lacks, and its icon by kind of icon file.
TEST_F(ApplicationsViewTest, RowsShowTheirIconOrTheFallbackAndTheirMissingParts)
{
    struct Row
    {
        const char* folder;
        const char* name;
        Icon icon;
        bool ownIcon;
    };
    // The folder names carry characters an image address would otherwise take apart or decode.
    const std::string odd = "\xc3\x96"
                            "dd %41#?";
    const Row rows[] = {
        {"Png", "Png", Icon::png, true},
        {nullptr, "Odd", Icon::png, true},
        {"Broken", "Broken", Icon::notAnImage, false},
        {"Huge", "Huge", Icon::oversized, false},
        {"Plain", "Plain", Icon::none, false},
        {"Svg", "Svg", Icon::svg, true},
        {"BadSvg", "BadSvg", Icon::brokenSvg, false},
    };
    for (const Row& each : rows)
        h.homeApp(each.folder != nullptr ? fs::path(each.folder) : fs::path(odd), each.name,
                  QByteArrayLiteral("com.example.") + QByteArray(each.name).toLower(), "", each.icon);
    // An AppImage no entry launches has no identifier.
    h.home().file("Applications/Bare.AppImage", 20'000);
    // The icons that cannot be drawn are reported by Qt's image loading, and nothing else.
    h.expectWarning(QStringLiteral("Failed to get image from provider: image://appicon/"));
    h.useSizer([](const Path&, const std::vector<Path>&, qint64, bool, double, CoverageFlag*,
                  std::stop_token) { return qint64(0); });
    open();
    ASSERT_TRUE(h.settleInventory());
    h.wait(50);
    for (const Row& each : rows) {
        SCOPED_TRACE(each.name);
        QQuickItem* r = row(QString::fromLatin1(each.name));
        ASSERT_NE(r, nullptr);
        auto* icon = child(child(r, "row"), "icon");
        ASSERT_NE(icon, nullptr);
        ASSERT_TRUE(h.settle([&] {
            const int status = child(icon, "image")->property("status").toInt();
            return status != 2; // Image.Loading
        }));
        EXPECT_EQ(icon->property("showsImage").toBool(), each.ownIcon);
        EXPECT_EQ(icon->property("showsFallback").toBool(), !each.ownIcon);
        EXPECT_EQ(prop(icon, "fallbackSymbol"), QStringLiteral("app.dashed"));
        EXPECT_EQ(prop(child(child(r, "row"), "sizeLabel")), QStringLiteral("\u2014")) << "unmeasured";
        EXPECT_FALSE(shown(child(child(r, "row"), "versionText")));
    }
    EXPECT_EQ(prop(child(child(row(QStringLiteral("Bare")), "row"), "bundleIdText")),
              QStringLiteral("\u2014"));
}

// The sheet's footer counts the application and the selected leftovers; a leftover toggles once per
// tap on its name, its size or its box.
TEST_F(ApplicationsViewTest, TheFooterCountsAndEachTapTogglesOnce)
{
    h.homeApp("Alpha", "Alpha", "com.example.alpha");
    h.home().file(".cache/com.example.alpha/blob", 5'000);
    h.home().file(".config/com.example.alpha/data", 30'000);
    openListed();
    openSheet(QStringLiteral("Alpha"));
    ASSERT_EQ(h.model().leftovers().size(), 2u);
    EXPECT_EQ(prop(sheetPart(QStringLiteral("footerCount"))), QStringLiteral("3 items"));
    EXPECT_EQ(prop(sheetPart(QStringLiteral("leftoverHeading"))), QStringLiteral("Leftover files (2)"));
    const char* targets[] = {"nameText", "sizeText", "checkBox", "checkBox", "sizeText", "nameText"};
    bool selected = true;
    for (const char* target : targets) {
        SCOPED_TRACE(target);
        QQuickItem* leftover = sheetPart(QStringLiteral("leftover:com.example.alpha"));
        ASSERT_NE(leftover, nullptr);
        h.click(find(QString::fromLatin1(target), leftover));
        selected = !selected;
        h.wait(20);
        int selectedCount = 0;
        for (const LeftoverItem& item : h.model().leftovers())
            selectedCount += item.isSelected ? 1 : 0;
        ASSERT_EQ(selectedCount, selected ? 2 : 1) << "not exactly one flip";
    }
    // Both off: the application alone, in the singular, also in the dialog.
    for (const LeftoverItem& item : std::vector<LeftoverItem>(h.model().leftovers()))
        if (item.isSelected)
            h.model().toggleLeftover(item.id);
    h.wait(20);
    EXPECT_EQ(prop(sheetPart(QStringLiteral("footerCount"))), QStringLiteral("1 item"));
    EXPECT_EQ(prop(sheetPart(QStringLiteral("leftoverHeading"))), QStringLiteral("Leftover files (2)"))
        << "the heading counts every leftover";
    h.click(sheetPart(QStringLiteral("uninstallButton")));
    auto* dialog = child(sheet(), "confirmDialog");
    ASSERT_TRUE(h.settle([&] { return dialog->property("opened").toBool(); }));
    EXPECT_EQ(prop(dialog, "title"), QStringLiteral("Move 1 item to the Trash?"));
    EXPECT_EQ(prop(dialog, "message"),
              QStringLiteral("Alpha and its selected leftover files go to the Trash and can be restored."));
    QTest::keyClick(h.window(), Qt::Key_Escape);
    ASSERT_TRUE(h.settle([&] { return !dialog->property("opened").toBool(); }));
    EXPECT_FALSE(h.model().showConfirm());
    EXPECT_TRUE(sheetOpen()) << "Escape closed more than the dialog";

    // Escape on the sheet closes it through the model.
    QTest::keyClick(h.window(), Qt::Key_Escape);
    ASSERT_TRUE(h.settle([&] { return !sheetOpen(); }));
    EXPECT_FALSE(h.model().hasSelectedApp());
    EXPECT_TRUE(h.model().leftovers().empty());
}

// Nothing measured and nothing selected: the total reads "—" in the footer and the dialog's button.
TEST_F(ApplicationsViewTest, AZeroTotalReadsAsADash)
{
    h.homeApp("Alpha", "Alpha", "com.example.alpha");
    h.useSizer([](const Path&, const std::vector<Path>&, qint64, bool, double, CoverageFlag*,
                  std::stop_token) { return qint64(0); });
    openListed();
    openSheet(QStringLiteral("Alpha"));
    EXPECT_EQ(prop(sheetPart(QStringLiteral("noLeftovers"))), QStringLiteral("No leftover files found."));
    EXPECT_EQ(sheetPart(QStringLiteral("leftoverHeading")), nullptr);
    EXPECT_EQ(prop(sheetPart(QStringLiteral("footerTotal"))), QStringLiteral("\u2014"));
    EXPECT_EQ(prop(sheetPart(QStringLiteral("bundleSize"))), QStringLiteral("\u2014"));
    EXPECT_EQ(prop(sheetPart(QStringLiteral("footerCount"))), QStringLiteral("1 item"));
    h.click(sheetPart(QStringLiteral("uninstallButton")));
    auto* dialog = child(sheet(), "confirmDialog");
    ASSERT_TRUE(h.settle([&] { return dialog->property("opened").toBool(); }));
    EXPECT_EQ(prop(child(dialog, "destructiveButton")), QStringLiteral("Move \u2014 to Trash"));
}

// At most one warning line, the incomplete inventory's first.
TEST_F(ApplicationsViewTest, TheIncompleteInventoryWarningWins)
{
    const QString inventory =
        QStringLiteral("Some applications couldn't be scanned, so a leftover here might "
                       "belong to another app. Review each item before removing.");
    const QString folders = QStringLiteral(
        "Some application data folders couldn't be read, so this list may be missing a few leftovers.");
    struct Row
    {
        bool inventoryIncomplete;
        bool leftoversIncomplete;
        QString expected;
    };
    const Row rows[] = {{true, true, inventory}, {false, true, folders}, {false, false, QString()}};
    h.homeApp("Alpha", "Alpha", "com.example.alpha");
    h.home().file(".cache/com.example.alpha/blob", 5'000);
    h.reportIncompleteListings(true);
    openListed();
    for (const Row& each : rows) {
        SCOPED_TRACE(each.expected.toStdString());
        h.reportIncompleteListings(each.inventoryIncomplete);
        h.click(find(QStringLiteral("rescanButton")));
        ASSERT_TRUE(h.settleInventory());
        ASSERT_EQ(h.model().inventoryComplete(), !each.inventoryIncomplete);
        openSheet(QStringLiteral("Alpha"));
        h.model().setLeftoverScanIncomplete(each.leftoversIncomplete);
        QQuickItem* warning = sheetPart(QStringLiteral("sheetWarning"));
        if (each.expected.isEmpty()) {
            EXPECT_EQ(warning, nullptr);
        } else {
            ASSERT_NE(warning, nullptr);
            EXPECT_EQ(text(QStringLiteral("warningText"), warning), each.expected);
        }
        EXPECT_NE(sheetPart(QStringLiteral("leftoverHeading")), nullptr);
        h.click(sheetPart(QStringLiteral("sheetCancelButton")));
        ASSERT_TRUE(h.settle([&] { return !sheetOpen(); }));
        EXPECT_FALSE(h.model().hasSelectedApp());
    }
}

// While the leftovers are being looked for: no warning, heading or row, every kind of uninstall
// button disabled, and Cancel still enabled.
TEST_F(ApplicationsViewTest, WhileSearchingOnlyCancelWorks)
{
    h.homeApp("Alpha", "Alpha", "com.example.alpha");
    h.homeApp("Beta", "Beta", "com.example.beta");
    const fs::path root = h.homeApp("Root", "Root", "com.example.root").program;
    h.home().chown(root);
    h.home().file(".cache/com.example.alpha/blob", 5'000);
    h.reportIncompleteListings(true);
    openListed();
    h.workspace().setRunning({RunningApplication{4242, Path("/other/beta"), {}}});
    struct Row
    {
        const char* name;
        const char* label;
    };
    const Row rows[] = {{"Alpha", "Uninstall"}, {"Beta", "Quit & Uninstall"}, {"Root", "Uninstall"}};
    for (const Row& each : rows) {
        SCOPED_TRACE(each.name);
        h.finderGate().arm(FsStep::List);
        h.click(row(QString::fromLatin1(each.name)));
        ASSERT_TRUE(h.settle([&] { return sheetOpen() && h.finderGate().holding(); }));
        h.wait(20);
        EXPECT_TRUE(h.model().findingLeftovers());
        EXPECT_NE(sheetPart(QStringLiteral("findingLeftovers")), nullptr);
        EXPECT_EQ(sheetPart(QStringLiteral("sheetWarning")), nullptr);
        EXPECT_EQ(sheetPart(QStringLiteral("leftoverHeading")), nullptr);
        EXPECT_EQ(sheetPart(QStringLiteral("noLeftovers")), nullptr);
        QQuickItem* button = sheetPart(QStringLiteral("uninstallButton"));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(prop(button), QString::fromUtf8(each.label));
        EXPECT_FALSE(button->isEnabled());
        QQuickItem* cancel = sheetPart(QStringLiteral("sheetCancelButton"));
        ASSERT_NE(cancel, nullptr);
        EXPECT_TRUE(cancel->isEnabled());
        h.finderGate().release();
        ASSERT_TRUE(h.settle([&] { return !h.model().findingLeftovers(); }));
        h.wait(20);
        EXPECT_TRUE(button->isEnabled());
        h.click(cancel);
        ASSERT_TRUE(h.settle([&] { return !sheetOpen(); }));
    }
}

// A running application whose program is not the user's: both banners, the administrator's first, and
// the quit-first button, which goes on to the administrator confirmation once the application quit.
TEST_F(ApplicationsViewTest, ARunningProgramOfAnotherUserShowsBothBannersAndQuitsFirst)
{
    const auto root = h.homeApp("Root", "Root", "com.example.root");
    h.home().chown(root.program);
    openListed();
    const RunningApplication running{4242, Path("/other/root"), {}};
    h.workspace().setRunning({running});
    openSheet(QStringLiteral("Root"));
    QQuickItem* admin = sheetPart(QStringLiteral("adminBanner"));
    QQuickItem* banner = sheetPart(QStringLiteral("runningBanner"));
    ASSERT_NE(admin, nullptr);
    ASSERT_NE(banner, nullptr);
    EXPECT_LT(admin->mapToScene({0, 0}).y(), banner->mapToScene({0, 0}).y())
        << "the administrator banner first";
    EXPECT_EQ(text(QStringLiteral("runningBannerText")), QStringLiteral("Root") + kRunningText);
    QQuickItem* button = sheetPart(QStringLiteral("uninstallButton"));
    EXPECT_EQ(prop(button), QStringLiteral("Quit & Uninstall"));
    EXPECT_EQ(prop(button, "symbol"), QStringLiteral("power"));

    h.click(sheetPart(QStringLiteral("revealInsteadButton")));
    ASSERT_EQ(h.workspace().revealed().size(), 1u);
    EXPECT_EQ(h.workspace().revealed().back().native(), root.entry.native());
    EXPECT_TRUE(sheetOpen()) << "revealing closed the sheet";

    h.click(button);
    ASSERT_EQ(h.workspace().terminated().size(), 1u);
    EXPECT_TRUE(h.model().quittingApp());
    EXPECT_EQ(prop(button), QStringLiteral("Quitting Root\u2026"));
    EXPECT_TRUE(shown(sheetPart(QStringLiteral("uninstallSpinner"))));
    EXPECT_FALSE(button->isEnabled());
    h.workspace().setRunning({});
    h.clock().advance(250ms);
    EXPECT_FALSE(h.model().quittingApp());
    auto* dialog = child(sheet(), "adminConfirmDialog");
    ASSERT_TRUE(h.settle([&] { return dialog->property("opened").toBool(); })) << "needsAdmin was not passed";
    EXPECT_EQ(prop(dialog, "title"), QStringLiteral("Uninstall Root?"));
    EXPECT_EQ(prop(child(dialog, "destructiveButton")), QStringLiteral("Uninstall (asks for password)"));
    EXPECT_FALSE(shown(banner)) << "the running banner stayed after the application quit";
}

// An application the package manager owns: the package banner instead of the administrator's, with
// the package and its removal command while no software centre is installed, and the software
// centre's button once one is.
TEST_F(ApplicationsViewTest, APackageManagedApplicationShowsWhyItStaysAndWhereToRemoveIt)
{
    h.system().fileWithContent("usr/share/applications/org.example.Editor.desktop",
                               "[Desktop Entry]\nType=Application\nName=Editor\nExec=editor\n");
    h.system().file("usr/bin/editor", 4096);
    h.packages().install(QStringLiteral("editor"), QStringLiteral("2.0"),
                         {Path("/usr/share/applications/org.example.Editor.desktop")});
    openListed();
    openSheet(QStringLiteral("Editor"));
    EXPECT_TRUE(shown(sheetPart(QStringLiteral("packageBanner"))));
    EXPECT_FALSE(shown(sheetPart(QStringLiteral("adminBanner"))));
    EXPECT_FALSE(shown(sheetPart(QStringLiteral("lockSymbol")))) << "the sheet says the app itself goes";
    EXPECT_EQ(text(QStringLiteral("packageBannerText")),
              QStringLiteral(
                  "Editor was installed by the system's package manager, so Quillmere can't move it to "
                  "the Trash. Uninstall moves its selected leftovers to the Trash; remove the app itself "
                  "in the software centre."));
    EXPECT_FALSE(shown(sheetPart(QStringLiteral("softwareCentreButton"))));
    EXPECT_EQ(text(QStringLiteral("removalCommandText")),
              QStringLiteral("Package editor \u00B7 to remove it yourself: sudo apt remove editor"));
    h.model().dismissUninstaller();
    ASSERT_TRUE(h.settle([&] { return !sheetOpen(); }));

    h.system().fileWithContent("usr/share/applications/org.gnome.Software.desktop",
                               "[Desktop Entry]\nType=Application\nName=Software\nExec=gnome-software\n"
                               "MimeType=x-scheme-handler/appstream;\n");
    h.system().file("usr/bin/gnome-software", 100);
    h.model().load();
    ASSERT_TRUE(h.settle([&] { return h.model().loaded() && h.model().softwareCentreAvailable(); }));
    openSheet(QStringLiteral("Editor"));
    EXPECT_FALSE(shown(sheetPart(QStringLiteral("removalCommandText"))));
    QQuickItem* centre = sheetPart(QStringLiteral("softwareCentreButton"));
    ASSERT_TRUE(shown(centre));
    h.click(centre);
    ASSERT_EQ(h.workspace().opened().size(), 1u);
    EXPECT_EQ(h.workspace().opened().back(), QUrl(QStringLiteral("appstream://org.example.Editor")));
}

// An application that stays installed keeps its data unless the user chooses it: the rows come
// unselected and Uninstall waits for a choice, so no confirmation offers to move nothing.
TEST_F(ApplicationsViewTest, AnApplicationThatStaysOffersItsDataUnselected)
{
    h.system().fileWithContent("usr/share/applications/org.example.Editor.desktop",
                               "[Desktop Entry]\nType=Application\nName=Editor\nExec=/usr/bin/editor\n");
    h.system().file("usr/bin/editor", 4096);
    h.packages().install(QStringLiteral("editor"), QStringLiteral("2.0"),
                         {Path("/usr/share/applications/org.example.Editor.desktop")});
    h.home().file(".config/editor/profile", 30'000);
    openListed();
    openSheet(QStringLiteral("Editor"));
    QQuickItem* leftover = sheetPart(QStringLiteral("leftover:editor"));
    ASSERT_NE(leftover, nullptr);
    EXPECT_FALSE(leftover->property("isSelected").toBool());
    EXPECT_EQ(prop(sheetPart(QStringLiteral("footerCount"))), QStringLiteral("0 items"));
    QQuickItem* button = sheetPart(QStringLiteral("uninstallButton"));
    EXPECT_FALSE(button->isEnabled());
    h.click(button);
    h.wait(20);
    EXPECT_FALSE(h.model().showConfirm());

    h.click(find(QStringLiteral("checkBox"), leftover));
    ASSERT_TRUE(h.settle([&] { return button->isEnabled(); }));
    EXPECT_EQ(prop(sheetPart(QStringLiteral("footerCount"))), QStringLiteral("1 item"));
    h.click(button);
    auto* dialog = child(sheet(), "confirmDialog");
    ASSERT_TRUE(h.settle([&] { return dialog->property("opened").toBool(); }));
    EXPECT_EQ(prop(dialog, "title"), QStringLiteral("Move 1 item to the Trash?"));
}

// A refusal to quit stays in the banner after the application has gone; the button is "Uninstall".
TEST_F(ApplicationsViewTest, TheRefusalStaysAfterTheApplicationQuit)
{
    h.homeApp("Alpha", "Alpha", "com.example.alpha");
    openListed();
    h.workspace().setRunning({RunningApplication{4242, Path("/other/alpha"), {}}});
    openSheet(QStringLiteral("Alpha"));
    QQuickItem* button = sheetPart(QStringLiteral("uninstallButton"));
    h.click(button);
    EXPECT_EQ(prop(button), QStringLiteral("Quitting Alpha\u2026"));
    h.clock().advance(10'000ms);
    ASSERT_FALSE(h.model().quittingApp());
    const QString refusal = QStringLiteral("Alpha didn't quit, so nothing was removed. If it asked to save "
                                           "changes, finish that, then try again.");
    EXPECT_EQ(text(QStringLiteral("runningBannerText")), refusal);
    EXPECT_EQ(prop(button), QStringLiteral("Quit & Uninstall"));
    h.workspace().setRunning({});
    h.clock().advance(1000ms); // the sheet's watcher notices the quit
    ASSERT_FALSE(h.model().selectedAppIsRunning());
    EXPECT_EQ(text(QStringLiteral("runningBannerText")), refusal);
    EXPECT_EQ(prop(button), QStringLiteral("Uninstall"));
    EXPECT_EQ(prop(button, "symbol"), QStringLiteral("trash"));
}

// A real program, started from and quit out of a program installed in the home, flips the running
// banner while the sheet is open.
TEST_F(ApplicationsViewTest, ALaunchedOrQuitProgramFlipsTheRunningBanner)
{
    const fs::path executable =
        test::makeSleeper(h.homeApp("Sleeper", "Sleeper", "com.example.screen-sleeper").program);
    auto real = std::make_shared<GuiWorkspace>(QDBusConnection(QStringLiteral("none")),
                                               [](const QUrl&) { return true; });
    h.useWorkspace(std::make_shared<test::FixtureOnlyWorkspace>(*real, h.home().home()));
    openListed();
    openSheet(QStringLiteral("Sleeper"));
    auto* banner = qobject_cast<QQuickItem*>(child(sheet(), "runningBanner"));
    ASSERT_NE(banner, nullptr);
    EXPECT_FALSE(banner->isVisible());
    h.clock().advance(1000ms); // the watcher takes stock
    {
        test::BundleProcess process(executable);
        h.clock().advance(1000ms);
        EXPECT_TRUE(banner->isVisible()) << "a launch went unnoticed";
        EXPECT_EQ(prop(sheetPart(QStringLiteral("uninstallButton"))), QStringLiteral("Quit & Uninstall"));
    }
    h.clock().advance(1000ms);
    EXPECT_FALSE(banner->isVisible()) << "a quit went unnoticed";
    EXPECT_EQ(prop(sheetPart(QStringLiteral("uninstallButton"))), QStringLiteral("Uninstall"));
    h.click(sheetPart(QStringLiteral("sheetCancelButton")));
    ASSERT_TRUE(h.settle([&] { return !sheetOpen(); }));
}

// Leaving the module with a sheet up closes it in the model too: nothing keeps watching the
// running applications, and coming back shows the list without a sheet.
TEST_F(ApplicationsViewTest, ThePageGoingTakesItsSheetAlong)
{
    h.homeApp("Alpha", "Alpha", "com.example.alpha");
    openListed();
    openSheet(QStringLiteral("Alpha"));
    ASSERT_GT(h.clock().activeTimerCount(), 0) << "the open sheet follows the running applications";
    ASSERT_TRUE(h.showPageAgain());
    EXPECT_FALSE(h.model().hasSelectedApp());
    EXPECT_FALSE(sheetOpen());
    EXPECT_EQ(h.clock().activeTimerCount(), 0) << "still polling for a sheet that is gone";
    EXPECT_NE(row(QStringLiteral("Alpha")), nullptr);
}

// A 61-character name while "Quitting {name}…" shows, at the pages of the window's default and minimum
// sizes: the sheet keeps its 620 width and every row, button included, ends inside it; only the name in
// the button gives way, never "Quitting".
TEST_F(ApplicationsViewTest, ALongNameWhileQuittingKeepsTheSheetWhole)
{
    const QString name = QStringLiteral("Extraordinarily Long Application Name For Testing The Sheet X");
    ASSERT_EQ(name.size(), 61);
    h.homeApp("Long", name.toUtf8(), "com.example.long");
    openListed();
    for (const QSize size : {QSize(1040 - 228, 700), QSize(1000 - 228, 688)}) {
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        h.window()->resize(size);
        ASSERT_TRUE(h.settle([&] { return h.window()->size() == size; }));
        h.workspace().setRunning({RunningApplication{4242, Path("/other/long"), {}}});
        openSheet(name);
        QQuickItem* button = sheetPart(QStringLiteral("uninstallButton"));
        h.click(button);
        ASSERT_TRUE(h.model().quittingApp());
        h.wait(20);
        EXPECT_TRUE(prop(button).startsWith(QStringLiteral("Quitting "))) << prop(button).toStdString();
        EXPECT_TRUE(prop(button).endsWith(QStringLiteral("\u2026"))) << prop(button).toStdString();
        auto* content = qobject_cast<QQuickItem*>(child(sheet(), "content"));
        ASSERT_NE(content, nullptr);
        EXPECT_EQ(content->width(), 620);
        for (const char* part : {"sheetFooter", "uninstallButton", "sheetCancelButton"}) {
            QQuickItem* item = sheetPart(QString::fromLatin1(part));
            ASSERT_NE(item, nullptr) << part;
            const QRectF box = item->mapRectToItem(content, QRectF(0, 0, item->width(), item->height()));
            EXPECT_GE(box.left(), 0) << part;
            EXPECT_LE(box.right(), 620 + 0.5) << part << " runs past the sheet";
        }
        h.clock().advance(10'000ms);
        ASSERT_FALSE(h.model().quittingApp());
        h.workspace().setRunning({});
        h.model().dismissUninstaller();
        ASSERT_TRUE(h.settle([&] { return !sheetOpen(); }));
    }
}

} // namespace
} // namespace qm
