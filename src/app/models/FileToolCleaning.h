#pragma once

#include "core/files/FileEntry.h"
#include "core/model/CleanReport.h"
#include "core/model/ScanItem.h"
#include "core/model/UndoResult.h"
#include "platform/Trash.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace qm {

// What the Duplicates and Large & Old tools do alike around the Trash: the items a clean takes from the
// selected files, the clean and the undo on the thread pool, the merged undo record and the failure
// notes, whose two sentences the space lens and the uninstaller word with their own noun. Holds no
// state; every function is safe to call on the GUI thread.
class FileToolCleaning
{
public:
    // One selected item per file, in order: a fresh id, the file's path, its name (lossy display
    // text), bytes, modification time, selected.
    static std::vector<ScanItem> itemsFrom(const std::vector<FileEntry>& files);

    // Moves `items` to the Trash on the pool, letting only paths strictly below `root` go, and hands
    // the report to `done` on `context`'s thread unless `context` is gone by then.
    static void clean(QObject* context, const Path& root, const Trash& trash, std::vector<ScanItem> items,
                      std::function<void(CleanReport)> done);
    // Moves `report`'s items back on the pool, under the same guard rooted at `root`, and hands the
    // result to `done` as `clean` does.
    static void undo(QObject* context, const Path& root, const Trash& trash, CleanReport report,
                     std::function<void(UndoResult)> done);

    // The record an undo takes back after another clean: the earlier record's trashed items followed
    // by the new ones, with the newest clean's failures and their details; nothing when nothing was
    // trashed.
    static std::optional<CleanReport> merged(const std::optional<CleanReport>& earlier,
                                             const CleanReport& latest);

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
