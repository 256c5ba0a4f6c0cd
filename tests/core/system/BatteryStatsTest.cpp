#include "core/system/BatteryStats.h"

#include "SystemPrinters.h"
#include "platform/PowerSources.h"
#include "support/FakePowerSources.h"
#include "support/PowerSupplyFixture.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <functional>

namespace qm {
namespace {

using Entries = std::initializer_list<std::pair<const char*, QVariant>>;

QVariantMap map(Entries entries)
{
    QVariantMap m;
    for (const auto& [key, value] : entries)
        m.insert(QString::fromUtf8(key), value);
    return m;
}

// Controller properties of an installed battery, with `entries` besides.
QVariantMap installed(Entries entries)
{
    QVariantMap m = map(entries);
    m.insert(QStringLiteral("BatteryInstalled"), true);
    return m;
}

QVariant n(qint64 value)
{
    return QVariant::fromValue(value);
}

BatteryInfo presentReading()
{
    BatteryInfo info;
    info.isPresent = true;
    return info;
}

BatteryInfo readMaps(const std::optional<QVariantMap>& asb, const std::optional<QVariantMap>& ps,
                     const std::optional<BatteryInfo>& previous)
{
    test::FakePowerSources sources;
    sources.maps = {asb, ps};
    return BatteryStats::read(previous, &sources);
}

// Each row names both maps and the previous value, and the whole expected reading: a present reading
// with everything absent or false, changed by `expect`, or `unavailable` when `expect` is empty.
TEST(BatteryStats, ReadingsFromTheTwoMaps)
{
    using Change = std::function<void(BatteryInfo&)>;
    struct Case
    {
        const char* what;
        std::optional<QVariantMap> asb;
        std::optional<QVariantMap> ps;
        std::optional<BatteryInfo> previous;
        Change expect; // empty: BatteryInfo::unavailable()
    };
    BatteryInfo charging = presentReading();
    charging.isCharging = true;
    charging.isPluggedIn = true;
    charging.fullyCharged = true;
    BatteryInfo absentButCharging = charging;
    absentButCharging.isPresent = false;
    const QVariantMap internal = map({{"Type", QStringLiteral("InternalBattery")}});

    const Case cases[] = {
        {"no controller and no power source", std::nullopt, std::nullopt, std::nullopt, {}},
        {"neither, whatever came before", std::nullopt, std::nullopt, charging, {}},
        {"controller without BatteryInstalled, no power source", map({{"DesignCapacity", n(5000)}}), std::nullopt,
         std::nullopt, {}},
        {"BatteryInstalled false, no power source", map({{"BatteryInstalled", false}}), std::nullopt,
         std::nullopt, {}},
        {"BatteryInstalled false but a power source listed", map({{"BatteryInstalled", false}}), internal,
         std::nullopt, [](BatteryInfo&) {}},
        {"a power source alone", std::nullopt, internal, std::nullopt, [](BatteryInfo&) {}},
        {"BatteryInstalled as the number 1", map({{"BatteryInstalled", n(1)}}), std::nullopt, std::nullopt, {}},

        {"NominalChargeCapacity 150 skipped for AppleRawMaxCapacity",
         installed({{"NominalChargeCapacity", n(150)}, {"AppleRawMaxCapacity", n(4500)}}), std::nullopt,
         std::nullopt, [](BatteryInfo& i) { i.fullChargeCapacity = 4500; }},
        {"only MaxCapacity 100: no full capacity, health or ratio",
         installed({{"DesignCapacity", n(5000)}, {"MaxCapacity", n(100)}}), std::nullopt, std::nullopt,
         [](BatteryInfo& i) { i.designCapacity = 5000; }},
        {"MaxCapacity 201 counts as mAh", installed({{"MaxCapacity", n(201)}}), std::nullopt, std::nullopt,
         [](BatteryInfo& i) { i.fullChargeCapacity = 201; }},
        {"only MaxCapacity 100 with the OS asking for service", installed({{"MaxCapacity", n(100)}}),
         map({{"BatteryHealth", QStringLiteral("Poor")}}), std::nullopt,
         [](BatteryInfo& i) { i.condition = BatteryCondition::serviceRecommended; }},
        {"design 5000, full 4000: 80 %, normal",
         installed({{"DesignCapacity", n(5000)}, {"NominalChargeCapacity", n(4000)}}), std::nullopt,
         std::nullopt,
         [](BatteryInfo& i) {
             i.designCapacity = 5000;
             i.fullChargeCapacity = 4000;
             i.healthPercent = 80;
             i.condition = BatteryCondition::normal;
         }},
        {"design 5000, full 3990: shows 80 % but asks for service",
         installed({{"DesignCapacity", n(5000)}, {"NominalChargeCapacity", n(3990)}}), std::nullopt,
         std::nullopt,
         [](BatteryInfo& i) {
             i.designCapacity = 5000;
             i.fullChargeCapacity = 3990;
             i.healthPercent = 80;
             i.condition = BatteryCondition::serviceRecommended;
         }},
        {"full 5200 over design 5000: 100 %",
         installed({{"DesignCapacity", n(5000)}, {"NominalChargeCapacity", n(5200)}}), std::nullopt,
         std::nullopt,
         [](BatteryInfo& i) {
             i.designCapacity = 5000;
             i.fullChargeCapacity = 5200;
             i.healthPercent = 100;
             i.condition = BatteryCondition::normal;
         }},
        {"design 0: no health, no ratio",
         installed({{"DesignCapacity", n(0)}, {"NominalChargeCapacity", n(4000)}}), std::nullopt, std::nullopt,
         [](BatteryInfo& i) {
             i.designCapacity = 0;
             i.fullChargeCapacity = 4000;
         }},
        {"BatteryHealth Good: no service flag",
         installed({{"DesignCapacity", n(5000)}, {"NominalChargeCapacity", n(4500)}}),
         map({{"BatteryHealth", QStringLiteral("Good")}}), std::nullopt,
         [](BatteryInfo& i) {
             i.designCapacity = 5000;
             i.fullChargeCapacity = 4500;
             i.healthPercent = 90;
             i.condition = BatteryCondition::normal;
         }},
        {"BatteryHealth Poor: service regardless of capacity",
         installed({{"DesignCapacity", n(5000)}, {"NominalChargeCapacity", n(5000)}}),
         map({{"BatteryHealth", QStringLiteral("Poor")}}), std::nullopt,
         [](BatteryInfo& i) {
             i.designCapacity = 5000;
             i.fullChargeCapacity = 5000;
             i.healthPercent = 100;
             i.condition = BatteryCondition::serviceRecommended;
         }},
        {"BatteryHealth poor in lower case is no flag", installed({}),
         map({{"BatteryHealth", QStringLiteral("poor")}}), std::nullopt, [](BatteryInfo&) {}},
        {"empty BatteryHealthCondition passes to BatteryHealth Fair", installed({}),
         map({{"BatteryHealthCondition", QString()}, {"BatteryHealth", QStringLiteral("Fair")}}), std::nullopt,
         [](BatteryInfo& i) { i.condition = BatteryCondition::serviceRecommended; }},
        {"empty BatteryHealthCondition passes to BatteryHealth Good", installed({}),
         map({{"BatteryHealthCondition", QString()}, {"BatteryHealth", QStringLiteral("Good")}}), std::nullopt,
         [](BatteryInfo&) {}},
        {"any BatteryHealthCondition text", installed({}),
         map({{"BatteryHealthCondition", QStringLiteral("Check Battery")}}), std::nullopt,
         [](BatteryInfo& i) { i.condition = BatteryCondition::serviceRecommended; }},
        {"PermanentFailureStatus 1",
         installed({{"PermanentFailureStatus", n(1)}, {"DesignCapacity", n(5000)},
                    {"NominalChargeCapacity", n(5000)}}),
         std::nullopt, std::nullopt,
         [](BatteryInfo& i) {
             i.designCapacity = 5000;
             i.fullChargeCapacity = 5000;
             i.healthPercent = 100;
             i.condition = BatteryCondition::serviceRecommended;
         }},
        {"PermanentFailureStatus 0", installed({{"PermanentFailureStatus", n(0)}}), std::nullopt, std::nullopt,
         [](BatteryInfo&) {}},

        {"Temperature 3050", installed({{"Temperature", n(3050)}}), std::nullopt, std::nullopt,
         [](BatteryInfo& i) { i.temperatureC = 30.5; }},
        {"Temperature 0", installed({{"Temperature", n(0)}}), std::nullopt, std::nullopt, [](BatteryInfo&) {}},
        {"Temperature 8000", installed({{"Temperature", n(8000)}}), std::nullopt, std::nullopt,
         [](BatteryInfo&) {}},
        {"Temperature -2000", installed({{"Temperature", n(-2000)}}), std::nullopt, std::nullopt,
         [](BatteryInfo&) {}},
        {"Temperature 7999", installed({{"Temperature", n(7999)}}), std::nullopt, std::nullopt,
         [](BatteryInfo& i) { i.temperatureC = 79.99; }},
        {"Temperature -1999", installed({{"Temperature", n(-1999)}}), std::nullopt, std::nullopt,
         [](BatteryInfo& i) { i.temperatureC = -19.99; }},

        {"power source 87 of 100",
         installed({{"AppleRawCurrentCapacity", n(1000)}, {"AppleRawMaxCapacity", n(4000)}}),
         map({{"Current Capacity", n(87)}, {"Max Capacity", n(100)}}), std::nullopt,
         [](BatteryInfo& i) {
             i.chargePercent = 87;
             i.fullChargeCapacity = 4000;
         }},
        {"raw 4100 of 4000: limited to 100 %",
         installed({{"AppleRawCurrentCapacity", n(4100)}, {"AppleRawMaxCapacity", n(4000)}}), std::nullopt,
         std::nullopt,
         [](BatteryInfo& i) {
             i.chargePercent = 100;
             i.fullChargeCapacity = 4000;
         }},
        {"power source maximum 0 passes to the controller's percentages",
         installed({{"CurrentCapacity", n(25)}, {"MaxCapacity", n(200)}}),
         map({{"Current Capacity", n(87)}, {"Max Capacity", n(0)}}), std::nullopt,
         [](BatteryInfo& i) { i.chargePercent = 13; }}, // 12.5 rounds away from zero
        {"negative current passes on to nothing", installed({{"CurrentCapacity", n(-1)}, {"MaxCapacity", n(100)}}),
         std::nullopt, std::nullopt, [](BatteryInfo&) {}},

        {"discharging: Time to Empty -1, AvgTimeToEmpty 65535", installed({{"AvgTimeToEmpty", n(65535)}}),
         map({{"Time to Empty", n(-1)}}), std::nullopt, [](BatteryInfo&) {}},
        {"discharging: AvgTimeToEmpty 1439", installed({{"AvgTimeToEmpty", n(1439)}}),
         map({{"Time to Empty", n(-1)}}), std::nullopt, [](BatteryInfo& i) { i.timeRemainingMinutes = 1439; }},
        {"discharging: AvgTimeToEmpty 1440", installed({{"AvgTimeToEmpty", n(1440)}}), std::nullopt,
         std::nullopt, [](BatteryInfo&) {}},
        {"discharging: the power source has no upper bound",
         installed({{"AvgTimeToEmpty", n(30)}}), map({{"Time to Empty", n(5000)}}), std::nullopt,
         [](BatteryInfo& i) { i.timeRemainingMinutes = 5000; }},
        {"charging: the time to full, not to empty",
         installed({{"AvgTimeToEmpty", n(30)}, {"AvgTimeToFull", n(45)}}),
         map({{"Is Charging", true}, {"Time to Empty", n(300)}}), std::nullopt,
         [](BatteryInfo& i) {
             i.isCharging = true;
             i.timeRemainingMinutes = 45;
         }},

        {"no Boolean anywhere: a present previous decides", installed({}), std::nullopt, charging,
         [](BatteryInfo& i) {
             i.isCharging = true;
             i.isPluggedIn = true;
             i.fullyCharged = true;
         }},
        {"no Boolean anywhere after unavailable: all false, plugged in too", installed({}), std::nullopt,
         BatteryInfo::unavailable(), [](BatteryInfo&) {}},
        {"no Boolean anywhere, previous not present", installed({}), std::nullopt, absentButCharging,
         [](BatteryInfo&) {}},
        {"the power source before the controller",
         installed({{"IsCharging", true}, {"ExternalConnected", true}, {"FullyCharged", true}}),
         map({{"Is Charging", false}, {"Power Source State", QStringLiteral("Battery Power")},
              {"Is Charged", false}}),
         charging, [](BatteryInfo&) {}},
        {"the controller when the power source is silent",
         installed({{"IsCharging", true}, {"ExternalConnected", true}, {"FullyCharged", false}}), std::nullopt,
         std::nullopt,
         [](BatteryInfo& i) {
             i.isCharging = true;
             i.isPluggedIn = true;
         }},
        {"Power Source State AC Power", installed({{"ExternalConnected", false}}),
         map({{"Power Source State", QStringLiteral("AC Power")}}), std::nullopt,
         [](BatteryInfo& i) { i.isPluggedIn = true; }},

        {"values of other types count as missing",
         installed({{"DesignCapacity", QStringLiteral("5000")}, {"CycleCount", true},
                    {"Temperature", 3050.5}, {"IsCharging", n(1)}}),
         map({{"Is Charging", QStringLiteral("Yes")}, {"Power Source State", n(1)}}), charging,
         [](BatteryInfo& i) {
             i.isCharging = true;
             i.isPluggedIn = true;
             i.fullyCharged = true;
         }},
        {"a whole double is an integer", installed({{"CycleCount", 312.0}, {"DesignCapacity", int(5000)}}),
         std::nullopt, std::nullopt,
         [](BatteryInfo& i) {
             i.cycleCount = 312;
             i.designCapacity = 5000;
         }},
    };
    for (const Case& c : cases) {
        BatteryInfo expected = BatteryInfo::unavailable();
        if (c.expect) {
            expected = presentReading();
            c.expect(expected);
        }
        const BatteryInfo got = readMaps(c.asb, c.ps, c.previous);
        // Hundredths ÷ 100 is the nearest double to the decimal, so the temperatures compare exactly.
        EXPECT_EQ(got, expected) << c.what;
    }
}

TEST(BatteryStats, HealthPercentHelper)
{
    const struct
    {
        qint64 design, full;
        std::optional<int> percent;
    } cases[] = {
        {5000, 4000, 80},        {5000, 3990, 80},         {5000, 3974, 79},
        {5000, 3975, 80},        {5000, 5200, 100},        {0, 4000, std::nullopt},
        {5000, 0, std::nullopt}, {-1, 4000, std::nullopt}, {1, 1, 100},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BatteryStats::healthPercent(c.design, c.full), c.percent) << c.design << " " << c.full;
}

// The machine's own reader over a fixture tree, end to end.
TEST(BatteryStats, ReadingFromPowerSupplyFiles)
{
    test::TempTree tree;
    test::addPowerSupply(tree, "AC", {{"type", "Mains"}, {"online", "1"}});
    const std::filesystem::path device = test::addPowerSupply(tree, "BAT0",
                                                              {{"type", "Battery"},
                                                               {"status", "Charging"},
                                                               {"charge_full_design", "5000000"},
                                                               {"charge_full", "4500000"},
                                                               {"charge_now", "3000000"},
                                                               {"cycle_count", "120"},
                                                               {"temp", "305"},
                                                               {"time_to_full_now", "3600"}});
    // The charge from capacity cannot be read: it comes from the raw capacities instead.
    tree.fifo(device / "capacity");
    const SysfsPowerSources sources(tree.root());
    BatteryInfo expected = presentReading();
    expected.chargePercent = 67; // 3000 of 4500
    expected.isCharging = true;
    expected.isPluggedIn = true;
    expected.cycleCount = 120;
    expected.designCapacity = 5000;
    expected.fullChargeCapacity = 4500;
    expected.healthPercent = 90;
    expected.temperatureC = 30.5;
    expected.condition = BatteryCondition::normal;
    expected.timeRemainingMinutes = 60;
    EXPECT_EQ(BatteryStats::read(std::nullopt, &sources), expected);

    test::TempTree mouseOnly;
    test::addPowerSupply(mouseOnly, "hidpp_battery_0", {{"type", "Battery"}, {"scope", "Device"}});
    const SysfsPowerSources mouse(mouseOnly.root());
    EXPECT_EQ(BatteryStats::read(std::nullopt, &mouse), BatteryInfo::unavailable());
}

} // namespace
} // namespace qm
