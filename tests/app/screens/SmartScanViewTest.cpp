#include "SmartScanScreenHarness.h"
#include "app/navigation/QuillmereModule.h"
#include "support/ThreadGate.h"

#include <QColor>
#include <QQmlContext>
#include <QQmlProperty>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>

// Shows texts as text in test failures.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace qm {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Phase = SmartScanViewModel::Phase;
using Facts = test::HealthModelFixture::Facts;

// Tall enough that every section lies inside the window, so each can be clicked without scrolling.
const QSize kPageSize(1040, 1700);
constexpr qint64 GB = 1'000'000'000;

QString prop(const QObject* object, const char* name = "text")
{
    return object != nullptr ? object->property(name).toString() : QStringLiteral("<missing>");
}

QObject* child(const QObject* object, const char* property)
{
    return object != nullptr ? object->property(property).value<QObject*>() : nullptr;
}

bool visible(const QObject* object)
{
    const auto* item = qobject_cast<const QQuickItem*>(object);
    return item != nullptr && item->isVisible();
}

ScanItem fakeItem(const QString& name, qint64 bytes, bool selected)
{
    return ScanItem{
        QUuid::createUuid(), Path("/nowhere") / name.toStdString(), name, bytes, std::nullopt, selected};
}

// A scan that finds what `categories` holds, without touching the disk.
SmartScanViewModel::ScanFunction scanFinding(std::vector<JunkCategory> categories)
{
    return [categories](const CleanupScanner&, const std::vector<JunkKind>&,
                        const CleanupScanner::Progress& progress, std::stop_token) {
        progress(1.0, QString());
        return categories;
    };
}

HealthRecommendation recommendation(const QString& title, HealthSeverity severity, HealthTarget target,
                                    const QString& action)
{
    return HealthRecommendation{QString(), title,  QStringLiteral("Something to look at."),
                                severity,  action, target};
}

class SmartScanViewTest : public ::testing::Test
{
protected:
    ~SmartScanViewTest() override
    {
        // Anything QML could not evaluate fails the test that caused it.
        EXPECT_TRUE(h.screen().warnings().isEmpty())
            << h.screen().warnings().join(QLatin1Char('\n')).toStdString();
    }

    // Caches: big.bin and the folder com.acme.cache; logs: app.log. All preselected by the scanner.
    void buildJunk()
    {
        big = h.home().fileWithContent(".cache/big.bin", QByteArray(90'000, 'b'));
        acme =
            h.home().fileWithContent(".cache/com.acme.cache/data.bin", QByteArray(30'000, 'a')).parent_path();
        log = h.home().fileWithContent(".npm/_logs/app.log", QByteArray(9'000, 'l'));
    }

    void open()
    {
        ASSERT_TRUE(h.open(kPageSize)) << h.screen().errors().join(QLatin1Char('\n')).toStdString();
    }
    // Opens the page, which starts the first scan, and waits for its results and the health assessment.
    void openToResults()
    {
        open();
        ASSERT_TRUE(h.settle([&] { return h.model().phase() == Phase::results && h.health().hasResult(); }))
            << "the first scan or the health refresh never ended";
    }

    QQuickItem* find(const QString& name) const { return h.find(name); }
    QString text(const QString& name) const { return prop(find(name)); }
    QObject* page(const char* alias) const { return h.screen().pageObject(alias); }
    QString pageText(const char* property) const { return prop(h.screen().page(), property); }
    // The four hero texts as drawn: ring title, ring subtitle, headline, sub-headline.
    QStringList hero() const
    {
        QObject* ring = page("ring");
        return {prop(child(ring, "titleText")), prop(child(ring, "subtitleText")),
                text(QStringLiteral("headline")), text(QStringLiteral("subhead"))};
    }
    // What the circular button shows: "none", "Clean" or "Re-scan".
    QString circularButton() const
    {
        QQuickItem* button = find(QStringLiteral("circularButton"));
        return button != nullptr ? prop(button) : QStringLiteral("none");
    }
    QString contentName() const { return h.screen().contentName(); }
    QString tile(const char* name, const char* part) const
    {
        return prop(find(QString::fromUtf8(name)), part);
    }
    QString exploreSubtitle(const QString& module) const
    {
        return prop(find(QStringLiteral("exploreCard:") + module), "subtitle");
    }
    QStringList cardIds() const
    {
        QStringList ids;
        for (const QQuickItem* card : h.screen().findAllStartingWith(QStringLiteral("recommendationCard:")))
            ids.append(card->objectName().mid(int(qstrlen("recommendationCard:"))));
        return ids;
    }
    // Selects or deselects the category `kind` with its card's toggle.
    void toggle(const QString& kind)
    {
        QObject* card = find(QStringLiteral("categoryCard:") + kind);
        ASSERT_NE(card, nullptr) << kind.toStdString();
        QMetaObject::invokeMethod(card, "toggle");
    }
    // Presses the circular button, expects the confirmation and confirms it.
    void cleanThroughTheConfirmation()
    {
        h.click(find(QStringLiteral("circularButton")));
        QObject* dialog = page("cleanConfirm");
        ASSERT_TRUE(h.settle([&] { return dialog->property("opened").toBool(); }));
        h.click(qobject_cast<QQuickItem*>(child(dialog, "destructiveButton")));
    }

    test::SmartScanScreenHarness h;
    fs::path big, acme, log;
};

TEST_F(SmartScanViewTest, TheHeroFollowsTheScanFromItsFirstProgressToItsResults)
{
    test::ThreadGate atStart, atThird, atTwoThirds;
    atStart.arm();
    atThird.arm();
    atTwoThirds.arm();
    h.setScan([&](const CleanupScanner&, const std::vector<JunkKind>&,
                  const CleanupScanner::Progress& progress, std::stop_token) {
        atStart.pass();
        progress(1.0 / 3, QString());
        atThird.pass();
        progress(2.0 / 3, QString());
        atTwoThirds.pass();
        return std::vector<JunkCategory>{{JunkKind::userCaches,
                                          {fakeItem("one", 1'200'000, true), fakeItem("two", 300'000, false)},
                                          false},
                                         {JunkKind::logs, {fakeItem("three", 4'000, true)}, false}};
    });
    open();

    // Before any progress: 0% and the scanning texts, Re-scan off, no results and no bottom bar.
    ASSERT_TRUE(h.settle([&] { return atStart.holding(); }));
    EXPECT_EQ(hero(), (QStringList{QStringLiteral("0%"), QStringLiteral("scanning"),
                                   QStringLiteral("Scanning your computer\u2026"),
                                   QStringLiteral("Looking through caches, logs and saved state")}));
    QObject* ring = page("ring");
    EXPECT_TRUE(ring->property("isScanning").toBool());
    EXPECT_EQ(ring->property("lineWidth").toReal(), 12);
    EXPECT_EQ(qobject_cast<QQuickItem*>(ring)->width(), 150);
    EXPECT_EQ(qobject_cast<QQuickItem*>(ring)->height(), 150);
    EXPECT_FALSE(find(QStringLiteral("rescanButton"))->isEnabled());
    // The headline, the one-line sub-headline and Re-scan stack 10 apart (4 more above the button).
    QQuickItem* headline = find(QStringLiteral("headline"));
    QQuickItem* subhead = find(QStringLiteral("subhead"));
    QQuickItem* rescan = find(QStringLiteral("rescanButton"));
    const qreal subheadTop = subhead->mapToScene(QPointF()).y();
    EXPECT_EQ(subheadTop - headline->mapToScene(QPointF()).y(), headline->height() + 10);
    EXPECT_EQ(rescan->mapToScene(QPointF()).y() - subheadTop, subhead->height() + 14);
    EXPECT_LT(subhead->height(), 2 * headline->height()) << "one line";
    EXPECT_EQ(contentName(), QString());
    EXPECT_EQ(circularButton(), QStringLiteral("none"));
    EXPECT_EQ(find(QStringLiteral("undoActionBar")), nullptr);

    atStart.release();
    ASSERT_TRUE(h.settle([&] { return atThird.holding(); }));
    ASSERT_TRUE(h.settle([&] { return hero().first() == QStringLiteral("33%"); }))
        << hero().first().toStdString();
    EXPECT_NEAR(ring->property("progress").toReal(), 1.0 / 3, 1e-9);
    atThird.release();
    ASSERT_TRUE(h.settle([&] { return atTwoThirds.holding(); }));
    ASSERT_TRUE(h.settle([&] { return hero().first() == QStringLiteral("67%"); }))
        << hero().first().toStdString();
    atTwoThirds.release();

    // Results with categories: the found size split over the ring, the total in the sub-headline.
    ASSERT_TRUE(h.settle([&] { return h.model().phase() == Phase::results; }));
    EXPECT_EQ(hero(),
              (QStringList{QStringLiteral("1.5"), QStringLiteral("MB found"), QStringLiteral("Scan complete"),
                           QStringLiteral("1.5 MB found \u00b7 3 items")}));
    EXPECT_FALSE(ring->property("isScanning").toBool());
    EXPECT_EQ(ring->property("progress").toReal(), 1);
    EXPECT_TRUE(find(QStringLiteral("rescanButton"))->isEnabled());
    EXPECT_EQ(contentName(), QStringLiteral("categoryGrid"));
    // 992 wide: five columns of at least 158, 12 apart, once the column layout has given the grid
    // its width (at the window's next polish).
    QQuickItem* grid = find(QStringLiteral("categoryGrid"));
    ASSERT_NE(grid, nullptr);
    EXPECT_TRUE(h.settle([&] { return grid->width() > 0; }));
    EXPECT_EQ(grid->property("columns").toInt(), 5);
    EXPECT_GE(find(QStringLiteral("categoryCard:logs"))->width(), 158);
    EXPECT_NE(find(QStringLiteral("categoryCard:userCaches")), nullptr);
    EXPECT_NE(find(QStringLiteral("categoryCard:logs")), nullptr);
    EXPECT_EQ(circularButton(), QStringLiteral("Clean"));
}

TEST_F(SmartScanViewTest, CleaningEverythingShowsTheSparklesUntilTheOfferEndsThenNothingToClean)
{
    buildJunk();
    openToResults();
    ASSERT_EQ(h.model().selectedCount(), 3);

    cleanThroughTheConfirmation();
    ASSERT_TRUE(h.settle([&] { return !h.model().isCleaning() && h.model().hasLastReport(); }));
    const QString freed = h.model().lastReportFreed();
    EXPECT_EQ(hero(),
              (QStringList{QStringLiteral("0"), QStringLiteral("just cleaned"), QStringLiteral("All clean"),
                           QStringLiteral("Freed ") + freed +
                               QStringLiteral(" \u00b7 3 items moved to the Trash")}));
    EXPECT_EQ(contentName(), QStringLiteral("cleanedState"));
    QObject* cleaned = find(QStringLiteral("cleanedState"));
    EXPECT_EQ(prop(cleaned, "icon"), QStringLiteral("sparkles"));
    EXPECT_EQ(prop(child(cleaned, "titleText")), QStringLiteral("All moved to the Trash"));
    EXPECT_EQ(
        prop(child(cleaned, "messageText")),
        QStringLiteral("Everything found in this scan was cleaned. Use Undo below if you didn't mean to."));
    EXPECT_EQ(circularButton(), QStringLiteral("none")) << "only the undo bar while the offer stands";
    QObject* bar = find(QStringLiteral("undoActionBar"));
    EXPECT_EQ(prop(bar, "title"), QStringLiteral("Freed ") + freed);
    EXPECT_EQ(prop(bar, "subtitle"), QStringLiteral("3 items in Trash"));
    EXPECT_TRUE(page("celebration")->property("active").toBool()) << "the clean is celebrated";
    for (const fs::path& gone : {big, acme, log})
        EXPECT_FALSE(fs::exists(gone)) << gone;

    h.clock().advance(15s);
    EXPECT_EQ(find(QStringLiteral("undoActionBar")), nullptr);
    EXPECT_EQ(hero(),
              (QStringList{QStringLiteral("0"), QStringLiteral("just cleaned"), QStringLiteral("All clean"),
                           QStringLiteral("Nothing to clean right now.")}));
    EXPECT_EQ(circularButton(), QStringLiteral("Re-scan"));
}

TEST_F(SmartScanViewTest, NothingFoundShowsTheTidyStateAndReScanScans)
{
    openToResults();
    EXPECT_EQ(hero(),
              (QStringList{QStringLiteral("0"), QStringLiteral("all clean"), QStringLiteral("All clean"),
                           QStringLiteral("Nothing to clean right now.")}));
    EXPECT_EQ(contentName(), QStringLiteral("tidyState"));
    QObject* tidy = find(QStringLiteral("tidyState"));
    EXPECT_EQ(prop(tidy, "icon"), QStringLiteral("checkmark.seal.fill"));
    EXPECT_EQ(prop(child(tidy, "titleText")), QStringLiteral("Your computer is tidy"));
    EXPECT_EQ(prop(child(tidy, "messageText")),
              QStringLiteral("No reclaimable junk found in caches, logs or saved state."));
    ASSERT_EQ(circularButton(), QStringLiteral("Re-scan"));
    QQuickItem* button = find(QStringLiteral("circularButton"));
    EXPECT_EQ(button->property("diameter").toReal(), 92);
    EXPECT_EQ(button->property("tint").value<QColor>(), QColor(142, 124, 243));

    const int before = h.model().generation();
    h.click(button);
    EXPECT_EQ(h.model().generation(), before + 1);
    ASSERT_TRUE(h.settle([&] { return h.model().phase() == Phase::results; }));
    h.click(find(QStringLiteral("rescanButton")));
    EXPECT_EQ(h.model().generation(), before + 2);
}

TEST_F(SmartScanViewTest, TheCircularButtonFollowsSelectionOfferAndCleaning)
{
    buildJunk();
    openToResults();
    struct Row
    {
        const char* state;
        std::function<void()> reach;
        const char* expected;
    };
    const std::vector<Row> rows = {
        {"results, all selected, no offer", [] {}, "Clean"},
        {"nothing selected, no offer",
         [&] {
             toggle(QStringLiteral("userCaches"));
             toggle(QStringLiteral("logs"));
         },
         "Re-scan"},
        // Cleans the logs only: the caches stay, unselected, under the offer.
        {"nothing selected, offer standing",
         [&] {
             toggle(QStringLiteral("logs"));
             cleanThroughTheConfirmation();
             ASSERT_TRUE(h.settle([&] { return h.model().hasLastReport() && !h.model().isCleaning(); }));
         },
         "none"},
        {"something selected, offer standing", [&] { toggle(QStringLiteral("userCaches")); }, "Clean"},
        {"cleaning",
         [&] {
             h.trashGate().arm(FsStep::Move);
             h.model().confirmClean();
             ASSERT_TRUE(h.settle([&] { return h.trashGate().holding(); }));
         },
         "none"},
    };
    for (const Row& row : rows) {
        row.reach();
        EXPECT_EQ(circularButton(), QString::fromUtf8(row.expected)) << row.state;
    }

    // While cleaning the button is hidden; a press that still arrives under its stale "Clean" opens nothing.
    EXPECT_TRUE(h.model().isCleaning());
    EXPECT_FALSE(find(QStringLiteral("undoButton"))->isEnabled()) << "Undo waits for the clean";
    EXPECT_FALSE(find(QStringLiteral("rescanButton"))->isEnabled());
    QObject* button = page("actionButton");
    QMetaObject::invokeMethod(button, "clicked");
    EXPECT_FALSE(h.model().showConfirm());
    h.trashGate().release();
    ASSERT_TRUE(h.settle([&] { return !h.model().isCleaning(); }));

    // Everything cleaned, offer standing, nothing selected: a stale "Re-scan" press does not scan either.
    ASSERT_EQ(circularButton(), QStringLiteral("none"));
    const int generation = h.model().generation();
    QMetaObject::invokeMethod(button, "clicked");
    EXPECT_EQ(h.model().generation(), generation);
}

TEST_F(SmartScanViewTest, TheConfirmationCountsTheSelectedItemsAndTheirSize)
{
    h.setScan(scanFinding(
        {{JunkKind::userCaches, {fakeItem("empty", 0, true)}, false},
         {JunkKind::logs, {fakeItem("a.log", 1'234'567, false), fakeItem("b.log", 1'000, false)}, false}}));
    openToResults();
    EXPECT_EQ(h.model().selectedCount(), 1);
    EXPECT_EQ(circularButton(), QStringLiteral("Clean"));

    QObject* dialog = page("cleanConfirm");
    h.click(find(QStringLiteral("circularButton")));
    ASSERT_TRUE(h.settle([&] { return dialog->property("opened").toBool(); }));
    EXPECT_TRUE(h.model().showConfirm());
    EXPECT_EQ(prop(dialog, "title"), QStringLiteral("Move 1 item to the Trash?"));
    EXPECT_EQ(prop(dialog, "destructiveText"), QStringLiteral("Move 0 KB to Trash"))
        << "a zero-byte selection";
    EXPECT_EQ(prop(dialog, "message"),
              QStringLiteral("Items go to the Trash and can be restored. Nothing is permanently deleted."));
    h.click(qobject_cast<QQuickItem*>(child(dialog, "cancelButton")));
    ASSERT_TRUE(h.settle([&] { return !dialog->property("opened").toBool(); }));
    EXPECT_FALSE(h.model().showConfirm());

    toggle(QStringLiteral("logs"));
    h.click(find(QStringLiteral("circularButton")));
    ASSERT_TRUE(h.settle([&] { return dialog->property("opened").toBool(); }));
    EXPECT_EQ(prop(dialog, "title"), QStringLiteral("Move 3 items to the Trash?"));
    EXPECT_EQ(prop(dialog, "destructiveText"), QStringLiteral("Move 1.2 MB to Trash"));
}

TEST_F(SmartScanViewTest, TheUndoBarCountsItsItemsAndDismissKeepsItAway)
{
    buildJunk();
    openToResults();
    // The logs alone: one item.
    toggle(QStringLiteral("userCaches"));
    cleanThroughTheConfirmation();
    ASSERT_TRUE(h.settle([&] { return h.model().hasLastReport() && !h.model().isCleaning(); }));
    QObject* bar = find(QStringLiteral("undoActionBar"));
    EXPECT_EQ(prop(bar, "title"), QStringLiteral("Freed ") + h.model().lastReportFreed());
    EXPECT_EQ(prop(bar, "subtitle"), QStringLiteral("1 item in Trash"));
    EXPECT_EQ(text(QStringLiteral("undoButton")), QStringLiteral("Undo"));
    EXPECT_EQ(prop(find(QStringLiteral("undoButton")), "symbol"), QStringLiteral("arrow.uturn.backward"));
    // Undo would be refused while the Trash is emptied, so it is off meanwhile.
    h.tracker().setEmptyingTrash(true);
    EXPECT_FALSE(find(QStringLiteral("undoButton"))->isEnabled()) << "Undo is off while the Trash is emptied";
    h.tracker().setEmptyingTrash(false);
    EXPECT_TRUE(find(QStringLiteral("undoButton"))->isEnabled());
    QQuickItem* dismiss = find(QStringLiteral("dismissUndoButton"));
    EXPECT_EQ(QQmlProperty(dismiss, QStringLiteral("Accessible.name"), qmlContext(dismiss)).read().toString(),
              QStringLiteral("Dismiss"));

    h.click(dismiss);
    EXPECT_EQ(find(QStringLiteral("undoActionBar")), nullptr) << "hidden at once";
    EXPECT_FALSE(fs::exists(log)) << "the item stays in the Trash";
    h.clock().advance(15s);
    EXPECT_EQ(find(QStringLiteral("undoActionBar")), nullptr) << "it does not come back when its time ends";
    EXPECT_FALSE(h.model().hasLastReport());
}

TEST_F(SmartScanViewTest, UndoHidesTheBarScansAndEndsOnFreshResults)
{
    buildJunk();
    openToResults();
    cleanThroughTheConfirmation();
    ASSERT_TRUE(h.settle([&] { return h.model().hasLastReport() && !h.model().isCleaning(); }));

    h.scanGate().arm(FsStep::List);
    h.click(find(QStringLiteral("undoButton")));
    EXPECT_EQ(find(QStringLiteral("undoActionBar")), nullptr) << "hidden at once";
    ASSERT_TRUE(h.settle([&] { return h.scanGate().holding(); }));
    EXPECT_EQ(text(QStringLiteral("headline")), QStringLiteral("Scanning your computer\u2026"));
    EXPECT_EQ(circularButton(), QStringLiteral("none"));
    h.scanGate().release();
    ASSERT_TRUE(h.settle([&] { return h.model().phase() == Phase::results; }));
    EXPECT_EQ(text(QStringLiteral("headline")), QStringLiteral("Scan complete"));
    for (const fs::path& back : {big, acme, log})
        EXPECT_TRUE(fs::exists(back)) << back;
}

TEST_F(SmartScanViewTest, AFailedCleanRaisesTheSharedAlertUntilOK)
{
    buildJunk();
    openToResults();
    toggle(QStringLiteral("userCaches"));
    // Gone before the clean reaches it.
    fs::remove(log);
    cleanThroughTheConfirmation();

    QObject* alert = page("failureAlert");
    QObject* popup = child(alert, "popup");
    ASSERT_TRUE(h.settle([&] { return popup->property("opened").toBool(); }));
    EXPECT_EQ(prop(popup, "title"), QStringLiteral("Couldn't remove everything"));
    const QString message = prop(child(popup, "messageText"));
    EXPECT_FALSE(message.isEmpty());
    EXPECT_EQ(message, h.model().failureNote());
    EXPECT_FALSE(page("celebration")->property("active").toBool()) << "nothing was moved";

    h.click(qobject_cast<QQuickItem*>(child(alert, "okButton")));
    ASSERT_TRUE(h.settle([&] { return !popup->property("opened").toBool(); }));
    EXPECT_TRUE(h.model().failureNote().isEmpty()) << "OK clears the note";
}

TEST_F(SmartScanViewTest, TheGlanceSaysCheckingUntilTheFirstAssessmentThenWhatItCouldNotRead)
{
    h.healthFacts().set([](Facts& facts) {
        facts.volume = MacHealth{};
        facts.sample.usedRAM = std::nullopt;
        facts.sample.totalRAM = 0;
    });
    h.healthFacts().gate().arm();
    open();
    ASSERT_TRUE(h.settle([&] { return h.healthFacts().gate().holding(); }));

    EXPECT_EQ(tile("glanceStorage", "value"), QStringLiteral("\u2014"));
    EXPECT_EQ(tile("glanceStorage", "caption"), QStringLiteral("Checking\u2026"));
    EXPECT_EQ(tile("glanceMemory", "value"), QStringLiteral("\u2014"));
    EXPECT_EQ(tile("glanceMemory", "caption"), QStringLiteral("\u2014 of \u2014"));
    EXPECT_EQ(tile("glanceHealth", "value"), QStringLiteral("\u2014"));
    EXPECT_EQ(tile("glanceHealth", "caption"), QStringLiteral("Checking\u2026"));
    EXPECT_EQ(find(QStringLiteral("glanceHealth"))->property("severity").toInt(), 0) << "unknown";
    EXPECT_EQ(tile("glanceBattery", "caption"), QStringLiteral("No battery"));
    EXPECT_FALSE(visible(page("recommendations"))) << "no section at all before the first assessment";

    h.healthFacts().gate().release();
    ASSERT_TRUE(h.settle([&] { return h.health().hasResult(); }));
    EXPECT_EQ(tile("glanceStorage", "value"), QStringLiteral("\u2014"));
    EXPECT_EQ(tile("glanceStorage", "caption"), QStringLiteral("Couldn't read disk"));
    EXPECT_EQ(tile("glanceHealth", "value"), QString::number(h.health().score()));
    EXPECT_EQ(tile("glanceHealth", "caption"), h.health().displayRating());
    EXPECT_TRUE(visible(page("recommendations")));
}

TEST_F(SmartScanViewTest, TheGlanceShowsTheReadings)
{
    h.healthFacts().set([](Facts& facts) { facts.volume = MacHealth{620 * GB, 1000 * GB, 380 * GB}; });
    openToResults();
    EXPECT_EQ(tile("glanceStorage", "value"), QStringLiteral("62%"));
    EXPECT_EQ(tile("glanceStorage", "caption"), QStringLiteral("620 GB of 1 TB"));
    EXPECT_EQ(tile("glanceMemory", "value"), QStringLiteral("38%")) << "6 of 16 GiB";
    EXPECT_EQ(tile("glanceMemory", "caption"), QStringLiteral("6 GB of 16 GB"));
    EXPECT_EQ(tile("glanceHealth", "value"), QStringLiteral("100"));
    EXPECT_EQ(tile("glanceHealth", "caption"), QStringLiteral("Excellent"));
    EXPECT_EQ(find(QStringLiteral("glanceHealth"))->property("severity").toInt(), 1) << "good";
    for (const char* name : {"glanceStorage", "glanceMemory", "glanceBattery", "glanceHealth"})
        EXPECT_EQ(find(QString::fromUtf8(name))->width(), find(QStringLiteral("glanceStorage"))->width())
            << name;
}

TEST_F(SmartScanViewTest, RecommendationsLeaveOutSmartScanAndActOnTheirTargets)
{
    HealthAssessment::Result result;
    result.score = 70;
    result.recommendations = {
        recommendation(QStringLiteral("Junk to clear"), HealthSeverity::warning, HealthTarget::smartScan,
                       QStringLiteral("Scan")),
        recommendation(QStringLiteral("Disk is almost full"), HealthSeverity::critical, HealthTarget::cleanup,
                       QStringLiteral("Free up space")),
        recommendation(QStringLiteral("Time to restart"), HealthSeverity::warning, HealthTarget::none,
                       QStringLiteral("Got it")),
        recommendation(QStringLiteral("Several startup items"), HealthSeverity::good,
                       HealthTarget::performance, QStringLiteral("Review")),
    };
    h.healthFacts().set([&](Facts& facts) { facts.result = result; });
    openToResults();
    ASSERT_TRUE(h.settle([&] { return cardIds().size() == 2; }));
    EXPECT_EQ(cardIds(),
              (QStringList{QStringLiteral("Disk is almost full"), QStringLiteral("Time to restart")}));
    EXPECT_FALSE(visible(find(QStringLiteral("allClearRow"))));

    // "Got it" dismisses in the health model and opens nothing; the card fades out.
    QQuickItem* restart = find(QStringLiteral("recommendationCard:Time to restart"));
    h.click(qobject_cast<QQuickItem*>(child(restart, "button")));
    EXPECT_TRUE(h.navigated().isEmpty());
    EXPECT_EQ(h.health().dismissedList(), QStringList{QStringLiteral("Time to restart")});
    ASSERT_TRUE(h.settle([&] { return cardIds() == QStringList{QStringLiteral("Disk is almost full")}; }));

    // "Free up space" opens Cleanup and the card stays.
    QQuickItem* disk = find(QStringLiteral("recommendationCard:Disk is almost full"));
    h.click(qobject_cast<QQuickItem*>(child(disk, "button")));
    EXPECT_EQ(h.navigated(), QStringList{QStringLiteral("Cleanup")});
    EXPECT_EQ(h.health().dismissedList(), QStringList{QStringLiteral("Time to restart")});
    h.screen().wait(300);
    EXPECT_EQ(cardIds(), QStringList{QStringLiteral("Disk is almost full")});
}

TEST_F(SmartScanViewTest, OnlyGoodRecommendationsShowTheAllClearRow)
{
    // Several startup items and a gentle restart reminder: both good, like the all-clear itself.
    h.healthFacts().set([](Facts& facts) {
        facts.loginItems = 5;
        facts.sample = test::HealthModelFixture::sampleUp(7);
    });
    openToResults();
    ASSERT_EQ(h.health().result()->recommendations.size(), 3u);
    EXPECT_TRUE(cardIds().isEmpty());
    ASSERT_TRUE(visible(find(QStringLiteral("allClearRow"))));
    EXPECT_EQ(text(QStringLiteral("allClearText")),
              QStringLiteral("You're all caught up \u2014 no issues need fixing."));
    EXPECT_EQ(find(QStringLiteral("allClearSymbol"))->property("color").value<QColor>(),
              QColor(54, 210, 122));
    EXPECT_EQ(prop(find(QStringLiteral("allClearSymbol")), "name"), QStringLiteral("checkmark.circle.fill"));
}

ThreatFinding finding(const QString& name)
{
    ThreatFinding f;
    f.threat = name;
    f.location = QStringLiteral("LaunchAgents");
    f.url = Path("/nowhere") / name.toStdString();
    f.removable = true;
    f.bytes = 5000;
    return f;
}

TEST(SmartScanExploreTest, EachCardSaysWhatItsModulesKnow)
{
    using Harness = test::SmartScanScreenHarness;
    struct Row
    {
        const char* state;
        const char* card;
        std::function<bool(Harness&)> reach;
        QString expected;
    };
    const auto runScan = [](Harness& h, auto& model, auto done) {
        model.scan();
        return h.settle([&] { return done(model); });
    };
    const auto malwareScan = [runScan](int findings) {
        return [runScan, findings](Harness& h) {
            std::vector<ThreatFinding> list;
            for (int i = 0; i < findings; ++i)
                list.push_back(finding(QStringLiteral("Threat ") + QString::number(i)));
            h.pushMalwareScan(list);
            return runScan(h, h.malware(),
                           [](MalwareViewModel& m) { return m.phase() == MalwareViewModel::Phase::results; });
        };
    };
    const auto largeFiles = [runScan](int count) {
        return [runScan, count](Harness& h) {
            h.setLargeFileCount(count);
            return runScan(h, h.largeFiles(), [](LargeFilesViewModel& m) {
                return m.phase() == LargeFilesViewModel::Phase::results;
            });
        };
    };
    const auto duplicates = [runScan](Harness& h) {
        for (const char* name : {"Docs/a.bin", "Docs/copy of a.bin"})
            h.home().file(name, 1'100'000, 'd');
        return runScan(h, h.duplicates(), [](DuplicatesViewModel& m) {
            return m.phase() == DuplicatesViewModel::Phase::results;
        });
    };
    const QString rules = QStringLiteral("Built-in checks \u00b7 rules v7");
    const std::vector<Row> rows = {
        {"disk without a report", "Disk", [](Harness&) { return true; },
         QStringLiteral("See what's filling your disk")},
        {"disk with a report", "Disk",
         [](Harness& h) {
             h.disk().load();
             return h.settle([&] { return h.disk().hasReport() && !h.disk().scanning(); });
         },
         QStringLiteral("600 GB of 1 TB used")},
        {"one large file", "Files", largeFiles(1), QStringLiteral("1 large file found")},
        {"three large files", "Files", largeFiles(3), QStringLiteral("3 large files found")},
        {"duplicates only", "Files", duplicates, QStringLiteral("1.1 MB in duplicate copies")},
        {"neither", "Files", [](Harness&) { return true; },
         QStringLiteral("Find large files and duplicate copies")},
        {"both: the large files win", "Files", [=](Harness& h) { return duplicates(h) && largeFiles(1)(h); },
         QStringLiteral("1 large file found")},
        {"never scanned for threats", "Protection", [](Harness&) { return true; }, rules},
        {"no threats", "Protection", malwareScan(0), QStringLiteral("No threats found \u00b7 ") + rules},
        {"one threat", "Protection", malwareScan(1), QStringLiteral("1 item flagged")},
        {"three threats", "Protection", malwareScan(3), QStringLiteral("3 items flagged")},
        {"cloud not yet checked", "Cloud Cleanup", [](Harness&) { return true; },
         QStringLiteral("Free up space used by cloud files")},
        {"cloud unavailable", "Cloud Cleanup",
         [](Harness& h) {
             h.cloud().scan();
             return h.settle([&] { return h.cloud().phase() == CloudCleanupViewModel::Phase::unavailable; });
         },
         QStringLiteral("No cloud drive set up")},
        {"cloud results of nothing stored locally", "Cloud Cleanup",
         [](Harness& h) {
             h.setCloudFolder(true);
             h.cloud().scan();
             return h.settle([&] { return h.cloud().phase() == CloudCleanupViewModel::Phase::results; });
         },
         QStringLiteral("0 KB stored locally")},
    };
    for (const Row& row : rows) {
        Harness h;
        ASSERT_TRUE(h.open(kPageSize)) << h.screen().errors().join(QLatin1Char('\n')).toStdString();
        ASSERT_TRUE(h.settle([&] { return h.malware().defsVersion() == 7; }))
            << "the definitions status never loaded";
        ASSERT_TRUE(row.reach(h)) << row.state;
        QQuickItem* card = h.find(QStringLiteral("exploreCard:") + QString::fromUtf8(row.card));
        ASSERT_NE(card, nullptr) << row.state;
        EXPECT_EQ(prop(card, "subtitle"), row.expected) << row.state;
        EXPECT_EQ(prop(child(card, "subtitleText")), row.expected) << row.state;
        EXPECT_EQ(prop(card, "accessibleName"), prop(card, "title") + QStringLiteral(": ") + row.expected)
            << row.state;
        EXPECT_TRUE(h.screen().warnings().isEmpty())
            << row.state << ": " << h.screen().warnings().join(QLatin1Char('\n')).toStdString();
    }
}

TEST(SmartScanExploreTest, ACloudScanUnderWayAsksToFreeUpSpace)
{
    test::SmartScanScreenHarness h;
    test::ThreadGate question;
    h.setCloudFolder(true);
    h.cloudFile("movie.mov", 4096);
    question.arm();
    h.cloudDrive().onDatalessQuestion([&](const Path&) { question.pass(); });
    ASSERT_TRUE(h.open(kPageSize)) << h.screen().errors().join(QLatin1Char('\n')).toStdString();
    h.cloud().scan();
    ASSERT_TRUE(h.settle([&] { return question.holding(); }));
    EXPECT_EQ(h.cloud().phase(), CloudCleanupViewModel::Phase::scanning);
    EXPECT_EQ(prop(h.find(QStringLiteral("exploreCard:Cloud Cleanup")), "subtitle"),
              QStringLiteral("Free up space used by cloud files"));
    question.release();
    ASSERT_TRUE(h.settle([&] { return h.cloud().phase() == CloudCleanupViewModel::Phase::results; }));
    h.drain();
}

TEST_F(SmartScanViewTest, ExploreCardsOpenTheirModulesAndFillTheWidth)
{
    openToResults();
    const QStringList modules{QStringLiteral("Disk"), QStringLiteral("Files"), QStringLiteral("Protection"),
                              QStringLiteral("Cloud Cleanup")};
    for (const QString& module : modules) {
        QQuickItem* card = find(QStringLiteral("exploreCard:") + module);
        ASSERT_NE(card, nullptr) << module.toStdString();
        EXPECT_EQ(child(card, "medallion")->property("size").toReal(), 34);
        EXPECT_EQ(prop(child(card, "medallion"), "symbol"),
                  QuillmereModules::systemImage(*QuillmereModules::fromRawValue(module)));
        EXPECT_EQ(prop(child(card, "chevron"), "name"), QStringLiteral("chevron.right"));
        EXPECT_EQ(child(card, "lift")->property("liftScale").toReal(), 1.025);
        h.click(card);
    }
    EXPECT_EQ(h.navigated(), modules);
    EXPECT_EQ(prop(find(QStringLiteral("exploreCard:Cloud Cleanup")), "title"),
              QStringLiteral("Cloud Cleanup"));

    // 1040 wide less 48 of padding fits five columns of at least 170: the four cards share one row.
    QObject* explore = page("explore");
    EXPECT_EQ(explore->property("columns").toInt(), 5);
    for (const QString& module : modules) {
        QQuickItem* card = find(QStringLiteral("exploreCard:") + module);
        EXPECT_EQ(card->y(), 0) << module.toStdString();
        EXPECT_GE(card->width(), 170) << module.toStdString();
    }
    explore->setProperty("width", 360);
    EXPECT_EQ(explore->property("columns").toInt(), 2);
    explore->setProperty("width", 300);
    EXPECT_EQ(explore->property("columns").toInt(), 1);
}

TEST_F(SmartScanViewTest, TheFirstAppearanceScansLaterOnesOnlyRefresh)
{
    QSignalSpy refreshes(&h.health(), &MacHealthViewModel::generationChanged);
    openToResults();
    EXPECT_EQ(h.model().generation(), 1) << "the first appearance scans";
    EXPECT_EQ(refreshes.count(), 1);
    ASSERT_TRUE(h.settle([&] { return h.malware().defsVersion() == 7; }))
        << "the definitions status was loaded";
    const int reads = h.xprotectReads();
    EXPECT_GE(reads, 1);

    // Leaving and coming back: no scan, but the health model and the definitions status again.
    h.close();
    open();
    EXPECT_EQ(h.model().generation(), 1);
    EXPECT_EQ(refreshes.count(), 2);
    ASSERT_TRUE(h.settle([&] { return h.xprotectReads() == reads + 1; }));
}

TEST_F(SmartScanViewTest, BecomingActiveReProbesAccessAndRefreshesHealthAndNothingElseDoes)
{
    h.setFullDiskAccess(false);
    openToResults();
    ASSERT_TRUE(visible(find(QStringLiteral("fullDiskAccessBanner"))));
    QQuickItem* banner = find(QStringLiteral("fullDiskAccessBanner"));
    EXPECT_EQ(prop(banner, "message"),
              QStringLiteral(
                  "Quillmere scans only what your user may read, so folders closed to it are left out of "
                  "this scan."));

    QSignalSpy refreshes(&h.health(), &MacHealthViewModel::generationChanged);
    const int probes = h.accessProbes();
    h.setFullDiskAccess(true);
    for (AppActivity::State state : {AppActivity::State::Inactive, AppActivity::State::Background}) {
        h.activity().setState(state);
        EXPECT_EQ(h.accessProbes(), probes);
        EXPECT_EQ(refreshes.count(), 0);
        EXPECT_NE(find(QStringLiteral("fullDiskAccessBanner")), nullptr);
    }
    h.activity().setState(AppActivity::State::Active);
    EXPECT_EQ(h.accessProbes(), probes + 1);
    EXPECT_EQ(refreshes.count(), 1);
    EXPECT_EQ(find(QStringLiteral("fullDiskAccessBanner")), nullptr) << "access granted meanwhile";
    EXPECT_EQ(h.model().generation(), 1) << "becoming active scans nothing";
}

} // namespace
} // namespace qm
