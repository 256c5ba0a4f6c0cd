#pragma once

#include <QString>

#include <array>
#include <optional>

namespace qm {

// Where a health recommendation's button leads: one of five screens, or `none` when the button only
// acknowledges the recommendation (it is then drawn in the secondary style).
enum class HealthTarget { smartScan, cleanup, performance, battery, files, none };

namespace HealthTargets {

// Every target, in declaration order.
inline constexpr std::array<HealthTarget, 6> all{HealthTarget::smartScan,   HealthTarget::cleanup,
                                                 HealthTarget::performance, HealthTarget::battery,
                                                 HealthTarget::files,       HealthTarget::none};

// The target's stored name: its case name ("smartScan", "cleanup", ..., "none").
QString toRaw(HealthTarget target);
// The target whose stored name is exactly `raw` (case-sensitive), or nothing.
std::optional<HealthTarget> fromRaw(const QString& raw);

} // namespace HealthTargets
} // namespace qm
