#pragma once

#include "app/models/JunkSelection.h"
#include "app/models/RestoreTracker.h"
#include "app/models/TrashSession.h"
#include "core/cleaning/CleanupScanner.h"
#include "core/cleaning/SafetyGuard.h"
#include "core/model/CleanFailure.h"
#include "core/model/CleanReport.h"
#include "core/model/JunkCategory.h"
#include "core/model/JunkKind.h"
#include "platform/Trash.h"

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

namespace qm {

class Clock;

// The model of the Smart Scan home: the quick junk scan over user caches, application logs and saved
// application state, a whole-category selection, a move of the selection to the Trash (open for undo
// for 15 seconds after its last recording, cleans made meanwhile joined to it), and the wording of
// what could not be moved. Lives on the GUI thread and never blocks it: the scan, the clean and the
// undo run on the global thread pool with copies of their inputs. A scan's progress and result, and
// the removal of cleaned items from the categories, count only while `generation` is unchanged; the
// undo offer expires only while `reportToken` is unchanged.
class SmartScanViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The view-model container owns the module models")

    Q_PROPERTY(Phase phase READ phase NOTIFY phaseChanged)
    // The last scan's categories that hold items or are incomplete, in kind order, selection
    // included, as the maps `JunkCategoryMaps::toMap` makes (what the category card takes).
    Q_PROPERTY(QVariantList categories READ categoryList NOTIFY categoriesChanged)
    // Fraction of the scan done, 0 to 1.
    Q_PROPERTY(double scanProgress READ scanProgress NOTIFY scanProgressChanged)
    // The undo offer stands; what it freed ("12 KB") and how many items it moved.
    Q_PROPERTY(bool hasLastReport READ hasLastReport NOTIFY lastReportChanged)
    Q_PROPERTY(QString lastReportFreed READ lastReportFreed NOTIFY lastReportChanged)
    Q_PROPERTY(int lastReportCount READ lastReportCount NOTIFY lastReportChanged)
    // Cleans that moved at least one item; the screen celebrates on every change.
    Q_PROPERTY(int cleanCompletions READ cleanCompletions NOTIFY cleanCompletionsChanged)
    // The clean confirmation is shown; set by the screen, cleared by the dialog.
    Q_PROPERTY(bool showConfirm READ showConfirm WRITE setShowConfirm NOTIFY showConfirmChanged)
    Q_PROPERTY(bool isCleaning READ isCleaning NOTIFY isCleaningChanged)
    // The sentence of the failure alert, empty when there is none; the alert clears it.
    Q_PROPERTY(QString failureNote READ failureNote WRITE setFailureNote NOTIFY failureNoteChanged)
    // The last Full Disk Access probe's answer (at creation, each scan and `refreshFullDiskAccess`).
    Q_PROPERTY(bool fullDiskAccessGranted READ fullDiskAccessGranted NOTIFY fullDiskAccessGrantedChanged)
    // A clean moved items and emptied the last category; reset by the next scan.
    Q_PROPERTY(bool cleanedEverything READ cleanedEverything NOTIFY summaryChanged)
    // An undo is moving items back out of the Trash (emptying the Trash is refused meanwhile).
    Q_PROPERTY(bool restoring READ restoring NOTIFY restoringChanged)
    // `undoLast` would run now: the undo offer stands, no clean runs and the Trash is not being emptied.
    Q_PROPERTY(bool canUndo READ canUndo NOTIFY canUndoChanged)
    // Sums over the categories, in items and bytes.
    Q_PROPERTY(int selectedCount READ selectedCount NOTIFY summaryChanged)
    Q_PROPERTY(int totalItems READ totalItems NOTIFY summaryChanged)
    Q_PROPERTY(qint64 totalBytes READ totalBytes NOTIFY summaryChanged)
    Q_PROPERTY(qint64 selectedBytes READ selectedBytes NOTIFY summaryChanged)
    // The two pieces of the found size for the ring: "1.2" and "MB" (see `splitFoundText`).
    Q_PROPERTY(QString foundValue READ foundValue NOTIFY summaryChanged)
    Q_PROPERTY(QString foundUnit READ foundUnit NOTIFY summaryChanged)
    Q_PROPERTY(bool didCleanEverything READ didCleanEverything NOTIFY summaryChanged)
    // How many scans have started; 0 before the first.
    Q_PROPERTY(int generation READ generation NOTIFY generationChanged)

public:
    // `scanning` also covers an undo under way. The model never returns to `idle`.
    enum class Phase { idle, scanning, results };
    Q_ENUM(Phase)

    // A size text split for the ring: the number and the unit word.
    struct FoundComponents
    {
        QString value;
        QString unit;

        bool operator==(const FoundComponents&) const = default;
    };

    // Runs one quick scan of `kinds` with `scanner` on a pool thread, reporting to `progress` on that
    // thread, and returns the categories in kind order; stops early once `stop` is triggered.
    using ScanFunction = std::function<std::vector<JunkCategory>(
        const CleanupScanner& scanner, const std::vector<JunkKind>& kinds,
        const CleanupScanner::Progress& progress, std::stop_token stop)>;

    // What the model works on. Only `clock` is required; every other member left empty means the
    // real one. `clock` must outlive the model.
    struct Services
    {
        // Times the 15-second undo offer.
        Clock& clock;
        // The junk scanner; its home folder also fixes the three folders clean and undo may touch.
        std::optional<CleanupScanner> scanner = std::nullopt;
        // Where cleaned items go and come back from (default: the user's Trash).
        std::optional<Trash> trash = std::nullopt;
        // Whether the process may read the home folder (default: `FullDiskAccess::isGranted` for the
        // scanner's home folder). Called on the GUI thread; it must be quick.
        std::function<bool()> fullDiskAccess = {};
        // Shared with the other modules that undo through the Trash (null: one of its own). Must
        // outlive the model.
        RestoreTracker* restoreTracker = nullptr;
        // The scan itself (default: `CleanupScanner::scanAll`).
        ScanFunction scan = {};
    };

    // Probes Full Disk Access once; scans nothing yet.
    explicit SmartScanViewModel(Services services, QObject* parent = nullptr);
    // Stops a running scan; work still running on the pool finishes on its own and is dropped.
    ~SmartScanViewModel() override;

    Phase phase() const { return m_phase; }
    const std::vector<JunkCategory>& categories() const { return m_selection.categories(); }
    QVariantList categoryList() const { return m_selection.list(); }
    double scanProgress() const { return m_scanProgress; }
    const std::optional<CleanReport>& lastReport() const { return m_session.report(); }
    bool hasLastReport() const { return m_session.hasReport(); }
    QString lastReportFreed() const;
    int lastReportCount() const;
    int cleanCompletions() const { return m_session.cleanCompletions(); }
    bool showConfirm() const { return m_showConfirm; }
    void setShowConfirm(bool show);
    bool isCleaning() const { return m_session.cleaning(); }
    QString failureNote() const { return m_session.failureNote(); }
    // Clearing it (an empty text) is what the failure alert does when dismissed.
    void setFailureNote(const QString& note);
    bool fullDiskAccessGranted() const { return m_fullDiskAccessGranted; }
    bool cleanedEverything() const { return m_cleanedEverything; }
    bool restoring() const { return m_session.restoring(); }
    bool canUndo() const { return m_session.canUndo() && !m_session.cleaning(); }

    int selectedCount() const;
    int totalItems() const;
    qint64 totalBytes() const;
    qint64 selectedBytes() const;
    // `splitFoundText` of the byte-count text of `totalBytes`.
    FoundComponents foundComponents() const;
    QString foundValue() const { return foundComponents().value; }
    QString foundUnit() const { return foundComponents().unit; }
    // `results`, the last clean emptied the last category, and none is shown.
    bool didCleanEverything() const;

    // Splits a size text at spaces (empty pieces dropped): the first piece ("0" when there is none,
    // "Zero" read as "0") and the second ("GB" when there is none).
    static FoundComponents splitFoundText(const QString& text);

    int generation() const { return m_session.generation(); }
    int reportToken() const { return m_session.reportToken(); }

    // Starts a fresh scan, abandoning a running one, withdrawing the undo offer and probing Full
    // Disk Access again. Ignored while a clean runs. Returns at once.
    Q_INVOKABLE void scan();
    // Selects every item of the category `id` (a kind's stored name), or deselects them all when all
    // were selected. An unknown id or a category without items changes nothing.
    Q_INVOKABLE void toggleCategory(const QString& id);
    // Moves the selected items to the Trash. Ignored with nothing selected, while a clean runs, and
    // while an undo moves items back.
    Q_INVOKABLE void confirmClean();
    // Moves the items of the undo offer back, then rescans. Ignored without an offer, while a clean
    // runs, and while the Trash is being emptied.
    Q_INVOKABLE void undoLast();
    // Withdraws the undo offer for good; the items stay in the Trash.
    Q_INVOKABLE void dismissUndo();
    // Probes Full Disk Access again (the screen does so when it becomes active).
    Q_INVOKABLE void refreshFullDiskAccess();

signals:
    void phaseChanged();
    void categoriesChanged();
    void scanProgressChanged();
    void lastReportChanged();
    void canUndoChanged();
    void cleanCompletionsChanged();
    void showConfirmChanged();
    void isCleaningChanged();
    void failureNoteChanged();
    void fullDiskAccessGrantedChanged();
    void restoringChanged();
    void generationChanged();
    // Any value derived from the categories, the phase or `cleanedEverything` may have changed.
    void summaryChanged();

private:
    void setPhase(Phase phase);
    // Announces the categories, their selection and every sum as changed.
    void publishCategories();
    void setScanProgress(double fraction);
    void setCleanedEverything(bool value);
    void setFullDiskAccessGranted(bool value);

    void applyProgress(int generation, const std::shared_ptr<std::stop_source>& stop, double fraction);
    void applyScan(int generation, const std::shared_ptr<std::stop_source>& stop,
                   std::vector<JunkCategory> categories);
    void applyClean(const CleanReport& report, bool current);
    // What a clean or an undo of the scanned kinds may touch.
    SafetyGuard guard() const;

    Clock& m_clock;
    CleanupScanner m_scanner;
    Trash m_trash;
    std::function<bool()> m_fullDiskAccess;
    ScanFunction m_scan;
    // The clean, the undo offer (15 seconds after its last recording), the restore and the failure
    // note.
    TrashSession m_session;

    Phase m_phase = Phase::idle;
    // The found categories and the user's selection.
    JunkSelection m_selection;
    double m_scanProgress = 0;
    bool m_showConfirm = false;
    bool m_fullDiskAccessGranted = false;
    bool m_cleanedEverything = false;

    // The running scan's stop source (replaced by the next scan).
    std::shared_ptr<std::stop_source> m_scanStop;
};

} // namespace qm
