// The statistics card's figures from fixed samples: the bars' texts, fractions and known flags, the
// tile rows with and without a battery, the placeholder, and C's rounding of the load and temperature.
#include "app/models/SystemCardFigures.h"

#include "support/CommaLocale.h"

#include <gtest/gtest.h>

#include <functional>

namespace qm {
namespace {

const QString kDash = QStringLiteral("\u2014");
constexpr qint64 kGiB = 1024LL * 1024 * 1024;

// A busy machine with every value measured.
SystemSnapshot sample()
{
    SystemSnapshot s = SystemSnapshot::empty();
    s.cores = 8;
    s.totalRAM = 16 * kGiB;
    s.usedRAM = 4 * kGiB;
    s.cpuUsage = 0.5;
    s.load1 = 1.5;
    s.diskFree = 250'000'000'000;
    s.diskTotal = 1'000'000'000'000;
    s.diskUsed = 750'000'000'000;
    s.uptime = 3 * 3600 + 120;
    return s;
}

BatteryInfo battery(bool charging)
{
    BatteryInfo b = BatteryInfo::unavailable();
    b.isPresent = true;
    b.isCharging = charging;
    b.chargePercent = 76;
    b.temperatureC = 31.2;
    return b;
}

QString tile(const SystemCardFigures::Figures& f, const QString& label)
{
    for (const auto& row : f.rows)
        for (const auto& t : row)
            if (t.label == label)
                return t.value;
    return QStringLiteral("<no tile>");
}

QStringList labels(const std::vector<SystemCardFigures::Tile>& row)
{
    QStringList list;
    for (const auto& t : row)
        list.append(t.label);
    return list;
}

TEST(SystemCardFiguresTest, BarsAndTilesOfOneSample)
{
    struct Case
    {
        const char* what;
        std::function<void(SystemSnapshot&)> change;
        int bar;
        const char* value;
        double fraction;
        bool known;
    };
    const Case cases[] = {
        {"measured CPU", {}, 0, "50%", 0.5, true},
        {"no CPU usage", [](SystemSnapshot& s) { s.cpuUsage.reset(); }, 0, "\u2014", 0, false},
        {"a CPU usage of 0", [](SystemSnapshot& s) { s.cpuUsage = 0.0; }, 0, "0%", 0, true},
        {"measured memory", {}, 1, "4 GB of 16 GB used", 0.25, true},
        {"memory in use unknown", [](SystemSnapshot& s) { s.usedRAM.reset(); }, 1, "\u2014 of 16 GB used", 0,
         false},
        {"no total memory", [](SystemSnapshot& s) { s.totalRAM = 0; }, 1, "4 GB of \u2014 used", 0, true},
        {"more in use than there is", [](SystemSnapshot& s) { s.usedRAM = 20 * kGiB; }, 1,
         "20 GB of 16 GB used", 1, true},
        {"measured disk", {}, 2, "250 GB free of 1 TB", 0.75, true},
        {"a full disk",
         [](SystemSnapshot& s) {
             s.diskFree = 0;
             s.diskUsed = s.diskTotal;
         },
         2, "0 KB free of 1 TB", 1, true},
        // The bar is what is in use, as df shows it: the blocks kept for root fill none of it.
        {"blocks kept for root",
         [](SystemSnapshot& s) {
             s.diskFree = 100'000'000'000;
             s.diskUsed = 400'000'000'000;
         },
         2, "100 GB free of 1 TB", 0.4, true},
        {"an unreadable disk",
         [](SystemSnapshot& s) {
             s.diskFree.reset();
             s.diskTotal.reset();
             s.diskUsed.reset();
         },
         2, "\u2014 free of \u2014", 0, false},
        {"more free than the total",
         [](SystemSnapshot& s) {
             s.diskFree = 2'000'000'000'000;
             s.diskUsed = 0;
         },
         2, "2 TB free of 1 TB", 0, true},
        {"more in use than the total", [](SystemSnapshot& s) { s.diskUsed = 2'000'000'000'000; }, 2,
         "250 GB free of 1 TB", 1, true},
    };
    for (const Case& c : cases) {
        SystemSnapshot s = sample();
        if (c.change)
            c.change(s);
        const auto f = SystemCardFigures::compute(s, BatteryInfo::unavailable());
        ASSERT_EQ(f.bars.size(), 3u);
        const auto& bar = f.bars[size_t(c.bar)];
        EXPECT_EQ(bar.value, QString::fromUtf8(c.value)) << c.what;
        EXPECT_DOUBLE_EQ(bar.fraction, c.fraction) << c.what;
        EXPECT_EQ(bar.known, c.known) << c.what;
    }
    const auto f = SystemCardFigures::compute(sample(), BatteryInfo::unavailable());
    EXPECT_EQ(f.bars[0].label, QStringLiteral("CPU"));
    EXPECT_EQ(f.bars[1].label, QStringLiteral("Memory"));
    EXPECT_EQ(f.bars[2].label, QStringLiteral("Disk"));
    EXPECT_DOUBLE_EQ(f.bars[0].warnAbove, 0.85);
    EXPECT_DOUBLE_EQ(f.bars[1].warnAbove, 0.85);
    EXPECT_DOUBLE_EQ(f.bars[2].warnAbove, 0.9);
}

TEST(SystemCardFiguresTest, TileRowsFollowTheBatteryAndTheSample)
{
    const auto none = SystemCardFigures::compute(sample(), BatteryInfo::unavailable());
    ASSERT_EQ(none.rows.size(), 3u);
    EXPECT_EQ(labels(none.rows[0]),
              (QStringList{QStringLiteral("\u2193 Download"), QStringLiteral("\u2191 Upload")}));
    EXPECT_EQ(labels(none.rows[1]), (QStringList{"Free", "CPU cores", "Load"}));
    EXPECT_EQ(labels(none.rows[2]), (QStringList{"Thermal", "Uptime"}));
    EXPECT_EQ(tile(none, "Free"), QStringLiteral("12 GB"));
    EXPECT_EQ(tile(none, "CPU cores"), QStringLiteral("8"));
    EXPECT_EQ(tile(none, "Load"), QStringLiteral("1.50"));
    EXPECT_EQ(tile(none, "Thermal"), QStringLiteral("Normal"));
    EXPECT_EQ(tile(none, "Uptime"), QStringLiteral("3h 2m"));
    EXPECT_FALSE(none.placeholder);

    const auto onBattery = SystemCardFigures::compute(sample(), battery(false));
    EXPECT_EQ(labels(onBattery.rows[2]), (QStringList{"Battery", "Battery temp", "Thermal", "Uptime"}));
    EXPECT_EQ(tile(onBattery, "Battery"), QStringLiteral("76%"));
    EXPECT_EQ(tile(onBattery, "Battery temp"), QStringLiteral("31°C"));

    BatteryInfo unknown = battery(true);
    unknown.chargePercent.reset();
    unknown.temperatureC.reset();
    const auto charging = SystemCardFigures::compute(sample(), unknown);
    EXPECT_EQ(charging.rows[2][0].label, QStringLiteral("Battery \u26A1\uFE0E"));
    EXPECT_EQ(charging.rows[2][0].value, kDash);
    EXPECT_EQ(charging.rows[2][1].value, kDash);
}

TEST(SystemCardFiguresTest, MissingValuesThermalNamesAndPrintfRounding)
{
    struct Case
    {
        const char* what;
        std::function<void(SystemSnapshot&, BatteryInfo&)> change;
        const char* label;
        const char* value;
    };
    const Case cases[] = {
        // Qt's number formatting would give 0.13 and 31°C for these exact halves.
        {"load of exactly 0.125", [](SystemSnapshot& s, BatteryInfo&) { s.load1 = 0.125; }, "Load", "0.12"},
        {"temperature of exactly 30.5", [](SystemSnapshot&, BatteryInfo& b) { b.temperatureC = 30.5; },
         "Battery temp", "30°C"},
        {"no load", [](SystemSnapshot& s, BatteryInfo&) { s.load1.reset(); }, "Load", "\u2014"},
        {"memory in use unknown", [](SystemSnapshot& s, BatteryInfo&) { s.usedRAM.reset(); }, "Free",
         "\u2014"},
        {"more in use than there is", [](SystemSnapshot& s, BatteryInfo&) { s.usedRAM = 20 * kGiB; }, "Free",
         "0 KB"},
        {"fair", [](SystemSnapshot& s, BatteryInfo&) { s.thermal = ThermalState::fair; }, "Thermal", "Fair"},
        {"serious", [](SystemSnapshot& s, BatteryInfo&) { s.thermal = ThermalState::serious; }, "Thermal",
         "Serious"},
        {"critical", [](SystemSnapshot& s, BatteryInfo&) { s.thermal = ThermalState::critical; }, "Thermal",
         "Critical"},
        {"an unknown thermal state",
         [](SystemSnapshot& s, BatteryInfo&) { s.thermal = static_cast<ThermalState>(9); }, "Thermal",
         "\u2014"},
        {"no processor counted yet",
         [](SystemSnapshot& s, BatteryInfo&) {
             s.cores = 0;
             s.thermal = ThermalState::critical;
         },
         "Thermal", "\u2014"},
        {"no processor counted yet", [](SystemSnapshot& s, BatteryInfo&) { s.cores = 0; }, "CPU cores", "0"},
    };
    for (const Case& c : cases) {
        SystemSnapshot s = sample();
        BatteryInfo b = battery(false);
        c.change(s, b);
        EXPECT_EQ(tile(SystemCardFigures::compute(s, b), QString::fromUtf8(c.label)),
                  QString::fromUtf8(c.value))
            << c.what;
    }
}

// Under a locale that writes a decimal comma the card still reads as the "C" locale writes it.
TEST(SystemCardFiguresTest, FiguresKeepTheDecimalPointUnderACommaLocale)
{
    SystemSnapshot s = sample();
    s.load1 = 21.765;
    s.usedRAM = 4 * kGiB + kGiB / 4;
    s.diskFree = 4'287'200'000;
    s.diskTotal = 24'103'900'000;
    BatteryInfo b = battery(false);
    b.temperatureC = 30.5;
    SystemCardFigures::Figures f;
    {
        const test::CommaLocale german;
        ASSERT_TRUE(german.failure().isEmpty()) << german.failure().toStdString();
        f = SystemCardFigures::compute(s, b);
    }
    EXPECT_EQ(tile(f, "Load"), QStringLiteral("21.77"));
    EXPECT_EQ(tile(f, "Free"), QStringLiteral("11.75 GB"));
    EXPECT_EQ(tile(f, "Battery temp"), QStringLiteral("30°C"));
    EXPECT_EQ(f.bars[1].value, QStringLiteral("4.25 GB of 16 GB used"));
    EXPECT_EQ(f.bars[2].value, QStringLiteral("4.29 GB free of 24.1 GB"));
}

TEST(SystemCardFiguresTest, TheEmptyStartingSampleIsAPlaceholderAndFollowsItsStats)
{
    const auto start = SystemCardFigures::compute(SystemSnapshot::empty(), BatteryInfo::unavailable());
    EXPECT_TRUE(start.placeholder);

    LiveStats stats;
    SystemCardFigures figures;
    EXPECT_TRUE(figures.placeholder());
    figures.setStats(&stats);
    EXPECT_TRUE(figures.placeholder());
    stats.setSnapshot(sample());
    EXPECT_FALSE(figures.placeholder());
    EXPECT_EQ(figures.barList().at(0).toMap().value("value").toString(), QStringLiteral("50%"));
    EXPECT_EQ(figures.rowList().at(2).toList().size(), 2);
    stats.setBattery(battery(true));
    EXPECT_EQ(figures.rowList().at(2).toList().size(), 4);
}

} // namespace
} // namespace qm
