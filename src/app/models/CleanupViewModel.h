#pragma once

#include "app/models/JunkSelection.h"
#include "app/models/RestoreTracker.h"
#include "app/models/TrashSession.h"
#include "core/cleaning/CleanupScanner.h"
#include "core/cleaning/SafetyGuard.h"
#include "core/cleaning/TrashBin.h"
#include "core/model/CleanReport.h"
#include "core/model/JunkCategory.h"
#include "platform/Trash.h"

#include <QObject>
#include <QString>
#include <QUuid>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

namespace qm {

class Clock;
class Workspace;

// The model of the Cleanup page: runs the junk scan of all five kinds, holds the found categories and
// the user's selection, moves the selection to the Trash (keeping the last clean open for undo for
// 15 seconds, consecutive cleans merged), words what could not be moved, and keeps a summary of the
// Trash folder with a confirmed emptying. Lives on the GUI thread and never blocks it: scanning,
// cleaning, restoring, measuring and emptying run on the global thread pool with copies of their
// inputs, and each result is applied only while its generation, sequence or token still holds.
//
// Categories are published as a list of plain maps (see `categories`); every text the page shows
// that depends on the state is a property here too.
class CleanupViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The view-model container owns the Cleanup model")

    Q_PROPERTY(Phase phase READ phase NOTIFY phaseChanged)
    // The scan result as shown, selection included: one map per category, in order, with `id` and
    // `kind` (the kind's stored name), `title`, `incomplete`, `count`, `selectedCount`,
    // `selectionState` ("none", "some" or "all"), `selectionSummary` ("1 of 3 items selected",
    // "3 items"), `formattedTotal`, `formattedSelected`, `sizeText` (the selected size when part is
    // selected, else the total), and `items`: maps with `id` (the item's UUID without braces),
    // `name`, `path` (display text), `bytes`, `bytesText`, `modified` (a date, or null) and
    // `isSelected`.
    Q_PROPERTY(QVariantList categories READ categoryList NOTIFY categoriesChanged)
    // Scan progress, 0 to 1, and its text ("Starting…", "Scanning User Caches…").
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(QString progressLabel READ progressLabel NOTIFY progressChanged)
    // The undo offer is open (the last clean can still be undone), and its bar's text: "Freed 12 KB —
    // 3 items in Trash" (empty while no offer is open).
    Q_PROPERTY(bool hasUndoOffer READ hasUndoOffer NOTIFY lastReportChanged)
    Q_PROPERTY(QString undoOfferText READ undoOfferText NOTIFY lastReportChanged)
    // Cleans that moved at least one item; the page plays its success effect on each increase.
    Q_PROPERTY(int cleanCompletions READ cleanCompletions NOTIFY cleanCompletionsChanged)
    // The clean confirmation is shown; set and cleared by the page.
    Q_PROPERTY(bool showConfirm READ showConfirm WRITE setShowConfirm NOTIFY showConfirmChanged)
    // The last clean's failures as one text for the failure alert, empty when there is none; the page
    // clears it when the alert is dismissed. `failureNeedsFullDiskAccess`: the note concerns a
    // protected location and Full Disk Access is off.
    Q_PROPERTY(QString failureNote READ failureNote WRITE setFailureNote NOTIFY failureNoteChanged)
    Q_PROPERTY(bool failureNeedsFullDiskAccess READ failureNeedsFullDiskAccess NOTIFY failureNoteChanged)
    // The current or last scan was started automatically, after an undo.
    Q_PROPERTY(bool isPostUndoRescan READ isPostUndoRescan NOTIFY isPostUndoRescanChanged)
    // The last clean moved items and left no category behind.
    Q_PROPERTY(bool cleanedEverything READ cleanedEverything NOTIFY summaryChanged)
    // Sums over the categories, in bytes and items.
    Q_PROPERTY(int selectedCount READ selectedCount NOTIFY summaryChanged)
    Q_PROPERTY(qint64 selectedBytes READ selectedBytes NOTIFY summaryChanged)
    Q_PROPERTY(qint64 totalBytes READ totalBytes NOTIFY summaryChanged)
    Q_PROPERTY(bool didCleanEverything READ didCleanEverything NOTIFY summaryChanged)
    Q_PROPERTY(bool isEmptyResult READ isEmptyResult NOTIFY summaryChanged)
    // Which content the page shows: "idle", "scanning", "cleanedAll", "empty" or "results"; and which
    // bar sits at its bottom: "cleaning", "undoOffer", "selection" or "none".
    Q_PROPERTY(QString contentState READ contentState NOTIFY summaryChanged)
    Q_PROPERTY(QString bottomBar READ bottomBar NOTIFY bottomBarChanged)
    // Texts of the results header, the selection bar and the clean confirmation: "12 KB found",
    // "12 KB", "3 items selected", "Clean 12 KB", "Move 3 items to the Trash?", "Move 12 KB to Trash".
    Q_PROPERTY(QString foundText READ foundText NOTIFY summaryChanged)
    Q_PROPERTY(QString selectedSizeText READ selectedSizeText NOTIFY summaryChanged)
    Q_PROPERTY(QString selectedCountText READ selectedCountText NOTIFY summaryChanged)
    Q_PROPERTY(QString cleanButtonText READ cleanButtonText NOTIFY summaryChanged)
    Q_PROPERTY(QString cleanConfirmTitle READ cleanConfirmTitle NOTIFY summaryChanged)
    Q_PROPERTY(QString cleanConfirmButtonText READ cleanConfirmButtonText NOTIFY summaryChanged)
    // The Trash folder's summary: direct entries, their allocated bytes, and whether it could not be
    // listed for lack of permission (count and bytes are then 0).
    Q_PROPERTY(qint64 trashCount READ trashCount NOTIFY trashChanged)
    Q_PROPERTY(qint64 trashBytes READ trashBytes NOTIFY trashChanged)
    Q_PROPERTY(bool trashRestricted READ trashRestricted NOTIFY trashChanged)
    // Readable and holding nothing.
    Q_PROPERTY(bool trashIsEmpty READ trashIsEmpty NOTIFY trashChanged)
    // The last emptying's result ("Trash emptied — 12 KB reclaimed"), empty when there is none.
    Q_PROPERTY(QString emptyResultNote READ emptyResultNote NOTIFY trashChanged)
    // Texts of the Trash card and its confirmation: the subtitle, "Permanently delete 3 items in the
    // Trash?", "Empty Trash (12 KB)" and "This frees 12 KB but can't be undone — …".
    Q_PROPERTY(QString trashSubtitle READ trashSubtitle NOTIFY trashChanged)
    Q_PROPERTY(QString emptyConfirmTitle READ emptyConfirmTitle NOTIFY trashChanged)
    Q_PROPERTY(QString emptyConfirmButtonText READ emptyConfirmButtonText NOTIFY trashChanged)
    Q_PROPERTY(QString emptyConfirmMessage READ emptyConfirmMessage NOTIFY trashChanged)
    // The Empty Trash confirmation is shown; set by `requestEmptyTrash`, cleared by the page.
    Q_PROPERTY(
        bool showEmptyConfirm READ showEmptyConfirm WRITE setShowEmptyConfirm NOTIFY showEmptyConfirmChanged)
    // An emptying of the Trash is running.
    Q_PROPERTY(bool emptyingTrash READ emptyingTrash NOTIFY emptyingTrashChanged)
    // An undo is moving items back out of the Trash; emptying is refused meanwhile, so the page
    // disables its Empty Trash button on it.
    Q_PROPERTY(bool restoring READ restoring NOTIFY restoringChanged)
    // Some module (this one or another) is moving items back out of the Trash: Empty Trash waits.
    Q_PROPERTY(bool anyRestoring READ anyRestoring NOTIFY anyRestoringChanged)

public:
    enum class Phase { idle, scanning, results, cleaning };
    Q_ENUM(Phase)

    // What the model works on. Only `clock` is required; every other member left empty means the
    // real one. `clock` must outlive the model.
    struct Services
    {
        // Times the 15-second undo offer.
        Clock& clock;
        // The junk scanner; its home folder also fixes the roots clean and undo may touch.
        std::optional<CleanupScanner> scanner = std::nullopt;
        // The Trash folders that are measured and emptied (default: the home trash's `files/`, then
        // the per-user trash folders of the mounted volumes).
        std::optional<TrashBin> trashBin = std::nullopt;
        // Where cleaned items go and come back from (default: the user's Trash).
        std::optional<Trash> trash = std::nullopt;
        // Whether the process may read the home folder (default: `FullDiskAccess::isGranted` for the
        // scanner's home folder). Called on the GUI thread; it must be quick.
        std::function<bool()> fullDiskAccess = {};
        // Opens the Trash folder for `revealTrashInFileManager` (default: the desktop's).
        std::shared_ptr<Workspace> workspace = nullptr;
        // Shared with the other modules that undo through the Trash (null: one of its own). Must
        // outlive the model.
        RestoreTracker* restoreTracker = nullptr;
    };

    explicit CleanupViewModel(Services services, QObject* parent = nullptr);
    // Stops a running scan; work still running on the pool finishes on its own and is dropped.
    ~CleanupViewModel() override;

    Phase phase() const { return m_phase; }
    const std::vector<JunkCategory>& categories() const { return m_selection.categories(); }
    QVariantList categoryList() const { return m_selection.list(); }
    double progress() const { return m_progress; }
    QString progressLabel() const { return m_progressLabel; }
    const std::optional<CleanReport>& lastReport() const { return m_session.report(); }
    bool hasUndoOffer() const { return m_session.hasReport(); }
    QString undoOfferText() const;
    int cleanCompletions() const { return m_session.cleanCompletions(); }
    bool showConfirm() const { return m_showConfirm; }
    void setShowConfirm(bool show);
    QString failureNote() const { return m_session.failureNote(); }
    // Clearing it (an empty text) is what the failure alert does when dismissed.
    void setFailureNote(const QString& note);
    bool failureNeedsFullDiskAccess() const { return m_session.failureNeedsFullDiskAccess(); }
    bool isPostUndoRescan() const { return m_isPostUndoRescan; }
    bool cleanedEverything() const { return m_cleanedEverything; }
    const TrashBin::Summary& trash() const { return m_trash; }
    qint64 trashCount() const { return m_trash.count; }
    qint64 trashBytes() const { return m_trash.bytes; }
    bool trashRestricted() const { return m_trash.restricted; }
    bool trashIsEmpty() const { return m_trash.count == 0 && !m_trash.restricted; }
    bool showEmptyConfirm() const { return m_showEmptyConfirm; }
    void setShowEmptyConfirm(bool show);
    bool emptyingTrash() const { return m_emptyingTrash; }
    bool restoring() const { return m_session.restoring(); }
    bool anyRestoring() const { return m_session.tracker().anyRestoring(); }
    QString emptyResultNote() const { return m_emptyResultNote; }

    int selectedCount() const;
    qint64 selectedBytes() const;
    qint64 totalBytes() const;
    // `results`, the last clean left nothing, and no category is shown.
    bool didCleanEverything() const;
    // `results`, no clean just emptied the list, and every category is empty and complete (also when
    // there are none).
    bool isEmptyResult() const;
    QString contentState() const;
    QString bottomBar() const;
    QString foundText() const;
    QString selectedSizeText() const;
    QString selectedCountText() const;
    QString cleanButtonText() const;
    QString cleanConfirmTitle() const;
    QString cleanConfirmButtonText() const;
    QString trashSubtitle() const;
    QString emptyConfirmTitle() const;
    QString emptyConfirmButtonText() const;
    QString emptyConfirmMessage() const;

    // The number of the newest scan; 0 before the first.
    int generation() const { return m_session.generation(); }

    // Starts a fresh scan of all five kinds, replacing (and stopping) a running one and closing the
    // undo offer; the categories on screen stay until it ends. `isAutoRescan`: it follows an undo
    // rather than the user's request. Ignored while cleaning. Returns at once.
    Q_INVOKABLE void scan(bool isAutoRescan);
    // Stops the running scan and goes back to `idle` (nothing found yet) or `results`; its late
    // progress and result are dropped. Ignored unless the phase is `scanning`.
    Q_INVOKABLE void cancelScan();
    // Sets the selection of every item, of every item of the category `categoryId` (a kind's stored
    // name), or flips that of one item. Unknown ids change nothing.
    Q_INVOKABLE void selectAll(bool selected);
    Q_INVOKABLE void setCategory(const QString& categoryId, bool selected);
    Q_INVOKABLE void toggleItem(const QString& categoryId, const QString& itemId);
    void toggleItem(const QString& categoryId, const QUuid& itemId);
    // Moves the selected items to the Trash, then refreshes the Trash summary. Ignored while
    // cleaning, emptying or restoring, or with nothing selected.
    Q_INVOKABLE void confirmClean();
    // Moves the items of the open undo offer back, then rescans. Ignored while cleaning, emptying or
    // restoring, or with no offer open.
    Q_INVOKABLE void undoLast();
    // Closes the undo offer at once; the items stay in the Trash.
    Q_INVOKABLE void dismissUndo();
    // Measures the Trash folder in the background and publishes the summary.
    Q_INVOKABLE void refreshTrash();
    // Measures the Trash folder and asks for confirmation when it holds something readable. Ignored
    // while any module is restoring.
    Q_INVOKABLE void requestEmptyTrash();
    // Deletes everything in the Trash folder for good. Ignored when the Trash is empty or could not
    // be read, while cleaning or emptying, or while any module is restoring.
    Q_INVOKABLE void confirmEmptyTrash();
    // Opens this user's Trash folder (the home trash's `files/`) in the file manager.
    Q_INVOKABLE void revealTrashInFileManager();

signals:
    void phaseChanged();
    void categoriesChanged();
    void progressChanged();
    void lastReportChanged();
    void cleanCompletionsChanged();
    void showConfirmChanged();
    void failureNoteChanged();
    void isPostUndoRescanChanged();
    // Any value derived from the categories, the phase or `cleanedEverything` may have changed.
    void summaryChanged();
    void bottomBarChanged();
    void trashChanged();
    void showEmptyConfirmChanged();
    void emptyingTrashChanged();
    void restoringChanged();
    void anyRestoringChanged();

private:
    void setPhase(Phase phase);
    // Announces the categories, their selection and every sum as changed.
    void publishCategories();
    void setCleanedEverything(bool value);
    void setTrash(const TrashBin::Summary& summary);
    void setEmptyResultNote(const QString& note);
    void setEmptyingTrash(bool value);
    void setIsPostUndoRescan(bool value);

    void applyProgress(int generation, const std::shared_ptr<std::stop_source>& stop, double fraction,
                       const QString& title);
    void applyScan(int generation, const std::shared_ptr<std::stop_source>& stop,
                   std::vector<JunkCategory> categories);
    void applyClean(const CleanReport& report, bool current);
    void applyUndo(bool current);
    void applyEmpty(const TrashBin::EmptyResult& result);
    // Measures the Trash on the pool and hands the summary to `apply` while `trashSeq` still matches.
    void measureTrash(int priority, void (CleanupViewModel::*apply)(const TrashBin::Summary&));
    void applyTrashRefresh(const TrashBin::Summary& summary);
    void applyEmptyRequest(const TrashBin::Summary& summary);
    // What a clean or an undo of the scanned kinds may touch.
    SafetyGuard guard() const;
    void emitSummary();

    Clock& m_clock;
    CleanupScanner m_scanner;
    TrashBin m_trashBin;
    Trash m_trashMover;
    std::function<bool()> m_fullDiskAccess;
    std::shared_ptr<Workspace> m_workspace;
    // The clean, the undo offer (15 seconds), the restore and the failure note.
    TrashSession m_session;

    Phase m_phase = Phase::idle;
    // The found categories and the user's selection; the Trash card is apart.
    JunkSelection m_selection;
    double m_progress = 0;
    QString m_progressLabel;
    bool m_showConfirm = false;
    bool m_isPostUndoRescan = false;
    bool m_cleanedEverything = false;
    TrashBin::Summary m_trash;
    bool m_showEmptyConfirm = false;
    bool m_emptyingTrash = false;
    QString m_emptyResultNote;

    // The running scan's stop source (kept after a cancel; replaced by the next scan).
    std::shared_ptr<std::stop_source> m_scanStop;
    int m_trashSeq = 0;
    bool m_emptyResultPartial = false;
};

} // namespace qm
