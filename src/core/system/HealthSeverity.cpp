#include "core/system/HealthSeverity.h"

namespace qm::HealthSeverities {

int toRaw(HealthSeverity severity)
{
    return static_cast<int>(severity);
}

std::optional<HealthSeverity> fromRaw(int raw)
{
    if (raw < 0 || raw >= static_cast<int>(all.size()))
        return std::nullopt;
    return all[static_cast<std::size_t>(raw)];
}

} // namespace qm::HealthSeverities
