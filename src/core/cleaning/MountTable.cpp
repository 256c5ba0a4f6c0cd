#include "core/cleaning/MountTable.h"

#include "platform/BoundedReader.h"

#include <sys/sysmacros.h>

#include <algorithm>
#include <array>
#include <charconv>

namespace qm {
namespace {

// mountinfo is a few kilobytes even on busy machines; a container host with thousands of mounts
// stays far below this.
constexpr qint64 kMaxMountInfoBytes = 8 * 1024 * 1024;

constexpr std::array<std::string_view, 17> kPseudoTypes = {
    "proc", "sysfs",  "devtmpfs", "devpts",    "cgroup",   "cgroup2", "securityfs",  "debugfs", "tracefs",
    "bpf",  "pstore", "mqueue",   "hugetlbfs", "configfs", "fusectl", "binfmt_misc", "autofs"};

std::string_view nextField(std::string_view& line)
{
    const std::size_t start = line.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        line = {};
        return {};
    }
    line.remove_prefix(start);
    const std::size_t end = line.find(' ');
    const std::string_view field = line.substr(0, end);
    line.remove_prefix(end == std::string_view::npos ? line.size() : end);
    return field;
}

std::optional<quint64> parseDevice(std::string_view field)
{
    const std::size_t colon = field.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    unsigned major = 0;
    unsigned minor = 0;
    const char* begin = field.data();
    const auto majorEnd = std::from_chars(begin, begin + colon, major);
    const auto minorEnd = std::from_chars(begin + colon + 1, begin + field.size(), minor);
    if (majorEnd.ec != std::errc() || majorEnd.ptr != begin + colon || minorEnd.ec != std::errc() ||
        minorEnd.ptr != begin + field.size())
        return std::nullopt;
    return static_cast<quint64>(makedev(major, minor));
}

// Undoes the "\ooo" escapes mountinfo writes for space, tab, newline and backslash.
std::string unescaped(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto isOctal = [&](std::size_t at) { return field[at] >= '0' && field[at] <= '7'; };
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(i + 1) && isOctal(i + 2) && isOctal(i + 3)) {
            out.push_back(
                char(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

bool hasOption(std::string_view options, std::string_view option)
{
    while (!options.empty()) {
        const std::size_t comma = options.find(',');
        if (options.substr(0, comma) == option)
            return true;
        options.remove_prefix(comma == std::string_view::npos ? options.size() : comma + 1);
    }
    return false;
}

} // namespace

MountTable MountTable::parse(QByteArrayView mountinfo)
{
    MountTable table;
    std::string_view rest(mountinfo.data(), std::size_t(mountinfo.size()));
    while (!rest.empty()) {
        const std::size_t newline = rest.find('\n');
        std::string_view line = rest.substr(0, newline);
        rest.remove_prefix(newline == std::string_view::npos ? rest.size() : newline + 1);

        // "ID PARENT MAJOR:MINOR ROOT MOUNTPOINT OPTIONS [OPTIONAL...] - TYPE SOURCE SUPEROPTIONS"
        nextField(line);
        nextField(line);
        const auto device = parseDevice(nextField(line));
        if (!device)
            continue;
        nextField(line); // the root of the mount within its file system
        const std::string_view mountPoint = nextField(line);
        const std::string_view options = nextField(line);
        const std::size_t separator = line.find(" - ");
        if (separator == std::string_view::npos)
            continue;
        line.remove_prefix(separator + 3);
        const std::string_view type = nextField(line);
        if (type.empty())
            continue;
        nextField(line); // the source
        const std::string_view superOptions = nextField(line);
        table.m_mounts.push_back(Mount{*device, std::string(type), unescaped(mountPoint),
                                       hasOption(options, "ro") || hasOption(superOptions, "ro")});
    }
    return table;
}

MountTable MountTable::current()
{
    const auto text = readBounded("/proc/self/mountinfo", kMaxMountInfoBytes);
    if (!text)
        return {};
    return parse(*text);
}

bool MountTable::isPseudoType(std::string_view type)
{
    return std::find(kPseudoTypes.begin(), kPseudoTypes.end(), type) != kPseudoTypes.end();
}

std::optional<std::string_view> MountTable::typeOf(quint64 device) const
{
    for (auto it = m_mounts.rbegin(); it != m_mounts.rend(); ++it) {
        if (it->device == device)
            return std::string_view(it->type);
    }
    return std::nullopt;
}

bool MountTable::isPseudoDevice(quint64 device) const
{
    const auto type = typeOf(device);
    return type && isPseudoType(*type);
}

} // namespace qm
