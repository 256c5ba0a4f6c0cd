#include "core/system/SystemStats.h"
#include "platform/ProcessRunner.h"
#include "support/DfOracle.h"
#include "support/FakeClock.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace qm {
namespace {

// The standard output of `program arguments…`, which must succeed.
QByteArray outputOf(const char* program, std::vector<std::string> arguments)
{
    ProcessRequest request;
    request.program = program;
    request.arguments = std::move(arguments);
    request.deadline = std::chrono::seconds(30);
    const Result<ProcessOutcome> outcome = ProcessRunner().run(request);
    if (!outcome || !outcome->succeeded())
        return {};
    return outcome->standardOutput;
}

// The numbers of the line of `text` that starts with `label`.
std::vector<qint64> numbersOfLine(const QByteArray& text, const QByteArray& label)
{
    std::vector<qint64> numbers;
    for (const QByteArray& line : text.split('\n')) {
        if (!line.startsWith(label))
            continue;
        for (const QByteArray& field : line.mid(label.size()).simplified().split(' '))
            numbers.push_back(field.toLongLong());
    }
    return numbers;
}

TEST(SystemStatsLive, MemoryAgreesWithFree)
{
    const std::vector<qint64> mem = numbersOfLine(outputOf("/usr/bin/free", {"-b"}), "Mem:");
    const SystemSnapshot s = SystemStats::snapshot(std::nullopt);
    ASSERT_GE(mem.size(), 2u) << "free -b gave no memory line";
    const qint64 total = mem[0];
    const qint64 used = mem[1];
    EXPECT_EQ(s.totalRAM, total);
    ASSERT_TRUE(s.usedRAM);
    // Memory moves between the two readings; 1 % of the total is far more than a test's churn.
    EXPECT_LE(std::abs(*s.usedRAM - used), total / 100) << *s.usedRAM << " against " << used;
}

TEST(SystemStatsLive, RootVolumeAgreesWithDf)
{
    const test::DfFigures df = test::dfFigures("/");
    const SystemSnapshot s = SystemStats::snapshot(std::nullopt);
    ASSERT_TRUE(s.diskTotal && s.diskFree && s.diskUsed);
    EXPECT_EQ(*s.diskTotal, df.size);
    // Free space moves while other tests write; allow 64 MiB of drift.
    EXPECT_NEAR(double(*s.diskFree), double(df.available), 512.0 * 1024 * 1024);
    EXPECT_NEAR(double(*s.diskUsed), double(df.used), 512.0 * 1024 * 1024);
}

TEST(SystemStatsLive, ProcessorsVersionAndLoadAgreeWithTheSystemsTools)
{
    const SystemSnapshot s = SystemStats::snapshot(std::nullopt);
    EXPECT_EQ(s.cores, outputOf("/usr/bin/nproc", {}).trimmed().toInt());
    const QByteArray pretty = outputOf("/bin/sh", {"-c", ". /etc/os-release && printf %s \"$PRETTY_NAME\""});
    EXPECT_EQ(s.osVersion, QString::fromUtf8(pretty));
    EXPECT_FALSE(s.osVersion.isEmpty());
    ASSERT_TRUE(s.load1);
    EXPECT_GE(*s.load1, 0.0);
    ASSERT_TRUE(s.cpuTicks);
    ASSERT_TRUE(s.netInBytes);
    EXPECT_TRUE(s.netOutBytes);
}

// Back-to-back samples often see the same ticks; 50 ms later every processor has moved on. Network
// rates need more than 0.1 s between the samples.
TEST(SystemStatsLive, ASecondSampleHasAProcessorUsage)
{
    const SystemSnapshot first = SystemStats::snapshot(std::nullopt);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    const SystemSnapshot second = SystemStats::snapshot(first);
    ASSERT_TRUE(second.cpuUsage);
    EXPECT_GE(*second.cpuUsage, 0.0);
    EXPECT_LE(*second.cpuUsage, 1.0);
    EXPECT_TRUE(second.netInRate);
    EXPECT_GT(second.capturedAt, first.capturedAt);
}

// Kernel files that are cut short or garbled leave their own fields absent and nothing else.
TEST(SystemStatsLive, BrokenKernelFilesLeaveOnlyTheirFieldsAbsent)
{
    test::TempTree tree;
    tree.fileWithContent("proc/stat", "cpu  1000 20 300 40000 500 60 70");
    tree.fileWithContent("proc/meminfo", "MemTotal: 99999999999999999999 kB\nMemAvailable: 10 kB\n");
    tree.folder("etc");
    const LinuxHostStatistics host(tree.root());
    test::FakeClock clock;
    const SystemSnapshot s = SystemStats::snapshot(std::nullopt, {&host, &clock, {}});
    EXPECT_EQ(s.cpuTicks, std::nullopt);
    EXPECT_EQ(s.usedRAM, std::nullopt);
    EXPECT_EQ(s.osVersion, QString());
    EXPECT_EQ(s.thermal, ThermalState::nominal);
    // What comes from system calls is still the machine's.
    EXPECT_GT(s.totalRAM, 0);
    EXPECT_GT(s.cores, 0);
    EXPECT_GT(s.uptime, 0);
    EXPECT_TRUE(s.diskTotal);
}

} // namespace
} // namespace qm
