#pragma once

#include <QString>

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>

struct ifaddrs;

namespace qm {

// How hard the machine is working to keep cool, from least to most serious.
enum class ThermalState { nominal, fair, serious, critical };

// Cumulative processor time since boot, in clock ticks summed over every processor.
struct HostCpuTicks
{
    std::uint64_t used = 0; // busy ticks
    std::uint64_t idle = 0; // idle ticks, time spent waiting for I/O included

    bool operator==(const HostCpuTicks&) const = default;
};

// Cumulative byte counters of the network interfaces, summed. Each interface contributes a 32-bit
// counter, so a sum can go down when one of them wraps.
struct HostNetBytes
{
    std::uint64_t received = 0;
    std::uint64_t sent = 0;

    bool operator==(const HostNetBytes&) const = default;
};

// The host-statistics seam: the machine's live counters, one source per call, each read afresh and
// absent when its source cannot be read or does not parse (never 0 in its place). Nothing is cached,
// nothing fails loudly, and every call is safe from any thread. The root volume's space is not here:
// it comes from the volume reading the storage gauge uses.
class HostStatistics
{
public:
    virtual ~HostStatistics();

    // Processor ticks since boot.
    virtual std::optional<HostCpuTicks> cpuTicks() const = 0;
    // Bytes of memory in use: what is not available to new programs without swapping.
    virtual std::optional<qint64> usedMemory() const = 0;
    // Bytes of physical memory.
    virtual std::optional<qint64> physicalMemory() const = 0;
    // Processors online now.
    virtual std::optional<int> onlineProcessors() const = 0;
    // The one-minute load average.
    virtual std::optional<double> loadAverage() const = 0;
    // Received and sent bytes of every link-level interface except loopback ones.
    virtual std::optional<HostNetBytes> networkBytes() const = 0;
    // The machine's thermal state.
    virtual std::optional<ThermalState> thermalState() const = 0;
    // Seconds since the system started, time spent suspended included.
    virtual std::optional<double> uptime() const = 0;
    // The operating system's name and version for people ("Debian GNU/Linux 12 (bookworm)").
    virtual std::optional<QString> osVersion() const = 0;
};

// The statistics of this machine. Files are read under `root` (by default "/"), so tests point it at a
// fixture tree; what comes from system calls (physical memory, processors, load, interfaces, uptime)
// is always the running machine's. Everything is read afresh on every call except the version, which
// each instance reads once, on its first call, and keeps: it belongs to the running system, not to its
// live state, and reading it costs a tenth of a sample.
//  - processor ticks: the first line of proc/stat; used = user + nice + system + irq + softirq + steal,
//    idle = idle + iowait;
//  - used memory: (MemTotal − MemAvailable) of proc/meminfo, kB × 1024, as `free` counts it; absent
//    without MemAvailable;
//  - physical memory: sysconf physical pages × page size; processors: sysconf online processors;
//  - network: getifaddrs' link-level (AF_PACKET) entries and their 32-bit byte counters, loopback
//    interfaces left out by their IFF_LOOPBACK flag, whatever their name;
//  - thermal state: the trip points of sys/class/thermal's zones: a passive trip reached is serious,
//    a hot or critical one critical, anything else nominal; absent without the folder;
//  - uptime: CLOCK_BOOTTIME;
//  - version: PRETTY_NAME of etc/os-release, or of usr/lib/os-release when that cannot be read (on
//    Debian the first is a symbolic link to the second, and no link is followed).
// Every file goes through the bounded reader into a fixed buffer; proc/stat as a prefix, because its
// interrupt line grows without limit.
class LinuxHostStatistics final : public HostStatistics
{
public:
    explicit LinuxHostStatistics(std::filesystem::path root = "/");

    std::optional<HostCpuTicks> cpuTicks() const override;
    std::optional<qint64> usedMemory() const override;
    std::optional<qint64> physicalMemory() const override;
    std::optional<int> onlineProcessors() const override;
    std::optional<double> loadAverage() const override;
    std::optional<HostNetBytes> networkBytes() const override;
    std::optional<ThermalState> thermalState() const override;
    std::optional<double> uptime() const override;
    std::optional<QString> osVersion() const override;

    // The sums of `list` as `networkBytes` makes them: entries with an address of family AF_PACKET
    // and a statistics record, not flagged IFF_LOOPBACK; up or down does not matter. An empty list
    // (null) gives nothing; a list in which no entry counts gives zeros.
    static std::optional<HostNetBytes> sumLinkCounters(const ifaddrs* list);

private:
    std::filesystem::path m_root;
    mutable std::once_flag m_versionRead;
    mutable std::optional<QString> m_version;
};

} // namespace qm
