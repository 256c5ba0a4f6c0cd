#include "app/navigation/ProtectionTabCatalog.h"

#include "app/navigation/ProtectionTab.h"

namespace qm {

ProtectionTabCatalog::ProtectionTabCatalog(QObject* parent) : QObject(parent) {}

QStringList ProtectionTabCatalog::allCases() const
{
    QStringList raws;
    for (ProtectionTab tab : ProtectionTabs::allCases)
        raws.append(ProtectionTabs::rawValue(tab));
    return raws;
}

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
    return ProtectionTabs::fromRawValue(raw).has_value();
}

} // namespace qm
