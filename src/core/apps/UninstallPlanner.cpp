#include "core/apps/UninstallPlanner.h"

#include "core/apps/AppScanner.h"
#include "core/apps/LeftoverFinder.h"

#include <unistd.h>

#include <algorithm>
#include <utility>

namespace qm {

UninstallPlanner::UninstallPlanner(Places places, Path home)
    : UninstallPlanner(std::move(places), std::move(home), Probes{})
{}

UninstallPlanner::UninstallPlanner(Places places, Path home, Probes probes)
    : m_places(std::move(places)), m_home(std::move(home)), m_probes(std::move(probes))
{
    if (!m_probes.isLink)
        m_probes.isLink = [](const Path& item) { return AppScanner::isLinkedBundle(item); };
    if (!m_probes.ownedByOther)
        m_probes.ownedByOther = &UninstallPlanner::ownedByOtherUser;
}

bool UninstallPlanner::ownedByOtherUser(const Path& url)
{
    const auto status = FileSystem().status(url);
    return status && status->owner != ::getuid();
}

bool UninstallPlanner::needsAdmin(const InstalledApp& app) const
{
    switch (app.origin) {
    case AppOrigin::administrator:
        return true;
    case AppOrigin::homeFile:
    case AppOrigin::appImage:
        return !app.removal.empty() && m_probes.ownedByOther(app.removal.front());
    default:
        // The package manager's: nothing of it is moved, so no rights are asked for.
        return false;
    }
}

std::vector<Path> UninstallPlanner::guardRoots(const std::optional<InstalledApp>& app) const
{
    std::vector<Path> roots = LeftoverFinder::allowedRoots(m_places);
    roots.push_back(m_places.userApplications());
    roots.push_back(m_places.dataHome() / "applications");
    // The folder of a program installed in the home, which the trash road moves with its entry.
    if (app && (app->origin == AppOrigin::homeFile || app->origin == AppOrigin::appImage)) {
        const std::string home = FileSystem::standardize(m_home).native() + '/';
        for (const Path& item : app->removal) {
            const Path folder = FileSystem::standardize(item).parent_path();
            if (folder.native().size() > home.size() && folder.native().compare(0, home.size(), home) == 0)
                roots.push_back(folder);
        }
    }
    return roots;
}

UninstallPlan UninstallPlanner::plan(const InstalledApp& app, const std::vector<LeftoverItem>& leftovers,
                                     const std::vector<InstalledApp>& inventory) const
{
    UninstallPlan plan;
    std::vector<Path> urls;
    for (const LeftoverItem& leftover : leftovers) {
        if (!leftover.isSelected)
            continue;
        ScanItem item;
        item.url = leftover.url;
        item.name = leftover.name;
        item.bytes = leftover.bytes;
        item.isSelected = true;
        plan.leftovers.push_back(std::move(item));
        urls.push_back(leftover.url);
    }
    plan.homeItems = LeftoverFinder::homeItems(m_places, urls);
    plan.guardRoots = guardRoots(app);
    const auto listed = std::find_if(inventory.begin(), inventory.end(),
                                     [&](const InstalledApp& a) { return a.id() == app.id(); });
    plan.appBytes = listed != inventory.end() ? listed->sizeBytes : app.sizeBytes;
    plan.needsAdmin = needsAdmin(app);
    plan.adminTarget =
        app.origin == AppOrigin::administrator && !app.removal.empty() ? app.removal.front() : app.url;

    if (app.origin != AppOrigin::homeFile && app.origin != AppOrigin::appImage) {
        plan.road = UninstallPlan::Road::leftoversOnly;
        return plan;
    }
    const std::vector<Path>& items = app.removal;
    // Moving a link would leave the application installed where it points, and its leftovers would
    // go while it stays.
    if (items.empty() || std::any_of(items.begin(), items.end(), m_probes.isLink)) {
        plan.road = UninstallPlan::Road::refusedLink;
        return plan;
    }
    if (m_probes.ownedByOther(items.front())) {
        plan.road = UninstallPlan::Road::refusedOwnership;
        return plan;
    }
    plan.road = UninstallPlan::Road::trash;
    plan.items = items;
    return plan;
}

} // namespace qm
