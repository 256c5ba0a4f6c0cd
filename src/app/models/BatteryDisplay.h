#pragma once

#include "core/system/BatteryInfo.h"

#include <QColor>
#include <QString>

#include <optional>

namespace qm {

// What the Battery page shows of one battery reading: its status texts, tile values and colours. Pure
// functions of the reading; nothing here reads the battery. Missing values show as "—".
namespace BatteryDisplay {

// The page's red, orange and green, and the secondary text colour (white at 0.64).
QColor red();
QColor orange();
QColor green();
QColor secondary();

// Reported fully charged with the charge missing or above 99%.
bool isFull(const BatteryInfo& battery);
// "Fully Charged", "Charging", "Plugged In" or "On Battery".
QString statusTitle(const BatteryInfo& battery);
// "About 1h 35m until full.", "Calculating time to full…", "Connected to power but not charging.",
// "About 45m remaining." or "Estimating time remaining…"; none when full, or plugged in and reported
// fully charged.
std::optional<QString> statusDetail(const BatteryInfo& battery);
// The time tile's title: "Time to full" while charging, else "Time remaining".
QString timeTileTitle(const BatteryInfo& battery);
// The time tile's value: the time left while charging or on battery, "—" when full, plugged in
// without charging, or without an estimate.
QString timeRemainingTileValue(const BatteryInfo& battery);
// Green while charging; otherwise secondary without a charge, red at 20% or below, orange to 40%,
// green above.
QColor chargeColor(const BatteryInfo& battery);
// Secondary without a health figure; with service recommended red below 70%, else orange; otherwise
// green from 80%, orange from 70% to 79%, red below 70%.
QColor healthColor(const BatteryInfo& battery);
// Green for normal, red for service recommended, secondary for unknown.
QColor conditionColor(const BatteryInfo& battery);

// "87%" or "—" in the ring's centre.
QString chargeText(const BatteryInfo& battery);
// The ring's filled share: the charge over 100 (0 without one), at least 0.001.
double fillFraction(const BatteryInfo& battery);
// "Power Adapter" when plugged in, else "Battery".
QString powerSourceText(const BatteryInfo& battery);
// "92%" or "—".
QString healthText(const BatteryInfo& battery);
// "312" or "—".
QString cycleText(const BatteryInfo& battery);
// The condition's name: "Normal", "Service Recommended" or "Unknown".
QString conditionText(const BatteryInfo& battery);
// "checkmark.seal.fill", "exclamationmark.triangle.fill" or "questionmark.circle".
QString conditionIcon(const BatteryInfo& battery);
// The temperature formatted by C's "%.0f°C" (so 30.5 reads "30°C"), or "—".
QString temperatureText(const BatteryInfo& battery);

} // namespace BatteryDisplay
} // namespace qm
