#include "core/system/BatteryCondition.h"

namespace qm::BatteryConditions {

QString toRaw(BatteryCondition condition)
{
    switch (condition) {
    case BatteryCondition::normal:
        return QStringLiteral("Normal");
    case BatteryCondition::serviceRecommended:
        return QStringLiteral("Service Recommended");
    case BatteryCondition::unknown:
        return QStringLiteral("Unknown");
    }
    Q_UNREACHABLE();
}

std::optional<BatteryCondition> fromRaw(const QString& raw)
{
    for (BatteryCondition condition : all) {
        if (toRaw(condition) == raw)
            return condition;
    }
    return std::nullopt;
}

} // namespace qm::BatteryConditions
