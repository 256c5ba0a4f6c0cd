#include "app/models/ThreatSelection.h"

#include "core/model/Formatting.h"

#include <algorithm>

namespace qm {

std::optional<std::vector<ThreatFinding>> ThreatSelection::toggled(const std::vector<ThreatFinding>& findings,
                                                                   const QUuid& id)
{
    const auto found = std::find_if(findings.begin(), findings.end(),
                                    [&](const ThreatFinding& finding) { return finding.id == id; });
    if (found == findings.end())
        return std::nullopt;
    std::vector<ThreatFinding> result = findings;
    ThreatFinding& finding = result[std::size_t(found - findings.begin())];
    finding.isSelected = !finding.isSelected;
    return result;
}

std::vector<ThreatFinding> ThreatSelection::removableSelected(const std::vector<ThreatFinding>& findings)
{
    std::vector<ThreatFinding> selected;
    for (const ThreatFinding& finding : findings) {
        if (finding.isSelected && finding.removable)
            selected.push_back(finding);
    }
    return selected;
}

QString ThreatSelection::formattedSelected(const std::vector<ThreatFinding>& findings)
{
    qint64 bytes = 0;
    for (const ThreatFinding& finding : removableSelected(findings))
        bytes += finding.bytes;
    return Formatting::byteCount(bytes);
}

} // namespace qm
