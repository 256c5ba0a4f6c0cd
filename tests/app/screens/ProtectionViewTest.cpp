// The Protection page offscreen over the real privacy model on a fixture home with browser folders and a
// fake desktop, and the malware model with its scripted engine: the header and tab picker, the scan
// command that follows the tab, a privacy scan that outlives a visit to the Malware tab, and the privacy
// screen's phases, cards, bottom bar by priority, confirmation, celebration and failure alert.
#include "ProtectionScreenHarness.h"
#include "core/model/Formatting.h"
#include "support/SizeOracle.h"

#include <QColor>
#include <QPointer>
#include <QQuickItem>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace qm {
namespace {

namespace fs = std::filesystem;
using Phase = PrivacyViewModel::Phase;

QString prop(const QObject* object, const char* name = "text")
{
    return object != nullptr ? object->property(name).toString() : QStringLiteral("<missing>");
}

QObject* child(const QObject* object, const char* property)
{
    return object != nullptr ? object->property(property).value<QObject*>() : nullptr;
}

const QString kChrome = QStringLiteral("Google Chrome");
const QString kCache = QStringLiteral("Cache");
const QString kHistory = QStringLiteral("History");
const QString kCookies = QStringLiteral("Cookies");

class ProtectionViewTest : public ::testing::Test
{
protected:
    ~ProtectionViewTest() override
    {
        EXPECT_TRUE(h.screen().warnings().isEmpty())
            << h.screen().warnings().join(QLatin1Char('\n')).toStdString();
    }

    void open() { ASSERT_TRUE(h.open(QSize(820, 1100))) << h.screen().errors().join('\n').toStdString(); }
    // Google Chrome with a cache and one profile's history and cookies.
    void chrome()
    {
        h.cacheFolder("google-chrome", 30'000);
        h.chromiumProfile("google-chrome", "Default", 40'000, 20'000);
    }

    QObject* page(const char* name) { return h.screen().pageObject(name); }
    // The screen of the tab shown.
    QQuickItem* tabScreen() { return qobject_cast<QQuickItem*>(child(page("content"), "item")); }
    QObject* privacyPart(const char* name) { return child(tabScreen(), name); }
    QQuickItem* find(const QString& name, const QQuickItem* under = nullptr)
    {
        return h.screen().find(name, under);
    }
    QString contentName()
    {
        auto* item = child(privacyPart("content"), "item");
        return item != nullptr ? item->objectName() : QString();
    }
    QString barName()
    {
        auto* item = child(privacyPart("bottomBar"), "item");
        return item != nullptr ? item->objectName() : QStringLiteral("none");
    }
    QObject* bar() { return child(privacyPart("bottomBar"), "item"); }
    QQuickItem* segment(const QString& tab) { return find(QStringLiteral("tabSegment:") + tab); }
    void showTab(const QString& tab)
    {
        h.screen().click(segment(tab));
        ASSERT_EQ(prop(h.screen().page(), "tab"), tab);
    }
    // The row of `kind` in the card of `browser`, or null.
    QQuickItem* row(const QString& browser, const QString& kind)
    {
        QQuickItem* card = find(QStringLiteral("browserCard:") + browser);
        if (card == nullptr)
            return nullptr;
        for (QQuickItem* r : h.screen().findAll(QStringLiteral("privacyRow"), card)) {
            if (prop(child(r, "kindText")) == kind)
                return r;
        }
        return nullptr;
    }
    QObject* dialog() { return privacyPart("cleanConfirm"); }
    bool dialogOpen() { return dialog() != nullptr && dialog()->property("opened").toBool(); }
    // Presses "Clear selected" and waits for the dialog.
    void openConfirm()
    {
        h.screen().click(find(QStringLiteral("clearSelectedButton")));
        ASSERT_TRUE(h.screen().settle([&] { return dialogOpen(); }));
    }
    // Confirms the open dialog and waits for the clean to end.
    void confirm()
    {
        h.screen().click(qobject_cast<QQuickItem*>(child(dialog(), "destructiveButton")));
        ASSERT_TRUE(h.screen().settle([&] { return !h.privacy().isCleaning() && !dialogOpen(); }));
    }

    test::ProtectionScreenHarness h;
};

TEST_F(ProtectionViewTest, ThePageOpensOnPrivacyUnderItsHeaderWithThePickerAsAccessory)
{
    open();
    QObject* header = page("header");
    EXPECT_EQ(prop(header, "title"), QStringLiteral("Protection"));
    EXPECT_EQ(prop(header, "subtitle"), QStringLiteral("Clear browsing data and keep an eye on threats."));
    EXPECT_EQ(prop(header, "icon"), QStringLiteral("checkmark.shield"));
    EXPECT_EQ(prop(h.screen().page(), "tab"), QStringLiteral("Privacy"));

    // The picker sits in the header's accessory row, at its natural size, one segment per tab in order.
    auto* picker = qobject_cast<QQuickItem*>(child(h.screen().page(), "picker"));
    ASSERT_NE(picker, nullptr);
    EXPECT_TRUE(qobject_cast<QQuickItem*>(child(header, "accessoryItem"))->isAncestorOf(picker));
    EXPECT_DOUBLE_EQ(picker->width(), picker->implicitWidth());
    QQuickItem* privacy = segment(QStringLiteral("Privacy"));
    QQuickItem* malware = segment(QStringLiteral("Malware"));
    ASSERT_NE(privacy, nullptr);
    ASSERT_NE(malware, nullptr);
    EXPECT_LT(privacy->mapToScene({0, 0}).x(), malware->mapToScene({0, 0}).x());
    EXPECT_EQ(prop(privacy), QStringLiteral("Privacy"));
    EXPECT_TRUE(privacy->property("chosen").toBool());
    EXPECT_FALSE(malware->property("chosen").toBool());

    // The divider under the header, the tab's screen under it to the bottom.
    auto* divider = qobject_cast<QQuickItem*>(page("divider"));
    auto* headerItem = qobject_cast<QQuickItem*>(header);
    EXPECT_DOUBLE_EQ(divider->y(), headerItem->height());
    EXPECT_DOUBLE_EQ(divider->height(), 1);
    EXPECT_EQ(tabScreen()->objectName(), QStringLiteral("privacyCleaner"));
    EXPECT_DOUBLE_EQ(tabScreen()->mapToScene({0, 0}).y(), divider->y() + 1);
    EXPECT_DOUBLE_EQ(tabScreen()->mapToScene({0, tabScreen()->height()}).y(), 1100);

    // The idle privacy screen.
    EXPECT_EQ(prop(privacyPart("noteText")),
              QStringLiteral("Quit your browsers first so their data files aren't locked."));
    ASSERT_EQ(contentName(), QStringLiteral("idleState"));
    QQuickItem* medallion = find(QStringLiteral("idleMedallion"));
    EXPECT_EQ(prop(medallion, "symbol"), QStringLiteral("hand.raised.fill"));
    EXPECT_EQ(medallion->property("tint").value<QColor>(), QColor(240, 106, 155));
    EXPECT_DOUBLE_EQ(medallion->property("size").toReal(), 132);
    EXPECT_EQ(prop(find(QStringLiteral("idleTitle"))), QStringLiteral("Clear browsing data"));
    EXPECT_EQ(prop(find(QStringLiteral("idleText"))),
              QStringLiteral("Scan for browser history, cookies and caches you can clear."));
    QQuickItem* scan = find(QStringLiteral("scanBrowsersButton"));
    EXPECT_EQ(prop(scan), QStringLiteral("Scan browsers"));
    EXPECT_EQ(prop(scan, "symbol"), QStringLiteral("magnifyingglass"));
    EXPECT_EQ(barName(), QStringLiteral("none"));

    // The button scans; the scanning state shows while the scanner is held.
    chrome();
    h.scanGate().arm(FsStep::List);
    h.screen().click(scan);
    ASSERT_TRUE(h.screen().settle([&] { return h.scanGate().holding(); }));
    EXPECT_EQ(h.privacy().generation(), 1);
    ASSERT_EQ(contentName(), QStringLiteral("scanningState"));
    EXPECT_EQ(prop(find(QStringLiteral("scanningText"))),
              QStringLiteral("Checking installed browsers\u2026"));
    h.scanGate().release();
    ASSERT_TRUE(h.screen().settle([&] { return h.privacy().phase() == Phase::results; }));
    EXPECT_EQ(contentName(), QStringLiteral("resultsState"));
}

TEST_F(ProtectionViewTest, TheScanCommandFollowsTheTabAndRunsThatTabsModel)
{
    open();
    h.malwareFixture().holdScans(true);
    FocusedValues& focused = h.focused();
    ASSERT_TRUE(focused.hasScanCommand());
    EXPECT_EQ(focused.scanTarget(), QStringLiteral("Privacy"));
    ASSERT_TRUE(focused.runScanCommand());
    EXPECT_EQ(h.privacy().generation(), 1);
    EXPECT_EQ(h.malware().generation(), 0);
    ASSERT_TRUE(h.screen().settle([&] { return h.privacy().phase() == Phase::results; }));

    showTab(QStringLiteral("Malware"));
    EXPECT_EQ(tabScreen()->objectName(), QStringLiteral("malwareScanner"));
    EXPECT_TRUE(segment(QStringLiteral("Malware"))->property("chosen").toBool());
    EXPECT_EQ(focused.scanTarget(), QStringLiteral("Malware"));
    ASSERT_TRUE(focused.runScanCommand());
    EXPECT_EQ(h.malware().generation(), 1);
    EXPECT_EQ(h.privacy().generation(), 1);
    h.malwareFixture().holdScans(false);

    showTab(QStringLiteral("Privacy"));
    EXPECT_EQ(tabScreen()->objectName(), QStringLiteral("privacyCleaner"));
    EXPECT_EQ(focused.scanTarget(), QStringLiteral("Privacy"));
    ASSERT_TRUE(focused.runScanCommand());
    EXPECT_EQ(h.privacy().generation(), 2);
    EXPECT_EQ(h.malware().generation(), 1);

    // The page leaves the command to the root view when it goes.
    h.screen().close();
    EXPECT_TRUE(focused.hasScanCommand());
    EXPECT_EQ(focused.scanTarget(), QStringLiteral("Privacy"));
}

TEST_F(ProtectionViewTest, APrivacyScanGoesOnWhileTheMalwareTabShowsAndItsResultsAwaitTheReturn)
{
    open();
    chrome();
    h.scanGate().arm(FsStep::List);
    h.privacy().scan();
    ASSERT_TRUE(h.screen().settle([&] { return h.scanGate().holding(); }));
    const QPointer<QQuickItem> firstScreen = tabScreen();

    showTab(QStringLiteral("Malware"));
    EXPECT_TRUE(firstScreen.isNull()) << "switching makes the tab's screen anew";
    EXPECT_EQ(h.privacy().phase(), Phase::scanning);
    h.scanGate().release();
    ASSERT_TRUE(h.screen().settle([&] { return h.privacy().phase() == Phase::results; }));
    EXPECT_EQ(h.privacy().generation(), 1);

    showTab(QStringLiteral("Privacy"));
    ASSERT_EQ(contentName(), QStringLiteral("resultsState"));
    EXPECT_NE(row(kChrome, kCache), nullptr);
    EXPECT_NE(row(kChrome, kHistory), nullptr);
    EXPECT_NE(row(kChrome, kCookies), nullptr);
}

TEST_F(ProtectionViewTest, CardsShowEachBrowsersItemsAndARowClickToggles)
{
    chrome();
    h.cacheFolder("vivaldi", 0);
    open();
    ASSERT_TRUE(h.scanPrivacy());
    const QList<QQuickItem*> cards = h.screen().findAllStartingWith(QStringLiteral("browserCard:"));
    ASSERT_EQ(cards.size(), 2);
    EXPECT_EQ(prop(child(cards[0], "nameText")), kChrome);
    EXPECT_EQ(prop(child(cards[1], "nameText")), QStringLiteral("Vivaldi"));
    EXPECT_LT(cards[0]->mapToScene({0, 0}).y(), cards[1]->mapToScene({0, 0}).y());
    EXPECT_DOUBLE_EQ(cards[0]->property("cornerRadius").toReal(), 12);

    // Chrome's rows in scan order, with their symbols and sizes.
    const QList<QQuickItem*> rows = h.screen().findAll(QStringLiteral("privacyRow"), cards[0]);
    ASSERT_EQ(rows.size(), 3);
    const struct
    {
        QString kind;
        fs::path file;
    } expected[] = {
        {kCache, h.caches() / "google-chrome"},
        {kHistory, h.config() / "google-chrome/Default/History"},
        {kCookies, h.config() / "google-chrome/Default/Cookies"},
    };
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(expected[i].kind.toStdString());
        EXPECT_EQ(prop(child(rows[i], "kindText")), expected[i].kind);
        EXPECT_EQ(prop(child(rows[i], "sizeText")),
                  Formatting::byteCount(test::findAllocatedSize(expected[i].file)));
        auto* kindSymbol = qobject_cast<QQuickItem*>(child(rows[i], "kindSymbol"));
        EXPECT_FALSE(prop(kindSymbol, "name").isEmpty());
        EXPECT_DOUBLE_EQ(kindSymbol->parentItem()->width(), 20);
        EXPECT_EQ(prop(child(rows[i], "checkSymbol"), "name"), QStringLiteral("circle"));
    }

    // An item of 0 bytes reads "0 KB".
    QQuickItem* vivaldi = row(QStringLiteral("Vivaldi"), kCache);
    ASSERT_NE(vivaldi, nullptr);
    EXPECT_EQ(prop(child(vivaldi, "sizeText")), QStringLiteral("0 KB"));

    // A click on the row toggles, and so does one on its circle (once each).
    h.screen().click(row(kChrome, kHistory));
    EXPECT_EQ(h.privacy().selectedCount(), 1);
    EXPECT_EQ(prop(child(row(kChrome, kHistory), "checkSymbol"), "name"),
              QStringLiteral("checkmark.circle.fill"));
    h.screen().click(qobject_cast<QQuickItem*>(child(row(kChrome, kHistory), "selectButton")));
    EXPECT_EQ(h.privacy().selectedCount(), 0);
    EXPECT_EQ(prop(child(row(kChrome, kHistory), "checkSymbol"), "name"), QStringLiteral("circle"));
}

TEST_F(ProtectionViewTest, SelectionBarConfirmationCleanAndUndoByPriority)
{
    chrome();
    open();
    ASSERT_TRUE(h.scanPrivacy());
    EXPECT_EQ(barName(), QStringLiteral("none")) << "no selection and no report";

    // One item: the singular everywhere.
    h.screen().click(row(kChrome, kHistory));
    ASSERT_EQ(barName(), QStringLiteral("selectionBar"));
    EXPECT_EQ(prop(bar(), "title"), h.privacy().formattedSelected());
    EXPECT_EQ(prop(bar(), "subtitle"), QStringLiteral("1 item selected"));
    openConfirm();
    EXPECT_EQ(prop(dialog(), "title"), QStringLiteral("Move 1 item to the Trash?"));
    EXPECT_EQ(prop(dialog(), "message"),
              QStringLiteral("Browsing data goes to the Trash and can be restored."));
    h.screen().click(qobject_cast<QQuickItem*>(child(dialog(), "cancelButton")));
    ASSERT_TRUE(h.screen().settle([&] { return !dialogOpen(); }));
    EXPECT_FALSE(h.privacy().showConfirm());
    EXPECT_EQ(h.privacy().selectedCount(), 1) << "Cancel only closes";

    // Two items: the plural, and the destructive button names the size.
    h.screen().click(row(kChrome, kCookies));
    const qint64 selectedBytes = test::findAllocatedSize(h.config() / "google-chrome/Default/History") +
                                 test::findAllocatedSize(h.config() / "google-chrome/Default/Cookies");
    EXPECT_EQ(prop(bar(), "subtitle"), QStringLiteral("2 items selected"));
    EXPECT_EQ(prop(bar(), "title"), Formatting::byteCount(selectedBytes));
    openConfirm();
    EXPECT_EQ(prop(dialog(), "title"), QStringLiteral("Move 2 items to the Trash?"));
    EXPECT_EQ(prop(dialog(), "destructiveText"),
              QStringLiteral("Move ") + Formatting::byteCount(selectedBytes) + QStringLiteral(" to Trash"));

    // Confirmed with the Trash held: "Clear selected" opens nothing while cleaning.
    h.trashGate().arm(FsStep::Move);
    h.screen().click(qobject_cast<QQuickItem*>(child(dialog(), "destructiveButton")));
    ASSERT_TRUE(h.screen().settle([&] { return h.trashGate().holding(); }));
    ASSERT_TRUE(h.privacy().isCleaning());
    ASSERT_TRUE(h.screen().settle([&] { return !dialogOpen(); }));
    ASSERT_EQ(barName(), QStringLiteral("selectionBar"));
    h.screen().click(find(QStringLiteral("clearSelectedButton")));
    EXPECT_FALSE(h.privacy().showConfirm());
    h.screen().wait(50);
    EXPECT_FALSE(dialogOpen());
    h.trashGate().release();
    ASSERT_TRUE(h.screen().settle([&] { return !h.privacy().isCleaning(); }));

    // The clean's result with Undo; the items left the card.
    ASSERT_TRUE(h.privacy().lastReport().has_value());
    const int trashed = int(h.privacy().lastReport()->trashed.size());
    ASSERT_EQ(barName(), QStringLiteral("undoBar"));
    EXPECT_EQ(prop(bar(), "title"), QStringLiteral("Cleared ") + Formatting::byteCount(selectedBytes));
    EXPECT_EQ(prop(bar(), "subtitle"), QString::number(trashed) + QStringLiteral(" items in Trash"));
    EXPECT_EQ(prop(find(QStringLiteral("undoButton"))), QStringLiteral("Undo"));
    // Undo would be refused while the Trash is emptied, so it is off meanwhile.
    h.malwareFixture().tracker().setEmptyingTrash(true);
    EXPECT_FALSE(find(QStringLiteral("undoButton"))->isEnabled()) << "Undo is off while the Trash is emptied";
    h.malwareFixture().tracker().setEmptyingTrash(false);
    EXPECT_TRUE(find(QStringLiteral("undoButton"))->isEnabled());
    EXPECT_EQ(row(kChrome, kHistory), nullptr);
    EXPECT_EQ(row(kChrome, kCookies), nullptr);

    // A selection with a held report shows the selection; clearing it brings Undo back.
    h.screen().click(row(kChrome, kCache));
    EXPECT_EQ(barName(), QStringLiteral("selectionBar"));
    h.screen().click(row(kChrome, kCache));
    EXPECT_EQ(barName(), QStringLiteral("undoBar"));

    // Undo restores and rescans: no report, no selection, no bar.
    h.screen().click(find(QStringLiteral("undoButton")));
    ASSERT_TRUE(h.screen().settle([&] {
        return !h.privacy().restoring() && h.privacy().phase() == Phase::results &&
               !h.privacy().hasLastReport();
    }));
    EXPECT_EQ(barName(), QStringLiteral("none"));
    EXPECT_NE(row(kChrome, kHistory), nullptr);
}

TEST_F(ProtectionViewTest, EmptyResultsSayWhetherAScanFoundNothingOrACleanLeftNothing)
{
    open();
    ASSERT_TRUE(h.scanPrivacy());
    ASSERT_EQ(contentName(), QStringLiteral("emptyText"));
    EXPECT_EQ(prop(find(QStringLiteral("emptyText"))), QStringLiteral("No clearable browser data found."));

    h.cacheFolder("vivaldi", 0);
    ASSERT_TRUE(h.scanPrivacy());
    ASSERT_EQ(contentName(), QStringLiteral("resultsState"));
    h.screen().click(row(QStringLiteral("Vivaldi"), kCache));
    EXPECT_EQ(prop(bar(), "title"), QStringLiteral("0 KB"));
    openConfirm();
    confirm();
    ASSERT_EQ(contentName(), QStringLiteral("emptyText"));
    EXPECT_EQ(prop(find(QStringLiteral("emptyText"))),
              QStringLiteral("Cleared \u2014 nothing left to remove."));
    ASSERT_EQ(barName(), QStringLiteral("undoBar"));
    EXPECT_EQ(prop(bar(), "title"), QStringLiteral("Cleared 0 KB"));
    EXPECT_EQ(prop(bar(), "subtitle"), QStringLiteral("1 item in Trash"));
}

TEST_F(ProtectionViewTest, TheCelebrationWaitsForALaterCleanAndPlaysOncePerClean)
{
    chrome();
    ASSERT_TRUE(h.scanPrivacy());
    ASSERT_TRUE(h.select(kChrome, kCache));
    h.privacy().confirmClean();
    ASSERT_TRUE(h.screen().settle([&] { return !h.privacy().isCleaning(); }));
    ASSERT_EQ(h.privacy().cleanCompletions(), 1);

    open();
    QObject* celebration = privacyPart("celebration");
    ASSERT_NE(celebration, nullptr);
    EXPECT_FALSE(celebration->property("active").toBool()) << "nothing on appearance";
    // Each play turns the flag on and, after its time, off again.
    QSignalSpy changes(celebration, SIGNAL(activeChanged()));
    int plays = 0;

    for (const QString& kind : {kHistory, kCookies}) {
        SCOPED_TRACE(kind.toStdString());
        ASSERT_TRUE(h.select(kChrome, kind));
        h.privacy().confirmClean();
        ASSERT_TRUE(h.screen().settle([&] { return !h.privacy().isCleaning(); }));
        EXPECT_TRUE(celebration->property("active").toBool());
        ++plays;
        // The overlay clears itself; the next clean plays it again.
        ASSERT_TRUE(h.screen().settle([&] { return !celebration->property("active").toBool(); }));
        EXPECT_EQ(changes.count(), 2 * plays) << "one play per clean";
    }
    EXPECT_EQ(h.privacy().cleanCompletions(), 3);
}

TEST_F(ProtectionViewTest, ARunningBrowsersRefusalShowsInTheAlertAndDismissingClearsIt)
{
    chrome();
    h.workspace().setRunning({RunningApplication{4242, Path("/opt/google/chrome/chrome"), {}}});
    open();
    ASSERT_TRUE(h.scanPrivacy());
    h.screen().click(row(kChrome, kHistory));
    openConfirm();
    confirm();
    QObject* alert = privacyPart("failureAlert");
    ASSERT_TRUE(h.screen().settle([&] { return alert->property("presented").toBool(); }));
    EXPECT_EQ(prop(alert, "message"),
              QStringLiteral(
                  "Quit Google Chrome first \u2014 its history and cookies are in use while it's open."));
    EXPECT_EQ(h.privacy().cleanCompletions(), 0);
    EXPECT_FALSE(privacyPart("celebration")->property("active").toBool());
    h.screen().click(qobject_cast<QQuickItem*>(child(alert, "okButton")));
    ASSERT_TRUE(h.screen().settle([&] { return h.privacy().failureNote().isEmpty(); }));
    EXPECT_FALSE(alert->property("presented").toBool());
}

TEST_F(ProtectionViewTest, ProfileFolderNamesThatLookLikeMarkupShowAsTheirCharacters)
{
    // A folder name cannot hold "/", so no closing tag: an opening one and an entity.
    const char* names[] = {"<i>x", "a&amp;b"};
    h.chromiumProfile("google-chrome", "Default", 4'000, 4'000);
    for (const char* name : names)
        h.chromiumProfile("google-chrome", name, 4'000, 4'000);
    open();
    ASSERT_TRUE(h.scanPrivacy());
    for (const char* name : names) {
        SCOPED_TRACE(name);
        for (const QString& kind : {kHistory, kCookies}) {
            QQuickItem* marked = row(kChrome, kind + QStringLiteral(" \u2014 ") + QString::fromUtf8(name));
            ASSERT_NE(marked, nullptr);
            EXPECT_EQ(child(marked, "kindText")->property("textFormat").toInt(), 0)
                << "plain text, not markup";
        }
    }
    EXPECT_NE(row(kChrome, QStringLiteral("History \u2014 Default")), nullptr);
}

} // namespace
} // namespace qm
