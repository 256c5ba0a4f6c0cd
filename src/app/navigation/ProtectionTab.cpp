#include "app/navigation/ProtectionTab.h"

namespace qm::ProtectionTabs {

QString rawValue(ProtectionTab tab)
{
    switch (tab) {
    case ProtectionTab::privacy:
        return QStringLiteral("Privacy");
    case ProtectionTab::malware:
        return QStringLiteral("Malware");
    }
    return {};
}

std::optional<ProtectionTab> fromRawValue(const QString& raw)
{
    for (ProtectionTab tab : allCases) {
        if (raw == rawValue(tab))
            return tab;
    }
    return std::nullopt;
}

} // namespace qm::ProtectionTabs
