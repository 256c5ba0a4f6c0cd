#include "app/models/SystemThreatPlaces.h"

#include "protocol/SystemThreatRemovalPolicy.h"

#include <algorithm>
#include <string_view>

namespace qm {
namespace {

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

SystemThreatPlaces::SystemThreatPlaces(const Path& systemRoot) : m_systemRoot(systemRoot)
{
    for (const std::string_view folder : SystemThreatRemovalPolicy::allowedParents)
        m_prefixes.push_back((m_systemRoot / Path(folder).relative_path()).native() + "/");
}

bool SystemThreatPlaces::isSystemLevel(const ThreatFinding& finding) const
{
    return std::any_of(m_prefixes.begin(), m_prefixes.end(),
                       [&](const std::string& prefix) { return startsWith(finding.url.native(), prefix); });
}

bool SystemThreatPlaces::needsHelper(const ThreatFinding& finding) const
{
    return !finding.removable && !finding.isTestFile && !finding.isReferenceOnlyDetection() &&
           isSystemLevel(finding);
}

Path SystemThreatPlaces::systemPath(const Path& finding) const
{
    std::string root = m_systemRoot.native();
    while (!root.empty() && root.back() == '/')
        root.pop_back();
    const std::string& path = finding.native();
    if (root.empty() || path.size() <= root.size() || path.compare(0, root.size(), root) != 0 ||
        path[root.size()] != '/')
        return finding;
    return Path(path.substr(root.size()));
}

} // namespace qm
