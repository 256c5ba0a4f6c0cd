#pragma once

#include <QString>

#include <array>
#include <optional>

namespace qm {

// The battery's overall condition. Its raw value is also the text the screens show.
enum class BatteryCondition { normal, serviceRecommended, unknown };

namespace BatteryConditions {

// Every condition, in declaration order.
inline constexpr std::array<BatteryCondition, 3> all{
    BatteryCondition::normal, BatteryCondition::serviceRecommended, BatteryCondition::unknown};

// "Normal", "Service Recommended" or "Unknown".
QString toRaw(BatteryCondition condition);
// The condition whose raw value is exactly `raw` (case-sensitive), or nothing.
std::optional<BatteryCondition> fromRaw(const QString& raw);

} // namespace BatteryConditions
} // namespace qm
