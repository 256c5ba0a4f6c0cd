#pragma once

#include <QString>

#include <array>
#include <chrono>
#include <filesystem>
#include <optional>
#include <vector>

namespace qm {

// The three root-level maintenance actions the helper runs. Only the raw value travels to the helper;
// the type carries no display text (the screen that offers the actions supplies it).
enum class HelperAction { freeMemory, flushDNS, runMaintenance };

namespace HelperActions {

// Every action, in declaration order.
inline constexpr std::array<HelperAction, 3> all{HelperAction::freeMemory, HelperAction::flushDNS,
                                                 HelperAction::runMaintenance};

// The wire name of an action: "freeMemory", "flushDNS" or "runMaintenance".
QString toRaw(HelperAction action);
// The action whose wire name is exactly `raw` (case-sensitive, whole string), or nothing.
std::optional<HelperAction> fromRaw(const QString& raw);
// The identity of an action in a list of rows: its raw value.
QString id(HelperAction action);

// Time the application gives the helper to answer `action` before it answers the request as slow:
// 60 s, 20 s, 180 s.
std::chrono::milliseconds replyDeadline(HelperAction action);
// Time an action that ran out of time stays refused by the application, unless a late reply comes
// first: 30 s, 15 s, 600 s.
std::chrono::milliseconds pendingHold(HelperAction action);
// How long the helper lets one run of `action` go on before it stops it: the reply deadline plus the
// pending hold (90 s, 35 s, 780 s), after which the application may ask for the action again.
std::chrono::seconds runLimit(HelperAction action);

// The program whose presence makes the maintenance action worth offering: "/bin/run-parts".
std::filesystem::path maintenanceProgram();
// The actions the application offers, worked out afresh on every call: freeMemory and flushDNS always,
// then runMaintenance only when something exists at `maintenanceProgram` (links followed).
std::vector<HelperAction> available(const std::filesystem::path& maintenanceProgram);
// `available(maintenanceProgram())`.
std::vector<HelperAction> available();

} // namespace HelperActions
} // namespace qm
