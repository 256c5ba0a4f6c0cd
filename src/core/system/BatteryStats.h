#pragma once

#include "core/system/BatteryInfo.h"

#include <QVariantMap>

#include <optional>

namespace qm {

class PowerSources;

// Takes readings of the internal battery from two property maps, the battery controller's
// properties (`asb`) and the internal battery's power-source description (`ps`), each field falling
// back from one source to the next (see `PowerSourceMaps` for the keys). Holds no state; the caller
// keeps its last value. A key whose value has another type than the one asked for counts as missing:
// an integer is a whole number (not a Boolean), a Boolean only a Boolean, a string only a string.
namespace BatteryStats {

// One reading from `sources` (null: the machine's own power supplies). Blocking, never fails;
// `unavailable` when neither map shows a battery. `previous` (the caller's last value) is used only
// when neither map says whether the battery is charging, plugged in or fully charged: each then
// follows a present previous value, else is false.
BatteryInfo read(const std::optional<BatteryInfo>& previous, const PowerSources* sources = nullptr);

// fullChargeCapacity as a percentage of designCapacity, rounded half away from zero and limited to
// 100; absent when either is below 1.
std::optional<int> healthPercent(qint64 designCapacity, qint64 fullChargeCapacity);

// The first of "NominalChargeCapacity", "AppleRawMaxCapacity" and "MaxCapacity" whose integer is
// above 200 (smaller ones are percentages, not mAh); absent when none is or without `asb`.
std::optional<qint64> maximumCapacityMAh(const std::optional<QVariantMap>& asb);

// The charge in percent from the first usable (current, maximum) pair of "Current Capacity" and
// "Max Capacity" in `ps`, "AppleRawCurrentCapacity" and "AppleRawMaxCapacity" in `asb`,
// "CurrentCapacity" and "MaxCapacity" in `asb`: both integers, maximum at least 1, current at least 0.
// Rounded half away from zero and limited to 100; absent when no pair is usable.
std::optional<int> chargePercent(const std::optional<QVariantMap>& asb, const std::optional<QVariantMap>& ps);

// "Temperature" of `asb` (hundredths of a degree) in °C; absent when missing, 0, or not strictly
// between −20 and 80.
std::optional<double> temperatureCelsius(const std::optional<QVariantMap>& asb);

// Minutes to full while charging, to empty otherwise: the power source's "Time to Full Charge" or
// "Time to Empty" when above 0, else the controller's "AvgTimeToFull" or "AvgTimeToEmpty" when
// between 1 and 1439; absent otherwise.
std::optional<qint64> timeRemaining(const std::optional<QVariantMap>& ps,
                                    const std::optional<QVariantMap>& asb, bool isCharging);

// Whether the operating system asks for battery service: a non-empty "BatteryHealthCondition"
// string, or else "BatteryHealth" exactly "Fair" or "Poor". False without `ps`.
bool serviceRecommended(const std::optional<QVariantMap>& ps);

} // namespace BatteryStats
} // namespace qm
