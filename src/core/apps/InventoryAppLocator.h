#pragma once

#include "core/apps/InstalledApp.h"
#include "platform/AppLocator.h"

#include <map>
#include <vector>

namespace qm {

// The application look-up on this platform, which keeps no system-wide register of applications: it
// answers from the applications an inventory listing found, by their identifiers (Flatpak id or
// desktop file id). It knows no more than that listing, and reads nothing itself. Immutable; safe from any
// thread.
class InventoryAppLocator final : public AppLocator
{
public:
    // Indexes `apps` by identifier ignoring case; when several share one, the first listed wins.
    // Applications without an identifier are left out.
    explicit InventoryAppLocator(const std::vector<InstalledApp>& apps);

    std::optional<Path> urlForApplication(const QString& bundleID) const override;

private:
    std::map<QString, Path> m_byIdentifier; // lower-cased identifier -> application as listed
};

} // namespace qm
