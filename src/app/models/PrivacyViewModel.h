#pragma once

#include "app/models/PrivacyGroupListModel.h"
#include "app/models/RestoreTracker.h"
#include "app/models/TrashSession.h"
#include "core/model/CleanReport.h"
#include "core/model/ScanItem.h"
#include "core/privacy/PrivacyItem.h"
#include "core/privacy/PrivacyScanner.h"
#include "platform/Trash.h"

#include <QObject>
#include <QString>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

#include <map>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

namespace qm {

class Clock;
class Workspace;

// The model of the browser privacy screen: runs the browser privacy scan, holds the found caches,
// histories and cookies with the user's selection, grouped by browser, and moves the selection to the
// Trash with undo, refusing while a browser whose history or cookies are chosen is running. Lives on
// the GUI thread and never blocks it: scanning, cleaning and restoring run on the global thread pool
// with copies of their inputs; a scan's result lands only while its generation holds.
//
// A history or cookie database goes to the Trash together with its SQLite side files ("-wal",
// "-shm", "-journal") as one unit, since a database without its write-ahead log loses its latest
// rows and an old log beside a newer database spoils it: the side files follow only a database that
// moved, a side file that cannot move brings the database (and the side files moved before it) back,
// and an undo moves side files back only beside their own database. Every move and restore goes
// through a `Cleaner` whose guard admits only paths strictly below the browsers' own folders
// (`PrivacyScanner::allowedRoots`). A browser counts as running while one of the user's processes runs
// one of its executables or runs in its Flatpak sandbox.
class PrivacyViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The view-model container owns the module models")

    Q_PROPERTY(Phase phase READ phase NOTIFY phaseChanged)
    // The items of the last scan less those since moved to the Trash, one row per browser.
    Q_PROPERTY(qm::PrivacyGroupListModel* groups READ groupsModel CONSTANT)
    // How many items are selected, and their summed size as text ("0 KB" with none).
    Q_PROPERTY(int selectedCount READ selectedCount NOTIFY selectionChanged)
    Q_PROPERTY(QString formattedSelected READ formattedSelected NOTIFY selectionChanged)
    // An undo handle is held.
    Q_PROPERTY(bool hasLastReport READ hasLastReport NOTIFY lastReportChanged)
    // How many entries the held report moved to the Trash (side files included), and their summed size
    // as text; 0 and "0 KB" without a report.
    Q_PROPERTY(int lastReportTrashed READ lastReportTrashed NOTIFY lastReportChanged)
    Q_PROPERTY(QString formattedFreed READ formattedFreed NOTIFY lastReportChanged)
    // The clean confirmation is shown; set and cleared by the screen.
    Q_PROPERTY(bool showConfirm READ showConfirm WRITE setShowConfirm NOTIFY showConfirmChanged)
    // Cleans that moved at least one item; the screen celebrates each increase.
    Q_PROPERTY(int cleanCompletions READ cleanCompletions NOTIFY cleanCompletionsChanged)
    // A refusal or a failed clean in words, empty when there is none; the screen clears it.
    Q_PROPERTY(QString failureNote READ failureNote WRITE setFailureNote NOTIFY failureNoteChanged)
    Q_PROPERTY(bool isCleaning READ isCleaning NOTIFY isCleaningChanged)
    // Items may be moving back out of the Trash (an undo, or a clean that may have to put a database
    // back); emptying the Trash is refused meanwhile.
    Q_PROPERTY(bool restoring READ restoring NOTIFY restoringChanged)
    // Some module (this one or another) is moving items back out of the Trash.
    Q_PROPERTY(bool anyRestoring READ anyRestoring NOTIFY anyRestoringChanged)
    // `undoLast` would run now: an undo handle is held and the Trash is not being emptied.
    Q_PROPERTY(bool canUndo READ canUndo NOTIFY canUndoChanged)

public:
    enum class Phase { idle, scanning, results };
    Q_ENUM(Phase)

    // What the model works on. Only `clock` is required; every other member left empty means the
    // real one. `clock` must outlive the model.
    struct Services
    {
        // The program's clock; this model keeps no timer of its own.
        Clock& clock;
        // The browser privacy scanner (default: over the current user's places); its places also fix
        // the roots clean and undo may touch.
        std::optional<PrivacyScanner> scanner = std::nullopt;
        // The running applications (default: the desktop's).
        std::shared_ptr<Workspace> workspace = nullptr;
        // Where cleaned items go and come back from (default: the user's Trash).
        std::optional<Trash> trash = std::nullopt;
        // Shared with the other modules that undo through the Trash (null: one of its own). Must
        // outlive the model.
        RestoreTracker* restoreTracker = nullptr;
    };

    // Side files of a database in the undo report: each trashed database's id to its trashed side
    // files' ids. A database without side files has no entry.
    using SideFileLinks = std::map<QUuid, std::vector<QUuid>>;

    // Creates the model in `idle` with nothing found; starts no work.
    explicit PrivacyViewModel(Services services, QObject* parent = nullptr);
    // Stops a running scan; work still running on the pool finishes on its own and is dropped.
    ~PrivacyViewModel() override;

    Phase phase() const { return m_phase; }
    const std::vector<PrivacyItem>& items() const { return m_items; }
    PrivacyGroupListModel* groupsModel() const { return m_groups.get(); }
    const std::vector<PrivacyGroupListModel::Group>& groups() const { return m_groups->groups(); }
    // The selected items, in order.
    std::vector<PrivacyItem> selectedItems() const;
    int selectedCount() const;
    // The summed bytes of the selected items as a byte count; "0 KB" when that is not positive.
    QString formattedSelected() const;
    const std::optional<CleanReport>& lastReport() const { return m_session.report(); }
    const SideFileLinks& sideFileLinks() const { return m_links; }
    bool hasLastReport() const { return m_session.hasReport(); }
    int lastReportTrashed() const { return hasLastReport() ? int(lastReport()->trashed.size()) : 0; }
    QString formattedFreed() const;
    bool showConfirm() const { return m_showConfirm; }
    void setShowConfirm(bool show);
    int cleanCompletions() const { return m_session.cleanCompletions(); }
    QString failureNote() const { return m_session.failureNote(); }
    // Clearing it (an empty text) is what the failure alert does when dismissed.
    void setFailureNote(const QString& note);
    bool isCleaning() const { return m_session.cleaning(); }
    bool restoring() const { return m_session.restoring(); }
    bool canUndo() const { return m_session.canUndo(); }
    bool anyRestoring() const { return m_session.tracker().anyRestoring(); }
    // The number of the newest scan; 0 before the first.
    int generation() const { return m_session.generation(); }

    // Starts a new scan, stopping a running one: withdraws the undo offer and empties the list until
    // the result lands. Ignored while cleaning. Returns at once.
    Q_INVOKABLE void scan();
    // Flips the selection of the item `id` (a UUID, braces optional); an unknown id changes nothing.
    Q_INVOKABLE void toggle(const QString& id);
    void toggle(const QUuid& id);
    // Moves the selected items with their databases' side files to the Trash, unless a browser whose
    // history or cookies are selected is running (then nothing moves and `failureNote` says which).
    // Ignored while cleaning, while the Trash is emptied, or with nothing selected. Returns at once.
    Q_INVOKABLE void confirmClean();
    // Moves the items of the undo report back, each database's side files only beside their own
    // database, then rescans unless a scan started meanwhile. Shows no result. Ignored without a
    // report or while the Trash is emptied. Returns at once.
    Q_INVOKABLE void undoLast();

    // The sentence for a refused clean: "Quit <names> first — its history and cookies are in use
    // while it's open.", the names in code-point order joined with ", ".
    static QString runningRefusal(std::vector<QString> browsers);
    // The sentence for a clean with failure lines: "<n> item(s) couldn't be cleared.", a hint to quit
    // the browser unless every line is a refusal for safety, a line break and the first line that is
    // not such a refusal (else the first line). Empty for no lines.
    static QString failureWording(const std::vector<QString>& failures);

signals:
    void phaseChanged();
    void itemsChanged();
    void selectionChanged();
    void lastReportChanged();
    void canUndoChanged();
    void showConfirmChanged();
    void cleanCompletionsChanged();
    void failureNoteChanged();
    void isCleaningChanged();
    void restoringChanged();
    void anyRestoringChanged();

private:
    // One item to clean: the item itself and, for a database, its side files that exist.
    struct Unit
    {
        ScanItem main;
        std::vector<ScanItem> sideFiles;
    };
    // What one clean did: the report (trashed items, one failure line and detail per item or unit
    // that stayed) and the side files of each database that stayed in the Trash.
    struct CleanOutcome
    {
        CleanReport report;
        SideFileLinks links;
    };

    static CleanOutcome cleanUnits(const std::vector<Unit>& units, const std::vector<Path>& roots,
                                   const Trash& trash);
    static void undoUnits(const CleanReport& report, const SideFileLinks& links,
                          const std::vector<Path>& roots, const Trash& trash);

    Workspace& workspace();
    std::vector<Unit> unitsToClean() const;
    void setPhase(Phase phase);
    void setItems(std::vector<PrivacyItem> items);
    void applyScan(int generation, const std::shared_ptr<std::stop_source>& stop,
                   std::vector<PrivacyItem> items);
    void applyClean(const CleanReport& report, const SideFileLinks& links, bool heldRestore);

    Clock& m_clock;
    PrivacyScanner m_scanner;
    std::shared_ptr<Workspace> m_workspace;
    Trash m_trash;
    // The clean, the undo offer (until the next scan), the restore and the failure note; its
    // generation counts the scans.
    TrashSession m_session;
    std::unique_ptr<PrivacyGroupListModel> m_groups;

    Phase m_phase = Phase::idle;
    std::vector<PrivacyItem> m_items;
    // The side files of the record's databases: they go and come with the record.
    SideFileLinks m_links;
    bool m_showConfirm = false;

    std::shared_ptr<std::stop_source> m_scanStop;
};

} // namespace qm
