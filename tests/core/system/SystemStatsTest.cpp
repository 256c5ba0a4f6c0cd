#include "core/system/SystemStats.h"

#include "SystemPrinters.h"
#include "support/FakeClock.h"
#include "support/FakeHostStatistics.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>

namespace qm {
namespace {

using std::chrono::milliseconds;

const QString kDash = QStringLiteral("\u2014");

// Two samples over the fake seam: the first with `before`, then the clock moves `gap` and the second
// is taken with `after`, passing the first back in.
struct Pair
{
    SystemSnapshot first;
    SystemSnapshot second;
};

struct Reading
{
    std::optional<HostCpuTicks> ticks;
    std::optional<HostNetBytes> net;
};

Pair samplePair(const Reading& before, const Reading& after, milliseconds gap)
{
    test::FakeClock clock;
    test::FakeHostStatistics host;
    const SystemStats::Sources sources{&host, &clock, [](const Path&) { return MacHealth{}; }};
    host.ticks = before.ticks;
    host.net = before.net;
    const SystemSnapshot first = SystemStats::snapshot(std::nullopt, sources);
    clock.advance(gap);
    host.ticks = after.ticks;
    host.net = after.net;
    return {first, SystemStats::snapshot(first, sources)};
}

TEST(SystemStats, RatesFromTheDifferenceToThePreviousSample)
{
    struct Case
    {
        const char* what;
        Reading before, after;
        milliseconds gap;
        std::optional<double> cpu, in, out;
    };
    const HostNetBytes net0{1000, 5000};
    const Case cases[] = {
        {"busy a third of the time",
         {{{100, 900}}, net0},
         {{{150, 1000}}, {{4000, 5500}}},
         milliseconds(2000),
         50.0 / 150.0,
         1500.0,
         250.0},
        {"0.1 s apart: no network rates, usage still computed",
         {{{100, 900}}, net0},
         {{{110, 910}}, {{2000, 6000}}},
         milliseconds(100),
         0.5,
         std::nullopt,
         std::nullopt},
        {"just over 0.1 s apart",
         {{{100, 900}}, net0},
         {{{110, 910}}, {{2010, 5000}}},
         milliseconds(101),
         0.5,
         1010.0 / 0.101,
         0.0},
        {"received counter down while sent rose",
         {{{100, 900}}, net0},
         {{{100, 1000}}, {{999, 7000}}},
         milliseconds(1000),
         0.0,
         std::nullopt,
         2000.0},
        {"ticks unchanged",
         {{{100, 900}}, net0},
         {{{100, 900}}, net0},
         milliseconds(3000),
         std::nullopt,
         0.0,
         0.0},
        {"idle back further than used advanced",
         {{{100, 900}}, net0},
         {{{110, 880}}, net0},
         milliseconds(3000),
         std::nullopt,
         0.0,
         0.0},
        {"idle back less than used advanced: capped at 1",
         {{{100, 900}}, net0},
         {{{110, 895}}, net0},
         milliseconds(3000),
         1.0,
         0.0,
         0.0},
        {"used ticks went backwards",
         {{{100, 900}}, net0},
         {{{90, 1000}}, net0},
         milliseconds(3000),
         std::nullopt,
         0.0,
         0.0},
        {"no ticks now",
         {{{100, 900}}, net0},
         {std::nullopt, net0},
         milliseconds(3000),
         std::nullopt,
         0.0,
         0.0},
        {"no ticks before",
         {std::nullopt, net0},
         {{{100, 900}}, net0},
         milliseconds(3000),
         std::nullopt,
         0.0,
         0.0},
        {"no counters now",
         {{{100, 900}}, net0},
         {{{100, 901}}, std::nullopt},
         milliseconds(3000),
         0.0,
         std::nullopt,
         std::nullopt},
        {"no counters before",
         {{{100, 900}}, std::nullopt},
         {{{100, 901}}, net0},
         milliseconds(3000),
         0.0,
         std::nullopt,
         std::nullopt},
    };
    for (const Case& c : cases) {
        const Pair p = samplePair(c.before, c.after, c.gap);
        EXPECT_EQ(p.first.cpuUsage, std::nullopt) << c.what;
        EXPECT_EQ(p.first.netInRate, std::nullopt) << c.what;
        const auto near = [&](const std::optional<double>& got, const std::optional<double>& want,
                              const char* field) {
            ASSERT_EQ(got.has_value(), want.has_value()) << c.what << ": " << field;
            if (want) {
                EXPECT_NEAR(*got, *want, 1e-9 * std::max(1.0, *want)) << c.what << ": " << field;
            }
        };
        near(p.second.cpuUsage, c.cpu, "cpuUsage");
        near(p.second.netInRate, c.in, "netInRate");
        near(p.second.netOutRate, c.out, "netOutRate");
    }
}

TEST(SystemStats, WithoutOrWithAnEmptyPreviousThereAreNoRates)
{
    test::FakeClock clock;
    test::FakeHostStatistics host;
    host.ticks = HostCpuTicks{100, 900};
    host.net = HostNetBytes{1000, 2000};
    const SystemStats::Sources sources{&host, &clock, {}};
    for (const std::optional<SystemSnapshot>& previous :
         {std::optional<SystemSnapshot>(), std::optional(SystemSnapshot::empty())}) {
        const SystemSnapshot s = SystemStats::snapshot(previous, sources);
        EXPECT_EQ(s.cpuTicks, (CPUTicks{100, 900}));
        EXPECT_EQ(s.netInBytes, 1000u);
        EXPECT_EQ(s.cpuUsage, std::nullopt);
        EXPECT_EQ(s.netInRate, std::nullopt);
        EXPECT_EQ(s.netOutRate, std::nullopt);
        EXPECT_EQ(s.formattedCPU(), kDash);
        EXPECT_EQ(s.formattedNetIn(), kDash);
        EXPECT_EQ(s.formattedNetOut(), kDash);
    }
}

// Every field comes from its own source: what the seam and the volume reader give passes through, the
// disk's free space is what the volume has available, its used space what is in use (neither counts
// root's reserve), and the sample is stamped with the clock's time.
TEST(SystemStats, FieldsFromTheirSources)
{
    test::FakeClock clock;
    test::FakeHostStatistics host;
    host.physical = 16 * (qint64(1) << 30);
    host.used = 5 * (qint64(1) << 30);
    host.processors = 8;
    host.load = 1.25;
    host.net = HostNetBytes{0, 0}; // only loopback interfaces: counted, and 0
    host.thermal = ThermalState::serious;
    host.up = 4000.5;
    host.version = QStringLiteral("Debian GNU/Linux 12 (bookworm)");
    Path asked;
    const SystemStats::Sources sources{&host, &clock, [&](const Path& folder) {
                                           asked = folder;
                                           return MacHealth{300, 1000, 600}; // 100 kept for root
                                       }};
    const SystemSnapshot s = SystemStats::snapshot(std::nullopt, sources);
    EXPECT_EQ(asked, Path("/"));
    EXPECT_EQ(s.totalRAM, host.physical);
    EXPECT_EQ(s.usedRAM, host.used);
    EXPECT_EQ(s.cores, 8);
    EXPECT_EQ(s.load1, 1.25);
    EXPECT_EQ(s.diskTotal, 1000);
    EXPECT_EQ(s.diskFree, 600);
    EXPECT_EQ(s.diskUsed, 300);
    EXPECT_EQ(s.netInBytes, 0u);
    EXPECT_EQ(s.netOutBytes, 0u);
    EXPECT_EQ(s.thermal, ThermalState::serious);
    EXPECT_EQ(s.uptime, 4000.5);
    EXPECT_EQ(s.osVersion, host.version);
    EXPECT_EQ(s.capturedAt, clock.now());
    EXPECT_EQ(s.formattedUptime(), QStringLiteral("1h 6m"));
}

// Nothing readable: the optional fields are absent, the others at the empty sample's values (a root
// volume of zero blocks reads as (0, 0) and leaves the disk absent).
TEST(SystemStats, EverySourceFailing)
{
    test::FakeClock clock;
    test::FakeHostStatistics host;
    const SystemStats::Sources sources{&host, &clock, [](const Path&) { return MacHealth{}; }};
    SystemSnapshot expected = SystemSnapshot::empty();
    expected.capturedAt = clock.now();
    EXPECT_EQ(SystemStats::snapshot(std::nullopt, sources), expected);
    EXPECT_EQ(SystemStats::snapshot(SystemSnapshot::empty(), sources), expected);
}

// The texts of samples taken over the seam: usage from ticks, rates from counters 10 s apart.
TEST(SystemStats, TextsOfSamplesTakenOverTheSeam)
{
    struct Case
    {
        HostCpuTicks ticks; // after (0, 0)
        quint64 received;   // after 0, 10 s earlier
        double uptime;
        const char* cpu;
        const char* in;
        const char* up;
    };
    const Case cases[] = {
        {{375, 625}, 7, 59, "38%", "0 KB/s", "0m"},           // 0.7 B/s
        {{125, 875}, 10, 3599, "13%", "1 byte/s", "59m"},     // printf would give 12
        {{625, 375}, 15'000, 3600, "63%", "2 KB/s", "1h 0m"}, // printf would give 62
        {{0, 1000}, 0, 86399, "0%", "0 KB/s", "23h 59m"},
        {{1000, 0}, 12'345'670, 86400, "100%", "1.2 MB/s", "1d 0h"},
        {{0, 0}, 0, 200000, "\u2014", "0 KB/s", "2d 7h"}, // ticks unchanged
    };
    for (const Case& c : cases) {
        test::FakeClock clock;
        test::FakeHostStatistics host;
        const SystemStats::Sources sources{&host, &clock, {}};
        host.ticks = HostCpuTicks{0, 0};
        host.net = HostNetBytes{0, 0};
        const SystemSnapshot first = SystemStats::snapshot(std::nullopt, sources);
        clock.advance(milliseconds(10'000));
        host.ticks = c.ticks;
        host.net = HostNetBytes{c.received, 0};
        host.up = c.uptime;
        const SystemSnapshot s = SystemStats::snapshot(first, sources);
        EXPECT_EQ(s.formattedCPU(), QString::fromUtf8(c.cpu)) << c.cpu;
        EXPECT_EQ(s.formattedNetIn(), QString::fromUtf8(c.in)) << c.in;
        EXPECT_EQ(s.formattedNetOut(), QStringLiteral("0 KB/s")) << c.in;
        EXPECT_EQ(s.formattedUptime(), QString::fromUtf8(c.up)) << c.up;
    }
}

TEST(SystemSnapshot, EmptyValue)
{
    const SystemSnapshot e = SystemSnapshot::empty();
    EXPECT_EQ(e.totalRAM, 0);
    EXPECT_EQ(e.cores, 0);
    EXPECT_FALSE(e.usedRAM || e.load1 || e.cpuTicks || e.cpuUsage || e.diskFree || e.diskTotal ||
                 e.netInBytes || e.netOutBytes || e.netInRate || e.netOutRate);
    EXPECT_EQ(e.thermal, ThermalState::nominal);
    EXPECT_EQ(e.uptime, 0);
    EXPECT_EQ(e.osVersion, QString());
    EXPECT_EQ(e.capturedAt, QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(e.formattedUptime(), QStringLiteral("0m"));
}

TEST(SystemSnapshot, UptimeText)
{
    const struct
    {
        double seconds;
        const char* text;
    } cases[] = {
        {0, "0m"},         {59, "0m"},           {59.99, "0m"},      {3599, "59m"},
        {3600, "1h 0m"},   {3661, "1h 1m"},      {86399, "23h 59m"}, {86400, "1d 0h"},
        {200000, "2d 7h"}, {1209599, "13d 23h"}, {-5, "0m"},
    };
    for (const auto& c : cases) {
        SystemSnapshot s;
        s.uptime = c.seconds;
        EXPECT_EQ(s.formattedUptime(), QString::fromUtf8(c.text)) << c.seconds << " s";
    }
}

TEST(SystemSnapshot, ProcessorUsageTextRoundsHalvesAwayFromZero)
{
    const struct
    {
        std::optional<double> usage;
        const char* text;
    } cases[] = {
        {std::nullopt, "\u2014"}, {0.0, "0%"},    {0.004, "0%"}, {0.005, "1%"},   {0.125, "13%"},
        {0.375, "38%"},           {0.625, "63%"}, {0.37, "37%"}, {0.999, "100%"}, {1.0, "100%"},
    };
    for (const auto& c : cases) {
        SystemSnapshot s;
        s.cpuUsage = c.usage;
        EXPECT_EQ(s.formattedCPU(), QString::fromUtf8(c.text)) << c.usage.value_or(-1);
    }
}

TEST(SystemSnapshot, NetworkRateText)
{
    const struct
    {
        std::optional<double> rate;
        const char* text;
    } cases[] = {
        {std::nullopt, "\u2014"}, {0.0, "0 KB/s"},           {0.7, "0 KB/s"},
        {-40.0, "0 KB/s"},        {1.9, "1 byte/s"},         {999.0, "999 bytes/s"},
        {1500.0, "2 KB/s"},       {1'234'567.0, "1.2 MB/s"}, {1e30, "9.22 EB/s"},
    };
    for (const auto& c : cases) {
        SystemSnapshot s;
        s.netInRate = c.rate;
        s.netOutRate = c.rate;
        EXPECT_EQ(s.formattedNetIn(), QString::fromUtf8(c.text)) << c.rate.value_or(-1);
        EXPECT_EQ(s.formattedNetOut(), QString::fromUtf8(c.text)) << c.rate.value_or(-1);
    }
}

} // namespace
} // namespace qm
