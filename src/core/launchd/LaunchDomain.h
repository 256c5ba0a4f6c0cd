#pragma once

#include <QString>

#include <array>
#include <optional>

namespace qm {

// Where a launch job was found, in display order: the user's autostart entries and enabled user units
// (login items), the system's autostart entries and units enabled for every user (system agents), and
// the services enabled for the system (system daemons).
enum class LaunchDomain { userAgent, systemAgent, systemDaemon };

namespace LaunchDomains {

// Every domain, in declaration order.
inline constexpr std::array<LaunchDomain, 3> all{LaunchDomain::userAgent, LaunchDomain::systemAgent,
                                                 LaunchDomain::systemDaemon};

// The domain's stored name, which is also its display text: "Login items", "System agents" or
// "System daemons".
QString toRaw(LaunchDomain domain);
// The domain whose stored name is exactly `raw` (case-sensitive), or nothing.
std::optional<LaunchDomain> fromRaw(const QString& raw);

} // namespace LaunchDomains
} // namespace qm
