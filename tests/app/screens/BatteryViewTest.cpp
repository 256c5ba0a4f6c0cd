#include "BatteryScreenFixture.h"

#include <QColor>
#include <QQuickItem>

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::BatteryScreenFixture;

const QSize kPageSize(900, 1100);

QString textOf(const QQuickItem* item)
{
    return item != nullptr ? item->property("text").toString() : QStringLiteral("<missing>");
}

QString tile(BatteryScreenFixture& f, const char* name, const char* part)
{
    QQuickItem* item = f.screen().find(QString::fromUtf8(name));
    return item != nullptr ? item->property(part).toString() : QStringLiteral("<missing>");
}

QColor tileTint(BatteryScreenFixture& f, const char* name)
{
    QQuickItem* item = f.screen().find(QString::fromUtf8(name));
    return item != nullptr ? item->property("tint").value<QColor>() : QColor();
}

// A charging battery at 87 % (4000 of 4600 mAh now, 5000 when new), 312 cycles, 30.7 °C, full in 95
// minutes.
const std::vector<test::SupplyAttribute> kCharging{
    {"status", "Charging"},
    {"capacity", "87"},
    {"charge_full_design", "5000000"},
    {"charge_full", "4600000"},
    {"charge_now", "4000000"},
    {"cycle_count", "312"},
    {"temp", "307"},
    {"time_to_full_now", "5700"},
};

TEST(BatteryViewTest, AChargingBatteryShowsItsRingStatusTilesTipsAndNote)
{
    BatteryScreenFixture f;
    f.addBattery(kCharging, true);
    ASSERT_TRUE(f.open(kPageSize)) << f.screen().errors().join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(f.readingShown());
    ASSERT_EQ(f.screen().contentName(), QStringLiteral("readingState"));

    auto* header = qobject_cast<QQuickItem*>(f.screen().pageObject("header"));
    EXPECT_EQ(header->property("title").toString(), QStringLiteral("Battery"));
    EXPECT_EQ(
        header->property("subtitle").toString(),
        QStringLiteral("Health, charge cycles and live charging status \u2014 straight from the kernel."));
    EXPECT_EQ(header->property("icon").toString(), QStringLiteral("battery.100"));

    const QColor green(111, 217, 87);
    QQuickItem* ring = f.screen().find(QStringLiteral("chargeRing"));
    ASSERT_NE(ring, nullptr);
    EXPECT_EQ(textOf(ring->property("chargeText").value<QQuickItem*>()), QStringLiteral("87%"));
    EXPECT_TRUE(ring->property("bolt").value<QQuickItem*>()->isVisible());
    EXPECT_EQ(ring->property("color").value<QColor>(), green);
    EXPECT_DOUBLE_EQ(ring->property("ring").value<QObject*>()->property("drawnFraction").toDouble(), 0.87);
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("statusTitle"))), QStringLiteral("Charging"));
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("statusDetail"))),
              QStringLiteral("About 1h 35m until full."));
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("powerLine"))),
              QStringLiteral("Power source: Power Adapter"));
    EXPECT_EQ(f.screen().find(QStringLiteral("powerSymbol"))->property("name").toString(),
              QStringLiteral("powerplug.fill"));

    EXPECT_EQ(tile(f, "capacityTile", "value"), QStringLiteral("92%"));
    EXPECT_EQ(tileTint(f, "capacityTile"), green);
    EXPECT_EQ(tile(f, "cyclesTile", "value"), QStringLiteral("312"));
    EXPECT_EQ(tile(f, "conditionTile", "value"), QStringLiteral("Normal"));
    EXPECT_EQ(tile(f, "conditionTile", "icon"), QStringLiteral("checkmark.seal.fill"));
    EXPECT_EQ(tile(f, "temperatureTile", "value"), QStringLiteral("31\u00b0C"));
    EXPECT_EQ(tile(f, "powerSourceTile", "value"), QStringLiteral("Power Adapter"));
    EXPECT_EQ(tile(f, "timeTile", "title"), QStringLiteral("Time to full"));
    EXPECT_EQ(tile(f, "timeTile", "value"), QStringLiteral("1h 35m"));

    const QList<QQuickItem*> tips = f.screen().findAll(QStringLiteral("tip"));
    ASSERT_EQ(tips.size(), 4);
    EXPECT_EQ(textOf(tips[1]),
              QStringLiteral("Avoid heat \u2014 charging in hot environments ages the battery faster."));
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("tipsTitle"))),
              QStringLiteral("Caring for your battery"));
    EXPECT_TRUE(
        textOf(f.screen().find(QStringLiteral("footnote"))).startsWith(QStringLiteral("Readings come from")));
    EXPECT_EQ(f.screen().find(QStringLiteral("noBatteryState")), nullptr);
    EXPECT_TRUE(f.screen().warnings().isEmpty())
        << f.screen().warnings().join(QLatin1Char('\n')).toStdString();
}

TEST(BatteryViewTest, OnBatteryTheRingTurnsByChargeAndTheDetailCountsDown)
{
    BatteryScreenFixture f;
    f.addBattery({{"status", "Discharging"}, {"capacity", "18"}, {"time_to_empty_now", "2700"}}, false);
    ASSERT_TRUE(f.open(kPageSize));
    ASSERT_TRUE(f.readingShown());
    const QColor red(242, 86, 107);
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("statusTitle"))), QStringLiteral("On Battery"));
    EXPECT_EQ(f.screen().find(QStringLiteral("statusTitle"))->property("color").value<QColor>(), red);
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("statusDetail"))),
              QStringLiteral("About 45m remaining."));
    EXPECT_FALSE(
        f.screen().find(QStringLiteral("chargeRing"))->property("bolt").value<QQuickItem*>()->isVisible());
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("powerLine"))), QStringLiteral("Power source: Battery"));
    EXPECT_EQ(f.screen().find(QStringLiteral("powerSymbol"))->property("name").toString(),
              QStringLiteral("battery.50"));
    EXPECT_EQ(tile(f, "timeTile", "title"), QStringLiteral("Time remaining"));
    EXPECT_EQ(tile(f, "timeTile", "value"), QStringLiteral("45m"));
    // Nothing about capacity, cycles or temperature in this tree.
    EXPECT_EQ(tile(f, "capacityTile", "value"), QStringLiteral("\u2014"));
    EXPECT_EQ(tileTint(f, "capacityTile"), QColor::fromRgbF(1, 1, 1, 0.64f));
    EXPECT_EQ(tile(f, "cyclesTile", "value"), QStringLiteral("\u2014"));
    EXPECT_EQ(tile(f, "temperatureTile", "value"), QStringLiteral("\u2014"));
    EXPECT_EQ(tile(f, "conditionTile", "value"), QStringLiteral("Unknown"));
    EXPECT_EQ(tile(f, "conditionTile", "icon"), QStringLiteral("questionmark.circle"));
}

TEST(BatteryViewTest, ABatteryThatDisappearsIsShownForThreeMoreReadings)
{
    BatteryScreenFixture f;
    f.addBattery(kCharging, true);
    ASSERT_TRUE(f.open(kPageSize));
    ASSERT_TRUE(f.readingShown());
    ASSERT_EQ(f.screen().contentName(), QStringLiteral("readingState"));

    f.removeSupplies();
    for (int reading = 1; reading <= 3; ++reading) {
        SCOPED_TRACE(reading);
        ASSERT_TRUE(f.nextReading());
        EXPECT_EQ(f.screen().contentName(), QStringLiteral("readingState"));
        EXPECT_EQ(f.poller().battery().missStreak, reading);
        EXPECT_EQ(tile(f, "cyclesTile", "value"), QStringLiteral("312"));
    }
    ASSERT_TRUE(f.nextReading());
    EXPECT_EQ(f.screen().contentName(), QStringLiteral("noBatteryState"));
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("noBatteryTitle"))),
              QStringLiteral("No battery detected"));
    EXPECT_EQ(f.screen().find(QStringLiteral("statTiles")), nullptr);
}

TEST(BatteryViewTest, WithoutPowerSuppliesThePageSaysThereIsNoBatteryAfterTheFirstReading)
{
    BatteryScreenFixture f;
    f.activity().setState(AppActivity::State::Background);
    ASSERT_TRUE(f.open(kPageSize)) << f.screen().errors().join(QLatin1Char('\n')).toStdString();
    f.screen().drain();
    // No reading in the background: the page keeps saying it reads.
    EXPECT_EQ(f.screen().contentName(), QStringLiteral("loadingState"));
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("loadingText"))),
              QStringLiteral("Reading battery status\u2026"));
    EXPECT_EQ(f.screen().find(QStringLiteral("heroCard")), nullptr);

    f.activity().setState(AppActivity::State::Active);
    ASSERT_TRUE(f.readingShown());
    f.screen().wait(50); // laid out
    EXPECT_EQ(f.screen().contentName(), QStringLiteral("noBatteryState"));
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("noBatteryTitle"))),
              QStringLiteral("No battery detected"));
    EXPECT_EQ(textOf(f.screen().find(QStringLiteral("noBatteryMessage"))),
              QStringLiteral("This computer runs on AC power, so there's no battery to monitor."));
    QQuickItem* medallion = f.screen().find(QStringLiteral("noBatteryMedallion"));
    ASSERT_NE(medallion, nullptr);
    EXPECT_EQ(medallion->property("symbol").toString(), QStringLiteral("powerplug.fill"));
    EXPECT_EQ(medallion->property("size").toDouble(), 132);
    EXPECT_EQ(medallion->property("tint").value<QColor>(), QColor(103, 205, 132));
    EXPECT_GE(f.screen().find(QStringLiteral("noBatteryState"))->height(), 340);
    EXPECT_EQ(f.screen().find(QStringLiteral("statTiles")), nullptr);
    EXPECT_TRUE(f.screen().warnings().isEmpty())
        << f.screen().warnings().join(QLatin1Char('\n')).toStdString();
}

} // namespace
} // namespace qm
