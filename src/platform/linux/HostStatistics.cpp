#include "platform/HostStatistics.h"

#include "platform/BoundedReader.h"
#include "platform/FileSystem.h"
#include "platform/linux/KernelText.h"

#include <ifaddrs.h>
#include <linux/if_link.h>
#include <net/if.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qm {

HostStatistics::~HostStatistics() = default;

namespace {

namespace fs = std::filesystem;

// Room for the first line of proc/stat (eleven numbers), with plenty to spare.
constexpr std::size_t kStatPrefix = 4096;
// proc/meminfo and os-release are one or two kilobytes; sysfs attributes at most a page.
constexpr std::size_t kTextFile = 16 * 1024;
constexpr std::size_t kAttribute = 4096;
// Bounds of the thermal walk: zones looked at, trip points per zone.
constexpr std::size_t kMaxThermalEntries = 512;
constexpr int kMaxTripPoints = 64;

// The content of `path` read whole into `buffer`, or nothing.
std::optional<std::string_view> readInto(const fs::path& path, std::span<char> buffer,
                                         ReadExtent extent = ReadExtent::whole)
{
    const Result<qsizetype> read = readBoundedInto(path, buffer, extent);
    if (!read)
        return std::nullopt;
    return std::string_view(buffer.data(), static_cast<std::size_t>(*read));
}

// The number in the sysfs attribute at `path`, or nothing.
std::optional<std::int64_t> readAttribute(const fs::path& path)
{
    std::array<char, kAttribute> buffer;
    const std::optional<std::string_view> text = readInto(path, buffer);
    return text ? KernelText::parseInteger(*text) : std::nullopt;
}

// Splits off the next field of `text` separated by blanks; empty when none is left.
std::string_view nextField(std::string_view& text)
{
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        text = {};
        return {};
    }
    text.remove_prefix(start);
    const std::size_t end = std::min(text.find_first_of(" \t"), text.size());
    const std::string_view field = text.substr(0, end);
    text.remove_prefix(end);
    return field;
}

// a + b, or nothing when it does not fit.
std::optional<std::uint64_t> add(std::uint64_t a, std::uint64_t b)
{
    std::uint64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return std::nullopt;
    return sum;
}

std::optional<HostCpuTicks> parseCpuLine(std::string_view content)
{
    // Only a complete first line counts: without its newline the last number may have been cut.
    const std::size_t newline = content.find('\n');
    if (newline == std::string_view::npos)
        return std::nullopt;
    std::string_view line = content.substr(0, newline);
    if (nextField(line) != "cpu")
        return std::nullopt;
    // user nice system idle iowait irq softirq steal; guest time is already part of user and nice.
    std::array<std::uint64_t, 8> ticks{};
    for (std::uint64_t& tick : ticks) {
        const std::optional<std::uint64_t> value = KernelText::parseUnsigned(nextField(line));
        if (!value)
            return std::nullopt;
        tick = *value;
    }
    const auto [user, nice, system, idle, iowait, irq, softirq, steal] = ticks;
    std::optional<std::uint64_t> used = user;
    for (const std::uint64_t part : {nice, system, irq, softirq, steal})
        used = used ? add(*used, part) : std::nullopt;
    const std::optional<std::uint64_t> idleSum = add(idle, iowait);
    if (!used || !idleSum)
        return std::nullopt;
    return HostCpuTicks{*used, *idleSum};
}

// The kilobytes of the meminfo line `key` ("MemTotal:"), or nothing.
std::optional<std::uint64_t> meminfoKilobytes(std::string_view content, std::string_view key)
{
    std::size_t at = 0;
    while (at < content.size()) {
        const std::size_t end = std::min(content.find('\n', at), content.size());
        std::string_view line = content.substr(at, end - at);
        at = end + 1;
        if (!line.starts_with(key))
            continue;
        line.remove_prefix(key.size());
        const std::optional<std::uint64_t> value = KernelText::parseUnsigned(nextField(line));
        const std::string_view unit = nextField(line);
        if (!value || unit != "kB" || !nextField(line).empty())
            return std::nullopt;
        return value;
    }
    return std::nullopt;
}

std::optional<qint64> parseUsedMemory(std::string_view content)
{
    const std::optional<std::uint64_t> total = meminfoKilobytes(content, "MemTotal:");
    const std::optional<std::uint64_t> available = meminfoKilobytes(content, "MemAvailable:");
    if (!total || !available || *available > *total)
        return std::nullopt;
    qint64 bytes = 0;
    if (__builtin_mul_overflow(*total - *available, std::uint64_t(1024), &bytes))
        return std::nullopt;
    return bytes;
}

// The value of an os-release assignment: quoted in double quotes (with backslash escapes), in single
// quotes, or bare.
std::string unquote(std::string_view value)
{
    value = KernelText::trimmed(value);
    std::string text;
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size())
                ++i;
            text += value[i];
        }
        return text;
    }
    if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'')
        return std::string(value.substr(1, value.size() - 2));
    return std::string(value);
}

std::optional<QString> parsePrettyName(std::string_view content)
{
    constexpr std::string_view key = "PRETTY_NAME=";
    std::size_t at = 0;
    while (at < content.size()) {
        const std::size_t end = std::min(content.find('\n', at), content.size());
        const std::string_view line = content.substr(at, end - at);
        at = end + 1;
        if (line.starts_with(key)) {
            const std::string name = unquote(line.substr(key.size()));
            return QString::fromUtf8(name.data(), qsizetype(name.size()));
        }
    }
    return std::nullopt;
}

// How serious reaching a trip point of `type` is; nominal for active (fan) trips and unknown types.
ThermalState tripSeverity(std::string_view type)
{
    type = KernelText::trimmed(type);
    if (type == "passive")
        return ThermalState::serious;
    if (type == "hot" || type == "critical")
        return ThermalState::critical;
    return ThermalState::nominal;
}

// The most serious trip point the zone at `zone` has reached, or nothing when its temperature cannot
// be read.
std::optional<ThermalState> zoneState(const fs::path& zone)
{
    const std::optional<std::int64_t> temperature = readAttribute(zone / "temp");
    if (!temperature)
        return std::nullopt;
    ThermalState state = ThermalState::nominal;
    for (int trip = 0; trip < kMaxTripPoints; ++trip) {
        const std::string prefix = "trip_point_" + std::to_string(trip) + "_";
        const std::optional<std::int64_t> tripTemperature = readAttribute(zone / (prefix + "temp"));
        if (!tripTemperature)
            break;
        // A trip at or below 0 °C is one a driver left unset; only reached trips need their type.
        if (*tripTemperature <= 0 || *temperature < *tripTemperature)
            continue;
        std::array<char, kAttribute> buffer;
        if (const std::optional<std::string_view> type = readInto(zone / (prefix + "type"), buffer))
            state = std::max(state, tripSeverity(*type));
    }
    return state;
}

struct IfaddrsDeleter
{
    void operator()(ifaddrs* list) const { ::freeifaddrs(list); }
};

} // namespace

LinuxHostStatistics::LinuxHostStatistics(std::filesystem::path root) : m_root(std::move(root)) {}

std::optional<HostCpuTicks> LinuxHostStatistics::cpuTicks() const
{
    std::array<char, kStatPrefix> buffer;
    const std::optional<std::string_view> content =
        readInto(m_root / "proc/stat", buffer, ReadExtent::prefix);
    return content ? parseCpuLine(*content) : std::nullopt;
}

std::optional<qint64> LinuxHostStatistics::usedMemory() const
{
    std::array<char, kTextFile> buffer;
    const std::optional<std::string_view> content = readInto(m_root / "proc/meminfo", buffer);
    return content ? parseUsedMemory(*content) : std::nullopt;
}

std::optional<qint64> LinuxHostStatistics::physicalMemory() const
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    qint64 bytes = 0;
    if (pages < 1 || pageSize < 1 || __builtin_mul_overflow(qint64(pages), qint64(pageSize), &bytes))
        return std::nullopt;
    return bytes;
}

std::optional<int> LinuxHostStatistics::onlineProcessors() const
{
    const long count = ::sysconf(_SC_NPROCESSORS_ONLN);
    if (count < 1 || count > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(count);
}

std::optional<double> LinuxHostStatistics::loadAverage() const
{
    std::array<double, 3> loads{};
    if (::getloadavg(loads.data(), 3) < 1)
        return std::nullopt;
    return loads[0];
}

std::optional<HostNetBytes> LinuxHostStatistics::networkBytes() const
{
    ifaddrs* raw = nullptr;
    if (::getifaddrs(&raw) != 0)
        return std::nullopt;
    const std::unique_ptr<ifaddrs, IfaddrsDeleter> list(raw);
    return sumLinkCounters(list.get());
}

std::optional<HostNetBytes> LinuxHostStatistics::sumLinkCounters(const ifaddrs* list)
{
    if (list == nullptr)
        return std::nullopt;
    HostNetBytes sums;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_PACKET ||
            (entry->ifa_flags & IFF_LOOPBACK) != 0 || entry->ifa_data == nullptr)
            continue;
        const auto* stats = static_cast<const rtnl_link_stats*>(entry->ifa_data);
        // Each counter is 32 bits wide, so the sums stay far below the 64-bit limit.
        sums.received += stats->rx_bytes;
        sums.sent += stats->tx_bytes;
    }
    return sums;
}

std::optional<ThermalState> LinuxHostStatistics::thermalState() const
{
    const fs::path folder = m_root / "sys/class/thermal";
    const Result<FileSystem::Listing> listing = FileSystem().list(folder, kMaxThermalEntries);
    if (!listing)
        return std::nullopt;
    ThermalState state = ThermalState::nominal;
    for (const fs::path& name : listing->names) {
        if (!std::string_view(name.native()).starts_with("thermal_zone"))
            continue;
        if (const std::optional<ThermalState> zone = zoneState(folder / name))
            state = std::max(state, *zone);
    }
    return state;
}

std::optional<double> LinuxHostStatistics::uptime() const
{
    timespec now{};
    if (::clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        return std::nullopt;
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

std::optional<QString> LinuxHostStatistics::osVersion() const
{
    std::call_once(m_versionRead, [this] {
        std::array<char, kTextFile> buffer;
        std::optional<std::string_view> content = readInto(m_root / "etc/os-release", buffer);
        if (!content)
            content = readInto(m_root / "usr/lib/os-release", buffer);
        m_version = content ? parsePrettyName(*content) : std::nullopt;
    });
    return m_version;
}

} // namespace qm
