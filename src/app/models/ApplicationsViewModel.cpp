#include "app/models/ApplicationsViewModel.h"

#include "core/CoreInfo.h"
#include "core/apps/AppMatch.h"
#include "core/model/TextSearch.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>
#include <QUuid>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <utility>

namespace qm {
namespace {

// Queue priorities on the thread pool: a listing the user waits for goes ahead of background sizing
// and pruning.
constexpr int kUtilityPriority = 0;
constexpr int kUserInitiatedPriority = 1;

// Runs `apply` on the GUI thread with the model, unless the model is gone by then. Called from pool
// threads: the job never touches the model, it only queues the call on the application object (which
// outlives every model); events queued from one thread arrive in the order they were queued.
template <typename Apply> bool postTo(const QPointer<ApplicationsViewModel>& self, Apply apply)
{
    return QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [self, apply = std::move(apply)] {
            if (self)
                apply(*self);
        },
        Qt::QueuedConnection);
}

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

} // namespace

// One sizing job's shared state: its stop source, and the hand-over of a batch to the GUI thread,
// which the job waits for before it measures on.
struct ApplicationsViewModel::SizeTask
{
    std::stop_source stop;
    std::mutex mutex;
    std::condition_variable_any landed;
    qint64 posted = 0;  // batches handed to the GUI thread
    qint64 arrived = 0; // batches the GUI thread took (applied or dropped)
    std::atomic<bool> finished{false};
};

ApplicationsViewModel::ApplicationsViewModel(Services services, QObject* parent)
    : QObject(parent), m_clock(services.clock),
      m_home(services.home ? std::move(*services.home) : FileSystem::homeDirectory()),
      m_systemRoot(services.systemRoot ? std::move(*services.systemRoot) : Path("/")),
      m_scanner(FileSystem(), CleanupScanner(FileSystem(), m_home, m_systemRoot), std::nullopt, nullptr,
                m_systemRoot),
      m_finder(services.finder ? std::move(*services.finder)
                               : LeftoverFinder(FileSystem(), CleanupScanner(FileSystem(), m_home), m_home)),
      m_lister(std::move(services.lister)), m_sizer(std::move(services.sizer)),
      m_own(services.own ? std::move(*services.own)
                         : OwnIdentity{ownBundleIdentifier(), FileSystem::resolveLinks("/proc/self/exe")}),
      m_exists(std::move(services.exists)), m_filteredModel(std::make_unique<ApplicationListModel>())
{
    if (!m_lister) {
        m_lister = [scanner = m_scanner](ListingDone done) {
            QThreadPool::globalInstance()->start(
                [scanner, done = std::move(done)] { done(scanner.listApps()); }, kUserInitiatedPriority);
        };
    }
    if (!m_sizer) {
        m_sizer = [sizer = m_scanner.sizer()](const Path& of, const std::vector<Path>& excluding,
                                              qint64 nodeLimit, bool flagCapAsIncomplete, double deadline,
                                              CoverageFlag* coverage, std::stop_token stop) {
            return sizer.size(of, excluding, nodeLimit, flagCapAsIncomplete, deadline, coverage,
                              std::move(stop));
        };
    }
    if (!m_exists)
        m_exists = [fileSystem = FileSystem()](const Path& path) { return stillThere(fileSystem, path); };
}

ApplicationsViewModel::~ApplicationsViewModel()
{
    // Also wakes a job waiting for a batch that will never be applied now.
    if (m_sizeTask)
        m_sizeTask->stop.request_stop();
}

bool ApplicationsViewModel::sizing() const
{
    return m_sizeTask && !m_sizeTask->finished.load();
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
    // The keys depend on the bundle, the name and the identifier only; a size batch keeps them.
    const bool sameEntries =
        std::equal(m_apps.begin(), m_apps.end(), apps.begin(), apps.end(),
                   [](const InstalledApp& a, const InstalledApp& b) {
                       return a.id() == b.id() && a.name == b.name && a.bundleID == b.bundleID;
                   });
    if (!sameEntries) {
        m_keys.clear();
        m_keys.reserve(apps.size());
        for (const InstalledApp& app : apps) {
            m_keys.push_back(SearchKeys{TextSearch::fold(app.name), TextSearch::fold(app.bundleID),
                                        AppMatch::isSelf(app, m_own.bundleID, m_own.url)});
        }
    }
    m_apps = std::move(apps);
    emit appsChanged();
    republishFiltered();
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
    if (m_query == query)
        return;
    m_query = query;
    emit queryChanged();
    republishFiltered();
}

void ApplicationsViewModel::setSortBySize(bool sortBySize)
{
    if (m_sortBySize == sortBySize)
        return;
    m_sortBySize = sortBySize;
    emit sortBySizeChanged();
    republishFiltered();
}

void ApplicationsViewModel::setSelectedApp(std::optional<InstalledApp> app)
{
    if (m_selectedApp == app)
        return;
    m_selectedApp = std::move(app);
    emit selectedAppChanged();
}

QVariantMap ApplicationsViewModel::selectedAppMap() const
{
    return m_selectedApp ? appMap(*m_selectedApp) : QVariantMap();
}

void ApplicationsViewModel::setLeftovers(std::vector<LeftoverItem> leftovers)
{
    if (m_leftovers == leftovers)
        return;
    m_leftovers = std::move(leftovers);
    emit leftoversChanged();
}

QVariantList ApplicationsViewModel::leftoverList() const
{
    QVariantList list;
    list.reserve(qsizetype(m_leftovers.size()));
    for (const LeftoverItem& item : m_leftovers) {
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

void ApplicationsViewModel::setFindingLeftovers(bool value)
{
    if (m_findingLeftovers == value)
        return;
    m_findingLeftovers = value;
    emit findingLeftoversChanged();
}

void ApplicationsViewModel::setLeftoverScanIncomplete(bool value)
{
    if (m_leftoverScanIncomplete == value)
        return;
    m_leftoverScanIncomplete = value;
    emit leftoverScanIncompleteChanged();
}

void ApplicationsViewModel::setShowConfirm(bool value)
{
    if (m_showConfirm == value)
        return;
    m_showConfirm = value;
    emit showConfirmChanged();
}

void ApplicationsViewModel::setSelectedAppIsRunning(bool value)
{
    if (m_selectedAppIsRunning == value)
        return;
    m_selectedAppIsRunning = value;
    emit selectedAppIsRunningChanged();
}

void ApplicationsViewModel::setQuittingApp(bool value)
{
    if (m_quittingApp == value)
        return;
    m_quittingApp = value;
    emit quittingAppChanged();
}

void ApplicationsViewModel::setQuitRefusedMessage(std::optional<QString> message)
{
    if (m_quitRefusedMessage == message)
        return;
    m_quitRefusedMessage = std::move(message);
    emit quitRefusedMessageChanged();
}

void ApplicationsViewModel::setShowAdminConfirm(bool value)
{
    if (m_showAdminConfirm == value)
        return;
    m_showAdminConfirm = value;
    emit showAdminConfirmChanged();
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
    if (m_lastAdminUninstallName == name)
        return;
    m_lastAdminUninstallName = std::move(name);
    emit lastAdminUninstallNameChanged();
}

void ApplicationsViewModel::setLastReport(std::optional<CleanReport> report)
{
    if (!m_lastReport && !report)
        return;
    m_lastReport = std::move(report);
    emit lastReportChanged();
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
    ++m_uninstallCompletions;
    emit uninstallCompletionsChanged();
}

void ApplicationsViewModel::setUninstallFailure(std::optional<QString> failure)
{
    if (m_uninstallFailure == failure)
        return;
    m_uninstallFailure = std::move(failure);
    emit uninstallFailureChanged();
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
    out.reserve(m_apps.size());
    for (std::size_t i = 0; i < m_apps.size(); ++i) {
        if (!m_keys[i].isSelf)
            out.push_back(m_apps[i]);
    }
    return out;
}

int ApplicationsViewModel::uninstallableCount() const
{
    return int(std::count_if(m_keys.begin(), m_keys.end(), [](const SearchKeys& k) { return !k.isSelf; }));
}

std::vector<std::size_t> ApplicationsViewModel::filteredIndexes() const
{
    const bool filtering = !m_query.isEmpty();
    const QString query = filtering ? TextSearch::fold(m_query) : QString();
    std::vector<std::size_t> out;
    out.reserve(m_apps.size());
    for (std::size_t i = 0; i < m_apps.size(); ++i) {
        const SearchKeys& keys = m_keys[i];
        if (keys.isSelf)
            continue;
        if (filtering && !TextSearch::containsFolded(keys.name, query) &&
            !TextSearch::containsFolded(keys.bundleID, query))
            continue;
        out.push_back(i);
    }
    if (m_sortBySize) {
        std::stable_sort(out.begin(), out.end(), [this](std::size_t a, std::size_t b) {
            return m_apps[a].sizeBytes > m_apps[b].sizeBytes;
        });
    }
    return out;
}

std::vector<InstalledApp> ApplicationsViewModel::filteredApps() const
{
    std::vector<InstalledApp> out;
    for (const std::size_t i : filteredIndexes())
        out.push_back(m_apps[i]);
    return out;
}

void ApplicationsViewModel::republishFiltered()
{
    m_filteredModel->replace(filteredApps());
}

qint64 ApplicationsViewModel::selectedLeftoverBytes() const
{
    qint64 total = 0;
    for (const LeftoverItem& item : m_leftovers) {
        if (item.isSelected)
            total += item.bytes;
    }
    return total;
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
    ++m_generation;
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
    // Keyed by bundle path; when a path is listed twice its first size wins.
    std::unordered_map<std::string, qint64> knownSizes;
    for (const InstalledApp& app : m_apps)
        knownSizes.try_emplace(app.id(), app.sizeBytes);
    startListing([listScanGeneration, loadGeneration, knownSizes = std::move(knownSizes)](
                     ApplicationsViewModel& model, AppScanner::Listing listing) {
        model.applyRefresh(listScanGeneration, loadGeneration, knownSizes, std::move(listing));
    });
}

void ApplicationsViewModel::applyRefresh(qint64 listScanGeneration, qint64 loadGeneration,
                                         const std::unordered_map<std::string, qint64>& knownSizes,
                                         AppScanner::Listing listing)
{
    // Whatever became of it, this refresh is over (a `load` meanwhile already said so).
    setRefreshing(false);
    if (listScanGeneration == m_listScanGeneration) {
        for (InstalledApp& app : listing.apps) {
            if (app.sizeBytes != 0)
                continue;
            const auto known = knownSizes.find(app.id());
            if (known != knownSizes.end() && known->second > 0)
                app.sizeBytes = known->second;
        }
        setApps(std::move(listing.apps));
    }
    if (loadGeneration == m_loadGeneration) {
        setInventoryComplete(listing.complete);
        computeSizes(loadGeneration);
    }
}

// ---- sizing ----

void ApplicationsViewModel::computeSizes(qint64 generation)
{
    std::vector<std::pair<std::string, Path>> jobs;
    jobs.reserve(m_apps.size());
    for (const InstalledApp& app : m_apps)
        jobs.emplace_back(app.id(), app.url);

    if (m_sizeTask)
        m_sizeTask->stop.request_stop();
    auto task = std::make_shared<SizeTask>();
    m_sizeTask = task;

    const QPointer<ApplicationsViewModel> self(this);
    QThreadPool::globalInstance()->start(
        [self, task, generation, jobs = std::move(jobs), sizer = m_sizer] {
            const std::stop_token stop = task->stop.get_token();
            struct Finish
            {
                SizeTask& task;
                ~Finish() { task.finished.store(true); }
            } finish{*task};

            // Hands the batch to the GUI thread and waits until it was taken there, so a batch never
            // overtakes the measuring; false when the job is stopped meanwhile.
            const auto flush = [&](SizeBatch pending) {
                auto batch = std::make_shared<const SizeBatch>(std::move(pending));
                {
                    const std::lock_guard lock(task->mutex);
                    ++task->posted;
                }
                const bool queued = QMetaObject::invokeMethod(
                    QCoreApplication::instance(),
                    [self, task, generation, batch] {
                        if (self && !task->stop.stop_requested())
                            self->applySizes(generation, *batch);
                        {
                            const std::lock_guard lock(task->mutex);
                            ++task->arrived;
                        }
                        task->landed.notify_all();
                    },
                    Qt::QueuedConnection);
                if (!queued)
                    return false;
                std::unique_lock lock(task->mutex);
                return task->landed.wait(lock, stop, [&] { return task->arrived == task->posted; });
            };

            SizeBatch pending;
            for (std::size_t i = 0; i < jobs.size(); ++i) {
                if (stop.stop_requested())
                    return;
                const auto& [id, url] = jobs[i];
                pending[id] = sizer(url, {}, kSizeNodeLimit, false, kSizeDeadlineSeconds, nullptr, stop);
                if ((i + 1) % kSizeBatch == 0 && !pending.empty()) {
                    if (!flush(std::exchange(pending, SizeBatch())))
                        return;
                }
            }
            if (stop.stop_requested())
                return;
            if (!pending.empty())
                (void)flush(std::move(pending));
        },
        kUtilityPriority);
}

void ApplicationsViewModel::applySizes(qint64 generation, const SizeBatch& batch)
{
    if (generation != m_loadGeneration)
        return;
    std::vector<InstalledApp> apps = m_apps;
    for (InstalledApp& app : apps) {
        const auto measured = batch.find(app.id());
        if (measured != batch.end())
            app.sizeBytes = measured->second;
    }
    setApps(std::move(apps));
}

// ---- pruning ----

void ApplicationsViewModel::pruneUninstalledApps()
{
    if (m_apps.empty())
        return;
    std::vector<std::pair<std::string, Path>> bundles;
    bundles.reserve(m_apps.size());
    for (const InstalledApp& app : m_apps)
        bundles.emplace_back(app.id(), app.url);
    const qint64 listScanGeneration = m_listScanGeneration;

    const QPointer<ApplicationsViewModel> self(this);
    QThreadPool::globalInstance()->start(
        [self, listScanGeneration, bundles = std::move(bundles), exists = m_exists] {
            std::set<std::string> gone;
            for (const auto& [id, url] : bundles) {
                if (!exists(url))
                    gone.insert(id);
            }
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
    std::vector<InstalledApp> apps = m_apps;
    // A bundle put back since the first look stays.
    const auto removed = std::erase_if(
        apps, [&](const InstalledApp& app) { return gone.contains(app.id()) && !m_exists(app.url); });
    if (removed == 0)
        return;
    setApps(std::move(apps));
}

// ---- the uninstall sheet ----

void ApplicationsViewModel::dismissUninstaller()
{
    ++m_generation;
    setShowConfirm(false);
    setShowAdminConfirm(false);
    ++m_quitToken;
    setQuittingApp(false);
    setQuitRefusedMessage(std::nullopt);
    setSelectedApp(std::nullopt);
    setLeftovers({});
    setFindingLeftovers(false);
}

} // namespace qm
