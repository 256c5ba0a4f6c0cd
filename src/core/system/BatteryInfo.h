#pragma once

#include "core/system/BatteryCondition.h"

#include <QString>

#include <map>
#include <optional>

namespace qm {

// One reading of the internal battery, with the counters that carry missed values over from earlier
// readings. A value no source supplied is absent, never 0. Made by `BatteryStats::read` and merged over
// the holder's last value with `coalesced`.
struct BatteryInfo
{
    bool isPresent = false;                   // a battery was found by this reading
    std::optional<int> chargePercent;         // current charge, 0 to 100
    bool isCharging = false;                  // charging now
    bool isPluggedIn = false;                 // external power connected
    bool fullyCharged = false;                // reported fully charged
    std::optional<qint64> cycleCount;         // charge cycles so far
    std::optional<qint64> designCapacity;     // capacity when new, mAh
    std::optional<qint64> fullChargeCapacity; // capacity when full now, mAh; above 200 when present
    std::optional<int> healthPercent;         // fullChargeCapacity of designCapacity, 0 to 100
    std::optional<double> temperatureC;       // °C, strictly between −20 and 80
    BatteryCondition condition = BatteryCondition::unknown;
    std::optional<qint64> timeRemainingMinutes; // to empty while discharging, to full while charging; ≥ 1
    int missStreak = 0;                         // consecutive failed readings this value was carried over
    std::map<QString, int> fieldMissStreaks;    // per field name: consecutive readings that lacked it

    bool operator==(const BatteryInfo&) const = default;

    // The starting value before any reading, and the reading when no battery is found: not present,
    // everything absent, condition unknown, and plugged in (true, not false).
    static BatteryInfo unavailable();

    // This (new) reading merged over `previous`: a failed reading brings back a present previous value
    // for up to three consecutive failures (`missStreak` 1, 2, 3); a field this reading lacks keeps
    // previous's value for up to three consecutive readings (its `fieldMissStreaks` entry 1, 2, 3), a
    // time estimate only while the charging direction is unchanged. Pure.
    BatteryInfo coalesced(const BatteryInfo& previous) const;

    // The time left as "45m" below an hour and "2h 5m" from an hour on; absent without an estimate or
    // below 1 minute.
    std::optional<QString> formattedTimeRemaining() const;
};

} // namespace qm
