#include "app/models/BatteryDisplay.h"

#include "core/model/Formatting.h"

#include <algorithm>

namespace qm::BatteryDisplay {
namespace {

const QString kDash = QStringLiteral("\u2014");

} // namespace

QColor red()
{
    return QColor(242, 86, 107);
}

QColor orange()
{
    return QColor(246, 162, 60);
}

QColor green()
{
    return QColor(111, 217, 87);
}

QColor secondary()
{
    return QColor::fromRgbF(1, 1, 1, 0.64f);
}

bool isFull(const BatteryInfo& battery)
{
    return battery.fullyCharged && (!battery.chargePercent || *battery.chargePercent > 99);
}

QString statusTitle(const BatteryInfo& battery)
{
    if (isFull(battery))
        return QStringLiteral("Fully Charged");
    if (battery.isCharging)
        return QStringLiteral("Charging");
    if (battery.isPluggedIn)
        return QStringLiteral("Plugged In");
    return QStringLiteral("On Battery");
}

std::optional<QString> statusDetail(const BatteryInfo& battery)
{
    if (isFull(battery))
        return std::nullopt;
    const std::optional<QString> time = battery.formattedTimeRemaining();
    if (battery.isCharging)
        return time ? QStringLiteral("About ") + *time + QStringLiteral(" until full.")
                    : QStringLiteral("Calculating time to full\u2026");
    if (battery.isPluggedIn)
        return battery.fullyCharged
                   ? std::nullopt
                   : std::optional<QString>(QStringLiteral("Connected to power but not charging."));
    return time ? QStringLiteral("About ") + *time + QStringLiteral(" remaining.")
                : QStringLiteral("Estimating time remaining\u2026");
}

QString timeTileTitle(const BatteryInfo& battery)
{
    return battery.isCharging ? QStringLiteral("Time to full") : QStringLiteral("Time remaining");
}

QString timeRemainingTileValue(const BatteryInfo& battery)
{
    if (isFull(battery) || (!battery.isCharging && battery.isPluggedIn))
        return kDash;
    return battery.formattedTimeRemaining().value_or(kDash);
}

QColor chargeColor(const BatteryInfo& battery)
{
    if (battery.isCharging)
        return green();
    if (!battery.chargePercent)
        return secondary();
    if (*battery.chargePercent <= 20)
        return red();
    if (*battery.chargePercent <= 40)
        return orange();
    return green();
}

QColor healthColor(const BatteryInfo& battery)
{
    if (!battery.healthPercent)
        return secondary();
    const int health = *battery.healthPercent;
    if (battery.condition == BatteryCondition::serviceRecommended)
        return health < 70 ? red() : orange();
    if (health >= 80)
        return green();
    return health >= 70 ? orange() : red();
}

QColor conditionColor(const BatteryInfo& battery)
{
    switch (battery.condition) {
    case BatteryCondition::normal:
        return green();
    case BatteryCondition::serviceRecommended:
        return red();
    case BatteryCondition::unknown:
        break;
    }
    return secondary();
}

QString chargeText(const BatteryInfo& battery)
{
    return battery.chargePercent ? QString::number(*battery.chargePercent) + QLatin1Char('%') : kDash;
}

double fillFraction(const BatteryInfo& battery)
{
    const double fraction = battery.chargePercent ? *battery.chargePercent / 100.0 : 0.0;
    return std::max(fraction, 0.001);
}

QString powerSourceText(const BatteryInfo& battery)
{
    return battery.isPluggedIn ? QStringLiteral("Power Adapter") : QStringLiteral("Battery");
}

QString healthText(const BatteryInfo& battery)
{
    return battery.healthPercent ? QString::number(*battery.healthPercent) + QLatin1Char('%') : kDash;
}

QString cycleText(const BatteryInfo& battery)
{
    return battery.cycleCount ? QString::number(*battery.cycleCount) : kDash;
}

QString conditionText(const BatteryInfo& battery)
{
    return BatteryConditions::toRaw(battery.condition);
}

QString conditionIcon(const BatteryInfo& battery)
{
    switch (battery.condition) {
    case BatteryCondition::normal:
        return QStringLiteral("checkmark.seal.fill");
    case BatteryCondition::serviceRecommended:
        return QStringLiteral("exclamationmark.triangle.fill");
    case BatteryCondition::unknown:
        break;
    }
    return QStringLiteral("questionmark.circle");
}

QString temperatureText(const BatteryInfo& battery)
{
    if (!battery.temperatureC)
        return kDash;
    // C's rounding, as the format promises (30.5 reads "30"; Qt's formatting would say "31").
    return Formatting::cFormat("%.0f\u00b0C", *battery.temperatureC);
}

} // namespace qm::BatteryDisplay
