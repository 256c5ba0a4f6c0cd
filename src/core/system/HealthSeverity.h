#pragma once

#include <array>
#include <optional>

namespace qm {

// How serious a health finding is, ordered from least to most serious by its integer raw value
// (unknown 0, good 1, warning 2, critical 3), so `<` compares seriousness. Its display colour and
// symbol belong to the design system, not to this type.
enum class HealthSeverity { unknown = 0, good = 1, warning = 2, critical = 3 };

namespace HealthSeverities {

// Every severity, in raw-value order.
inline constexpr std::array<HealthSeverity, 4> all{HealthSeverity::unknown, HealthSeverity::good,
                                                   HealthSeverity::warning, HealthSeverity::critical};

// The severity's raw value, 0 to 3.
int toRaw(HealthSeverity severity);
// The severity whose raw value is `raw`; nothing for any number outside 0 to 3.
std::optional<HealthSeverity> fromRaw(int raw);

} // namespace HealthSeverities
} // namespace qm
