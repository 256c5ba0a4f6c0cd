#pragma once

// Readable test failure messages for the system statistics and battery values (GoogleTest finds
// these by argument-dependent lookup). Test files of this folder only.

#include "core/system/BatteryInfo.h"
#include "core/system/SystemSnapshot.h"

#include <optional>
#include <ostream>

namespace qm {

namespace printers {
template <typename T> void field(std::ostream* os, const char* name, const std::optional<T>& value)
{
    *os << ' ' << name << '=';
    if (value)
        *os << *value;
    else
        *os << "absent";
}
} // namespace printers

inline void PrintTo(const BatteryInfo& info, std::ostream* os)
{
    *os << "{present=" << info.isPresent << " charging=" << info.isCharging
        << " pluggedIn=" << info.isPluggedIn << " full=" << info.fullyCharged;
    printers::field(os, "charge", info.chargePercent);
    printers::field(os, "cycles", info.cycleCount);
    printers::field(os, "design", info.designCapacity);
    printers::field(os, "fullCharge", info.fullChargeCapacity);
    printers::field(os, "health", info.healthPercent);
    printers::field(os, "temperature", info.temperatureC);
    printers::field(os, "minutes", info.timeRemainingMinutes);
    *os << " condition=" << BatteryConditions::toRaw(info.condition).toStdString()
        << " missStreak=" << info.missStreak << " streaks={";
    for (const auto& [key, streak] : info.fieldMissStreaks)
        *os << ' ' << key.toStdString() << ':' << streak;
    *os << " }}";
}

inline void PrintTo(const SystemSnapshot& s, std::ostream* os)
{
    *os << "{totalRAM=" << s.totalRAM << " cores=" << s.cores;
    printers::field(os, "usedRAM", s.usedRAM);
    printers::field(os, "load1", s.load1);
    printers::field(os, "cpuUsage", s.cpuUsage);
    printers::field(os, "diskFree", s.diskFree);
    printers::field(os, "diskTotal", s.diskTotal);
    printers::field(os, "netIn", s.netInBytes);
    printers::field(os, "netOut", s.netOutBytes);
    printers::field(os, "netInRate", s.netInRate);
    printers::field(os, "netOutRate", s.netOutRate);
    *os << (s.cpuTicks ? " ticks=present" : " ticks=absent") << " thermal=" << int(s.thermal)
        << " uptime=" << s.uptime << " os=\"" << s.osVersion.toStdString() << "\" at "
        << s.capturedAt.toString(Qt::ISODateWithMs).toStdString() << '}';
}

} // namespace qm
