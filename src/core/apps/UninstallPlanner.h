#pragma once

#include "core/apps/InstalledApp.h"
#include "core/apps/LeftoverItem.h"
#include "core/apps/UninstallPlan.h"
#include "platform/FileSystem.h"
#include "platform/Places.h"

#include <functional>
#include <optional>
#include <vector>

namespace qm {

// Decides how an application is uninstalled (`UninstallPlan`) from the application, its leftovers
// and the inventory. Reads nothing but what its two probes answer, so a plan follows from its
// inputs; it moves nothing and asks for no rights.
class UninstallPlanner
{
public:
    // The file-system facts a plan depends on; both are asked about the application's own items only.
    struct Probes
    {
        // Whether the item is a symbolic link (default: AppScanner::isLinkedBundle).
        std::function<bool(const Path&)> isLink = {};
        // Whether the item (the entry itself, a link not followed) belongs to another user than the
        // process's real one; false when it cannot be examined (default: the file system's owner).
        std::function<bool(const Path&)> ownedByOther = {};
    };

    // A planner for the user whose home is `home` and whose folders are `places`, with the real
    // probes or with `probes` (an empty member is the real one).
    UninstallPlanner(Places places, Path home);
    UninstallPlanner(Places places, Path home, Probes probes);

    // The plan for uninstalling `app` with the selected entries of `leftovers`; `inventory` gives the
    // application's known size.
    UninstallPlan plan(const InstalledApp& app, const std::vector<LeftoverItem>& leftovers,
                       const std::vector<InstalledApp>& inventory) const;

    // The roots of the uninstall guard: the leftover roots, ~/Applications and the data home's
    // entries; for `app` installed in the home also the folders of its removal items below the home.
    std::vector<Path> guardRoots(const std::optional<InstalledApp>& app = std::nullopt) const;

    // Whether `app` takes the administrator road (`UninstallPlan::needsAdmin`).
    bool needsAdmin(const InstalledApp& app) const;

    // The real `Probes::ownedByOther`: the owner of `url` (not followed) is not the real user.
    static bool ownedByOtherUser(const Path& url);

private:
    Places m_places;
    Path m_home;
    Probes m_probes;
};

} // namespace qm
