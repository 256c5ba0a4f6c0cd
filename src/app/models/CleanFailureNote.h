#pragma once

#include "core/model/CleanFailure.h"

#include <QString>

#include <functional>
#include <optional>

namespace qm {

// The sentence a cleaning page's failure alert shows for the items a clean could not move, shared by
// every page that cleans junk so they word it alike. A plain value; it shows nothing itself.
struct CleanFailureNote
{
    QString text;
    // The note names an item in a protected location and Full Disk Access is off.
    bool needsFullDiskAccess = false;

    // Words `n` failed items (the count in decimal digits, "item" with "s" unless `n` is 1) after
    // `lead` (a text of the caller's, often empty). With `permissionDenied` (the first failure that
    // was a permission denial) it names that item, says it lives in a protected location and, when
    // `fullDiskAccess` answers no, adds the Full Disk Access sentence; `fullDiskAccess` is asked only
    // then. Otherwise it is the generic sentence, a line break and `first` (the first failure's
    // text). Names and texts are used exactly as given, never interpreted.
    static CleanFailureNote word(const QString& lead, qint64 n, const QString& first,
                                 const std::optional<CleanFailure>& permissionDenied,
                                 const std::function<bool()>& fullDiskAccess);
};

} // namespace qm
