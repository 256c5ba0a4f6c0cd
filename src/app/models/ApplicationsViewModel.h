#pragma once

#include "app/models/ApplicationFilterModel.h"
#include "app/models/ApplicationListModel.h"
#include "app/models/ApplicationSizeUpdater.h"
#include "app/models/RestoreTracker.h"
#include "app/models/TrashSession.h"
#include "app/models/UninstallSheetState.h"
#include "core/apps/AppInventory.h"
#include "core/apps/AppScanner.h"
#include "core/apps/DesktopAppScanner.h"
#include "core/apps/InstalledApp.h"
#include "core/apps/LeftoverFinder.h"
#include "core/apps/LeftoverItem.h"
#include "core/apps/PrivilegedUninstall.h"
#include "core/apps/UninstallPlanner.h"
#include "core/cleaning/CoverageFlag.h"
#include "core/model/CleanReport.h"
#include "core/model/UndoResult.h"
#include "platform/RunningApplication.h"
#include "platform/Trash.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <QVariantList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <stop_token>
#include <string>
#include <unordered_map>
#include <vector>

namespace qm {

class Clock;
struct UninstallFailureNote;
class Workspace;

// The model of the Applications page: the inventory of installed applications with their sizes, the
// search and sort over it, the uninstall sheet (running state, leftovers, totals) and the three ways
// to uninstall: with the user's rights and undo, with administrator rights, or after asking a running
// copy to quit. Lives on the GUI thread and never blocks it: listing, sizing, the existence checks of
// pruning, leftover searches, Trash moves, the administrator move and undo run on the global thread
// pool with copies of their inputs, and each result lands only while its counter still holds (or is
// applied by bundle path).
//
// The parts it owns and forwards to: `AppInventory` (core) lists and measures and turns one inventory
// into the next; `ApplicationSizeUpdater` measures the listed applications in batches;
// `ApplicationListModel` holds the inventory's rows and `ApplicationFilterModel`, a proxy over them,
// searches and sorts; `UninstallSheetState`, one per opened sheet, holds the
// sheet's state and its quit wait; `UninstallPlanner` (core) decides each uninstall's road;
// `TrashSession` holds the undo record and the failure note. The counters that drop stale results
// stay here.
//
// Every move with the user's rights, and every restore, goes through a `Cleaner` whose guard admits
// only items strictly below an application folder or one of the leftover roots.
//
// An application is known by its bundle path's bytes (`InstalledApp::id`): known sizes, size batches
// and pruning compare paths byte for byte, so a name that is not valid UTF-8 stays itself.
class ApplicationsViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The view-model container owns the module models")

    Q_PROPERTY(Phase phase READ phase NOTIFY phaseChanged)
    // `phase` is `loaded` (QML cannot name the enum's lower-case values).
    Q_PROPERTY(bool loaded READ loaded NOTIFY phaseChanged)
    // How many applications the inventory holds (this program included); the page lists the
    // inventory when it comes on screen with none.
    Q_PROPERTY(int appCount READ appCount NOTIFY appsChanged)
    // How many applications could be uninstalled: the inventory without this program.
    Q_PROPERTY(int uninstallableCount READ uninstallableCount NOTIFY appsChanged)
    // The rows the page lists: the inventory's rows through the search and sort (`filteredApps`);
    // the same model for the model's life.
    Q_PROPERTY(qm::ApplicationFilterModel* filteredApps READ filteredAppsModel CONSTANT)
    Q_PROPERTY(bool inventoryComplete READ inventoryComplete NOTIFY inventoryCompleteChanged)
    Q_PROPERTY(bool refreshing READ refreshing NOTIFY refreshingChanged)
    Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY queryChanged)
    Q_PROPERTY(bool sortBySize READ sortBySize WRITE setSortBySize NOTIFY sortBySizeChanged)
    // The application whose uninstall sheet is open, as a map (`appId`, `name`, `bundleID`,
    // `version`, `sizeBytes`, `path`, `iconPath`); empty when no sheet is open.
    Q_PROPERTY(QVariantMap selectedApp READ selectedAppMap NOTIFY selectedAppChanged)
    Q_PROPERTY(bool hasSelectedApp READ hasSelectedApp NOTIFY selectedAppChanged)
    // The leftovers found for the selected application: maps with `id` (UUID without braces),
    // `name`, `location`, `path`, `bytes` and `isSelected`.
    Q_PROPERTY(QVariantList leftovers READ leftoverList NOTIFY leftoversChanged)
    // The summed bytes of the selected leftovers.
    Q_PROPERTY(qint64 selectedLeftoverBytes READ selectedLeftoverBytes NOTIFY leftoversChanged)
    Q_PROPERTY(bool findingLeftovers READ findingLeftovers NOTIFY findingLeftoversChanged)
    Q_PROPERTY(bool leftoverScanIncomplete READ leftoverScanIncomplete NOTIFY leftoverScanIncompleteChanged)
    Q_PROPERTY(bool showConfirm READ showConfirm WRITE setShowConfirm NOTIFY showConfirmChanged)
    Q_PROPERTY(bool selectedAppIsRunning READ selectedAppIsRunning NOTIFY selectedAppIsRunningChanged)
    Q_PROPERTY(bool quittingApp READ quittingApp NOTIFY quittingAppChanged)
    // Empty when there is no such sentence.
    Q_PROPERTY(QString quitRefusedMessage READ quitRefusedMessageText NOTIFY quitRefusedMessageChanged)
    Q_PROPERTY(
        bool showAdminConfirm READ showAdminConfirm WRITE setShowAdminConfirm NOTIFY showAdminConfirmChanged)
    Q_PROPERTY(bool adminUninstalling READ adminUninstalling NOTIFY adminUninstallingChanged)
    // Empty when the last uninstall was not an administrator one.
    Q_PROPERTY(
        QString lastAdminUninstallName READ lastAdminUninstallNameText NOTIFY lastAdminUninstallNameChanged)
    // An undo handle is held.
    Q_PROPERTY(bool hasLastReport READ hasLastReport NOTIFY lastReportChanged)
    // The bytes the undo handle holds, as a file-style byte count; empty without a handle.
    Q_PROPERTY(QString formattedFreed READ formattedFreed NOTIFY lastReportChanged)
    Q_PROPERTY(QString lastAppName READ lastAppName NOTIFY lastAppNameChanged)
    Q_PROPERTY(QStringList uninstalledNames READ uninstalledNames NOTIFY uninstalledNamesChanged)
    Q_PROPERTY(qint64 uninstallCompletions READ uninstallCompletions NOTIFY uninstallCompletionsChanged)
    // Empty when there is no failure to show.
    Q_PROPERTY(QString uninstallFailure READ uninstallFailureText NOTIFY uninstallFailureChanged)
    // The display text of the item offered for revealing, empty when there is none.
    Q_PROPERTY(QString pendingRevealPath READ pendingRevealPath NOTIFY pendingRevealURLChanged)
    Q_PROPERTY(bool failureNeedsFullDiskAccess READ failureNeedsFullDiskAccess NOTIFY
                   failureNeedsFullDiskAccessChanged)
    // The sheet's figures: selected leftovers plus the application itself; the bundle's bytes; and
    // their sum as text ("—" while it is below 1 byte).
    Q_PROPERTY(int uninstallItemCount READ uninstallItemCount NOTIFY uninstallTotalsChanged)
    Q_PROPERTY(qint64 selectedAppBytes READ selectedAppBytes NOTIFY uninstallTotalsChanged)
    Q_PROPERTY(QString formattedUninstallTotal READ formattedUninstallTotal NOTIFY uninstallTotalsChanged)
    // Uninstall would move something: the application itself, or, for one that stays installed, some
    // of its data the user chose. False without a selection.
    Q_PROPERTY(bool canUninstall READ canUninstall NOTIFY uninstallTotalsChanged)
    // The name part of the undo bar: "A", "A and B", "3 apps".
    Q_PROPERTY(QString uninstalledSummary READ uninstalledSummary NOTIFY uninstalledSummaryChanged)
    // An undo is moving items back out of the Trash.
    Q_PROPERTY(bool restoring READ restoring NOTIFY restoringChanged)
    // `undoLast` would run now: an undo handle is held, no undo runs and the Trash is not being emptied.
    Q_PROPERTY(bool canUndo READ canUndo NOTIFY canUndoChanged)

public:
    // `loading` until a listing started by `load()` completes (a stale one included), then `loaded`.
    enum class Phase { loading, loaded };
    Q_ENUM(Phase)

    // Receives one listing's result, once, on any thread.
    using ListingDone = std::function<void(AppScanner::Listing)>;
    // Starts listing the installed applications without blocking its caller (the GUI thread) and
    // hands the result to `done` when it has it; two listings may run at once.
    using Lister = std::function<void(ListingDone done)>;
    // Measures one bundle with CleanupScanner::size's arguments and returns its allocated bytes (a
    // partial total when it stops early); called on the sizing thread.
    using Sizer = AppInventory::Sizer;
    // Whether something still exists at a bundle path; called on a pool thread and on the GUI
    // thread.
    using ExistenceTest = std::function<bool(const Path&)>;

    // How this program recognises itself in the inventory: the path of its executable, whose name an
    // entry that starts it runs.
    struct OwnIdentity
    {
        Path url;
    };

    // Moves an application's folder to the Trash with administrator rights
    // (PrivilegedUninstall::moveToUserTrash); called on a pool thread and may block there.
    using AdminMove = std::function<PrivilegedUninstall::Result(const Path& folder)>;

    // What the model works on. Only `clock` is required; every other member left empty means the
    // real one. `clock` must outlive the model.
    struct Services
    {
        // The clock of the uninstall flow's waits.
        Clock& clock;
        // The user's home folder (default: the current user's) and the system root "/opt" lies in
        // (default "/"): where the real lister, sizer and leftover finder look.
        std::optional<Path> home = std::nullopt;
        std::optional<Path> systemRoot = std::nullopt;
        // Where this platform keeps the user's data and applications (default: the places of `home`
        // and `systemRoot`, the session's own for the current user) and who owns installed files
        // (default: Debian's package database under `systemRoot`).
        std::optional<Places> places = std::nullopt;
        std::shared_ptr<const PackageDatabase> packages = nullptr;
        // Default: DesktopAppScanner::listApps over the places above, on the thread pool.
        Lister lister = {};
        // Default: the bounded sizer the scanner carries.
        Sizer sizer = {};
        // Default: a finder over the home folder.
        std::optional<LeftoverFinder> finder = std::nullopt;
        // Default: the resolved path of the running program.
        std::optional<OwnIdentity> own = std::nullopt;
        // Default: only a path the file system reports missing (no such entry, or a part of it not a
        // folder) is gone; a path that cannot be examined for another reason still exists.
        ExistenceTest exists = {};
        // The running applications, quit requests and the file manager (default: the desktop's).
        std::shared_ptr<Workspace> workspace = nullptr;
        // Default: PrivilegedUninstall::moveToUserTrash with the system's prompt, for a folder under /opt.
        AdminMove adminMove = {};
        // Where moves with the user's rights go and come back from (default: the user's Trash).
        std::optional<Trash> trash = std::nullopt;
        // Whether the process may read the home folder (default: FullDiskAccess::isGranted for the
        // home folder). Called on the GUI thread; it must be quick.
        std::function<bool()> fullDiskAccess = {};
        // Shared with the other modules that undo through the Trash (null: one of its own). Must
        // outlive the model.
        RestoreTracker* restoreTracker = nullptr;
    };

    // Sizes are published after every this many applications measured, and once for the rest.
    static constexpr int kSizeBatch = 25;

    // The address that opens `app` in the desktop's software centre ("appstream://<component id>":
    // the Flatpak id, or the desktop id, with ".desktop" when it is not a reverse-DNS name); empty for
    // an application the package manager does not own.
    static QString softwareCentreUrl(const InstalledApp& app);
    // The command that removes `app` by hand ("sudo apt remove <package>", "flatpak uninstall [--user]
    // <id>"); empty for an application the package manager does not own.
    static QString removalCommand(const InstalledApp& app);
    // Whether some listed application handles "appstream:" addresses (a software centre is installed).
    Q_INVOKABLE bool softwareCentreAvailable() const;

    // Creates the model in `loading` with an empty inventory; starts no work.
    explicit ApplicationsViewModel(Services services, QObject* parent = nullptr);
    // Stops the running sizing job (also one waiting for its batch to land); listings still running
    // finish on their own and are dropped.
    ~ApplicationsViewModel() override;

    // ---- published state ----
    Phase phase() const { return m_phase; }
    bool loaded() const { return m_phase == Phase::loaded; }
    const std::vector<InstalledApp>& apps() const { return m_list->rows(); }
    int appCount() const { return int(apps().size()); }
    bool inventoryComplete() const { return m_inventoryComplete; }
    bool refreshing() const { return m_refreshing; }
    const QString& query() const { return m_filtered->query(); }
    void setQuery(const QString& query);
    bool sortBySize() const { return m_filtered->sortBySize(); }
    void setSortBySize(bool sortBySize);
    // The sheet's state, forwarded to the open sheet (the setters too).
    const std::optional<InstalledApp>& selectedApp() const { return m_sheet->app(); }
    void setSelectedApp(std::optional<InstalledApp> app) { m_sheet->setApp(std::move(app)); }
    bool hasSelectedApp() const { return m_sheet->app().has_value(); }
    QVariantMap selectedAppMap() const;
    const std::vector<LeftoverItem>& leftovers() const { return m_sheet->leftovers(); }
    void setLeftovers(std::vector<LeftoverItem> leftovers) { m_sheet->setLeftovers(std::move(leftovers)); }
    QVariantList leftoverList() const;
    bool findingLeftovers() const { return m_sheet->findingLeftovers(); }
    void setFindingLeftovers(bool value) { m_sheet->setFindingLeftovers(value); }
    bool leftoverScanIncomplete() const { return m_sheet->leftoverScanIncomplete(); }
    void setLeftoverScanIncomplete(bool value) { m_sheet->setLeftoverScanIncomplete(value); }
    bool showConfirm() const { return m_sheet->showConfirm(); }
    void setShowConfirm(bool value) { m_sheet->setShowConfirm(value); }
    bool selectedAppIsRunning() const { return m_sheet->running(); }
    void setSelectedAppIsRunning(bool value) { m_sheet->setRunning(value); }
    bool quittingApp() const { return m_sheet->quitting(); }
    void setQuittingApp(bool value) { m_sheet->setQuitting(value); }
    const std::optional<QString>& quitRefusedMessage() const { return m_sheet->quitRefusedMessage(); }
    void setQuitRefusedMessage(std::optional<QString> message)
    {
        m_sheet->setQuitRefusedMessage(std::move(message));
    }
    QString quitRefusedMessageText() const { return quitRefusedMessage().value_or(QString()); }
    bool showAdminConfirm() const { return m_sheet->showAdminConfirm(); }
    void setShowAdminConfirm(bool value) { m_sheet->setShowAdminConfirm(value); }
    bool adminUninstalling() const { return m_adminUninstalling; }
    void setAdminUninstalling(bool value);
    const std::optional<QString>& lastAdminUninstallName() const { return m_lastAdminUninstallName; }
    void setLastAdminUninstallName(std::optional<QString> name);
    QString lastAdminUninstallNameText() const { return m_lastAdminUninstallName.value_or(QString()); }
    const std::optional<CleanReport>& lastReport() const { return m_session.report(); }
    void setLastReport(std::optional<CleanReport> report);
    bool hasLastReport() const { return m_session.hasReport(); }
    QString formattedFreed() const;
    const QString& lastAppName() const { return m_lastAppName; }
    void setLastAppName(const QString& name);
    const QStringList& uninstalledNames() const { return m_uninstalledNames; }
    void setUninstalledNames(const QStringList& names);
    qint64 uninstallCompletions() const { return m_session.cleanCompletions(); }
    // Counts one more completed uninstall; the count only grows.
    void countUninstallCompletion();
    std::optional<QString> uninstallFailure() const;
    void setUninstallFailure(std::optional<QString> failure);
    QString uninstallFailureText() const { return m_session.failureNote(); }
    const std::optional<Path>& pendingRevealURL() const { return m_pendingRevealURL; }
    void setPendingRevealURL(std::optional<Path> url);
    QString pendingRevealPath() const;
    bool failureNeedsFullDiskAccess() const { return m_failureNeedsFullDiskAccess; }
    void setFailureNeedsFullDiskAccess(bool value);
    bool restoring() const { return m_session.restoring(); }
    bool canUndo() const { return m_session.canUndo(); }
    // The `files/` folder of the Trash the last administrator move went to; kept beside
    // `lastAdminUninstallName` and gone with it.
    const std::optional<Path>& lastAdminTrashFiles() const { return m_lastAdminTrashFiles; }

    // ---- unpublished state ----
    // Counters; each only grows. `generation`: the uninstall sheet's; `loadGeneration`: guards the
    // completeness, the start of sizing and every size batch of a listing; `listScanGeneration`:
    // guards every write of a listing or a prune into the inventory; `quitToken`: counts the waits for
    // an application to quit that were started or dropped (each sheet drops its own wait with it).
    qint64 generation() const { return m_session.generation(); }
    qint64 loadGeneration() const { return m_loadGeneration; }
    qint64 listScanGeneration() const { return m_listScanGeneration; }
    qint64 quitToken() const { return m_quitToken; }
    // The leftover finder.
    const LeftoverFinder& finder() const { return m_finder; }
    // Listed paths (bytes) of the applications whose uninstall is under way.
    const std::set<std::string>& inFlightActionIDs() const { return m_inFlightActionIDs; }
    // A sizing job is running (it may be waiting for its batch to land).
    bool sizing() const;

    // ---- derived lists, computed on every read ----
    // Whether `app` is this program: its own desktop entry, or an entry whose program has this
    // program's executable name.
    bool isOwn(const InstalledApp& app) const;
    // The inventory in order without this program itself.
    std::vector<InstalledApp> uninstallableApps() const;
    int uninstallableCount() const;
    // `uninstallableApps` whose name or bundle identifier contains `query` regardless of case and
    // diacritics (the query as typed, never trimmed; an empty query keeps all), largest first with
    // ties in listing order when `sortBySize`.
    std::vector<InstalledApp> filteredApps() const { return m_filtered->rows(); }
    ApplicationFilterModel* filteredAppsModel() const { return m_filtered.get(); }
    // The summed bytes of the selected leftovers; 0 when none is selected.
    qint64 selectedLeftoverBytes() const { return m_sheet->selectedLeftoverBytes(); }
    // The selected leftovers plus 1 for the application itself, unless it stays (`selectedAppStays`).
    int uninstallItemCount() const { return m_sheet->uninstallItemCount(); }
    // The selected application is not moved by an uninstall: the package manager owns it.
    bool selectedAppStays() const { return m_sheet->appStays(); }
    // The application moves, or some of its leftovers are selected (`uninstallItemCount` above 0).
    bool canUninstall() const { return m_sheet->canUninstall(); }
    // The selected application's size as the inventory knows it (its own when the inventory does not
    // hold it); 0 without a selection.
    qint64 selectedAppBytes() const;
    // `selectedAppBytes` (unless the application stays) plus `selectedLeftoverBytes` as a file-style
    // byte count, "—" below 1 byte.
    QString formattedUninstallTotal() const;
    // "" with no names (then `lastAppName`), "A", "A and B", "3 apps".
    QString uninstalledSummary() const;
    // The running processes of `app`: those with its identifier (when it has one) and those running
    // from its bundle, in process-id order.
    std::vector<RunningApplication> runningInstances(const InstalledApp& app) const;
    // Whether moving the bundle at `url` needs administrator rights: its owner (the entry itself, a
    // link not followed) is not the process's real user. False when it cannot be examined.
    static bool appNeedsAdmin(const Path& url);

    // ---- operations ----
    // Lists the inventory anew (the first time, and after an undo): back to `loading`, a running
    // refresh forgotten, the uninstall sheet's searches dropped. When the listing ends the page is
    // `loaded` even if a newer listing has started; only the newest listing's list, completeness and
    // sizes land. Returns at once.
    Q_INVOKABLE void load();
    // Lists the inventory again keeping the known sizes until they are measured anew. Ignored while
    // `loading` or while a refresh runs. Returns at once.
    Q_INVOKABLE void refresh();
    // Drops the applications whose bundle no longer exists, checked on the pool and again just before
    // they go; nothing goes when a listing or an uninstall changed the inventory meanwhile. Returns
    // at once.
    Q_INVOKABLE void pruneUninstalledApps();
    // Closes the uninstall sheet: drops its leftover search and any wait for a quit, clears the
    // confirmations, the selection and its leftovers. Leaves running state, undo and failure alone.
    Q_INVOKABLE void dismissUninstaller();

    // Opens the uninstall sheet for `app`: checks whether it runs, measures the bundle when its size
    // is not known, and searches its leftovers (a newer opening drops this one's result). Does nothing
    // for this program itself. The string form takes a row's `appId`; an unknown one does nothing.
    void openUninstaller(const InstalledApp& app);
    Q_INVOKABLE void openUninstaller(const QString& appId);
    // Publishes whether the selected application runs now (false without a selection). Also called
    // whenever an application starts or stops running while a sheet is open (the workspace is
    // polled about once a second only then).
    Q_INVOKABLE void refreshRunningState();
    // Flips the selection of the leftover with `id`; an unknown id does nothing.
    void toggleLeftover(const QUuid& id);
    Q_INVOKABLE void toggleLeftover(const QString& id);
    // `appNeedsAdmin` for the selected application (false without one).
    Q_INVOKABLE bool selectedAppNeedsAdmin() const;
    // The normal road: closes the sheet and moves the bundle, then (only once it went) the selected
    // leftovers to the Trash; the moved items join the undo report. A bundle that needs administrator
    // rights is refused with a sentence and nothing moves. Ignored without a selection, while the
    // same application's uninstall runs, or when nothing would move (`canUninstall` false).
    Q_INVOKABLE void confirmUninstall();
    // The administrator road: the bundle is moved with administrator rights, then the selected
    // leftovers with the user's; nothing of it can be undone here. The sheet stays open until the
    // answer (and stays on a cancelled prompt). Ignored while one runs.
    Q_INVOKABLE void confirmAdminUninstall();
    // The quit-first road: asks every running instance to quit, polls every 0.25 s on the clock for
    // up to 10 s, then shows the normal (or, with `needsAdmin`, the administrator) confirmation, or a
    // refusal when it still runs. Closing or reopening the sheet meanwhile drops the answer.
    Q_INVOKABLE void quitAndUninstall(bool needsAdmin);
    // Opens the selected application in the software centre (`softwareCentreUrl`), through the
    // desktop. Does nothing without a selection the package manager owns.
    Q_INVOKABLE void openInSoftwareCentre();
    // Moves every item of the normal uninstalls since the last undo back, then lists the inventory
    // again; words what could not come back. Ignored with nothing to undo, while an undo runs or while
    // the Trash is being emptied.
    Q_INVOKABLE void undoLast();
    // Opens the `files/` folder of the Trash the last administrator move went to, or of the user's
    // home trash, in the file manager.
    Q_INVOKABLE void openTrash();
    // Shows the selected application's bundle (its raw path) in the file manager; the sheet stays
    // open. Does nothing without a selection.
    Q_INVOKABLE void revealSelectedApp();
    // Shows the item a failure points at (its raw path) in the file manager; clears nothing. Does
    // nothing when no item is pending.
    Q_INVOKABLE void revealPendingItem();
    // Forgets the failure together: its sentence, the item to reveal and the Full Disk Access hint.
    Q_INVOKABLE void dismissFailure();

signals:
    void phaseChanged();
    // Every publication of the inventory, also one that changes nothing but sizes.
    void appsChanged();
    void inventoryCompleteChanged();
    void refreshingChanged();
    void queryChanged();
    void sortBySizeChanged();
    void selectedAppChanged();
    void leftoversChanged();
    void findingLeftoversChanged();
    void leftoverScanIncompleteChanged();
    void showConfirmChanged();
    void selectedAppIsRunningChanged();
    void quittingAppChanged();
    void quitRefusedMessageChanged();
    void showAdminConfirmChanged();
    void adminUninstallingChanged();
    void lastAdminUninstallNameChanged();
    void lastReportChanged();
    void canUndoChanged();
    void lastAppNameChanged();
    void uninstalledNamesChanged();
    void uninstallCompletionsChanged();
    void uninstallFailureChanged();
    void pendingRevealURLChanged();
    void failureNeedsFullDiskAccessChanged();
    void uninstallTotalsChanged();
    void uninstalledSummaryChanged();
    void restoringChanged();

private:
    void setPhase(Phase phase);
    void setApps(std::vector<InstalledApp> apps);
    void setInventoryComplete(bool value);
    void setRefreshing(bool value);

    // Starts the lister and hands its result to `apply` on this thread, unless the model is gone by
    // then.
    void startListing(std::function<void(ApplicationsViewModel&, AppScanner::Listing)> apply);
    void applyLoad(qint64 listScanGeneration, qint64 loadGeneration, AppScanner::Listing listing);
    void applyRefresh(qint64 listScanGeneration, qint64 loadGeneration, const AppInventory::Sizes& knownSizes,
                      AppScanner::Listing listing);
    // Measures every listed application again, one after another, publishing sizes in batches while
    // `loadGeneration` still equals `generation`; replaces (and stops) a running sizing job.
    void computeSizes(qint64 generation);
    void applySizes(qint64 generation, const AppInventory::Sizes& batch);
    void applyPrune(qint64 listScanGeneration, const std::set<std::string>& gone);

    // Replaces the sheet with one for `app` (none: the sheet closes), which keeps what a closed sheet
    // leaves shown (and with `answers`, its confirmations and quit refusal); publishes every change.
    void replaceSheet(std::optional<InstalledApp> app, bool answers);
    // Forwards the sheet's changes as this model's.
    void connectSheet();
    void closeSheet();
    // Shows `note`: its sentence, and the item to reveal and the Full Disk Access hint it sets.
    void showFailure(const UninstallFailureNote& note);
    // The plan of uninstalling the selected application with its selected leftovers.
    UninstallPlan selectedPlan() const;
    // The road of an application the package manager owns: only the chosen leftovers go to the
    // Trash (undoable); the application stays installed and listed.
    void uninstallLeftoversOnly(const InstalledApp& app, UninstallPlan plan);
    // Marks `app` busy and closes its sheet (a new generation, no selection, no leftovers) before an
    // uninstall road starts its background work.
    void closeSheetForAction(const InstalledApp& app);
    void applyLeftoversOnly(const InstalledApp& app, const CleanReport& report);
    // Removes the application with `bundle` from the inventory and bumps `listScanGeneration`.
    void removeFromInventory(const std::string& bundle);
    void applyMeasurement(const std::string& bundle, qint64 bytes);
    void applyLeftovers(qint64 generation, LeftoverFinder::Found found);
    void applyNormalUninstall(const InstalledApp& app, const CleanReport& bundleReport,
                              const CleanReport& leftoverReport);
    void applyAdminMove(const InstalledApp& app, std::vector<ScanItem> leftovers,
                        const PrivilegedUninstall::Result& result);
    void applyAdminLeftovers(const InstalledApp& app, bool wasSelected, const Path& trashFiles,
                             const CleanReport& leftoverReport);
    void applyUndo(const UndoResult& result);
    Workspace& workspace() const;

    Clock& m_clock;
    Path m_home;
    Path m_systemRoot;
    Places m_places;
    DesktopAppScanner m_desktop;
    LeftoverFinder m_finder;
    UninstallPlanner m_planner;
    Lister m_lister;
    // Lists (for the default lister) and measures one application: a package by its files, any
    // other by its size roots with the sizer.
    AppInventory m_inventory;
    OwnIdentity m_own;
    ExistenceTest m_exists;
    mutable std::shared_ptr<Workspace> m_workspace;
    AdminMove m_adminMove;
    Trash m_trash;
    std::function<bool()> m_fullDiskAccess;
    // The undo record the uninstalls since the last listing join (no expiry), the restore, the
    // uninstall failure and the completions; its generation is the uninstall sheet's.
    TrashSession m_session;

    Phase m_phase = Phase::loading;
    bool m_inventoryComplete = true;
    bool m_refreshing = false;
    // The open sheet's state (one without an application while none is open); never null, a child of
    // this model.
    UninstallSheetState* m_sheet = nullptr;
    qint64 m_quitToken = 0;
    bool m_adminUninstalling = false;
    std::optional<QString> m_lastAdminUninstallName;
    QString m_lastAppName;
    QStringList m_uninstalledNames;
    std::optional<Path> m_pendingRevealURL;
    bool m_failureNeedsFullDiskAccess = false;
    std::optional<Path> m_lastAdminTrashFiles;
    qint64 m_loadGeneration = 0;
    qint64 m_listScanGeneration = 0;
    std::set<std::string> m_inFlightActionIDs;
    ApplicationSizeUpdater m_sizes;
    std::vector<Path> m_undoRoots; // the program folders of the uninstalls an undo may put back
    std::vector<Path> m_undoItems; // the leftovers directly in the home an undo may put back

    // The inventory, in listing order (never null), and the search and sort over it.
    std::unique_ptr<ApplicationListModel> m_list;
    std::unique_ptr<ApplicationFilterModel> m_filtered;
};

} // namespace qm
