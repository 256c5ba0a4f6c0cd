#pragma once

#include <QVariantMap>

#include <filesystem>
#include <optional>

namespace qm {

// One reading of the machine's internal battery as two property maps with string keys, in the
// vocabulary the battery engine reads: numbers as integers, flags as Booleans, states as strings.
struct PowerSourceMaps
{
    // The battery controller's properties: "BatteryInstalled", "DesignCapacity",
    // "NominalChargeCapacity", "AppleRawMaxCapacity", "AppleRawCurrentCapacity" (mAh, or mWh for a
    // battery that reports energy), "CycleCount", "Temperature" (hundredths of a degree Celsius).
    std::optional<QVariantMap> controller;
    // The internal battery's entry in the power-source list: "Type" ("InternalBattery"),
    // "Current Capacity" of "Max Capacity" (percent of 100), "Is Charging", "Is Charged",
    // "Power Source State" ("AC Power" or "Battery Power"), "Time to Empty" and
    // "Time to Full Charge" (minutes).
    std::optional<QVariantMap> powerSource;

    bool operator==(const PowerSourceMaps&) const = default;
};

// The power-source seam: reads the internal battery. A key whose value cannot be read or does not
// parse is left out of its map; both maps are absent when there is no internal battery. Blocking,
// never fails, safe from any thread, nothing cached.
class PowerSources
{
public:
    virtual ~PowerSources();

    virtual PowerSourceMaps read() const = 0;
};

// The power supplies of this machine, from sys/class/power_supply under `root` (by default "/"). The
// battery is the first entry by name of type "Battery" that is present (a "present" of 0 rules it
// out; none at all does not) and whose scope is not "Device" (a mouse's or a headset's battery);
// without one both maps are absent.
//  - capacities from charge_full_design, charge_full, charge_now (µAh) ÷ 1000, or, when none of those
//    reads, all three from energy_* (µWh); the two families are never mixed. charge_full gives both
//    "NominalChargeCapacity" and "AppleRawMaxCapacity";
//  - "CycleCount" from cycle_count, left out when 0 (unknown); "Temperature" = temp (tenths) × 10;
//  - "Current Capacity" = capacity, "Max Capacity" = 100;
//  - "Is Charging" and "Is Charged" from status ("Charging", "Full"; an unknown status leaves both
//    out); "Power Source State" is "AC Power" while charging or while any supply of type Mains or USB
//    is online, otherwise "Battery Power" (a battery "Full" or "Not charging" with no such supply
//    listed, or none online, is on battery);
//  - the two times from time_to_empty_now and time_to_full_now (seconds) ÷ 60.
// Every attribute goes through the bounded reader with a cap of one page: a FIFO or an oversized file
// is a missing value, never a hang.
class SysfsPowerSources final : public PowerSources
{
public:
    explicit SysfsPowerSources(std::filesystem::path root = "/");

    PowerSourceMaps read() const override;

private:
    std::filesystem::path m_root;
};

} // namespace qm
