#include "core/system/BatteryStats.h"

#include "platform/PowerSources.h"

#include <QMetaType>

#include <algorithm>
#include <cmath>
#include <limits>

namespace qm::BatteryStats {
namespace {

// The integer under `key`: a value of an integer type, or a double holding a whole number in range.
std::optional<qint64> integer(const std::optional<QVariantMap>& map, const QString& key)
{
    if (!map)
        return std::nullopt;
    const auto found = map->constFind(key);
    if (found == map->constEnd())
        return std::nullopt;
    const QVariant& value = *found;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::SChar:
        return value.toLongLong();
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar: {
        const qulonglong unsignedValue = value.toULongLong();
        if (unsignedValue > qulonglong(std::numeric_limits<qint64>::max()))
            return std::nullopt;
        return qint64(unsignedValue);
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        // 2^63 itself is out of range; every double below it converts exactly when whole.
        if (!std::isfinite(d) || d != std::trunc(d) || d < -9223372036854775808.0 ||
            d >= 9223372036854775808.0)
            return std::nullopt;
        return qint64(d);
    }
    default:
        return std::nullopt;
    }
}

std::optional<bool> boolean(const std::optional<QVariantMap>& map, const QString& key)
{
    if (!map)
        return std::nullopt;
    const auto found = map->constFind(key);
    if (found == map->constEnd() || found->typeId() != QMetaType::Bool)
        return std::nullopt;
    return found->toBool();
}

std::optional<QString> string(const std::optional<QVariantMap>& map, const QString& key)
{
    if (!map)
        return std::nullopt;
    const auto found = map->constFind(key);
    if (found == map->constEnd() || found->typeId() != QMetaType::QString)
        return std::nullopt;
    return found->toString();
}

// current ÷ maximum as a percentage, rounded half away from zero, at most 100.
int percentOf(double part, double whole)
{
    return int(std::min(100.0, std::round(part / whole * 100.0)));
}

} // namespace

std::optional<int> healthPercent(qint64 designCapacity, qint64 fullChargeCapacity)
{
    if (designCapacity < 1 || fullChargeCapacity < 1)
        return std::nullopt;
    return percentOf(double(fullChargeCapacity), double(designCapacity));
}

std::optional<qint64> maximumCapacityMAh(const std::optional<QVariantMap>& asb)
{
    for (const QString& key : {QStringLiteral("NominalChargeCapacity"), QStringLiteral("AppleRawMaxCapacity"),
                               QStringLiteral("MaxCapacity")}) {
        if (const std::optional<qint64> value = integer(asb, key); value && *value > 200)
            return value;
    }
    return std::nullopt;
}

std::optional<int> chargePercent(const std::optional<QVariantMap>& asb, const std::optional<QVariantMap>& ps)
{
    const struct
    {
        const std::optional<QVariantMap>& map;
        QString current;
        QString maximum;
    } pairs[] = {
        {ps, QStringLiteral("Current Capacity"), QStringLiteral("Max Capacity")},
        {asb, QStringLiteral("AppleRawCurrentCapacity"), QStringLiteral("AppleRawMaxCapacity")},
        {asb, QStringLiteral("CurrentCapacity"), QStringLiteral("MaxCapacity")},
    };
    for (const auto& pair : pairs) {
        const std::optional<qint64> current = integer(pair.map, pair.current);
        const std::optional<qint64> maximum = integer(pair.map, pair.maximum);
        if (current && maximum && *maximum >= 1 && *current >= 0)
            return percentOf(double(*current), double(*maximum));
    }
    return std::nullopt;
}

std::optional<double> temperatureCelsius(const std::optional<QVariantMap>& asb)
{
    const std::optional<qint64> hundredths = integer(asb, QStringLiteral("Temperature"));
    if (!hundredths || *hundredths == 0)
        return std::nullopt;
    const double celsius = double(*hundredths) / 100.0;
    if (!(celsius > -20.0 && celsius < 80.0))
        return std::nullopt;
    return celsius;
}

std::optional<qint64> timeRemaining(const std::optional<QVariantMap>& ps,
                                    const std::optional<QVariantMap>& asb, bool isCharging)
{
    const QString psKey =
        isCharging ? QStringLiteral("Time to Full Charge") : QStringLiteral("Time to Empty");
    const QString asbKey = isCharging ? QStringLiteral("AvgTimeToFull") : QStringLiteral("AvgTimeToEmpty");
    if (const std::optional<qint64> minutes = integer(ps, psKey); minutes && *minutes > 0)
        return minutes;
    if (const std::optional<qint64> minutes = integer(asb, asbKey);
        minutes && *minutes >= 1 && *minutes <= 1439)
        return minutes;
    return std::nullopt;
}

bool serviceRecommended(const std::optional<QVariantMap>& ps)
{
    if (!ps)
        return false;
    if (const std::optional<QString> condition = string(ps, QStringLiteral("BatteryHealthCondition"));
        condition && !condition->isEmpty())
        return true;
    const std::optional<QString> health = string(ps, QStringLiteral("BatteryHealth"));
    return health == QStringLiteral("Fair") || health == QStringLiteral("Poor");
}

BatteryInfo read(const std::optional<BatteryInfo>& previous, const PowerSources* sources)
{
    static const SysfsPowerSources machine;
    const PowerSourceMaps maps = (sources ? *sources : machine).read();
    const std::optional<QVariantMap>& asb = maps.controller;
    const std::optional<QVariantMap>& ps = maps.powerSource;

    if (boolean(asb, QStringLiteral("BatteryInstalled")) != true && !ps)
        return BatteryInfo::unavailable();

    BatteryInfo info;
    info.isPresent = true;
    info.designCapacity = integer(asb, QStringLiteral("DesignCapacity"));
    info.fullChargeCapacity = maximumCapacityMAh(asb);
    std::optional<double> ratio;
    if (info.designCapacity && info.fullChargeCapacity) {
        info.healthPercent = healthPercent(*info.designCapacity, *info.fullChargeCapacity);
        if (*info.designCapacity >= 1)
            ratio = double(*info.fullChargeCapacity) / double(*info.designCapacity);
    }
    const std::optional<qint64> failure = integer(asb, QStringLiteral("PermanentFailureStatus"));
    const bool permanentFailure = failure && *failure != 0;
    const bool osService = serviceRecommended(ps);

    const bool previousPresent = previous && previous->isPresent;
    info.isCharging =
        boolean(ps, QStringLiteral("Is Charging"))
            .value_or(
                boolean(asb, QStringLiteral("IsCharging")).value_or(previousPresent && previous->isCharging));
    if (const std::optional<QString> state = string(ps, QStringLiteral("Power Source State")))
        info.isPluggedIn = *state == QStringLiteral("AC Power");
    else
        info.isPluggedIn = boolean(asb, QStringLiteral("ExternalConnected"))
                               .value_or(previousPresent && previous->isPluggedIn);
    info.fullyCharged = boolean(ps, QStringLiteral("Is Charged"))
                            .value_or(boolean(asb, QStringLiteral("FullyCharged"))
                                          .value_or(previousPresent && previous->fullyCharged));

    info.chargePercent = chargePercent(asb, ps);
    info.cycleCount = integer(asb, QStringLiteral("CycleCount"));
    info.temperatureC = temperatureCelsius(asb);

    // The ratio is not rounded: 79.8 % shows a health of 80 but asks for service.
    if (permanentFailure || osService)
        info.condition = BatteryCondition::serviceRecommended;
    else if (!ratio || *ratio <= 0)
        info.condition = BatteryCondition::unknown;
    else
        info.condition = *ratio < 0.8 ? BatteryCondition::serviceRecommended : BatteryCondition::normal;

    info.timeRemainingMinutes = timeRemaining(ps, asb, info.isCharging);
    return info;
}

} // namespace qm::BatteryStats
