#include "core/system/BatteryInfo.h"

namespace qm {
namespace {

// How many consecutive readings a field, or a whole reading, may be carried over.
constexpr int kCarryLimit = 3;

// Decides one field of a merged reading: the new value when there is one, else the previous value
// while the field's streak allows, else missing. `merged` starts as the new reading.
template <typename T>
void carry(T& merged, const T& previousValue, const QString& key, const BatteryInfo& previous,
           std::map<QString, int>& streaks, bool (*has)(const T&))
{
    if (has(merged)) {
        streaks[key] = 0;
        return;
    }
    const auto found = previous.fieldMissStreaks.find(key);
    const int streak = found == previous.fieldMissStreaks.end() ? 0 : found->second;
    if (has(previousValue) && streak < kCarryLimit) {
        merged = previousValue;
        streaks[key] = streak + 1;
    } else {
        streaks[key] = streak;
    }
}

template <typename T> bool hasValue(const std::optional<T>& value)
{
    return value.has_value();
}

bool isKnown(const BatteryCondition& condition)
{
    return condition != BatteryCondition::unknown;
}

} // namespace

BatteryInfo BatteryInfo::unavailable()
{
    BatteryInfo info;
    info.isPluggedIn = true;
    return info;
}

BatteryInfo BatteryInfo::coalesced(const BatteryInfo& previous) const
{
    if (!isPresent) {
        if (previous.isPresent && previous.missStreak < kCarryLimit) {
            BatteryInfo carried = previous;
            carried.missStreak += 1;
            return carried;
        }
        return *this;
    }
    if (!previous.isPresent)
        return *this;

    BatteryInfo merged = *this;
    merged.missStreak = 0;
    std::map<QString, int>& streaks = merged.fieldMissStreaks;
    carry(merged.chargePercent, previous.chargePercent, QStringLiteral("chargePercent"), previous, streaks,
          &hasValue<int>);
    carry(merged.cycleCount, previous.cycleCount, QStringLiteral("cycleCount"), previous, streaks,
          &hasValue<qint64>);
    carry(merged.designCapacity, previous.designCapacity, QStringLiteral("designCapacity"), previous, streaks,
          &hasValue<qint64>);
    carry(merged.fullChargeCapacity, previous.fullChargeCapacity, QStringLiteral("fullChargeCapacity"),
          previous, streaks, &hasValue<qint64>);
    carry(merged.healthPercent, previous.healthPercent, QStringLiteral("healthPercent"), previous, streaks,
          &hasValue<int>);
    carry(merged.temperatureC, previous.temperatureC, QStringLiteral("temperatureC"), previous, streaks,
          &hasValue<double>);
    // A time to full never stands in for a time to empty, or the reverse.
    if (isCharging != previous.isCharging)
        streaks[QStringLiteral("timeRemainingMinutes")] = 0;
    else
        carry(merged.timeRemainingMinutes, previous.timeRemainingMinutes,
              QStringLiteral("timeRemainingMinutes"), previous, streaks, &hasValue<qint64>);
    carry(merged.condition, previous.condition, QStringLiteral("condition"), previous, streaks, &isKnown);
    return merged;
}

std::optional<QString> BatteryInfo::formattedTimeRemaining() const
{
    if (!timeRemainingMinutes || *timeRemainingMinutes < 1)
        return std::nullopt;
    const qint64 minutes = *timeRemainingMinutes;
    if (minutes < 60)
        return QString::number(minutes) + QLatin1Char('m');
    return QString::number(minutes / 60) + QStringLiteral("h ") + QString::number(minutes % 60) +
           QLatin1Char('m');
}

} // namespace qm
