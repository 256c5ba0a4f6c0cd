#include "platform/PowerSources.h"

#include "platform/BoundedReader.h"
#include "platform/FileSystem.h"
#include "platform/linux/KernelText.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <utility>

namespace qm {

PowerSources::~PowerSources() = default;

namespace {

namespace fs = std::filesystem;

// sysfs attributes report a size of one page and hold less.
constexpr std::size_t kAttribute = 4096;
// More power supplies than any machine has; the rest are not looked at.
constexpr std::size_t kMaxSupplies = 256;

std::optional<std::string> readText(const fs::path& path)
{
    std::array<char, kAttribute> buffer;
    const Result<qsizetype> read = readBoundedInto(path, buffer);
    if (!read)
        return std::nullopt;
    return std::string(KernelText::trimmed(std::string_view(buffer.data(), std::size_t(*read))));
}

std::optional<std::int64_t> readNumber(const fs::path& path)
{
    const std::optional<std::string> text = readText(path);
    return text ? KernelText::parseInteger(*text) : std::nullopt;
}

// The three capacities of one family ("charge" or "energy") in thousandths of the attribute's unit.
struct Capacities
{
    std::optional<std::int64_t> design, full, now;

    bool any() const { return design || full || now; }
};

Capacities capacities(const fs::path& battery, const std::string& family)
{
    const auto milli = [&](const char* suffix) -> std::optional<std::int64_t> {
        const std::optional<std::int64_t> micro = readNumber(battery / (family + suffix));
        if (!micro || *micro < 0)
            return std::nullopt;
        return *micro / 1000;
    };
    return {milli("_full_design"), milli("_full"), milli("_now")};
}

QVariantMap controllerProperties(const fs::path& battery)
{
    QVariantMap map;
    map.insert(QStringLiteral("BatteryInstalled"), true);
    Capacities c = capacities(battery, "charge");
    if (!c.any())
        c = capacities(battery, "energy");
    if (c.design)
        map.insert(QStringLiteral("DesignCapacity"), qint64(*c.design));
    if (c.full) {
        map.insert(QStringLiteral("NominalChargeCapacity"), qint64(*c.full));
        map.insert(QStringLiteral("AppleRawMaxCapacity"), qint64(*c.full));
    }
    if (c.now)
        map.insert(QStringLiteral("AppleRawCurrentCapacity"), qint64(*c.now));
    if (const std::optional<std::int64_t> cycles = readNumber(battery / "cycle_count"); cycles && *cycles > 0)
        map.insert(QStringLiteral("CycleCount"), qint64(*cycles));
    std::int64_t hundredths = 0;
    if (const std::optional<std::int64_t> tenths = readNumber(battery / "temp");
        tenths && !__builtin_mul_overflow(*tenths, std::int64_t(10), &hundredths))
        map.insert(QStringLiteral("Temperature"), qint64(hundredths));
    return map;
}

// What the external supplies say: whether one of type Mains or USB is online.
struct ExternalPower
{
    bool online = false;
};

QVariantMap powerSourceDescription(const fs::path& battery, ExternalPower external)
{
    QVariantMap map;
    map.insert(QStringLiteral("Type"), QStringLiteral("InternalBattery"));
    if (const std::optional<std::int64_t> percent = readNumber(battery / "capacity")) {
        map.insert(QStringLiteral("Current Capacity"), qint64(*percent));
        map.insert(QStringLiteral("Max Capacity"), qint64(100));
    }

    const std::optional<std::string> status = readText(battery / "status");
    const bool charging = status == "Charging";
    const bool known = charging || status == "Discharging" || status == "Full" || status == "Not charging";
    if (known) {
        map.insert(QStringLiteral("Is Charging"), charging);
        map.insert(QStringLiteral("Is Charged"), status == "Full");
    }
    // Nothing charges without power; otherwise only an online adapter means mains power. A battery
    // "Full" or "Not charging" with no adapter online is feeding the machine.
    const bool onAC = charging || external.online;
    map.insert(QStringLiteral("Power Source State"),
               onAC ? QStringLiteral("AC Power") : QStringLiteral("Battery Power"));

    if (const std::optional<std::int64_t> seconds = readNumber(battery / "time_to_empty_now"))
        map.insert(QStringLiteral("Time to Empty"), qint64(*seconds / 60));
    if (const std::optional<std::int64_t> seconds = readNumber(battery / "time_to_full_now"))
        map.insert(QStringLiteral("Time to Full Charge"), qint64(*seconds / 60));
    return map;
}

} // namespace

SysfsPowerSources::SysfsPowerSources(std::filesystem::path root) : m_root(std::move(root)) {}

PowerSourceMaps SysfsPowerSources::read() const
{
    const fs::path folder = m_root / "sys/class/power_supply";
    Result<FileSystem::Listing> listing = FileSystem().list(folder, kMaxSupplies);
    if (!listing)
        return {};
    std::vector<fs::path>& names = listing->names;
    // By name, byte for byte, so the choice does not depend on directory order.
    std::sort(names.begin(), names.end(),
              [](const fs::path& a, const fs::path& b) { return a.native() < b.native(); });

    std::optional<fs::path> battery;
    ExternalPower external;
    for (const fs::path& name : names) {
        const fs::path supply = folder / name;
        const std::optional<std::string> type = readText(supply / "type");
        if (!type)
            continue;
        if (*type == "Battery") {
            if (battery || readNumber(supply / "present") == 0 || readText(supply / "scope") == "Device")
                continue;
            battery = supply;
        } else if (*type == "Mains" || type->starts_with("USB")) {
            if (const std::optional<std::int64_t> online = readNumber(supply / "online"))
                external.online = external.online || *online > 0;
        }
    }
    if (!battery)
        return {};
    return {controllerProperties(*battery), powerSourceDescription(*battery, external)};
}

} // namespace qm
