#include "core/system/HealthAssessment.h"

#include "support/CommaLocale.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace qm {
namespace {

using HealthAssessment::Input;

struct Expected
{
    const char* id;
    HealthSeverity severity;
    const char* detail; // null: not checked in this row
};

struct Row
{
    const char* name;
    Input input;
    int score;
    std::vector<Expected> recommendations; // in display order
};

// What every recommendation of a title carries besides its detail.
struct Action
{
    const char* label;
    HealthTarget target;
};
const std::map<QString, Action>& actions()
{
    static const std::map<QString, Action> table{
        {QStringLiteral("Disk is almost full"), {"Free up space", HealthTarget::cleanup}},
        {QStringLiteral("Disk is filling up"), {"Run Cleanup", HealthTarget::cleanup}},
        {QStringLiteral("Memory is under pressure"), {"Open Performance", HealthTarget::performance}},
        {QStringLiteral("Battery is worn out"), {"View battery", HealthTarget::battery}},
        {QStringLiteral("Battery is wearing down"), {"View battery", HealthTarget::battery}},
        {QStringLiteral("Lots of startup items"), {"Manage startup", HealthTarget::performance}},
        {QStringLiteral("Several startup items"), {"Review", HealthTarget::performance}},
        {QStringLiteral("Time to restart"), {"Got it", HealthTarget::none}},
        {QStringLiteral("Consider a restart"), {"Got it", HealthTarget::none}},
        {QStringLiteral("Everything looks great"), {"Run Smart Scan", HealthTarget::smartScan}},
    };
    return table;
}

constexpr auto good = HealthSeverity::good;
constexpr auto warning = HealthSeverity::warning;
constexpr auto critical = HealthSeverity::critical;
const Expected allClear{"Everything looks great", good,
                        "No issues found. Your computer is clean, fast, and healthy."};

// An input with nothing notable, changed by `set`.
template <typename Set> Input with(Set set)
{
    Input input;
    set(input);
    return input;
}
Input disk(double used, qint64 freeBytes)
{
    return with([&](Input& i) {
        i.diskUsedFraction = used;
        i.diskFreeBytes = freeBytes;
        i.hasDisk = true;
    });
}
Input battery(std::optional<int> health, bool service)
{
    return with([&](Input& i) {
        i.batteryHealthPercent = health;
        i.batteryServiceRecommended = service;
    });
}
Input uptime(int days)
{
    return with([&](Input& i) { i.uptimeDays = days; });
}
Input logins(int count)
{
    return with([&](Input& i) { i.loginItemCount = count; });
}

TEST(HealthAssessment, EvaluatesEveryRuleBoundaryAndOrder)
{
    const char* const wornOut = "Battery is worn out";
    const char* const wearing = "Battery is wearing down";
    const Row rows[] = {
        {"nothing notable", Input{}, 100, {allClear}},
        {"5 login items and 7 days",
         with([](Input& i) {
             i.loginItemCount = 5;
             i.uptimeDays = 7;
         }),
         100,
         {{"Several startup items", good, "5 items launch at login. Review them to speed up boot."},
          {"Consider a restart#1", good, "Up 7 days. Restarting weekly keeps your system at its best."},
          allClear}},
        // Disk.
        {"95% used, 20 GB free",
         disk(0.95, 20'000'000'000),
         75,
         {{"Disk is almost full", critical,
           "95% of your disk is used, leaving 20.0 GB free. Clearing space keeps things running smoothly."}}},
        {"50% used, 5 GB free",
         disk(0.5, 5'000'000'000),
         75,
         {{"Disk is almost full", critical,
           "Only 5.0 GB free. Low free space slows your system down and can block updates."}}},
        {"7.25 GB free rounds as the C library does",
         disk(0.5, 7'250'000'000),
         75,
         {{"Disk is almost full", critical,
           "Only 7.2 GB free. Low free space slows your system down and can block updates."}}},
        {"exactly 0.9 used",
         disk(0.9, 100'000'000'000),
         75,
         {{"Disk is almost full", critical,
           "90% of your disk is used, leaving 100.0 GB free. Clearing space keeps things running "
           "smoothly."}}},
        {"exactly 8 GB free at 85%",
         disk(0.85, 8'000'000'000),
         88,
         {{"Disk is filling up", warning,
           "85% of your disk is used. Clearing junk now keeps things smooth."}}},
        {"exactly 0.8 used with plenty free",
         disk(0.8, 200'000'000'000),
         88,
         {{"Disk is filling up", warning,
           "80% of your disk is used. Clearing junk now keeps things smooth."}}},
        {"0.79 used with plenty free", disk(0.79, 200'000'000'000), 100, {allClear}},
        {"disk figures unknown", with([](Input& i) { i.diskUsedFraction = 0.99; }), 100, {allClear}},
        // Memory.
        {"memory at exactly 0.9",
         with([](Input& i) {
             i.memoryUsedFraction = 0.9;
             i.hasMemory = true;
         }),
         85,
         {{"Memory is under pressure", warning,
           "RAM is nearly full. Free inactive memory or quit heavy apps to keep things responsive."}}},
        {"memory at 0.95 unknown", with([](Input& i) { i.memoryUsedFraction = 0.95; }), 100, {allClear}},
        // Battery.
        {"battery 69",
         battery(69, false),
         80,
         {{wornOut, critical,
           "Maximum capacity is 69%. Your battery holds much less charge than when new."}}},
        {"battery 70",
         battery(70, false),
         88,
         {{wearing, warning, "Maximum capacity is 70%. Service is recommended once it drops below 80%."}}},
        {"battery 79",
         battery(79, false),
         88,
         {{wearing, warning, "Maximum capacity is 79%. Service is recommended once it drops below 80%."}}},
        {"battery 79 with the service flag",
         battery(79, true),
         88,
         {{wearing, warning, "Maximum capacity is 79%. Service is recommended once it drops below 80%."}}},
        {"battery 80", battery(80, false), 100, {allClear}},
        {"battery 80 with the service flag",
         battery(80, true),
         88,
         {{wearing, warning,
           "Maximum capacity is 80%, but the system is reporting battery service is recommended."}}},
        {"no battery percentage, service flag",
         battery(std::nullopt, true),
         88,
         {{wearing, warning, "The system is reporting that battery service is recommended."}}},
        // Login items.
        {"4 login items", logins(4), 100, {allClear}},
        {"8 login items",
         logins(8),
         100,
         {{"Several startup items", good, "8 items launch at login. Review them to speed up boot."},
          allClear}},
        {"9 login items",
         logins(9),
         90,
         {{"Lots of startup items", warning,
           "9 items launch at login, slowing every startup. Trim the ones you don't need."}}},
        // Uptime.
        {"up 6 days", uptime(6), 100, {allClear}},
        {"up 7 days", uptime(7), 100, {{"Consider a restart#1", good, nullptr}, allClear}},
        {"up 13 days",
         uptime(13),
         100,
         {{"Consider a restart#1", good, "Up 13 days. Restarting weekly keeps your system at its best."},
          allClear}},
        {"up 14 days",
         uptime(14),
         90,
         {{"Time to restart#2", warning,
           "Your computer has been up 14 days. A restart clears caches and frees memory."}}},
        {"up 21 days", uptime(21), 90, {{"Time to restart#3", warning, nullptr}}},
        // Everything at once: criticals in rule order, then warnings in rule order, no all-clear.
        {"every penalty",
         with([](Input& i) {
             i = disk(0.95, 20'000'000'000);
             i.memoryUsedFraction = 0.95;
             i.hasMemory = true;
             i.loginItemCount = 9;
             i.batteryHealthPercent = 60;
             i.uptimeDays = 14;
         }),
         20,
         {{"Disk is almost full", critical, nullptr},
          {wornOut, critical, nullptr},
          {"Memory is under pressure", warning, nullptr},
          {"Lots of startup items", warning, nullptr},
          {"Time to restart#2", warning, nullptr}}},
        // A warning keeps the all-clear away while good findings still sort below it.
        {"a warning and good findings",
         with([](Input& i) {
             i.loginItemCount = 6;
             i.batteryHealthPercent = 75;
             i.uptimeDays = 8;
         }),
         88,
         {{wearing, warning, nullptr},
          {"Several startup items", good, nullptr},
          {"Consider a restart#1", good, nullptr}}},
    };

    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const HealthAssessment::Result result = HealthAssessment::evaluate(row.input);
        EXPECT_EQ(result.score, row.score);
        ASSERT_EQ(result.recommendations.size(), row.recommendations.size());
        for (std::size_t i = 0; i < row.recommendations.size(); ++i) {
            const HealthRecommendation& got = result.recommendations[i];
            const Expected& want = row.recommendations[i];
            SCOPED_TRACE(want.id);
            EXPECT_EQ(got.id(), QString::fromUtf8(want.id));
            EXPECT_EQ(got.severity, want.severity);
            if (want.detail != nullptr) {
                EXPECT_EQ(got.detail, QString::fromUtf8(want.detail));
            }
            const bool reminder = got.title.endsWith(QStringLiteral("restart"));
            EXPECT_EQ(got.recurrenceKey.isEmpty(), !reminder);
            ASSERT_TRUE(actions().contains(got.title)) << got.title.toStdString();
            EXPECT_EQ(got.actionLabel, QString::fromUtf8(actions().at(got.title).label));
            EXPECT_EQ(got.target, actions().at(got.title).target);
        }
    }
}

// The application takes its locale from the environment; a locale that writes a decimal comma must
// not reach the texts. The German locale is compiled into a temporary folder for this process.
TEST(HealthAssessment, DetailsKeepTheDecimalPointUnderACommaLocale)
{
    HealthAssessment::Result low;
    HealthAssessment::Result full;
    {
        const test::CommaLocale german;
        ASSERT_TRUE(german.failure().isEmpty()) << german.failure().toStdString();
        low = HealthAssessment::evaluate(disk(0.5, 7'250'000'000));
        full = HealthAssessment::evaluate(disk(0.955, 20'050'000'000));
    }
    EXPECT_EQ(
        low.recommendations.at(0).detail,
        QStringLiteral("Only 7.2 GB free. Low free space slows your system down and can block updates."));
    EXPECT_EQ(
        full.recommendations.at(0).detail,
        QStringLiteral("96% of your disk is used, leaving 20.1 GB free. Clearing space keeps things running "
                       "smoothly."));
}

} // namespace
} // namespace qm
