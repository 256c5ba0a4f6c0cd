#include "platform/HostStatistics.h"

#include "platform/BoundedReader.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <linux/if_link.h>
#include <net/if.h>
#include <netpacket/packet.h>
#include <sys/socket.h>

#include <cstring>
#include <deque>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace qm {
namespace {

const QByteArray kFullCpuLine = "cpu  1000 20 300 40000 500 60 70 80 90 10\n"
                                "cpu0 500 10 150 20000 250 30 35 40 45 5\n";

TEST(LinuxHostStatistics, ProcessorTicksFromTheFirstLineOfProcStat)
{
    // A real /proc/stat ends its first line well within a page, but its interrupt line grows with the
    // interrupt count: everything after the first line is never the reader's concern.
    const QByteArray longTail = "intr " + QByteArray(64 * 1024, '1') + "\nctxt 1\n";
    const QByteArray max = "18446744073709551615";
    struct Case
    {
        const char* what;
        std::optional<QByteArray> content; // none: no file at all
        std::optional<HostCpuTicks> ticks;
    };
    const Case cases[] = {
        // used = user + nice + system + irq + softirq + steal, idle = idle + iowait; guest is in user.
        {"ten fields", kFullCpuLine, HostCpuTicks{1000 + 20 + 300 + 60 + 70 + 80, 40000 + 500}},
        {"eight fields (no guest)", "cpu  1 2 3 4 5 6 7 8\n", HostCpuTicks{1 + 2 + 3 + 6 + 7 + 8, 4 + 5}},
        {"first line followed by 64 KB", kFullCpuLine + longTail, HostCpuTicks{1530, 40500}},
        {"truncated inside the first line", "cpu  1000 20 300 40000 500 60 70 8", std::nullopt},
        {"a field missing", "cpu  1000 20 300 40000 500 60 70\n", std::nullopt},
        {"non-numeric field", "cpu  1000 20 x00 40000 500 60 70 80\n", std::nullopt},
        {"negative field", "cpu  1000 20 -300 40000 500 60 70 80\n", std::nullopt},
        {"field beyond 64 bits", "cpu  18446744073709551616 20 300 40000 500 60 70 80\n", std::nullopt},
        {"sum beyond 64 bits", "cpu  " + max + " 1 0 0 0 0 0 0\n", std::nullopt},
        {"a per-processor line first", "cpu0 1 2 3 4 5 6 7 8\n", std::nullopt},
        {"empty file", "", std::nullopt},
        {"no file", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        test::TempTree tree;
        tree.folder("proc");
        if (c.content)
            tree.fileWithContent("proc/stat", *c.content);
        EXPECT_EQ(LinuxHostStatistics(tree.root()).cpuTicks(), c.ticks) << c.what;
    }
}

TEST(LinuxHostStatistics, UsedMemoryFromMeminfo)
{
    const auto meminfo = [](const QByteArray& total, const QByteArray& available) {
        QByteArray text = "MemTotal:       " + total + "\nMemFree:         1000000 kB\n";
        if (!available.isEmpty())
            text += "MemAvailable:   " + available + "\n";
        return text + "Buffers:          100 kB\n";
    };
    struct Case
    {
        const char* what;
        std::optional<QByteArray> content;
        std::optional<qint64> used;
    };
    const Case cases[] = {
        {"total less available", meminfo("24682360 kB", "21678676 kB"), qint64(24682360 - 21678676) * 1024},
        {"nothing available", meminfo("100 kB", "0 kB"), 102400},
        {"no MemAvailable", meminfo("24682360 kB", ""), std::nullopt},
        {"truncated before the unit", "MemTotal:       24682360", std::nullopt},
        {"non-numeric", meminfo("2468x360 kB", "100 kB"), std::nullopt},
        {"beyond 64 bits", meminfo("18446744073709551616 kB", "100 kB"), std::nullopt},
        {"bytes beyond 64 bits", meminfo("18014398509481984 kB", "0 kB"), std::nullopt},
        {"more available than total", meminfo("100 kB", "200 kB"), std::nullopt},
        {"another unit", meminfo("100 MB", "10 MB"), std::nullopt},
        {"empty file", "", std::nullopt},
        {"no file", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        test::TempTree tree;
        tree.folder("proc");
        if (c.content)
            tree.fileWithContent("proc/meminfo", *c.content);
        EXPECT_EQ(LinuxHostStatistics(tree.root()).usedMemory(), c.used) << c.what;
    }
}

TEST(LinuxHostStatistics, VersionFromOsRelease)
{
    struct Case
    {
        const char* what;
        std::optional<QByteArray> etc; // etc/os-release, a regular file
        bool etcIsLink;                // etc/os-release links to usr/lib/os-release, as on Debian
        std::optional<QByteArray> usrLib;
        std::optional<QString> version;
    };
    const QString debian = QStringLiteral("Debian GNU/Linux 12 (bookworm)");
    const Case cases[] = {
        {"double quotes", "NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n", false,
         std::nullopt, debian},
        {"link to usr/lib, which is read instead", std::nullopt, true,
         "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n", debian},
        {"single quotes", "PRETTY_NAME='Fedora Linux 40'\n", false, std::nullopt,
         QStringLiteral("Fedora Linux 40")},
        {"bare value", "PRETTY_NAME=Alpine\n", false, std::nullopt, QStringLiteral("Alpine")},
        {"escapes inside double quotes", "PRETTY_NAME=\"Say \\\"hi\\\" \\\\ \xc3\xa9t\xc3\xa9\"", false,
         std::nullopt, QStringLiteral("Say \"hi\" \\ \u00e9t\u00e9")},
        {"no PRETTY_NAME", "NAME=Debian\n", false, std::nullopt, std::nullopt},
        {"a key that only ends alike", "X_PRETTY_NAME=\"no\"\n", false, std::nullopt, std::nullopt},
        {"neither file", std::nullopt, false, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        test::TempTree tree;
        tree.folder("etc");
        if (c.etc)
            tree.fileWithContent("etc/os-release", *c.etc);
        if (c.usrLib)
            tree.fileWithContent("usr/lib/os-release", *c.usrLib);
        if (c.etcIsLink)
            tree.symlink("../usr/lib/os-release", "etc/os-release");
        EXPECT_EQ(LinuxHostStatistics(tree.root()).osVersion(), c.version) << c.what;
    }
}

// The version belongs to the running system: an instance reads it once and keeps it, while the live
// counters are read on every call.
TEST(LinuxHostStatistics, VersionIsReadOnceCountersEveryTime)
{
    test::TempTree tree;
    tree.fileWithContent("etc/os-release", "PRETTY_NAME=\"First\"\n");
    tree.fileWithContent("proc/stat", "cpu  1 0 0 1 0 0 0 0\n");
    const LinuxHostStatistics host(tree.root());
    EXPECT_EQ(host.osVersion(), QStringLiteral("First"));
    EXPECT_EQ(host.cpuTicks(), (HostCpuTicks{1, 1}));
    tree.fileWithContent("etc/os-release", "PRETTY_NAME=\"Second\"\n");
    tree.fileWithContent("proc/stat", "cpu  2 0 0 3 0 0 0 0\n");
    EXPECT_EQ(host.osVersion(), QStringLiteral("First"));
    EXPECT_EQ(host.cpuTicks(), (HostCpuTicks{2, 3}));
    EXPECT_EQ(LinuxHostStatistics(tree.root()).osVersion(), QStringLiteral("Second"));
}

// A thermal zone as the kernel shows it: a device folder, linked from sys/class/thermal.
struct Trip
{
    const char* type;
    const char* temperature;
};

void addZone(test::TempTree& tree, const std::string& name, const char* temperature, std::vector<Trip> trips)
{
    const fs::path device = "sys/devices/virtual/thermal/" + name;
    tree.folder(device);
    if (temperature)
        tree.fileWithContent(device / "temp", QByteArray(temperature) + "\n");
    for (std::size_t i = 0; i < trips.size(); ++i) {
        const std::string prefix = "trip_point_" + std::to_string(i) + "_";
        tree.fileWithContent(device / (prefix + "type"), QByteArray(trips[i].type) + "\n");
        tree.fileWithContent(device / (prefix + "temp"), QByteArray(trips[i].temperature) + "\n");
    }
    tree.symlink("../../devices/virtual/thermal/" + name, "sys/class/thermal/" + name);
}

TEST(LinuxHostStatistics, ThermalStateFromTheTripPointsReached)
{
    struct Zone
    {
        const char* temperature;
        std::vector<Trip> trips;
    };
    struct Case
    {
        const char* what;
        std::vector<Zone> zones;
        std::optional<ThermalState> state;
    };
    const std::vector<Trip> laptop{
        {"active", "50000"}, {"passive", "85000"}, {"hot", "95000"}, {"critical", "105000"}};
    const Case cases[] = {
        {"cool", {{"45000", laptop}}, ThermalState::nominal},
        {"only an active (fan) trip reached", {{"60000", laptop}}, ThermalState::nominal},
        {"passive reached", {{"85000", laptop}}, ThermalState::serious},
        {"hot reached", {{"96000", laptop}}, ThermalState::critical},
        {"critical reached", {{"110000", {{"critical", "105000"}}}}, ThermalState::critical},
        {"the worst zone counts", {{"45000", laptop}, {"90000", laptop}}, ThermalState::serious},
        {"an unset trip at 0 °C is not reached", {{"20000", {{"critical", "0"}}}}, ThermalState::nominal},
        {"a zone whose temperature cannot be read",
         {{nullptr, {{"critical", "1000"}}}},
         ThermalState::nominal},
        {"a zone without trip points", {{"90000", {}}}, ThermalState::nominal},
        {"no zones", {}, ThermalState::nominal},
    };
    for (const Case& c : cases) {
        test::TempTree tree;
        tree.folder("sys/class/thermal");
        // Cooling devices sit beside the zones and are not zones.
        tree.folder("sys/devices/virtual/thermal/cooling_device0");
        tree.symlink("../../devices/virtual/thermal/cooling_device0", "sys/class/thermal/cooling_device0");
        for (std::size_t i = 0; i < c.zones.size(); ++i)
            addZone(tree, "thermal_zone" + std::to_string(i), c.zones[i].temperature, c.zones[i].trips);
        EXPECT_EQ(LinuxHostStatistics(tree.root()).thermalState(), c.state) << c.what;
    }

    test::TempTree bare;
    EXPECT_EQ(LinuxHostStatistics(bare.root()).thermalState(), std::nullopt) << "no thermal folder";
}

// Interface entries built by hand, as getifaddrs chains them.
class InterfaceList
{
public:
    void add(const char* name, unsigned flags, int family, std::optional<std::pair<quint32, quint32>> bytes)
    {
        Entry& e = m_entries.emplace_back();
        e.name = name;
        e.node.ifa_name = e.name.data();
        e.node.ifa_flags = flags;
        e.address.sll_family = static_cast<unsigned short>(family);
        e.node.ifa_addr = family < 0 ? nullptr : reinterpret_cast<sockaddr*>(&e.address);
        if (bytes) {
            e.stats.rx_bytes = bytes->first;
            e.stats.tx_bytes = bytes->second;
            e.node.ifa_data = &e.stats;
        }
    }
    const ifaddrs* head()
    {
        for (std::size_t i = 0; i + 1 < m_entries.size(); ++i)
            m_entries[i].node.ifa_next = &m_entries[i + 1].node;
        return m_entries.empty() ? nullptr : &m_entries.front().node;
    }

private:
    struct Entry
    {
        std::string name;
        ifaddrs node{};
        sockaddr_ll address{};
        rtnl_link_stats stats{};
    };
    std::deque<Entry> m_entries; // stable addresses
};

TEST(LinuxHostStatistics, LinkCountersLeaveOutLoopbackByItsFlag)
{
    InterfaceList list;
    list.add("eth0", IFF_UP, AF_PACKET, std::pair{0xFFFFFFFFu, 10u});
    list.add("wlan0", 0, AF_PACKET, std::pair{0xFFFFFFFFu, 20u}); // down still counts
    list.add("lo", IFF_UP | IFF_LOOPBACK, AF_PACKET, std::pair{5000u, 5000u});
    list.add("loop-named", IFF_LOOPBACK, AF_PACKET, std::pair{7000u, 7000u});
    list.add("lo0", IFF_UP, AF_PACKET, std::pair{100u, 200u});  // not loopback, whatever its name
    list.add("eth0", IFF_UP, AF_INET, std::pair{9000u, 9000u}); // an address, not the link
    list.add("eth1", IFF_UP, AF_PACKET, std::nullopt);          // no statistics record
    list.add("eth2", IFF_UP, -1, std::pair{9000u, 9000u});      // no address
    const std::optional<HostNetBytes> sums = LinuxHostStatistics::sumLinkCounters(list.head());
    ASSERT_TRUE(sums);
    EXPECT_EQ(sums->received, 2 * quint64(0xFFFFFFFF) + 100);
    EXPECT_EQ(sums->sent, 10u + 20u + 200u);

    InterfaceList loopbackOnly;
    loopbackOnly.add("lo", IFF_UP | IFF_LOOPBACK, AF_PACKET, std::pair{5000u, 6000u});
    EXPECT_EQ(LinuxHostStatistics::sumLinkCounters(loopbackOnly.head()), (HostNetBytes{0, 0}));

    EXPECT_EQ(LinuxHostStatistics::sumLinkCounters(nullptr), std::nullopt);
}

// The sum of one byte counter of every interface that is not loopback, each cut to 32 bits, read from
// /sys/class/net by the test itself.
quint64 sysfsCounterSum(const char* counter)
{
    quint64 sum = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator("/sys/class/net")) {
        unsigned long flags = 0;
        std::ifstream(entry.path() / "flags") >> std::hex >> flags;
        if ((flags & IFF_LOOPBACK) != 0)
            continue;
        quint64 value = 0;
        std::ifstream(entry.path() / "statistics" / counter) >> value;
        sum += value & 0xFFFFFFFFu;
    }
    return sum;
}

TEST(LinuxHostStatistics, LiveLinkCountersAgreeWithSysfs)
{
    const quint64 inBefore = sysfsCounterSum("rx_bytes");
    const quint64 outBefore = sysfsCounterSum("tx_bytes");
    const std::optional<HostNetBytes> net = LinuxHostStatistics().networkBytes();
    const quint64 inAfter = sysfsCounterSum("rx_bytes");
    const quint64 outAfter = sysfsCounterSum("tx_bytes");
    ASSERT_TRUE(net);
    // Traffic between the readings moves the counters on; a 32-bit counter that wraps meanwhile would
    // break the order, which takes gigabytes within microseconds.
    EXPECT_GE(net->received, inBefore);
    EXPECT_LE(net->received, inAfter);
    EXPECT_GE(net->sent, outBefore);
    EXPECT_LE(net->sent, outAfter);
}

TEST(LinuxHostStatistics, LiveUptimeAgreesWithProcUptime)
{
    double procUptime = -1;
    std::ifstream("/proc/uptime") >> procUptime;
    const std::optional<double> uptime = LinuxHostStatistics().uptime();
    ASSERT_TRUE(uptime);
    EXPECT_NEAR(*uptime, procUptime, 1.0);
}

} // namespace
} // namespace qm
