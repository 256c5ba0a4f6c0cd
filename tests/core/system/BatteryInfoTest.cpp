#include "core/system/BatteryInfo.h"

#include "SystemPrinters.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace qm {
namespace {

// A present reading with every field known.
BatteryInfo fullReading()
{
    BatteryInfo info;
    info.isPresent = true;
    info.chargePercent = 64;
    info.isPluggedIn = false;
    info.cycleCount = 312;
    info.designCapacity = 5000;
    info.fullChargeCapacity = 4500;
    info.healthPercent = 90;
    info.temperatureC = 31.25;
    info.condition = BatteryCondition::normal;
    info.timeRemainingMinutes = 185;
    return info;
}

// A present reading with nothing known.
BatteryInfo bareReading()
{
    BatteryInfo info;
    info.isPresent = true;
    return info;
}

// The streak of `key` in `info`, failing the test when the key is not there at all.
int streakOf(const BatteryInfo& info, const QString& key)
{
    const auto found = info.fieldMissStreaks.find(key);
    EXPECT_NE(found, info.fieldMissStreaks.end()) << "no streak for " << key.toStdString();
    return found == info.fieldMissStreaks.end() ? -1 : found->second;
}

TEST(BatteryInfo, Unavailable)
{
    const BatteryInfo u = BatteryInfo::unavailable();
    EXPECT_FALSE(u.isPresent);
    EXPECT_TRUE(u.isPluggedIn);
    EXPECT_FALSE(u.isCharging || u.fullyCharged);
    EXPECT_FALSE(u.chargePercent || u.cycleCount || u.designCapacity || u.fullChargeCapacity ||
                 u.healthPercent || u.temperatureC || u.timeRemainingMinutes);
    EXPECT_EQ(u.condition, BatteryCondition::unknown);
    EXPECT_EQ(u.missStreak, 0);
    EXPECT_TRUE(u.fieldMissStreaks.empty());
}

TEST(BatteryInfo, AFailedReadingBringsBackThePreviousValueThreeTimes)
{
    BatteryInfo previous = fullReading();
    previous.fieldMissStreaks[QStringLiteral("cycleCount")] = 2;
    const BatteryInfo failed = BatteryInfo::unavailable();
    for (int streak = 0; streak < 3; ++streak) {
        previous.missStreak = streak;
        BatteryInfo expected = previous;
        expected.missStreak = streak + 1;
        EXPECT_EQ(failed.coalesced(previous), expected) << "over missStreak " << streak;
    }
    previous.missStreak = 3;
    EXPECT_EQ(failed.coalesced(previous), failed) << "over missStreak 3";

    // The fourth failure in a row, and a failure with nothing present before: the gap shows.
    BatteryInfo carried = fullReading();
    for (int reading = 1; reading <= 4; ++reading) {
        carried = failed.coalesced(carried);
        if (reading < 4) {
            EXPECT_TRUE(carried.isPresent) << "failure " << reading;
            EXPECT_EQ(carried.missStreak, reading) << "failure " << reading;
        }
    }
    EXPECT_EQ(carried, failed);
    EXPECT_EQ(failed.coalesced(failed), failed);
}

TEST(BatteryInfo, AFreshReadingAfterNothingStandsUnchanged)
{
    const BatteryInfo fresh = bareReading();
    EXPECT_EQ(fresh.coalesced(BatteryInfo::unavailable()), fresh);
    BatteryInfo stale = fullReading();
    stale.isPresent = false;
    EXPECT_EQ(fresh.coalesced(stale), fresh);
}

// Every field of the carry-over list: known once, then missing in four readings in a row (carried
// with streaks 1, 2, 3, then missing with the streak staying 3), then known again (streak 0).
TEST(BatteryInfo, EachFieldIsCarriedForThreeReadings)
{
    struct Field
    {
        QString key;
        std::function<void(BatteryInfo&)> clear;         // makes the field missing
        std::function<bool(const BatteryInfo&)> matches; // has fullReading()'s value
    };
    const std::vector<Field> fields{
        {QStringLiteral("chargePercent"), [](BatteryInfo& i) { i.chargePercent.reset(); },
         [](const BatteryInfo& i) { return i.chargePercent == 64; }},
        {QStringLiteral("cycleCount"), [](BatteryInfo& i) { i.cycleCount.reset(); },
         [](const BatteryInfo& i) { return i.cycleCount == 312; }},
        {QStringLiteral("designCapacity"), [](BatteryInfo& i) { i.designCapacity.reset(); },
         [](const BatteryInfo& i) { return i.designCapacity == 5000; }},
        {QStringLiteral("fullChargeCapacity"), [](BatteryInfo& i) { i.fullChargeCapacity.reset(); },
         [](const BatteryInfo& i) { return i.fullChargeCapacity == 4500; }},
        {QStringLiteral("healthPercent"), [](BatteryInfo& i) { i.healthPercent.reset(); },
         [](const BatteryInfo& i) { return i.healthPercent == 90; }},
        {QStringLiteral("temperatureC"), [](BatteryInfo& i) { i.temperatureC.reset(); },
         [](const BatteryInfo& i) { return i.temperatureC == 31.25; }},
        {QStringLiteral("timeRemainingMinutes"), [](BatteryInfo& i) { i.timeRemainingMinutes.reset(); },
         [](const BatteryInfo& i) { return i.timeRemainingMinutes == 185; }},
        {QStringLiteral("condition"), [](BatteryInfo& i) { i.condition = BatteryCondition::unknown; },
         [](const BatteryInfo& i) { return i.condition == BatteryCondition::normal; }},
    };
    for (const Field& f : fields) {
        const std::string name = f.key.toStdString();
        BatteryInfo held = fullReading().coalesced(fullReading());
        EXPECT_EQ(streakOf(held, f.key), 0) << name;
        BatteryInfo lacking = fullReading();
        f.clear(lacking);
        for (int reading = 1; reading <= 4; ++reading) {
            held = lacking.coalesced(held);
            EXPECT_EQ(held.missStreak, 0) << name << ", reading " << reading;
            EXPECT_EQ(streakOf(held, f.key), std::min(reading, 3)) << name << ", reading " << reading;
            EXPECT_EQ(f.matches(held), reading <= 3) << name << ", reading " << reading;
            // The other fields were all in this reading.
            for (const Field& other : fields) {
                if (other.key != f.key) {
                    EXPECT_EQ(streakOf(held, other.key), 0) << name << ": " << other.key.toStdString();
                }
            }
        }
        // A fifth reading still lacking it: the streak is neither reset nor raised.
        held = lacking.coalesced(held);
        EXPECT_EQ(streakOf(held, f.key), 3) << name;
        EXPECT_FALSE(f.matches(held)) << name;
        held = fullReading().coalesced(held);
        EXPECT_EQ(streakOf(held, f.key), 0) << name << " known again";
        EXPECT_TRUE(f.matches(held)) << name << " known again";
    }
}

TEST(BatteryInfo, TheBooleansAndPresenceAreAlwaysTheNewReadings)
{
    BatteryInfo previous = fullReading();
    previous.isPluggedIn = true;
    previous.fullyCharged = true;
    previous.missStreak = 2;
    BatteryInfo next = bareReading();
    next.isPluggedIn = false;
    next.isCharging = false;
    const BatteryInfo merged = next.coalesced(previous);
    EXPECT_TRUE(merged.isPresent);
    EXPECT_FALSE(merged.isPluggedIn);
    EXPECT_FALSE(merged.fullyCharged);
    EXPECT_EQ(merged.missStreak, 0);
    EXPECT_EQ(merged.chargePercent, 64); // carried
}

// A time to full never stands in for a time to empty: after a change of direction the new reading's
// estimate stands, missing or not, and its streak starts again.
TEST(BatteryInfo, TimeRemainingIsNotCarriedAcrossAChangeOfDirection)
{
    struct Case
    {
        const char* what;
        bool previousCharging, nextCharging;
        std::optional<qint64> nextTime;
        int previousStreak;
        std::optional<qint64> time;
        int streak;
    };
    const Case cases[] = {
        {"unplugged, no estimate yet", true, false, std::nullopt, 0, std::nullopt, 0},
        {"unplugged with a streak running", true, false, std::nullopt, 2, std::nullopt, 0},
        {"plugged in, with an estimate", false, true, 95, 1, 95, 0},
        {"still discharging, no estimate", false, false, std::nullopt, 1, 185, 2},
        {"still discharging, streak used up", false, false, std::nullopt, 3, std::nullopt, 3},
    };
    for (const Case& c : cases) {
        BatteryInfo previous = fullReading();
        previous.isCharging = c.previousCharging;
        previous.fieldMissStreaks[QStringLiteral("timeRemainingMinutes")] = c.previousStreak;
        BatteryInfo next = fullReading();
        next.isCharging = c.nextCharging;
        next.timeRemainingMinutes = c.nextTime;
        const BatteryInfo merged = next.coalesced(previous);
        EXPECT_EQ(merged.timeRemainingMinutes, c.time) << c.what;
        EXPECT_EQ(streakOf(merged, QStringLiteral("timeRemainingMinutes")), c.streak) << c.what;
    }
}

TEST(BatteryInfo, TimeRemainingText)
{
    const struct
    {
        std::optional<qint64> minutes;
        std::optional<QString> text;
    } cases[] = {
        {std::nullopt, std::nullopt},
        {-5, std::nullopt},
        {0, std::nullopt},
        {1, QStringLiteral("1m")},
        {45, QStringLiteral("45m")},
        {59, QStringLiteral("59m")},
        {60, QStringLiteral("1h 0m")},
        {125, QStringLiteral("2h 5m")},
        {1439, QStringLiteral("23h 59m")},
        {6000, QStringLiteral("100h 0m")},
    };
    for (const auto& c : cases) {
        BatteryInfo info = bareReading();
        info.timeRemainingMinutes = c.minutes;
        EXPECT_EQ(info.formattedTimeRemaining(), c.text) << c.minutes.value_or(-999);
    }
}

TEST(BatteryCondition, RawValues)
{
    EXPECT_EQ(BatteryConditions::toRaw(BatteryCondition::normal), QStringLiteral("Normal"));
    EXPECT_EQ(BatteryConditions::toRaw(BatteryCondition::serviceRecommended),
              QStringLiteral("Service Recommended"));
    EXPECT_EQ(BatteryConditions::toRaw(BatteryCondition::unknown), QStringLiteral("Unknown"));
    for (const BatteryCondition condition : BatteryConditions::all)
        EXPECT_EQ(BatteryConditions::fromRaw(BatteryConditions::toRaw(condition)), condition);
    EXPECT_EQ(BatteryConditions::fromRaw(QStringLiteral("normal")), std::nullopt);
    EXPECT_EQ(BatteryConditions::fromRaw(QStringLiteral("Service recommended")), std::nullopt);
    EXPECT_EQ(BatteryConditions::fromRaw(QString()), std::nullopt);
}

} // namespace
} // namespace qm
