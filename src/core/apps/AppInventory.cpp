#include "core/apps/AppInventory.h"

#include "core/cleaning/CleanupScanner.h"

#include <algorithm>
#include <utility>

namespace qm {

AppInventory::AppInventory(DesktopAppScanner desktop, Sizer sizer)
    : m_desktop(std::move(desktop)), m_sizer(std::move(sizer))
{}

AppScanner::Listing AppInventory::list() const
{
    return m_desktop.listApps();
}

qint64 AppInventory::measure(const InstalledApp& app, std::stop_token stop) const
{
    if (app.origin == AppOrigin::debianPackage)
        return m_desktop.measure(app, CleanupScanner(), std::move(stop));
    qint64 total = 0;
    for (const Path& root : app.sizeRoots)
        total += m_sizer(root, {}, kSizeNodeLimit, false, kSizeDeadlineSeconds, nullptr, stop);
    return total;
}

AppInventory::Sizes AppInventory::knownSizes(const std::vector<InstalledApp>& apps)
{
    Sizes known;
    for (const InstalledApp& app : apps)
        known.try_emplace(app.id(), app.sizeBytes);
    return known;
}

std::vector<InstalledApp> AppInventory::keepingSizes(std::vector<InstalledApp> listed, const Sizes& known)
{
    for (InstalledApp& app : listed) {
        if (app.sizeBytes != 0)
            continue;
        const auto size = known.find(app.id());
        if (size != known.end() && size->second > 0)
            app.sizeBytes = size->second;
    }
    return listed;
}

std::vector<InstalledApp> AppInventory::withSizes(std::vector<InstalledApp> apps, const Sizes& measured)
{
    for (InstalledApp& app : apps) {
        const auto size = measured.find(app.id());
        if (size != measured.end())
            app.sizeBytes = size->second;
    }
    return apps;
}

std::vector<InstalledApp> AppInventory::without(std::vector<InstalledApp> apps, const std::string& id)
{
    std::erase_if(apps, [&](const InstalledApp& app) { return app.id() == id; });
    return apps;
}

std::set<std::string> AppInventory::missing(const std::vector<InstalledApp>& apps,
                                            const std::function<bool(const Path&)>& exists)
{
    std::set<std::string> gone;
    for (const InstalledApp& app : apps) {
        if (!exists(app.url))
            gone.insert(app.id());
    }
    return gone;
}

std::optional<std::vector<InstalledApp>> AppInventory::pruned(std::vector<InstalledApp> apps,
                                                              const std::set<std::string>& gone,
                                                              const std::function<bool(const Path&)>& exists)
{
    const auto removed = std::erase_if(
        apps, [&](const InstalledApp& app) { return gone.contains(app.id()) && !exists(app.url); });
    if (removed == 0)
        return std::nullopt;
    return apps;
}

const InstalledApp* AppInventory::find(const std::vector<InstalledApp>& apps, const std::string& id)
{
    const auto found =
        std::find_if(apps.begin(), apps.end(), [&](const InstalledApp& app) { return app.id() == id; });
    return found == apps.end() ? nullptr : &*found;
}

} // namespace qm
