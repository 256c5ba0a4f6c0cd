#pragma once

#include "app/models/RestoreTracker.h"
#include "core/model/CleanReport.h"
#include "core/model/UndoResult.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace qm {

class Clock;

// The clean, report, undo and failure-note lifecycle every module that moves items to the Trash
// shares, owned by that module's view model: the generation that tells a stale result from a current
// one, the undo record (cleans made while it is held join it), the offer's expiry where the module has
// one, the clean and restore flags (restoring holds the shared restore tracker's token), the count of
// cleans that moved something, and the failure note. It runs the module's clean or undo work on the
// thread pool and applies its result here before handing it to the module, which words its own texts
// and prunes its own lists. Decides nothing about when a clean or undo may start beyond `canUndo`.
// Lives on the GUI thread.
class TrashSession : public QObject
{
    Q_OBJECT

public:
    // Runs on a pool thread; it must only use what it captured.
    using CleanWork = std::function<CleanReport()>;
    using UndoWork = std::function<UndoResult(const CleanReport& report)>;
    // `current`: no `advance` happened since the work started.
    using CleanApplied = std::function<void(const CleanReport& latest, bool current)>;
    using UndoApplied = std::function<void(const UndoResult& result, bool current)>;

    // `tracker` is shared with the other modules (null: one of its own); it must outlive the session.
    explicit TrashSession(RestoreTracker* tracker, QObject* parent = nullptr);

    // Every recorded report expires `window` after its recording, timed by `clock` (which must outlive
    // the session). Without it a record stays until withdrawn.
    void expireAfter(Clock& clock, std::chrono::milliseconds window);

    // The number of the newest scan (or whatever the module counts); 0 at first.
    int generation() const { return m_generation; }
    // Counts one more and returns it; results of work started before count as stale.
    int advance();

    // The undo record: what an undo would move back.
    const std::optional<CleanReport>& report() const { return m_report; }
    bool hasReport() const { return m_report.has_value(); }
    // Replaces the record (none: withdraws it) and arms its expiry; an older expiry no longer applies.
    void record(std::optional<CleanReport> report);
    // Drops the record at once; its items stay in the Trash.
    void withdraw() { record(std::nullopt); }
    // Counts every `record` and `withdraw`; an expiry applies only while it is unchanged.
    int reportToken() const { return m_reportToken; }

    bool cleaning() const { return m_cleaning; }
    // Some work of this session's module may be moving items back out of the Trash: an undo, or a
    // clean that may put an item back.
    bool restoring() const { return m_restoreJobs > 0; }
    // Counts one such job more or less; `restoring`, and the shared tracker's token, hold while any
    // runs. `undo` counts its own.
    void beginRestoring();
    void endRestoring();
    RestoreTracker& tracker() const { return *m_tracker; }
    // A record is held, no undo of this session runs and the Trash is not being emptied. Whether an
    // undo may run beside a clean is the module's to decide.
    bool canUndo() const;
    // Cleans that moved at least one item, and whatever else the module counts as one.
    int cleanCompletions() const { return m_cleanCompletions; }
    void countCompletion();

    // What a clean's report does to the record: joins it (see `merged`), or nothing, the module
    // recording what it means to offer for undo itself.
    enum class Recording { joined, byModule };

    // Runs `work` on the pool with `cleaning` set. Its report is recorded as `recording` says, a clean
    // that moved anything is counted, and then `applied` runs, unless the session is gone by then.
    void clean(CleanWork work, CleanApplied applied, Recording recording = Recording::joined);
    // Takes the record, sets `restoring` and runs `work` on it on the pool; `applied` runs once
    // `restoring` is clear again. Does nothing (and returns false) when `canUndo` does not hold.
    bool undo(UndoWork work, UndoApplied applied);

    // The earlier record's trashed items followed by the latest ones, with the latest failures and
    // their details; nothing when nothing was trashed.
    static std::optional<CleanReport> merged(const std::optional<CleanReport>& earlier,
                                             const CleanReport& latest);

    // The failure sentence to show, empty when none, and whether it concerns a protected location
    // the process may not read.
    QString failureNote() const { return m_failureNote; }
    bool failureNeedsFullDiskAccess() const { return m_failureNeedsFullDiskAccess; }
    // Sets the note; announced only when it changes (what a dismissed alert does).
    void setFailureNote(const QString& note);
    // Shows `note`, announced even when it repeats the last one so a dismissed alert comes up again.
    void showFailure(const QString& note, bool needsFullDiskAccess = false);
    // Shows the `CleanFailureNote` wording of `report`'s failures after `lead`; nothing without any.
    // `fullDiskAccess` is asked only when a failure was a permission denial.
    void showCleanFailures(const QString& lead, const CleanReport& report,
                           const std::function<bool()>& fullDiskAccess);

signals:
    void generationChanged();
    void reportChanged();
    void cleaningChanged();
    void restoringChanged();
    void canUndoChanged();
    void cleanCompletionsChanged();
    void failureNoteChanged();

private:
    void setReport(std::optional<CleanReport> report);
    void setCleaning(bool value);

    std::unique_ptr<RestoreTracker> m_ownTracker;
    RestoreTracker* m_tracker = nullptr;
    RestoreTracker::Token m_restoreToken;
    int m_restoreJobs = 0;
    bool m_undoing = false;
    Clock* m_clock = nullptr;
    std::chrono::milliseconds m_window{0};

    int m_generation = 0;
    int m_reportToken = 0;
    std::optional<CleanReport> m_report;
    bool m_cleaning = false;
    int m_cleanCompletions = 0;
    QString m_failureNote;
    bool m_failureNeedsFullDiskAccess = false;
};

} // namespace qm
