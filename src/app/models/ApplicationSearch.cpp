#include "app/models/ApplicationSearch.h"

#include "core/model/TextSearch.h"

#include <algorithm>

namespace qm {

void ApplicationSearch::rekey(const std::vector<InstalledApp>& apps,
                              const std::function<bool(const InstalledApp&)>& isOwn)
{
    m_keys.clear();
    m_keys.reserve(apps.size());
    for (const InstalledApp& app : apps)
        m_keys.push_back(Keys{TextSearch::fold(app.name), TextSearch::fold(app.bundleID), isOwn(app)});
}

std::vector<std::size_t> ApplicationSearch::filtered(const std::vector<InstalledApp>& apps,
                                                     const QString& query, bool sortBySize) const
{
    const bool filtering = !query.isEmpty();
    const QString folded = filtering ? TextSearch::fold(query) : QString();
    std::vector<std::size_t> out;
    out.reserve(apps.size());
    for (std::size_t i = 0; i < apps.size() && i < m_keys.size(); ++i) {
        const Keys& keys = m_keys[i];
        if (keys.isSelf)
            continue;
        if (filtering && !TextSearch::containsFolded(keys.name, folded) &&
            !TextSearch::containsFolded(keys.bundleID, folded))
            continue;
        out.push_back(i);
    }
    if (sortBySize) {
        std::stable_sort(out.begin(), out.end(),
                         [&](std::size_t a, std::size_t b) { return apps[a].sizeBytes > apps[b].sizeBytes; });
    }
    return out;
}

int ApplicationSearch::uninstallableCount() const
{
    return int(std::count_if(m_keys.begin(), m_keys.end(), [](const Keys& k) { return !k.isSelf; }));
}

} // namespace qm
