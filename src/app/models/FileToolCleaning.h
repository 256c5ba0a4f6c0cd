#pragma once

#include "core/files/FileEntry.h"
#include "core/model/CleanReport.h"
#include "core/model/ScanItem.h"
#include "core/model/UndoResult.h"
#include "platform/Trash.h"

#include <QString>

#include <optional>
#include <vector>

namespace qm {

// What the Duplicates and Large & Old tools word alike around the Trash: the items a clean takes from
// the selected files and the failure notes, whose two sentences the space lens and the uninstaller word
// with their own noun (the clean and the undo themselves run through `TrashSession`). Holds no
// state; every function is safe to call on the GUI thread.
class FileToolCleaning
{
public:
    // One selected item per file, in order: a fresh id, the file's path, its name (lossy display
    // text), bytes, modification time, selected.
    static std::vector<ScanItem> itemsFrom(const std::vector<FileEntry>& files);

    // count + " " + `noun` ("s" unless the count is 1) + " couldn't be moved to the Trash" + `close`
    // + "\n" + the first failure; nothing when no failure. The space lens says "item" and ":".
    static std::optional<QString> moveFailureNote(const CleanReport& report, const QString& noun,
                                                  QChar close);
    // missing + " of " + total + " " + `noun` ("s" unless the total is 1) + " couldn't be restored from
    // the Trash — it may have been permanently deleted."; nothing when every item came back or was
    // skipped.
    static std::optional<QString> restoreShortfallNote(const UndoResult& result, const QString& noun);

    // "2 files couldn't be moved to the Trash.\n<first failure>"; nothing when no failure.
    static std::optional<QString> cleanNote(const CleanReport& report);
    // "2 of 3 files couldn't be restored from the Trash — it may have been permanently deleted.";
    // nothing when every item came back or was skipped.
    static std::optional<QString> undoNote(const UndoResult& result);
};

} // namespace qm
