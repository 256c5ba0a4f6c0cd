#include "HealthScreenFixture.h"

#include <QColor>
#include <QPointer>
#include <QQuickItem>

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::HealthScreenFixture;
using Facts = HealthScreenFixture::Facts;

// Tall enough that every card of a full list lies inside the window, so it can be clicked.
const QSize kPageSize(900, 1400);
constexpr qint64 GB = 1'000'000'000;

QString textOf(const QQuickItem* item)
{
    return item != nullptr ? item->property("text").toString() : QStringLiteral("<missing>");
}

QString tileText(HealthScreenFixture& f, const char* tile, const char* part)
{
    QQuickItem* item = f.screen().find(QString::fromUtf8(tile));
    return item != nullptr ? item->property(part).toString() : QStringLiteral("<missing>");
}

int tileSeverity(HealthScreenFixture& f, const char* tile)
{
    QQuickItem* item = f.screen().find(QString::fromUtf8(tile));
    return item != nullptr ? item->property("severity").toInt() : -1;
}

QQuickItem* buttonOf(QQuickItem* card)
{
    return card != nullptr ? card->property("button").value<QQuickItem*>() : nullptr;
}

HealthRecommendation warning(const QString& title, HealthTarget target = HealthTarget::none)
{
    return HealthRecommendation{QString(),
                                title,
                                QStringLiteral("Something to look at."),
                                HealthSeverity::warning,
                                QStringLiteral("Open"),
                                target};
}

// Opens the page and waits for its first assessment.
void openSettled(HealthScreenFixture& f)
{
    ASSERT_TRUE(f.open(kPageSize)) << f.screen().errors().join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(f.settled()) << "no assessment on screen";
    // The cards' rise.
    f.screen().wait(50);
}

TEST(MacHealthViewTest, BeforeTheFirstResultOnlyTheHeaderAndTheCheckingStateShow)
{
    HealthScreenFixture f;
    f.gate().arm();
    ASSERT_TRUE(f.open(kPageSize)) << f.screen().errors().join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(f.screen().settle([&] { return f.gate().holding(); })) << "the page did not refresh";
    EXPECT_EQ(f.model().generation(), 1) << "one refresh on appearance";

    EXPECT_EQ(f.screen().contentName(), QStringLiteral("checkingState"));
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("checkingText"))),
              QStringLiteral("Checking your computer\u2026"));
    auto* header = qobject_cast<QQuickItem*>(f.screen().pageObject("header"));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->property("title").toString(), QStringLiteral("System Health"));
    EXPECT_EQ(header->property("subtitle").toString(),
              QStringLiteral(
                  "A single score for your computer, with one-tap fixes for anything that needs attention."));
    EXPECT_EQ(header->property("icon").toString(), QStringLiteral("heart.text.square"));
    for (const char* part : {"heroCard", "metricRow", "recommendations", "scoreRing"})
        EXPECT_EQ(f.screen().find(QString::fromUtf8(part)), nullptr) << part;
    auto* checking = f.screen().find(QStringLiteral("checkingState"));
    EXPECT_GE(checking->height(), 300);
    EXPECT_EQ(checking->width(), f.screen().page()->width());

    f.gate().release();
    ASSERT_TRUE(f.settled());
    EXPECT_NE(f.screen().find(QStringLiteral("heroCard")), nullptr);
    EXPECT_EQ(f.screen().find(QStringLiteral("checkingState")), nullptr);
    EXPECT_TRUE(f.screen().warnings().isEmpty())
        << f.screen().warnings().join(QLatin1Char('\n')).toStdString();
}

TEST(MacHealthViewTest, WithNothingNotableOnlyTheAllClearIsListed)
{
    HealthScreenFixture f;
    openSettled(f);

    EXPECT_EQ(f.cardIds(), QStringList{QStringLiteral("Everything looks great")});
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("summaryText"))),
              QStringLiteral("No issues found \u2014 your computer is in great shape."));
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("ratingText"))), QStringLiteral("Excellent"));
    EXPECT_EQ(f.screen().find(QStringLiteral("allCaughtUp")), nullptr);
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("uptimeText"))),
              QStringLiteral("Up 2d 3h \u00b7 Debian GNU/Linux 12 (bookworm)"));
    auto* ring = f.screen().find(QStringLiteral("scoreRing"));
    ASSERT_NE(ring, nullptr);
    EXPECT_EQ(ring->property("score").toInt(), 100);
    EXPECT_EQ(ring->property("color").value<QColor>(), QColor(54, 210, 122)) << "the good colour";
    EXPECT_EQ(ring->width(), 150);
    EXPECT_EQ(ring->height(), 150);

    // The all-clear leads to Smart Scan.
    f.screen().click(buttonOf(f.card(QStringLiteral("Everything looks great"))));
    EXPECT_EQ(f.navigated(), QStringList{QStringLiteral("Smart Scan")});
    EXPECT_TRUE(f.screen().warnings().isEmpty())
        << f.screen().warnings().join(QLatin1Char('\n')).toStdString();
}

TEST(MacHealthViewTest, InformationalRecommendationsAreHiddenBesideTheAllClear)
{
    HealthScreenFixture f;
    f.set([](Facts& facts) {
        facts.loginItems = 5;
        facts.sample = HealthScreenFixture::sampleUp(7);
    });
    openSettled(f);

    ASSERT_EQ(f.model().result()->recommendations.size(), 3u)
        << "several startup items, consider a restart, all clear";
    EXPECT_EQ(f.cardIds(), QStringList{QStringLiteral("Everything looks great")});
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("summaryText"))),
              QStringLiteral("No issues found \u2014 your computer is in great shape."));
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("ratingText"))), QStringLiteral("Excellent"));
}

TEST(MacHealthViewTest, AnAcknowledgedRestartReminderLeavesAndReCheckBringsItBackInTheSameWeek)
{
    HealthScreenFixture f;
    f.set([](Facts& facts) { facts.sample = HealthScreenFixture::sampleUp(15); });
    openSettled(f);

    const QString reminder = QStringLiteral("Time to restart#2");
    EXPECT_EQ(f.cardIds(), QStringList{reminder});
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("summaryText"))),
              QStringLiteral("1 item needs your attention."));
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("ratingText"))), QStringLiteral("Fair"))
        << "score 90, capped";
    EXPECT_EQ(f.screen().find(QStringLiteral("ratingText"))->property("color").value<QColor>(),
              QColor(246, 162, 60));

    // "Got it" acknowledges: nothing is opened, the card fades out.
    QQuickItem* card = f.card(reminder);
    f.screen().click(buttonOf(card));
    EXPECT_TRUE(f.navigated().isEmpty());
    EXPECT_EQ(f.model().dismissedList(), QStringList{reminder});
    auto* list = f.screen().find(QStringLiteral("recommendationList"), nullptr);
    EXPECT_EQ(list, nullptr) << "the emptied list hides at once";
    ASSERT_TRUE(f.screen().settle([&] { return f.cardIds().isEmpty(); }));
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("allCaughtUp"))),
              QStringLiteral("You're all caught up."));
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("summaryText"))),
              QStringLiteral("No issues found \u2014 your computer is in great shape."));
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("ratingText"))), QStringLiteral("Excellent"))
        << "the rating follows the score alone";
    EXPECT_EQ(f.screen().find(QStringLiteral("scoreRing"))->property("score").toInt(), 90);

    // Re-check, still in the third week of uptime.
    f.set([](Facts& facts) { facts.sample = HealthScreenFixture::sampleUp(20); });
    f.screen().click(f.screen().find(QStringLiteral("recheckButton")));
    EXPECT_TRUE(f.model().dismissedList().isEmpty());
    EXPECT_EQ(f.model().generation(), 2);
    ASSERT_TRUE(f.settled());
    ASSERT_TRUE(f.screen().settle([&] { return f.cardIds() == QStringList{reminder}; }));
    EXPECT_EQ(f.screen().find(QStringLiteral("allCaughtUp")), nullptr);
    EXPECT_TRUE(f.screen().warnings().isEmpty())
        << f.screen().warnings().join(QLatin1Char('\n')).toStdString();
}

TEST(MacHealthViewTest, TheCardOfAnAcknowledgedRecommendationFadesOutOverAFifthOfASecond)
{
    HealthScreenFixture f;
    f.set([](Facts& facts) {
        facts.sample = HealthScreenFixture::sampleUp(15);
        facts.loginItems = 9;
    });
    openSettled(f);
    f.screen().wait(600);
    ASSERT_EQ(f.cardIds(),
              (QStringList{QStringLiteral("Lots of startup items"), QStringLiteral("Time to restart#2")}));

    QQuickItem* list = f.screen().find(QStringLiteral("recommendationList"));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->property("removeDuration").toInt(), 200);
    const QPointer<QQuickItem> card = f.card(QStringLiteral("Time to restart#2"));
    f.screen().click(buttonOf(card));
    // Not dropped at once: it stays on screen while it fades.
    ASSERT_TRUE(f.screen().settle([&] { return card.isNull() || card->opacity() < 1.0; }));
    ASSERT_FALSE(card.isNull()) << "the card was dropped instead of fading out";
    EXPECT_GT(card->opacity(), 0.0);
    ASSERT_TRUE(f.screen().settle([&] { return f.card(QStringLiteral("Time to restart#2")) == nullptr; }));
    EXPECT_EQ(f.cardIds(), QStringList{QStringLiteral("Lots of startup items")});
}

TEST(MacHealthViewTest, AnUnreadableVolumeShowsADashAndSaysSo)
{
    HealthScreenFixture f;
    f.set([](Facts& facts) { facts.volume = MacHealth{}; });
    openSettled(f);
    EXPECT_EQ(tileText(f, "storageTile", "value"), QStringLiteral("\u2014"));
    EXPECT_EQ(tileText(f, "storageTile", "caption"), QStringLiteral("Couldn't read disk"));
    EXPECT_EQ(tileSeverity(f, "storageTile"), 0);

    // The other tiles, for the record.
    EXPECT_EQ(tileText(f, "memoryTile", "value"), QStringLiteral("38%"));
    EXPECT_EQ(tileText(f, "memoryTile", "caption"), QStringLiteral("6 GB of 16 GB"));
    EXPECT_EQ(tileText(f, "batteryTile", "value"), QStringLiteral("\u2014"));
    EXPECT_EQ(tileText(f, "batteryTile", "caption"), QStringLiteral("No battery"));
    EXPECT_EQ(tileText(f, "storageTile", "title"), QStringLiteral("Storage"));
    EXPECT_EQ(tileText(f, "memoryTile", "icon"), QStringLiteral("memorychip"));
    EXPECT_EQ(tileText(f, "startupTile", "icon"), QStringLiteral("power"));
}

TEST(MacHealthViewTest, TheStartupTileCountsLoginItems)
{
    const struct
    {
        int count;
        const char* caption;
        int severity;
    } rows[] = {
        {1, "login item", 1},
        {8, "login items", 1},
        {9, "login items", 2},
        {0, "login items", 1},
    };
    HealthScreenFixture f;
    openSettled(f);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.count);
        f.set([&](Facts& facts) { facts.loginItems = row.count; });
        f.model().refresh();
        ASSERT_TRUE(f.settled());
        EXPECT_EQ(tileText(f, "startupTile", "value"), QString::number(row.count));
        EXPECT_EQ(tileText(f, "startupTile", "caption"), QString::fromUtf8(row.caption));
        EXPECT_EQ(tileSeverity(f, "startupTile"), row.severity);
    }
}

TEST(MacHealthViewTest, EachTargetTheRulesProduceOpensItsModule)
{
    HealthScreenFixture f;
    BatteryInfo worn = BatteryInfo::unavailable();
    worn.isPresent = true;
    worn.healthPercent = 60;
    worn.chargePercent = 50;
    f.set([&](Facts& facts) {
        facts.volume = MacHealth{950 * GB, 1000 * GB, 50 * GB};
        facts.sample = HealthScreenFixture::sampleUp(14);
        facts.sample.usedRAM = facts.sample.totalRAM;
        facts.battery = worn;
        facts.loginItems = 9;
    });
    openSettled(f);
    f.screen().wait(700);

    const QStringList ids{QStringLiteral("Disk is almost full"), QStringLiteral("Battery is worn out"),
                          QStringLiteral("Memory is under pressure"), QStringLiteral("Lots of startup items"),
                          QStringLiteral("Time to restart#2")};
    ASSERT_EQ(f.cardIds(), ids);
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("summaryText"))),
              QStringLiteral("5 items need your attention."));
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("ratingText"))), QStringLiteral("Needs attention"));
    EXPECT_EQ(f.screen().find(QStringLiteral("scoreRing"))->property("score").toInt(), 20);
    EXPECT_EQ(tileText(f, "storageTile", "value"), QStringLiteral("95%"));
    EXPECT_EQ(tileSeverity(f, "storageTile"), 3);
    EXPECT_EQ(tileText(f, "batteryTile", "value"), QStringLiteral("60%"));
    EXPECT_EQ(tileText(f, "batteryTile", "caption"), QStringLiteral("maximum capacity"));

    const struct
    {
        const QString& id;
        QStringList navigated;
    } rows[] = {
        {ids[0], {QStringLiteral("Cleanup")}},
        {ids[1], {QStringLiteral("Cleanup"), QStringLiteral("Battery")}},
        {ids[2], {QStringLiteral("Cleanup"), QStringLiteral("Battery"), QStringLiteral("Performance")}},
        {ids[3],
         {QStringLiteral("Cleanup"), QStringLiteral("Battery"), QStringLiteral("Performance"),
          QStringLiteral("Performance")}},
        // The restart reminder leads nowhere: it is only acknowledged.
        {ids[4],
         {QStringLiteral("Cleanup"), QStringLiteral("Battery"), QStringLiteral("Performance"),
          QStringLiteral("Performance")}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.id.toStdString());
        f.screen().click(buttonOf(f.card(row.id)));
        EXPECT_EQ(f.navigated(), row.navigated);
    }
    EXPECT_EQ(f.model().dismissedList(), QStringList{ids[4]});
    EXPECT_TRUE(f.screen().warnings().isEmpty())
        << f.screen().warnings().join(QLatin1Char('\n')).toStdString();
}

TEST(MacHealthViewTest, ConstructedResultsCountEveryVisibleIssueAndReachFiles)
{
    HealthScreenFixture f;
    HealthAssessment::Result twelve{52, {}};
    for (int i = 0; i < 12; ++i)
        twelve.recommendations.push_back(warning(QStringLiteral("Issue ") + QString::number(i + 1)));
    f.set([&](Facts& facts) { facts.result = twelve; });
    openSettled(f);
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("summaryText"))),
              QStringLiteral("12 items need your attention."));
    EXPECT_EQ(f.cardIds().size(), 12);
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("ratingText"))), QStringLiteral("Fair"));

    const HealthAssessment::Result one{88, {warning(QStringLiteral("Tidy your files"), HealthTarget::files)}};
    f.set([&](Facts& facts) { facts.result = one; });
    f.model().refresh();
    ASSERT_TRUE(f.settled());
    ASSERT_TRUE(
        f.screen().settle([&] { return f.cardIds() == QStringList{QStringLiteral("Tidy your files")}; }));
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("summaryText"))),
              QStringLiteral("1 item needs your attention."));
    f.screen().click(buttonOf(f.card(QStringLiteral("Tidy your files"))));
    EXPECT_EQ(f.navigated(), QStringList{QStringLiteral("Files")});
    EXPECT_TRUE(f.model().dismissedList().isEmpty());
}

TEST(MacHealthViewTest, ThePageRefreshesWhenTheApplicationBecomesActiveAndOnEveryAppearance)
{
    HealthScreenFixture f;
    openSettled(f);
    EXPECT_EQ(f.model().generation(), 1);

    f.activity().setState(AppActivity::State::Inactive);
    f.activity().setState(AppActivity::State::Background);
    EXPECT_EQ(f.model().generation(), 1) << "leaving refreshes nothing";
    f.activity().setState(AppActivity::State::Active);
    EXPECT_EQ(f.model().generation(), 2);
    ASSERT_TRUE(f.settled());

    // No timer: time passing refreshes nothing.
    f.clock().advance(std::chrono::minutes(10));
    f.screen().wait(100);
    EXPECT_EQ(f.model().generation(), 2);

    // Shown again (the shell makes the page anew each time).
    f.screen().close();
    ASSERT_TRUE(f.open(kPageSize));
    EXPECT_EQ(f.model().generation(), 3);
    EXPECT_EQ(f.screen().contentName(), QStringLiteral("resultState"))
        << "the last assessment stays on screen";
}

// The ring alone, its score set directly.
constexpr const char* kRingHostQml = R"(
import QtQuick
import Quillmere.Screens

Item {
    property int score: 0
    readonly property alias page: ring
    HealthScoreRing {
        id: ring
        objectName: "scoreRing"
        width: 150
        height: 150
        score: parent.score
        color: "#36d27a"
    }
}
)";

TEST(HealthScoreRingTest, DrawsAtLeastADotAndClosesAtOneHundred)
{
    const struct
    {
        int score;
        double fraction;
        bool closed;
    } rows[] = {{0, 0.001, false}, {57, 0.57, false}, {100, 1.0, true}, {1, 0.01, false}};
    test::ScreenHarness h;
    ASSERT_TRUE(h.open(kRingHostQml, {}, QSize(200, 200)))
        << h.errors().join(QLatin1Char('\n')).toStdString();
    QQuickItem* ring = h.page();
    auto* gauge = ring->property("ring").value<QQuickItem*>();
    ASSERT_NE(gauge, nullptr);
    EXPECT_EQ(gauge->property("lineWidth").toDouble(), 13);
    EXPECT_EQ(gauge->property("duration").toInt(), 700);
    EXPECT_EQ(gauge->property("arcStartColor").value<QColor>(), QColor(54, 210, 122));
    EXPECT_EQ(gauge->property("arcEndColor").value<QColor>(),
              QColor::fromRgbF(54 / 255.0f, 210 / 255.0f, 122 / 255.0f, 0.6f));
    EXPECT_NEAR(gauge->property("shadowColor").value<QColor>().alphaF(), 0.5, 1e-3);
    EXPECT_EQ(textOf(ring->property("captionText").value<QQuickItem*>()), QStringLiteral("out of 100"));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.score);
        h.host()->setProperty("score", row.score);
        EXPECT_DOUBLE_EQ(gauge->property("drawnFraction").toDouble(), row.fraction);
        // The arc eases to its new length.
        ASSERT_TRUE(h.settle([&] { return gauge->property("shownFraction").toDouble() == row.fraction; }));
        EXPECT_EQ(gauge->property("fullCircle").toBool(), row.closed);
        EXPECT_EQ(h.find(QStringLiteral("arc")) != nullptr, !row.closed) << "the open arc";
        EXPECT_EQ(h.find(QStringLiteral("fullArc")) != nullptr, row.closed) << "the closed ring";
        EXPECT_EQ(textOf(ring->property("scoreText").value<QQuickItem*>()), QString::number(row.score));
    }
    EXPECT_TRUE(h.warnings().isEmpty()) << h.warnings().join(QLatin1Char('\n')).toStdString();
}

} // namespace
} // namespace qm
