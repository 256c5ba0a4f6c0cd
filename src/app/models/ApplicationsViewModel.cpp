#include "app/models/ApplicationsViewModel.h"

#include "app/models/FileToolCleaning.h"
#include "app/models/PostToModel.h"
#include "app/models/UninstallFailureNote.h"
#include "app/platform/GuiWorkspace.h"
#include "core/CoreInfo.h"
#include "core/cleaning/Cleaner.h"
#include "core/cleaning/SafetyGuard.h"
#include "core/model/Formatting.h"
#include "core/permissions/FullDiskAccess.h"
#include "platform/Clock.h"
#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QIcon>
#include <QPointer>
#include <QThreadPool>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace qm {
namespace {

// Queue priorities on the thread pool: a listing the user waits for goes ahead of background sizing
// (ApplicationSizeUpdater's) and pruning.
constexpr int kUtilityPriority = 0;
constexpr int kUserInitiatedPriority = 1;

QVariantMap appMap(const InstalledApp& app)
{
    return QVariantMap{
        {QStringLiteral("appId"), ApplicationListModel::appId(app)},
        {QStringLiteral("name"), app.name},
        {QStringLiteral("bundleID"), app.bundleID},
        {QStringLiteral("version"), app.version},
        {QStringLiteral("sizeBytes"), app.sizeBytes},
        {QStringLiteral("path"), FileSystem::displayName(app.url)},
        {QStringLiteral("iconPath"), app.icon ? FileSystem::displayName(*app.icon) : QString()},
        {QStringLiteral("iconId"), ApplicationListModel::iconId(app)},
        {QStringLiteral("packageManaged"), app.packageManaged() || app.origin == AppOrigin::other},
        {QStringLiteral("packageName"), app.packageName.isEmpty() ? app.flatpakId : app.packageName},
        {QStringLiteral("removalCommand"), ApplicationsViewModel::removalCommand(app)},
    };
}

// Only a path the file system reports missing is gone: a folder that cannot be examined for another
// reason (a denial, a failing disk) still holds its application.
bool stillThere(const FileSystem& fileSystem, const Path& path)
{
    const auto status = fileSystem.status(path);
    if (status)
        return true;
    return !status.error().isPosix(ENOENT) && !status.error().isPosix(ENOTDIR);
}

// The leftovers among `items` that lie directly in the home, which the guard admits one by one.
std::vector<Path> homeItemsOf(const Places& places, const std::vector<ScanItem>& items)
{
    std::vector<Path> urls;
    for (const ScanItem& item : items)
        urls.push_back(item.url);
    return LeftoverFinder::homeItems(places, urls);
}

// True when `report` moved `item` (as given or standardised) to the Trash.
bool trashedItem(const CleanReport& report, const Path& item)
{
    const std::string standardized = FileSystem::standardize(item).native();
    return std::any_of(report.trashed.begin(), report.trashed.end(), [&](const TrashedItem& t) {
        return t.original.native() == item.native() || t.original.native() == standardized;
    });
}

// The sizer the model measures with when none is given: the bounded sizer of the scanner over the
// home and the system root.
AppInventory::Sizer defaultSizer(const Path& home, const Path& systemRoot)
{
    return [sizer = CleanupScanner(FileSystem(), home, systemRoot)](
               const Path& of, const std::vector<Path>& excluding, qint64 nodeLimit, bool flagCapAsIncomplete,
               double deadline, CoverageFlag* coverage, std::stop_token stop) {
        return sizer.size(of, excluding, nodeLimit, flagCapAsIncomplete, deadline, coverage, std::move(stop));
    };
}

} // namespace

ApplicationsViewModel::ApplicationsViewModel(Services services, QObject* parent)
    : QObject(parent), m_clock(services.clock),
      m_home(services.home ? std::move(*services.home) : FileSystem::homeDirectory()),
      m_systemRoot(services.systemRoot ? std::move(*services.systemRoot) : Path("/")),
      m_places(services.places ? std::move(*services.places)
                               : CleanupScanner::placesOf(m_home, m_systemRoot)),
      m_desktop(m_places, std::move(services.packages), {}, QIcon::themeName()),
      m_finder(services.finder
                   ? std::move(*services.finder)
                   : LeftoverFinder(FileSystem(), CleanupScanner(FileSystem(), m_home), m_places)),
      m_planner(m_places, m_home), m_lister(std::move(services.lister)),
      m_inventory(m_desktop, services.sizer ? std::move(services.sizer) : defaultSizer(m_home, m_systemRoot)),
      m_own(services.own ? std::move(*services.own)
                         : OwnIdentity{FileSystem::resolveLinks("/proc/self/exe")}),
      m_exists(std::move(services.exists)), m_workspace(std::move(services.workspace)),
      m_adminMove(std::move(services.adminMove)),
      m_trash(services.trash ? std::move(*services.trash) : Trash()),
      m_fullDiskAccess(std::move(services.fullDiskAccess)), m_session(services.restoreTracker),
      m_sheet(new UninstallSheetState(
          std::nullopt, [this]() -> Workspace& { return workspace(); }, m_clock, this)),
      m_sizes(
          [inventory = m_inventory](const InstalledApp& app, std::stop_token stop) {
              return inventory.measure(app, std::move(stop));
          },
          kSizeBatch),
      m_list(std::make_unique<ApplicationListModel>()),
      m_filtered(std::make_unique<ApplicationFilterModel>(
          *m_list, [this](const InstalledApp& app) { return isOwn(app); }))
{
    connectSheet();
    if (!m_adminMove)
        m_adminMove = [opt = m_places.optionalSoftware()](const Path& folder) {
            // An application's own folder under /opt, which no package owns.
            PrivilegedUninstall::Environment environment;
            environment.appDirectories = {opt};
            return PrivilegedUninstall::moveToUserTrash(folder, environment);
        };
    if (!m_fullDiskAccess) {
        m_fullDiskAccess = [home = m_home] { return FullDiskAccess::isGranted(home); };
    }
    // The sheet's figures and the undo bar's names are derived on every read.
    for (const auto signal : {&ApplicationsViewModel::appsChanged, &ApplicationsViewModel::selectedAppChanged,
                              &ApplicationsViewModel::leftoversChanged})
        connect(this, signal, this, &ApplicationsViewModel::uninstallTotalsChanged);
    connect(this, &ApplicationsViewModel::uninstalledNamesChanged, this,
            &ApplicationsViewModel::uninstalledSummaryChanged);
    connect(this, &ApplicationsViewModel::lastAppNameChanged, this,
            &ApplicationsViewModel::uninstalledSummaryChanged);
    connect(&m_session, &TrashSession::reportChanged, this, &ApplicationsViewModel::lastReportChanged);
    connect(&m_session, &TrashSession::restoringChanged, this, &ApplicationsViewModel::restoringChanged);
    connect(&m_session, &TrashSession::canUndoChanged, this, &ApplicationsViewModel::canUndoChanged);
    connect(&m_session, &TrashSession::failureNoteChanged, this,
            &ApplicationsViewModel::uninstallFailureChanged);
    connect(&m_session, &TrashSession::cleanCompletionsChanged, this,
            &ApplicationsViewModel::uninstallCompletionsChanged);
    if (!m_lister) {
        m_lister = [inventory = m_inventory](ListingDone done) {
            QThreadPool::globalInstance()->start(
                [inventory, done = std::move(done)] { done(inventory.list()); }, kUserInitiatedPriority);
        };
    }
    if (!m_exists)
        m_exists = [fileSystem = FileSystem()](const Path& path) { return stillThere(fileSystem, path); };
}

ApplicationsViewModel::~ApplicationsViewModel()
{
    // The sheet asks this model for the workspace: it goes while the workspace is still there.
    delete std::exchange(m_sheet, nullptr);
}

bool ApplicationsViewModel::sizing() const
{
    return m_sizes.running();
}

// ---- setters ----

void ApplicationsViewModel::setPhase(Phase phase)
{
    if (m_phase == phase)
        return;
    m_phase = phase;
    emit phaseChanged();
}

void ApplicationsViewModel::setApps(std::vector<InstalledApp> apps)
{
    // The list first: whoever hears appsChanged reads counts the search keeps.
    m_list->replace(std::move(apps));
    emit appsChanged();
}

void ApplicationsViewModel::setInventoryComplete(bool value)
{
    if (m_inventoryComplete == value)
        return;
    m_inventoryComplete = value;
    emit inventoryCompleteChanged();
}

void ApplicationsViewModel::setRefreshing(bool value)
{
    if (m_refreshing == value)
        return;
    m_refreshing = value;
    emit refreshingChanged();
}

void ApplicationsViewModel::setQuery(const QString& query)
{
    if (m_filtered->query() == query)
        return;
    m_filtered->setQuery(query);
    emit queryChanged();
}

void ApplicationsViewModel::setSortBySize(bool sortBySize)
{
    if (m_filtered->sortBySize() == sortBySize)
        return;
    m_filtered->setSortBySize(sortBySize);
    emit sortBySizeChanged();
}

QVariantMap ApplicationsViewModel::selectedAppMap() const
{
    return selectedApp() ? appMap(*selectedApp()) : QVariantMap();
}

QVariantList ApplicationsViewModel::leftoverList() const
{
    QVariantList list;
    list.reserve(qsizetype(leftovers().size()));
    for (const LeftoverItem& item : leftovers()) {
        list.append(QVariantMap{
            {QStringLiteral("id"), item.id.toString(QUuid::WithoutBraces)},
            {QStringLiteral("name"), item.name},
            {QStringLiteral("location"), item.location},
            {QStringLiteral("path"), FileSystem::displayName(item.url)},
            {QStringLiteral("bytes"), item.bytes},
            {QStringLiteral("isSelected"), item.isSelected},
        });
    }
    return list;
}

void ApplicationsViewModel::setAdminUninstalling(bool value)
{
    if (m_adminUninstalling == value)
        return;
    m_adminUninstalling = value;
    emit adminUninstallingChanged();
}

void ApplicationsViewModel::setLastAdminUninstallName(std::optional<QString> name)
{
    // The Trash folder of the last administrator move goes with its name.
    if (!name)
        m_lastAdminTrashFiles.reset();
    if (m_lastAdminUninstallName == name)
        return;
    m_lastAdminUninstallName = std::move(name);
    emit lastAdminUninstallNameChanged();
}

void ApplicationsViewModel::setLastReport(std::optional<CleanReport> report)
{
    m_session.record(std::move(report));
}

void ApplicationsViewModel::setLastAppName(const QString& name)
{
    if (m_lastAppName == name)
        return;
    m_lastAppName = name;
    emit lastAppNameChanged();
}

void ApplicationsViewModel::setUninstalledNames(const QStringList& names)
{
    if (m_uninstalledNames == names)
        return;
    m_uninstalledNames = names;
    emit uninstalledNamesChanged();
}

void ApplicationsViewModel::countUninstallCompletion()
{
    m_session.countCompletion();
}

std::optional<QString> ApplicationsViewModel::uninstallFailure() const
{
    const QString failure = m_session.failureNote();
    return failure.isEmpty() ? std::nullopt : std::optional<QString>(failure);
}

void ApplicationsViewModel::setUninstallFailure(std::optional<QString> failure)
{
    m_session.setFailureNote(failure.value_or(QString()));
}

void ApplicationsViewModel::setPendingRevealURL(std::optional<Path> url)
{
    if (m_pendingRevealURL == url)
        return;
    m_pendingRevealURL = std::move(url);
    emit pendingRevealURLChanged();
}

QString ApplicationsViewModel::pendingRevealPath() const
{
    return m_pendingRevealURL ? FileSystem::displayName(*m_pendingRevealURL) : QString();
}

void ApplicationsViewModel::setFailureNeedsFullDiskAccess(bool value)
{
    if (m_failureNeedsFullDiskAccess == value)
        return;
    m_failureNeedsFullDiskAccess = value;
    emit failureNeedsFullDiskAccessChanged();
}

// ---- derived lists ----

std::vector<InstalledApp> ApplicationsViewModel::uninstallableApps() const
{
    std::vector<InstalledApp> out;
    out.reserve(apps().size());
    std::copy_if(apps().begin(), apps().end(), std::back_inserter(out),
                 [this](const InstalledApp& app) { return !isOwn(app); });
    return out;
}

int ApplicationsViewModel::uninstallableCount() const
{
    return appCount() - m_filtered->ownCount();
}

// ---- listing ----

void ApplicationsViewModel::startListing(
    std::function<void(ApplicationsViewModel&, AppScanner::Listing)> apply)
{
    const QPointer<ApplicationsViewModel> self(this);
    m_lister([self, apply = std::move(apply)](AppScanner::Listing result) {
        auto listing = std::make_shared<AppScanner::Listing>(std::move(result));
        postTo(self, [listing, apply](ApplicationsViewModel& model) { apply(model, std::move(*listing)); });
    });
}

void ApplicationsViewModel::load()
{
    m_session.advance();
    const qint64 loadGeneration = ++m_loadGeneration;
    const qint64 listScanGeneration = ++m_listScanGeneration;
    setRefreshing(false);
    setPhase(Phase::loading);
    startListing(
        [listScanGeneration, loadGeneration](ApplicationsViewModel& model, AppScanner::Listing listing) {
            model.applyLoad(listScanGeneration, loadGeneration, std::move(listing));
        });
}

void ApplicationsViewModel::applyLoad(qint64 listScanGeneration, qint64 loadGeneration,
                                      AppScanner::Listing listing)
{
    if (listScanGeneration == m_listScanGeneration)
        setApps(std::move(listing.apps));
    // Any listing that ends leaves `loading`, a stale one included.
    setPhase(Phase::loaded);
    if (loadGeneration == m_loadGeneration) {
        setInventoryComplete(listing.complete);
        computeSizes(loadGeneration);
    }
}

void ApplicationsViewModel::refresh()
{
    if (m_phase != Phase::loaded || m_refreshing)
        return;
    setRefreshing(true);
    const qint64 loadGeneration = ++m_loadGeneration;
    const qint64 listScanGeneration = ++m_listScanGeneration;
    // Taken now: sizes measured while the listing runs belong to the inventory it replaces.
    AppInventory::Sizes knownSizes = AppInventory::knownSizes(apps());
    startListing([listScanGeneration, loadGeneration, knownSizes = std::move(knownSizes)](
                     ApplicationsViewModel& model, AppScanner::Listing listing) {
        model.applyRefresh(listScanGeneration, loadGeneration, knownSizes, std::move(listing));
    });
}

void ApplicationsViewModel::applyRefresh(qint64 listScanGeneration, qint64 loadGeneration,
                                         const AppInventory::Sizes& knownSizes, AppScanner::Listing listing)
{
    // Whatever became of it, this refresh is over (a `load` meanwhile already said so).
    setRefreshing(false);
    if (listScanGeneration == m_listScanGeneration)
        setApps(AppInventory::keepingSizes(std::move(listing.apps), knownSizes));
    if (loadGeneration == m_loadGeneration) {
        setInventoryComplete(listing.complete);
        computeSizes(loadGeneration);
    }
}

// ---- sizing ----

void ApplicationsViewModel::computeSizes(qint64 generation)
{
    m_sizes.start(apps(),
                  [this, generation](const AppInventory::Sizes& batch) { applySizes(generation, batch); });
}

void ApplicationsViewModel::applySizes(qint64 generation, const AppInventory::Sizes& batch)
{
    if (generation != m_loadGeneration)
        return;
    setApps(AppInventory::withSizes(apps(), batch));
}

// ---- pruning ----

void ApplicationsViewModel::pruneUninstalledApps()
{
    if (apps().empty())
        return;
    const qint64 listScanGeneration = m_listScanGeneration;

    const QPointer<ApplicationsViewModel> self(this);
    QThreadPool::globalInstance()->start(
        [self, listScanGeneration, listed = apps(), exists = m_exists] {
            std::set<std::string> gone = AppInventory::missing(listed, exists);
            if (gone.empty())
                return;
            postTo(self, [listScanGeneration, gone = std::move(gone)](ApplicationsViewModel& model) {
                model.applyPrune(listScanGeneration, gone);
            });
        },
        kUtilityPriority);
}

void ApplicationsViewModel::applyPrune(qint64 listScanGeneration, const std::set<std::string>& gone)
{
    if (listScanGeneration != m_listScanGeneration)
        return;
    // A bundle put back since the first look stays.
    if (std::optional<std::vector<InstalledApp>> kept = AppInventory::pruned(apps(), gone, m_exists))
        setApps(std::move(*kept));
}

// ---- the uninstall sheet ----

void ApplicationsViewModel::dismissUninstaller()
{
    m_session.advance();
    ++m_quitToken;
    replaceSheet(std::nullopt, false);
}

void ApplicationsViewModel::connectSheet()
{
    const auto forward = [this](auto from, auto to) { connect(m_sheet, from, this, to); };
    forward(&UninstallSheetState::appChanged, &ApplicationsViewModel::selectedAppChanged);
    forward(&UninstallSheetState::leftoversChanged, &ApplicationsViewModel::leftoversChanged);
    forward(&UninstallSheetState::findingLeftoversChanged, &ApplicationsViewModel::findingLeftoversChanged);
    forward(&UninstallSheetState::leftoverScanIncompleteChanged,
            &ApplicationsViewModel::leftoverScanIncompleteChanged);
    forward(&UninstallSheetState::showConfirmChanged, &ApplicationsViewModel::showConfirmChanged);
    forward(&UninstallSheetState::showAdminConfirmChanged, &ApplicationsViewModel::showAdminConfirmChanged);
    forward(&UninstallSheetState::runningChanged, &ApplicationsViewModel::selectedAppIsRunningChanged);
    forward(&UninstallSheetState::quittingChanged, &ApplicationsViewModel::quittingAppChanged);
    forward(&UninstallSheetState::quitRefusedMessageChanged,
            &ApplicationsViewModel::quitRefusedMessageChanged);
}

void ApplicationsViewModel::replaceSheet(std::optional<InstalledApp> app, bool answers)
{
    UninstallSheetState* const old = m_sheet;
    auto* const next = new UninstallSheetState(
        std::move(app), [this]() -> Workspace& { return workspace(); }, m_clock, this);
    next->carryOver(*old, answers);
    old->retire();
    disconnect(old, nullptr, this, nullptr);
    m_sheet = next;
    connectSheet();
    // The old sheet may be the sender of the signal that closed it.
    old->deleteLater();

    // What the screens read changes as if each value had been set in turn.
    if (old->showConfirm() != next->showConfirm())
        emit showConfirmChanged();
    if (old->showAdminConfirm() != next->showAdminConfirm())
        emit showAdminConfirmChanged();
    if (old->quitting() != next->quitting())
        emit quittingAppChanged();
    if (old->quitRefusedMessage() != next->quitRefusedMessage())
        emit quitRefusedMessageChanged();
    if (old->app() != next->app())
        emit selectedAppChanged();
    if (old->leftovers() != next->leftovers())
        emit leftoversChanged();
    if (old->findingLeftovers() != next->findingLeftovers())
        emit findingLeftoversChanged();
}

// ---- the uninstall flow ----

namespace {

ScanItem uninstallItem(const Path& url, const QString& name, qint64 bytes)
{
    ScanItem item;
    item.url = url;
    item.name = name;
    item.bytes = bytes;
    item.isSelected = true;
    return item;
}

template <typename T> void append(std::vector<T>& to, const std::vector<T>& from)
{
    to.insert(to.end(), from.begin(), from.end());
}

} // namespace

Workspace& ApplicationsViewModel::workspace() const
{
    if (!m_workspace)
        m_workspace = std::make_shared<GuiWorkspace>();
    return *m_workspace;
}

UninstallPlan ApplicationsViewModel::selectedPlan() const
{
    return selectedApp() ? m_planner.plan(*selectedApp(), leftovers(), apps()) : UninstallPlan{};
}

qint64 ApplicationsViewModel::selectedAppBytes() const
{
    if (!selectedApp())
        return 0;
    const InstalledApp* const listed = AppInventory::find(apps(), selectedApp()->id());
    return listed ? listed->sizeBytes : selectedApp()->sizeBytes;
}

QString ApplicationsViewModel::formattedUninstallTotal() const
{
    const qint64 total = (selectedAppStays() ? 0 : selectedAppBytes()) + selectedLeftoverBytes();
    if (total < 1)
        return QStringLiteral("\u2014");
    return Formatting::byteCount(total);
}

QString ApplicationsViewModel::uninstalledSummary() const
{
    switch (m_uninstalledNames.size()) {
    case 0:
        return m_lastAppName;
    case 1:
        return m_uninstalledNames.front();
    case 2:
        return m_uninstalledNames[0] + QStringLiteral(" and ") + m_uninstalledNames[1];
    default:
        return QString::number(m_uninstalledNames.size()) + QStringLiteral(" apps");
    }
}

std::vector<RunningApplication> ApplicationsViewModel::runningInstances(const InstalledApp& app) const
{
    return UninstallSheetState::runningInstances(workspace(), app);
}

bool ApplicationsViewModel::appNeedsAdmin(const Path& url)
{
    return UninstallPlanner::ownedByOtherUser(url);
}

bool ApplicationsViewModel::selectedAppNeedsAdmin() const
{
    return selectedApp() && m_planner.needsAdmin(*selectedApp());
}

void ApplicationsViewModel::openUninstaller(const QString& appId)
{
    const auto found = std::find_if(apps().begin(), apps().end(), [&](const InstalledApp& a) {
        return ApplicationListModel::appId(a) == appId;
    });
    if (found != apps().end())
        openUninstaller(InstalledApp(*found));
}

bool ApplicationsViewModel::isOwn(const InstalledApp& app) const
{
    // Our own entry, or any entry that starts this very program.
    return app.desktopId == ownDesktopId() ||
           (!app.programName.isEmpty() && app.programName == FileSystem::displayName(m_own.url.filename()));
}

void ApplicationsViewModel::openUninstaller(const InstalledApp& app)
{
    if (isOwn(app))
        return;
    const qint64 generation = m_session.advance();
    ++m_quitToken;
    replaceSheet(app, false);
    refreshRunningState();
    setLeftoverScanIncomplete(false);
    setFindingLeftovers(true);

    const QPointer<ApplicationsViewModel> self(this);
    const InstalledApp* const listed = AppInventory::find(apps(), app.id());
    if (!listed || listed->sizeBytes == 0) {
        // Not guarded by the sheet's generation: the size belongs to the application, wherever the
        // sheet went meanwhile.
        QThreadPool::globalInstance()->start(
            [self, id = app.id(), app, inventory = m_inventory] {
                const qint64 bytes = inventory.measure(app, std::stop_token());
                postTo(self,
                       [id, bytes](ApplicationsViewModel& model) { model.applyMeasurement(id, bytes); });
            },
            kUserInitiatedPriority);
    }

    QThreadPool::globalInstance()->start(
        [self, generation, finder = m_finder, app, installed = apps(), complete = m_inventoryComplete] {
            auto found = std::make_shared<LeftoverFinder::Found>(finder.find(app, installed, complete));
            postTo(self, [generation, found](ApplicationsViewModel& model) {
                model.applyLeftovers(generation, std::move(*found));
            });
        },
        kUserInitiatedPriority);
}

void ApplicationsViewModel::applyMeasurement(const std::string& bundle, qint64 bytes)
{
    if (bytes < 1)
        return;
    if (AppInventory::find(apps(), bundle))
        setApps(AppInventory::withSizes(apps(), {{bundle, bytes}}));
    if (selectedApp() && selectedApp()->id() == bundle) {
        InstalledApp selected = *selectedApp();
        selected.sizeBytes = bytes;
        setSelectedApp(std::move(selected));
    }
}

void ApplicationsViewModel::applyLeftovers(qint64 generation, LeftoverFinder::Found found)
{
    // A newer opening owns `findingLeftovers`.
    if (generation != this->generation())
        return;
    setLeftovers(std::move(found.items));
    setLeftoverScanIncomplete(found.incomplete);
    setFindingLeftovers(false);
}

void ApplicationsViewModel::refreshRunningState()
{
    m_sheet->refreshRunning();
}

void ApplicationsViewModel::toggleLeftover(const QString& id)
{
    const QUuid uuid = QUuid::fromString(id);
    if (!uuid.isNull())
        toggleLeftover(uuid);
}

void ApplicationsViewModel::toggleLeftover(const QUuid& id)
{
    m_sheet->toggleLeftover(id);
}

void ApplicationsViewModel::removeFromInventory(const std::string& bundle)
{
    setApps(AppInventory::without(apps(), bundle));
    // A listing started before the uninstall cannot bring the row back.
    ++m_listScanGeneration;
}

void ApplicationsViewModel::confirmUninstall()
{
    if (!selectedApp() || m_inFlightActionIDs.contains(selectedApp()->id()))
        return;
    // An application that stays installed with none of its data chosen has nothing to move.
    if (!canUninstall())
        return;
    const InstalledApp app = *selectedApp();
    UninstallPlan plan = selectedPlan();
    switch (plan.road) {
    case UninstallPlan::Road::leftoversOnly:
        uninstallLeftoversOnly(app, std::move(plan));
        return;
    case UninstallPlan::Road::refusedLink: {
        // Nothing moves: the application would stay installed where the link points.
        dismissUninstaller();
        const QString reason = AppScanner::linkedBundleRefusal();
        applyNormalUninstall(app,
                             CleanReport{{},
                                         {app.name + QStringLiteral(": ") + reason},
                                         {CleanFailure{app.url, app.name, reason, false}}},
                             CleanReport{});
        return;
    }
    case UninstallPlan::Road::refusedOwnership:
        dismissUninstaller();
        showFailure(UninstallFailureNote::ownedByOthers(app.name, app.removal.front()));
        return;
    case UninstallPlan::Road::trash:
        break;
    }
    // What the road moves: the application itself first, then what goes with it (its menu entry).
    std::vector<Path> items = std::move(plan.items);
    const qint64 bytes = plan.appBytes;
    // An undo puts the program back into its folder, which the guard must admit then too.
    append(m_undoRoots, plan.guardRoots);
    append(m_undoItems, plan.homeItems);
    closeSheetForAction(app);

    const QPointer<ApplicationsViewModel> self(this);
    QThreadPool::globalInstance()->start(
        [self, app, items = std::move(items), bytes, leftovers = std::move(plan.leftovers),
         inventory = m_inventory, roots = std::move(plan.guardRoots), homeItems = std::move(plan.homeItems),
         trash = m_trash] {
            const Cleaner cleaner{SafetyGuard(roots, homeItems), trash};
            const qint64 known = bytes >= 1 ? bytes : inventory.measure(app, std::stop_token());
            auto bundleReport =
                std::make_shared<CleanReport>(cleaner.clean({uninstallItem(items.front(), app.name, known)}));
            const bool removed = trashedItem(*bundleReport, items.front());
            // What goes with the application (its menu entry) only once the application went: an
            // entry moved from beside a program that stayed would hide an installed program.
            if (removed && items.size() > 1) {
                std::vector<ScanItem> rest;
                for (std::size_t i = 1; i < items.size(); ++i)
                    rest.push_back(uninstallItem(items[i], FileSystem::displayName(items[i].filename()), 0));
                const CleanReport restReport = cleaner.clean(rest);
                append(bundleReport->trashed, restReport.trashed);
                append(bundleReport->failures, restReport.failures);
                append(bundleReport->failureDetails, restReport.failureDetails);
            }
            // Leftovers only once the application went: an application still installed keeps its data.
            auto leftoverReport = std::make_shared<CleanReport>();
            if (removed && !leftovers.empty())
                *leftoverReport = cleaner.clean(leftovers);
            postTo(self, [app, bundleReport, leftoverReport](ApplicationsViewModel& model) {
                model.applyNormalUninstall(app, *bundleReport, *leftoverReport);
            });
        },
        kUserInitiatedPriority);
}

void ApplicationsViewModel::closeSheetForAction(const InstalledApp& app)
{
    m_session.advance();
    m_inFlightActionIDs.insert(app.id());
    // The sheet closes at once (its answers stay as they were); the work goes on in the background.
    replaceSheet(std::nullopt, true);
}

void ApplicationsViewModel::uninstallLeftoversOnly(const InstalledApp& app, UninstallPlan plan)
{
    append(m_undoItems, plan.homeItems);
    closeSheetForAction(app);

    const QPointer<ApplicationsViewModel> self(this);
    QThreadPool::globalInstance()->start(
        [self, app, leftovers = std::move(plan.leftovers), roots = std::move(plan.guardRoots),
         homeItems = std::move(plan.homeItems), trash = m_trash] {
            auto report = std::make_shared<CleanReport>();
            if (!leftovers.empty())
                *report = Cleaner(SafetyGuard(roots, homeItems), trash).clean(leftovers);
            postTo(self,
                   [app, report](ApplicationsViewModel& model) { model.applyLeftoversOnly(app, *report); });
        },
        kUserInitiatedPriority);
}

void ApplicationsViewModel::applyLeftoversOnly(const InstalledApp& app, const CleanReport& report)
{
    // The application stays installed and listed: only its leftovers join the undo report.
    if (std::optional<CleanReport> joined = TrashSession::merged(lastReport(), report)) {
        m_session.record(std::move(joined));
        setUninstalledNames(m_uninstalledNames + QStringList{app.name});
        setLastAppName(app.name);
        countUninstallCompletion();
    }
    if (!report.failures.empty())
        showFailure(UninstallFailureNote::leftovers(UninstallFailureNote::leftoversOnlyLead(app.name), report,
                                                    m_fullDiskAccess));
    m_inFlightActionIDs.erase(app.id());
}

QString ApplicationsViewModel::softwareCentreUrl(const InstalledApp& app)
{
    if (!app.packageManaged())
        return {};
    QString id = app.flatpakId.isEmpty() ? app.desktopId : app.flatpakId;
    if (id.isEmpty())
        return {};
    if (app.flatpakId.isEmpty() && id.count(QLatin1Char('.')) < 2)
        id += QStringLiteral(".desktop");
    return QStringLiteral("appstream://") + id;
}

QString ApplicationsViewModel::removalCommand(const InstalledApp& app)
{
    switch (app.origin) {
    case AppOrigin::debianPackage:
        return QStringLiteral("sudo apt remove ") + app.packageName;
    case AppOrigin::userFlatpak:
        return QStringLiteral("flatpak uninstall --user ") + app.flatpakId;
    case AppOrigin::systemFlatpak:
        return QStringLiteral("flatpak uninstall ") + app.flatpakId;
    default:
        return {};
    }
}

bool ApplicationsViewModel::softwareCentreAvailable() const
{
    return std::any_of(apps().begin(), apps().end(),
                       [](const InstalledApp& a) { return a.handlesAppstream; });
}

void ApplicationsViewModel::openInSoftwareCentre()
{
    if (!selectedApp())
        return;
    const QString url = softwareCentreUrl(*selectedApp());
    if (!url.isEmpty())
        workspace().openUrl(QUrl(url));
}

void ApplicationsViewModel::applyNormalUninstall(const InstalledApp& app, const CleanReport& bundleReport,
                                                 const CleanReport& leftoverReport)
{
    // The application itself: its program (or AppImage), which the road moves first.
    const Path& itself = app.removal.empty() ? app.url : app.removal.front();
    if (!trashedItem(bundleReport, itself)) {
        showFailure(UninstallFailureNote::notTrashed(
            app.name, itself, bundleReport.failures.empty() ? QString() : bundleReport.failures.front()));
        m_inFlightActionIDs.erase(app.id());
        return;
    }

    removeFromInventory(app.id());
    // This uninstall's items, failures and their details, side by side as every report keeps them.
    CleanReport own = bundleReport;
    append(own.trashed, leftoverReport.trashed);
    append(own.failures, leftoverReport.failures);
    append(own.failureDetails, leftoverReport.failureDetails);

    m_session.record(TrashSession::merged(lastReport(), own));
    setUninstalledNames(hasLastReport() ? m_uninstalledNames + QStringList{app.name} : QStringList{});
    setLastAppName(app.name);
    setLastAdminUninstallName(std::nullopt);
    if (!own.trashed.empty())
        countUninstallCompletion();
    if (!leftoverReport.failures.empty())
        showFailure(UninstallFailureNote::leftovers(UninstallFailureNote::removedButLead(app.name),
                                                    leftoverReport, m_fullDiskAccess));
    m_inFlightActionIDs.erase(app.id());
}

void ApplicationsViewModel::confirmAdminUninstall()
{
    if (!selectedApp() || m_adminUninstalling || m_inFlightActionIDs.contains(selectedApp()->id()))
        return;
    const InstalledApp app = *selectedApp();
    const UninstallPlan plan = selectedPlan();
    std::vector<ScanItem> leftovers = plan.leftovers;
    setAdminUninstalling(true);
    m_inFlightActionIDs.insert(app.id());

    const QPointer<ApplicationsViewModel> self(this);
    QThreadPool::globalInstance()->start(
        [self, app, target = plan.adminTarget, leftovers = std::move(leftovers), move = m_adminMove] {
            const PrivilegedUninstall::Result result = move(target);
            postTo(self, [app, leftovers, result](ApplicationsViewModel& model) {
                model.applyAdminMove(app, leftovers, result);
            });
        },
        kUserInitiatedPriority);
}

void ApplicationsViewModel::applyAdminMove(const InstalledApp& app, std::vector<ScanItem> leftovers,
                                           const PrivilegedUninstall::Result& result)
{
    setAdminUninstalling(false);
    const bool stillSelected = selectedApp() && selectedApp()->id() == app.id();
    switch (result.kind) {
    case PrivilegedUninstall::Result::Kind::cancelled:
        // The password prompt was dismissed: the sheet stays as it is.
        m_inFlightActionIDs.erase(app.id());
        return;
    case PrivilegedUninstall::Result::Kind::failed:
        if (stillSelected)
            closeSheet();
        showFailure(UninstallFailureNote::adminFailed(app.name, result.message, app.url));
        m_inFlightActionIDs.erase(app.id());
        return;
    case PrivilegedUninstall::Result::Kind::success:
        break;
    }
    if (leftovers.empty()) {
        applyAdminLeftovers(app, stillSelected, result.trashFiles, CleanReport{});
        return;
    }
    const QPointer<ApplicationsViewModel> self(this);
    std::vector<Path> homeItems = homeItemsOf(m_places, leftovers);
    QThreadPool::globalInstance()->start(
        [self, app, stillSelected, trashFiles = result.trashFiles, homeItems = std::move(homeItems),
         leftovers = std::move(leftovers), roots = m_planner.guardRoots(app), trash = m_trash] {
            auto report =
                std::make_shared<CleanReport>(Cleaner(SafetyGuard(roots, homeItems), trash).clean(leftovers));
            postTo(self, [app, stillSelected, trashFiles, report](ApplicationsViewModel& model) {
                model.applyAdminLeftovers(app, stillSelected, trashFiles, *report);
            });
        },
        kUserInitiatedPriority);
}

void ApplicationsViewModel::applyAdminLeftovers(const InstalledApp& app, bool wasSelected,
                                                const Path& trashFiles, const CleanReport& leftoverReport)
{
    removeFromInventory(app.id());
    if (wasSelected) {
        closeSheet();
        setLastAdminUninstallName(app.name);
        m_lastAdminTrashFiles = trashFiles.empty() ? std::nullopt : std::optional<Path>(trashFiles);
        countUninstallCompletion();
    }
    if (!leftoverReport.failures.empty())
        showFailure(UninstallFailureNote::leftovers(UninstallFailureNote::removedButLead(app.name),
                                                    leftoverReport, m_fullDiskAccess));
    m_inFlightActionIDs.erase(app.id());
}

void ApplicationsViewModel::quitAndUninstall(bool needsAdmin)
{
    if (m_sheet->quitAndConfirm(needsAdmin))
        ++m_quitToken;
}

void ApplicationsViewModel::undoLast()
{
    // An emptying of the Trash would delete what this moves back, and a second restore would race it.
    std::vector<Path> undoRoots = m_planner.guardRoots();
    append(undoRoots, m_undoRoots);
    if (!m_session.undo(
            [roots = std::move(undoRoots), items = m_undoItems, trash = m_trash](const CleanReport& report) {
                return Cleaner(SafetyGuard(roots, items), trash).undo(report);
            },
            [this](const UndoResult& result, bool) { applyUndo(result); }))
        return;
    setUninstalledNames({});
    m_session.advance();
}

void ApplicationsViewModel::applyUndo(const UndoResult& result)
{
    // Items left in the Trash because their place is taken again count as handled.
    if (const std::optional<QString> note =
            FileToolCleaning::restoreShortfallNote(result, QStringLiteral("item")))
        setUninstallFailure(*note);
    load();
}

void ApplicationsViewModel::showFailure(const UninstallFailureNote& note)
{
    if (note.reveal)
        setPendingRevealURL(*note.reveal);
    if (note.needsFullDiskAccess)
        setFailureNeedsFullDiskAccess(*note.needsFullDiskAccess);
    setUninstallFailure(note.text);
}

void ApplicationsViewModel::closeSheet()
{
    m_session.advance();
    ++m_quitToken;
    replaceSheet(std::nullopt, false);
}

void ApplicationsViewModel::openTrash()
{
    const Path folder = m_lastAdminUninstallName && m_lastAdminTrashFiles ? *m_lastAdminTrashFiles
                                                                          : Trash::homeTrashFilesDirectory();
    workspace().openUrl(Workspace::fileUrl(folder));
}

void ApplicationsViewModel::revealSelectedApp()
{
    if (selectedApp())
        workspace().reveal(selectedApp()->url);
}

void ApplicationsViewModel::revealPendingItem()
{
    if (m_pendingRevealURL)
        workspace().reveal(*m_pendingRevealURL);
}

void ApplicationsViewModel::dismissFailure()
{
    setUninstallFailure(std::nullopt);
    setPendingRevealURL(std::nullopt);
    setFailureNeedsFullDiskAccess(false);
}

QString ApplicationsViewModel::formattedFreed() const
{
    return hasLastReport() ? lastReport()->formattedFreed() : QString();
}

} // namespace qm
