#include "core/launchd/LaunchDomain.h"

namespace qm::LaunchDomains {

QString toRaw(LaunchDomain domain)
{
    switch (domain) {
    case LaunchDomain::userAgent:
        return QStringLiteral("Login items");
    case LaunchDomain::systemAgent:
        return QStringLiteral("System agents");
    case LaunchDomain::systemDaemon:
        return QStringLiteral("System daemons");
    }
    Q_UNREACHABLE();
}

std::optional<LaunchDomain> fromRaw(const QString& raw)
{
    for (LaunchDomain domain : all) {
        if (toRaw(domain) == raw)
            return domain;
    }
    return std::nullopt;
}

} // namespace qm::LaunchDomains
