#include "core/system/HealthTarget.h"

namespace qm::HealthTargets {

QString toRaw(HealthTarget target)
{
    switch (target) {
    case HealthTarget::smartScan:
        return QStringLiteral("smartScan");
    case HealthTarget::cleanup:
        return QStringLiteral("cleanup");
    case HealthTarget::performance:
        return QStringLiteral("performance");
    case HealthTarget::battery:
        return QStringLiteral("battery");
    case HealthTarget::files:
        return QStringLiteral("files");
    case HealthTarget::none:
        return QStringLiteral("none");
    }
    Q_UNREACHABLE();
}

std::optional<HealthTarget> fromRaw(const QString& raw)
{
    for (HealthTarget target : all) {
        if (toRaw(target) == raw)
            return target;
    }
    return std::nullopt;
}

} // namespace qm::HealthTargets
