#pragma once

#include <QtGlobal>

#include <map>
#include <string>

namespace qm::CloudCleanup {

// Local bytes per item path; keys are the paths' raw bytes and compare byte for byte, so names that
// only look alike once decoded stay apart.
using LocalBytesByPath = std::map<std::string, qint64>;

// What an eviction run freed, from a measurement before and one after it.
struct Freed
{
    qint64 bytes = 0;  // the sum over the paths measured before of what they shrank by
    bool exact = true; // false when the measurement after may be short, so `bytes` is an upper bound
};

// For each path of `before`, how much less it holds in `after` (a path missing there counts as 0; a
// path that grew counts 0, never negative), summed. Paths only in `after` are ignored. `exact` is
// the negation of `afterPartial`. Pure.
Freed freedBytes(const LocalBytesByPath& before, const LocalBytesByPath& after, bool afterPartial);

} // namespace qm::CloudCleanup
