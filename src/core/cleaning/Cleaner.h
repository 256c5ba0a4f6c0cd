#pragma once

#include "core/cleaning/SafetyGuard.h"
#include "core/model/CleanReport.h"
#include "core/model/ScanItem.h"
#include "core/model/UndoResult.h"
#include "platform/Trash.h"

#include <optional>
#include <vector>

namespace qm {

// The trash-first remover behind every removal: each item the guard admits is moved to the
// Trash and recorded with its file identity, so that an undo moves exactly that file back.
// Nothing is deleted. Synchronous and stateless; run it off the GUI thread.
class Cleaner
{
public:
    Cleaner(SafetyGuard guardrail, Trash trash = Trash());

    // Moves every given item (selected or not: the caller decides) to the Trash, in order, with
    // no early stop. Refused and failed items are reported; the others are recorded as trashed,
    // under their standardised path. Each move happens where the guard placed the item (its folder
    // opened beneath the admitting root without following links), so the info file records the path
    // with its folder's links resolved. An item under the system's own folders (/usr but not
    // /usr/local, /etc, /boot, /bin, /sbin, /lib, /lib32, /lib64, /libx32, /var/lib) and a folder with
    // a mount point anywhere below it fail with their reasons in words, whoever runs, before anything
    // moves.
    CleanReport clean(const std::vector<ScanItem>& items) const;

    // Moves back each trashed item whose recorded identity (device and inode, and the birth marks
    // where they were recorded) still matches, whose info file still names its original place, whose
    // original place is free and which the guard still admits; each goes back through the guard's
    // placement of its original place, the missing folders on the way made without following links.
    // Never replaces anything; failures are silent and show only in the counts.
    UndoResult undo(const CleanReport& report) const;

    // "<device>:<inode>" of the path itself (a final link is not followed), or nothing when it
    // cannot be read.
    static std::optional<QString> fileID(const Path& path);

    const SafetyGuard& guardrail() const { return m_guardrail; }

private:
    SafetyGuard m_guardrail;
    Trash m_trash;
};

} // namespace qm
