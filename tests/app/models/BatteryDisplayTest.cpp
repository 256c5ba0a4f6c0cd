#include "app/models/BatteryDisplay.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace qm {
namespace {

namespace d = BatteryDisplay;

const char* const kDash = "\u2014";

// A present battery at 60% on battery power, health 92%, condition normal, no time estimate and no
// temperature, changed by `change`.
BatteryInfo battery(const std::function<void(BatteryInfo&)>& change)
{
    BatteryInfo info = BatteryInfo::unavailable();
    info.isPresent = true;
    info.isPluggedIn = false;
    info.chargePercent = 60;
    info.healthPercent = 92;
    info.condition = BatteryCondition::normal;
    change(info);
    return info;
}

TEST(BatteryDisplayTest, StatusTextsTimeTileAndColours)
{
    const QColor red(242, 86, 107), orange(246, 162, 60), green(111, 217, 87);
    const QColor secondary = QColor::fromRgbF(1, 1, 1, 0.64f);
    const struct
    {
        const char* what;
        BatteryInfo info;
        bool full;
        const char* title;
        const char* detail; // null: no detail line
        const char* timeTitle;
        const char* timeValue;
        QColor charge;
        QColor health;
        QColor condition;
        const char* temperature;
    } rows[] = {
        {"full at 100", battery([](BatteryInfo& b) {
             b.fullyCharged = true;
             b.isPluggedIn = true;
             b.chargePercent = 100;
             b.timeRemainingMinutes = 30;
         }),
         true, "Fully Charged", nullptr, "Time remaining", kDash, green, green, green, kDash},
        {"full with the charge missing", battery([](BatteryInfo& b) {
             b.fullyCharged = true;
             b.chargePercent.reset();
         }),
         true, "Fully Charged", nullptr, "Time remaining", kDash, secondary, green, green, kDash},
        {"reported full at 97, plugged in", battery([](BatteryInfo& b) {
             b.fullyCharged = true;
             b.isPluggedIn = true;
             b.chargePercent = 97;
         }),
         false, "Plugged In", nullptr, "Time remaining", kDash, green, green, green, kDash},
        {"plugged in, not charging", battery([](BatteryInfo& b) {
             b.isPluggedIn = true;
             b.timeRemainingMinutes = 50;
         }),
         false, "Plugged In", "Connected to power but not charging.", "Time remaining", kDash, green, green,
         green, kDash},
        {"charging with 95 minutes", battery([](BatteryInfo& b) {
             b.isCharging = true;
             b.isPluggedIn = true;
             b.chargePercent = 15;
             b.timeRemainingMinutes = 95;
         }),
         false, "Charging", "About 1h 35m until full.", "Time to full", "1h 35m", green, green, green, kDash},
        {"charging without an estimate", battery([](BatteryInfo& b) {
             b.isCharging = true;
             b.isPluggedIn = true;
         }),
         false, "Charging", "Calculating time to full\u2026", "Time to full", kDash, green, green, green,
         kDash},
        {"on battery with 45 minutes", battery([](BatteryInfo& b) { b.timeRemainingMinutes = 45; }), false,
         "On Battery", "About 45m remaining.", "Time remaining", "45m", green, green, green, kDash},
        {"on battery without an estimate", battery([](BatteryInfo&) {}), false, "On Battery",
         "Estimating time remaining\u2026", "Time remaining", kDash, green, green, green, kDash},
        {"charge 20", battery([](BatteryInfo& b) { b.chargePercent = 20; }), false, "On Battery",
         "Estimating time remaining\u2026", "Time remaining", kDash, red, green, green, kDash},
        {"charge 21", battery([](BatteryInfo& b) { b.chargePercent = 21; }), false, "On Battery",
         "Estimating time remaining\u2026", "Time remaining", kDash, orange, green, green, kDash},
        {"charge 40", battery([](BatteryInfo& b) { b.chargePercent = 40; }), false, "On Battery",
         "Estimating time remaining\u2026", "Time remaining", kDash, orange, green, green, kDash},
        {"charge 41", battery([](BatteryInfo& b) { b.chargePercent = 41; }), false, "On Battery",
         "Estimating time remaining\u2026", "Time remaining", kDash, green, green, green, kDash},
        {"charge missing", battery([](BatteryInfo& b) { b.chargePercent.reset(); }), false, "On Battery",
         "Estimating time remaining\u2026", "Time remaining", kDash, secondary, green, green, kDash},
        {"charge 3 while charging", battery([](BatteryInfo& b) {
             b.chargePercent = 3;
             b.isCharging = true;
             b.isPluggedIn = true;
         }),
         false, "Charging", "Calculating time to full\u2026", "Time to full", kDash, green, green, green,
         kDash},
        {"health 85, service recommended", battery([](BatteryInfo& b) {
             b.healthPercent = 85;
             b.condition = BatteryCondition::serviceRecommended;
         }),
         false, "On Battery", "Estimating time remaining\u2026", "Time remaining", kDash, green, orange, red,
         kDash},
        {"health 85, normal", battery([](BatteryInfo& b) { b.healthPercent = 85; }), false, "On Battery",
         "Estimating time remaining\u2026", "Time remaining", kDash, green, green, green, kDash},
        {"health 69", battery([](BatteryInfo& b) { b.healthPercent = 69; }), false, "On Battery",
         "Estimating time remaining\u2026", "Time remaining", kDash, green, red, green, kDash},
        {"health 69, service recommended", battery([](BatteryInfo& b) {
             b.healthPercent = 69;
             b.condition = BatteryCondition::serviceRecommended;
         }),
         false, "On Battery", "Estimating time remaining\u2026", "Time remaining", kDash, green, red, red,
         kDash},
        {"health 75", battery([](BatteryInfo& b) { b.healthPercent = 75; }), false, "On Battery",
         "Estimating time remaining\u2026", "Time remaining", kDash, green, orange, green, kDash},
        {"health missing, condition unknown", battery([](BatteryInfo& b) {
             b.healthPercent.reset();
             b.condition = BatteryCondition::unknown;
         }),
         false, "On Battery", "Estimating time remaining\u2026", "Time remaining", kDash, green, secondary,
         secondary, kDash},
        // C rounding: halves to even on the exact binary value.
        {"30.7 \u00b0C", battery([](BatteryInfo& b) { b.temperatureC = 30.7; }), false, "On Battery",
         "Estimating time remaining\u2026", "Time remaining", kDash, green, green, green, "31\u00b0C"},
        {"30.5 \u00b0C", battery([](BatteryInfo& b) { b.temperatureC = 30.5; }), false, "On Battery",
         "Estimating time remaining\u2026", "Time remaining", kDash, green, green, green, "30\u00b0C"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(d::isFull(row.info), row.full);
        EXPECT_EQ(d::statusTitle(row.info), QString::fromUtf8(row.title));
        const std::optional<QString> detail =
            row.detail != nullptr ? std::optional<QString>(QString::fromUtf8(row.detail)) : std::nullopt;
        EXPECT_EQ(d::statusDetail(row.info), detail);
        EXPECT_EQ(d::timeTileTitle(row.info), QString::fromUtf8(row.timeTitle));
        EXPECT_EQ(d::timeRemainingTileValue(row.info), QString::fromUtf8(row.timeValue));
        EXPECT_EQ(d::chargeColor(row.info), row.charge);
        EXPECT_EQ(d::healthColor(row.info), row.health);
        EXPECT_EQ(d::conditionColor(row.info), row.condition);
        EXPECT_EQ(d::temperatureText(row.info), QString::fromUtf8(row.temperature));
    }
}

TEST(BatteryDisplayTest, RingAndTileValues)
{
    const BatteryInfo full = battery([](BatteryInfo& b) {
        b.chargePercent = 87;
        b.cycleCount = 312;
        b.isPluggedIn = true;
        b.condition = BatteryCondition::serviceRecommended;
    });
    EXPECT_EQ(d::chargeText(full), QStringLiteral("87%"));
    EXPECT_DOUBLE_EQ(d::fillFraction(full), 0.87);
    EXPECT_EQ(d::cycleText(full), QStringLiteral("312"));
    EXPECT_EQ(d::healthText(full), QStringLiteral("92%"));
    EXPECT_EQ(d::powerSourceText(full), QStringLiteral("Power Adapter"));
    EXPECT_EQ(d::conditionText(full), QStringLiteral("Service Recommended"));
    EXPECT_EQ(d::conditionIcon(full), QStringLiteral("exclamationmark.triangle.fill"));

    const BatteryInfo bare = battery([](BatteryInfo& b) {
        b.chargePercent.reset();
        b.healthPercent.reset();
        b.condition = BatteryCondition::unknown;
    });
    EXPECT_EQ(d::chargeText(bare), QStringLiteral("\u2014"));
    EXPECT_DOUBLE_EQ(d::fillFraction(bare), 0.001) << "the ring keeps a dot";
    EXPECT_DOUBLE_EQ(d::fillFraction(battery([](BatteryInfo& b) { b.chargePercent = 0; })), 0.001);
    EXPECT_EQ(d::cycleText(bare), QStringLiteral("\u2014"));
    EXPECT_EQ(d::healthText(bare), QStringLiteral("\u2014"));
    EXPECT_EQ(d::powerSourceText(bare), QStringLiteral("Battery"));
    EXPECT_EQ(d::conditionText(bare), QStringLiteral("Unknown"));
    EXPECT_EQ(d::conditionIcon(bare), QStringLiteral("questionmark.circle"));
    EXPECT_EQ(d::conditionIcon(battery([](BatteryInfo&) {})), QStringLiteral("checkmark.seal.fill"));
}

} // namespace
} // namespace qm
