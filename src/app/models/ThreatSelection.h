#pragma once

#include "core/malware/ThreatFinding.h"

#include <QString>
#include <QUuid>

#include <optional>
#include <vector>

namespace qm {

// The malware tab's selection, decided on a list of findings alone: what flipping one finding gives,
// which findings a clean would move and how much they hold. Keeps no state of its own.
class ThreatSelection
{
public:
    // `findings` with the selection of the finding with `id` flipped (removable or not); nothing for an
    // unknown id.
    static std::optional<std::vector<ThreatFinding>> toggled(const std::vector<ThreatFinding>& findings,
                                                             const QUuid& id);
    // The findings, in order, that are selected and removable.
    static std::vector<ThreatFinding> removableSelected(const std::vector<ThreatFinding>& findings);
    // The summed bytes of `removableSelected` as a file-style byte count; "0 KB" when 0 or less.
    static QString formattedSelected(const std::vector<ThreatFinding>& findings);
};

} // namespace qm
