#pragma once

#include "core/model/CleanFailure.h"
#include "core/model/TrashedItem.h"

#include <QString>

#include <set>
#include <vector>

namespace qm {

// The result of one clean, and the handle an undo takes back. `failures` and `failureDetails`
// run in parallel: entry i of both describes the same item.
struct CleanReport
{
    std::vector<TrashedItem> trashed;
    std::vector<QString> failures; // "Skipped for safety: <name>" or "<name>: <reason>"
    std::vector<CleanFailure> failureDetails;

    // Byte-count text of everything trashed.
    QString formattedFreed() const;
    // The failures that were permission denials, in order.
    std::vector<CleanFailure> permissionDenied() const;
    // The paths the trashed items were moved from, as raw bytes (as the cleaner recorded them:
    // standardised), for comparing a list's paths byte for byte.
    std::set<Path::string_type> trashedOriginals() const;
};

} // namespace qm
