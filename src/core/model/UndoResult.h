#pragma once

#include <QtGlobal>

namespace qm {

// The result of one undo. `total` may exceed `restored + skippedRecreated`: items whose identity
// changed, whose Trash copy is gone, that had no identity or whose move back failed count in
// neither.
struct UndoResult
{
    qint64 restored = 0;
    qint64 skippedRecreated = 0; // left in the Trash because something exists at the original path again
    qint64 total = 0;            // trashed records in the report

    bool operator==(const UndoResult&) const = default;
};

} // namespace qm
