#include "app/navigation/ProtectionTabCatalog.h"

#include "app/navigation/ProtectionTab.h"

namespace qm {

ProtectionTabCatalog::ProtectionTabCatalog(QObject* parent)
    : TabCatalog(ProtectionTabs::allCases, ProtectionTabs::rawValue, parent)
{}

QString ProtectionTabCatalog::privacy() const
{
    return ProtectionTabs::rawValue(ProtectionTab::privacy);
}

QString ProtectionTabCatalog::malware() const
{
    return ProtectionTabs::rawValue(ProtectionTab::malware);
}

bool ProtectionTabCatalog::isTab(const QString& raw) const
{
    return names(raw);
}

} // namespace qm
