#pragma once

#include "app/models/LiveStats.h"
#include "app/models/RestoreTracker.h"
#include "app/models/TrashSession.h"
#include "core/launchd/LaunchAgent.h"
#include "core/launchd/LaunchAgentScanner.h"
#include "core/model/CleanReport.h"
#include "core/model/ScanItem.h"
#include "core/model/UndoResult.h"
#include "core/system/MacHealth.h"
#include "platform/Places.h"
#include "platform/Trash.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

namespace qm {

class Clock;
class HostStatistics;
class PowerSources;

// The model of the Performance page: lists the jobs that start by themselves, the user's own (login
// items: autostart entries and enabled user units) apart from the system's (autostart entries and units
// of every user, system services), disables one at a time and undoes the last disable, and refreshes
// the live statistics in `stats`. Only login items are disabled, trash-first and nothing more: a user's
// autostart entry goes to the Trash, a user unit's enable links go to the Trash (a running unit is not
// stopped, and the undo puts the links back without starting it). The system's jobs are listed only.
// The program a job names is never touched and no service manager is asked.
// Nothing is persisted. Lives on the GUI thread and never blocks it: scans, disables, undos and
// statistics samples run on the global thread pool with copies of their inputs. Only the newest scan
// (by `generation`) lands; disables, undos and statistics land whenever they end.
class PerformanceViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The view-model container owns the module models")
    // The live statistics; a refresh announces its changes there, never here.
    Q_PROPERTY(qm::LiveStats* stats READ stats CONSTANT)
    // The login items and the system agents and daemons, in the scanner's order (by label): one map
    // per job with `id` (its file's path, the raw bytes percent-encoded), `name` (the display
    // name), `label`, `program`, `runAtLoad`, `domain` (the domain's display name) and `path` (display
    // text of its file's path).
    Q_PROPERTY(QVariantList userAgents READ userAgentList NOTIFY agentsChanged)
    Q_PROPERTY(QVariantList systemAgents READ systemAgentList NOTIFY agentsChanged)
    // Display names of the domains the last accepted scan could not read completely, in the order met.
    Q_PROPERTY(QStringList unreadableDomains READ unreadableDomainList NOTIFY unreadableDomainsChanged)
    // A scan of the current generation is running (true from creation until the first lands).
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    // The last successful disable can be undone.
    Q_PROPERTY(bool hasUndoOffer READ hasUndoOffer NOTIFY lastReportChanged)
    Q_PROPERTY(QString lastDisabledName READ lastDisabledName NOTIFY lastDisabledNameChanged)
    // The login item whose Disable awaits confirmation, by its row `id` (empty: none); the page sets it.
    // An id that names no listed login item clears it. `pendingRemovalName`: its display name.
    Q_PROPERTY(
        QString pendingRemovalId READ pendingRemovalId WRITE setPendingRemovalId NOTIFY pendingRemovalChanged)
    Q_PROPERTY(QString pendingRemovalName READ pendingRemovalName NOTIFY pendingRemovalChanged)
    // The pending login item is a unit (its enable links move), not an autostart entry.
    Q_PROPERTY(bool pendingRemovalIsUnit READ pendingRemovalIsUnit NOTIFY pendingRemovalChanged)
    // The confirmation is up; set and cleared by the page.
    Q_PROPERTY(bool showConfirm READ showConfirm WRITE setShowConfirm NOTIFY showConfirmChanged)
    // The failure sentence to show (empty: none); the page clears it when dismissed.
    Q_PROPERTY(QString disableFailure READ disableFailureText WRITE setDisableFailureText NOTIFY
                   disableFailureChanged)
    Q_PROPERTY(bool disableInFlight READ disableInFlight NOTIFY disableInFlightChanged)
    // An undo is moving a login item's files back out of the Trash; emptying the Trash waits meanwhile.
    Q_PROPERTY(bool restoring READ restoring NOTIFY restoringChanged)
    // Some module (this one or another) is moving items back out of the Trash.
    Q_PROPERTY(bool anyRestoring READ anyRestoring NOTIFY anyRestoringChanged)
    // `undoLast` would run now: the undo offer stands and the Trash is not being emptied.
    Q_PROPERTY(bool canUndo READ canUndo NOTIFY canUndoChanged)
    // How many scans have been started; 0 before the first.
    Q_PROPERTY(int generation READ generation NOTIFY generationChanged)

public:
    // Moves the given items to the Trash (one autostart entry per disable); blocking, run on the pool.
    using CleanFunction = std::function<CleanReport(const std::vector<ScanItem>&)>;
    // Moves a disable's items back; blocking, run on the pool.
    using UndoFunction = std::function<UndoResult(const CleanReport&)>;

    // What the model works on. Only `clock` is required; every other member left empty means the real
    // one. Everything given by reference or pointer must outlive the model and its work on the pool.
    struct Services
    {
        // Stamps the statistics samples.
        Clock& clock;
        // The user's places, where the launch folders are and the user folders disables may touch
        // (default: LaunchAgentScanner::standardDirsOf `home` and `systemRoot`: the current user's home
        // and "/" unless given).
        std::optional<Places> places = std::nullopt;
        std::optional<Path> home = std::nullopt;
        std::optional<Path> systemRoot = std::nullopt;
        // The folders scanned (default: LaunchAgentScanner::standardDirs of the folders above).
        std::optional<std::vector<LaunchAgentScanner::Folder>> launchFolders = std::nullopt;
        // How the scanner reads the launch folders (default: plain POSIX calls).
        FileSystem scanFileSystem = {};
        // Where disabled files go and come back from (default: the user's Trash).
        std::optional<Trash> trash = std::nullopt;
        // Default for both: a new `Cleaner` per call whose guard admits only the user's own
        // autostart folders, over `trash`. Used for the user's autostart entries.
        CleanFunction clean = {};
        UndoFunction undo = {};
        // The statistics' sources (null or empty: the machine's own).
        const HostStatistics* host = nullptr;
        const PowerSources* powerSources = nullptr;
        std::function<MacHealth(const Path&)> volume = {};
        // Shared with the other modules that undo through the Trash (null: one of its own). Must
        // outlive the model.
        RestoreTracker* restoreTracker = nullptr;
    };

    // The fields at their starting values (`loading` true); reads no file and starts no work.
    explicit PerformanceViewModel(Services services, QObject* parent = nullptr);
    // Work still running on the pool finishes on its own and is dropped; work not yet started is
    // skipped.
    ~PerformanceViewModel() override;

    LiveStats* stats() const { return m_stats; }
    // Every job of the last accepted scan, in the scanner's order.
    const std::vector<LaunchAgent>& agents() const { return m_agents; }
    // The login items (`userAgent` jobs) and everything else, each in `agents` order.
    std::vector<LaunchAgent> userAgents() const;
    std::vector<LaunchAgent> systemAgents() const;
    QVariantList userAgentList() const;
    QVariantList systemAgentList() const;
    const std::vector<LaunchDomain>& unreadableDomains() const { return m_unreadableDomains; }
    QStringList unreadableDomainList() const;
    bool loading() const { return m_loading; }
    const std::optional<CleanReport>& lastReport() const { return m_session.report(); }
    bool hasUndoOffer() const { return m_session.hasReport(); }
    const QString& lastDisabledName() const { return m_lastDisabledName; }
    const std::optional<LaunchAgent>& pendingRemoval() const { return m_pendingRemoval; }
    void setPendingRemoval(std::optional<LaunchAgent> job);
    QString pendingRemovalId() const;
    void setPendingRemovalId(const QString& id);
    QString pendingRemovalName() const;
    bool pendingRemovalIsUnit() const;
    bool showConfirm() const { return m_showConfirm; }
    void setShowConfirm(bool show);
    std::optional<QString> disableFailure() const;
    void setDisableFailure(std::optional<QString> failure);
    QString disableFailureText() const { return m_session.failureNote(); }
    // An empty text clears the failure.
    void setDisableFailureText(const QString& text);
    bool disableInFlight() const { return m_session.cleaning(); }
    bool restoring() const { return m_session.restoring(); }
    bool canUndo() const { return m_session.canUndo(); }
    bool anyRestoring() const { return m_session.tracker().anyRestoring(); }
    int generation() const { return m_session.generation(); }

    // Whether the page offers Disable for `job`: a login item (`userAgent`), never a system job.
    static bool canDisable(const LaunchAgent& job);
    // The name a job goes by in every message: its label, or for an empty label the name of its file
    // without the extension.
    static QString displayName(const LaunchAgent& job);
    // The row id of a job: the raw bytes of its file's path, percent-encoded.
    static QString rowId(const LaunchAgent& job);

    // Runs `load` when no job is listed, else nothing (also while a scan runs).
    Q_INVOKABLE void loadIfNeeded();
    // Starts a new scan of the three launch folders; an earlier scan runs on and its result is dropped.
    Q_INVOKABLE void load();
    // Takes one statistics sample and battery reading on the pool, each after the last one held in
    // `stats`, and publishes them there (the battery merged over the last reading); then
    // `stats.refreshed` is emitted and `published` runs on the GUI thread. Neither happens when the
    // model is gone by then. Refreshes are not guarded: the caller waits for one before the next.
    Q_INVOKABLE void refreshStats();
    void refreshStats(std::function<void()> published);
    // Disables `pendingRemoval`: nothing without one or for a system job (it is cleared); refused with a
    // sentence while a disable runs.
    Q_INVOKABLE void confirmDisable();
    // Moves the last disabled item's files back and rescans. Nothing without an undo offer or while
    // the Trash is being emptied.
    Q_INVOKABLE void undoLast();

signals:
    void agentsChanged();
    void unreadableDomainsChanged();
    void loadingChanged();
    void lastReportChanged();
    void canUndoChanged();
    void lastDisabledNameChanged();
    void pendingRemovalChanged();
    void showConfirmChanged();
    void disableFailureChanged();
    void disableInFlightChanged();
    void restoringChanged();
    void anyRestoringChanged();
    void generationChanged();

private:
    // What undoing the last disable takes, beside its report.
    struct UndoRecord
    {
        // An entry comes back through `undo`; a unit's enable links through a guard of the unit folder.
        enum class Kind { restoreFile, restoreLinks } kind = Kind::restoreFile;
    };

    void setAgents(std::vector<LaunchAgent> agents);
    void setLoading(bool value);
    void setLastDisabledName(const QString& name);
    void applyScan(int generation, LaunchAgentScanner::Scan scan);
    void applyDisable(const CleanReport& report, const QString& name, const Path& path, UndoRecord record);
    void applyUndo(const UndoResult& result, const QString& name);

    Clock& m_clock;
    LaunchAgentScanner m_scanner;
    CleanFunction m_clean;
    UndoFunction m_undo;
    Trash m_trash;
    Path m_unitFolder; // the user's unit folder, whose "*.wants" links enable user units
    const HostStatistics* m_host;
    const PowerSources* m_powerSources;
    std::function<MacHealth(const Path&)> m_volume;
    // The disable (its "clean"), the undo offer of the last disable (no expiry), the restore and the
    // disable failure; its generation counts the scans.
    TrashSession m_session;
    // Stopped when the model goes, so queued work that has not started yet is skipped.
    std::shared_ptr<std::stop_source> m_lifetime = std::make_shared<std::stop_source>();

    LiveStats* m_stats; // a child of the model
    std::vector<LaunchAgent> m_agents;
    std::vector<LaunchDomain> m_unreadableDomains;
    bool m_loading = true;
    UndoRecord m_lastUndo;
    QString m_lastDisabledName;
    std::optional<LaunchAgent> m_pendingRemoval;
    bool m_showConfirm = false;
};

} // namespace qm
