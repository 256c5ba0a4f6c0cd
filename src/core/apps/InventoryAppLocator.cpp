#include "core/apps/InventoryAppLocator.h"

namespace qm {

InventoryAppLocator::InventoryAppLocator(const std::vector<InstalledApp>& apps)
{
    for (const InstalledApp& app : apps) {
        if (!app.bundleID.isEmpty())
            m_byIdentifier.emplace(app.bundleID.toLower(), app.url);
    }
}

std::optional<Path> InventoryAppLocator::urlForApplication(const QString& bundleID) const
{
    if (bundleID.isEmpty())
        return std::nullopt;
    const auto it = m_byIdentifier.find(bundleID.toLower());
    if (it == m_byIdentifier.end())
        return std::nullopt;
    return it->second;
}

} // namespace qm
