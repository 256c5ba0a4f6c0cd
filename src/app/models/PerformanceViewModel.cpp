#include "app/models/PerformanceViewModel.h"

#include "app/models/PostToModel.h"
#include "core/cleaning/Cleaner.h"
#include "core/cleaning/SafetyGuard.h"
#include "core/system/BatteryStats.h"
#include "core/system/SystemStats.h"
#include "platform/Clock.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>
#include <QUuid>
#include <QVariantMap>

#include <algorithm>
#include <utility>

namespace qm {
namespace {

// Queue priorities on the thread pool: what the user is waiting for goes ahead of the periodic
// statistics sample.
constexpr int kUtilityPriority = 0;
constexpr int kUserInitiatedPriority = 1;

const QString kLeft = QStringLiteral("\u201c");
const QString kRight = QStringLiteral("\u201d");

QVariantMap rowMap(const LaunchAgent& job)
{
    return QVariantMap{
        {QStringLiteral("id"), PerformanceViewModel::rowId(job)},
        {QStringLiteral("name"), PerformanceViewModel::displayName(job)},
        {QStringLiteral("label"), job.label},
        {QStringLiteral("program"), job.program},
        {QStringLiteral("runAtLoad"), job.runAtLoad},
        {QStringLiteral("domain"), LaunchDomains::toRaw(job.domain)},
        {QStringLiteral("path"), FileSystem::displayName(job.url)},
    };
}

QVariantList rowList(const std::vector<LaunchAgent>& jobs)
{
    QVariantList rows;
    rows.reserve(qsizetype(jobs.size()));
    for (const LaunchAgent& job : jobs)
        rows.append(rowMap(job));
    return rows;
}

} // namespace

namespace {

std::vector<LaunchAgentScanner::Folder> launchFolders(PerformanceViewModel::Services& services)
{
    if (services.launchFolders)
        return std::move(*services.launchFolders);
    const Path home = services.home ? *services.home : FileSystem::homeDirectory();
    const Path systemRoot = services.systemRoot ? *services.systemRoot : Path("/");
    if (services.places)
        return LaunchAgentScanner::standardDirs(*services.places);
    return LaunchAgentScanner::standardDirsOf(home, systemRoot);
}

// The user's folder of `source` among the scanned ones, or an empty path.
Path userFolder(const LaunchAgentScanner& scanner, LaunchSource source)
{
    for (const LaunchAgentScanner::Folder& folder : scanner.dirs()) {
        if (folder.domain == LaunchDomain::userAgent && folder.source == source)
            return folder.url;
    }
    return {};
}

} // namespace

PerformanceViewModel::PerformanceViewModel(Services services, QObject* parent)
    : QObject(parent), m_clock(services.clock), m_scanner(services.scanFileSystem, launchFolders(services)),
      m_clean(std::move(services.clean)), m_undo(std::move(services.undo)),
      m_trash(services.trash ? std::move(*services.trash) : Trash()),
      m_unitFolder(userFolder(m_scanner, LaunchSource::systemdUnit)), m_host(services.host),
      m_powerSources(services.powerSources), m_volume(std::move(services.volume)),
      m_session(services.restoreTracker), m_stats(new LiveStats(this))
{
    connect(&m_session, &TrashSession::generationChanged, this, &PerformanceViewModel::generationChanged);
    connect(&m_session, &TrashSession::reportChanged, this, &PerformanceViewModel::lastReportChanged);
    connect(&m_session, &TrashSession::cleaningChanged, this, &PerformanceViewModel::disableInFlightChanged);
    connect(&m_session, &TrashSession::restoringChanged, this, &PerformanceViewModel::restoringChanged);
    connect(&m_session, &TrashSession::canUndoChanged, this, &PerformanceViewModel::canUndoChanged);
    connect(&m_session, &TrashSession::failureNoteChanged, this,
            &PerformanceViewModel::disableFailureChanged);
    connect(&m_session.tracker(), &RestoreTracker::anyRestoringChanged, this,
            &PerformanceViewModel::anyRestoringChanged);

    // The only folders an entry's disable or undo may touch: the user's own autostart folders. Each call
    // builds its own guard, on the pool, since resolving the roots' links reads the file system.
    std::vector<Path> roots;
    for (const LaunchAgentScanner::Folder& folder : m_scanner.dirs()) {
        if (folder.domain == LaunchDomain::userAgent && folder.source != LaunchSource::systemdUnit)
            roots.push_back(folder.url);
    }
    if (!m_clean) {
        m_clean = [roots, trash = m_trash](const std::vector<ScanItem>& items) {
            return Cleaner(SafetyGuard(roots), trash).clean(items);
        };
    }
    if (!m_undo) {
        m_undo = [roots, trash = m_trash](const CleanReport& report) {
            return Cleaner(SafetyGuard(roots), trash).undo(report);
        };
    }
}

PerformanceViewModel::~PerformanceViewModel()
{
    m_lifetime->request_stop();
}

// ---- derived values ----

std::vector<LaunchAgent> PerformanceViewModel::userAgents() const
{
    std::vector<LaunchAgent> jobs;
    std::copy_if(m_agents.begin(), m_agents.end(), std::back_inserter(jobs),
                 [](const LaunchAgent& job) { return job.domain == LaunchDomain::userAgent; });
    return jobs;
}

std::vector<LaunchAgent> PerformanceViewModel::systemAgents() const
{
    std::vector<LaunchAgent> jobs;
    std::copy_if(m_agents.begin(), m_agents.end(), std::back_inserter(jobs),
                 [](const LaunchAgent& job) { return job.domain != LaunchDomain::userAgent; });
    return jobs;
}

QVariantList PerformanceViewModel::userAgentList() const
{
    return rowList(userAgents());
}

QVariantList PerformanceViewModel::systemAgentList() const
{
    return rowList(systemAgents());
}

QStringList PerformanceViewModel::unreadableDomainList() const
{
    QStringList names;
    for (LaunchDomain domain : m_unreadableDomains)
        names.append(LaunchDomains::toRaw(domain));
    return names;
}

bool PerformanceViewModel::canDisable(const LaunchAgent& job)
{
    return job.domain == LaunchDomain::userAgent;
}

QString PerformanceViewModel::displayName(const LaunchAgent& job)
{
    if (!job.label.isEmpty())
        return job.label;
    return FileSystem::displayName(job.url.filename().replace_extension());
}

QString PerformanceViewModel::rowId(const LaunchAgent& job)
{
    const QByteArray bytes(job.url.native().data(), qsizetype(job.url.native().size()));
    return QString::fromLatin1(bytes.toPercentEncoding());
}

QString PerformanceViewModel::pendingRemovalId() const
{
    return m_pendingRemoval ? rowId(*m_pendingRemoval) : QString();
}

QString PerformanceViewModel::pendingRemovalName() const
{
    return m_pendingRemoval ? displayName(*m_pendingRemoval) : QString();
}

bool PerformanceViewModel::pendingRemovalIsUnit() const
{
    return m_pendingRemoval && m_pendingRemoval->source == LaunchSource::systemdUnit;
}

// ---- setters ----

void PerformanceViewModel::setAgents(std::vector<LaunchAgent> agents)
{
    m_agents = std::move(agents);
    emit agentsChanged();
}

void PerformanceViewModel::setLoading(bool value)
{
    if (m_loading == value)
        return;
    m_loading = value;
    emit loadingChanged();
}

void PerformanceViewModel::setLastDisabledName(const QString& name)
{
    if (m_lastDisabledName == name)
        return;
    m_lastDisabledName = name;
    emit lastDisabledNameChanged();
}

void PerformanceViewModel::setPendingRemoval(std::optional<LaunchAgent> job)
{
    if (m_pendingRemoval == job)
        return;
    m_pendingRemoval = std::move(job);
    emit pendingRemovalChanged();
}

void PerformanceViewModel::setPendingRemovalId(const QString& id)
{
    // Only a listed job the page offers Disable for.
    for (const LaunchAgent& job : m_agents) {
        if (canDisable(job) && rowId(job) == id) {
            setPendingRemoval(job);
            return;
        }
    }
    setPendingRemoval(std::nullopt);
}

void PerformanceViewModel::setShowConfirm(bool show)
{
    if (m_showConfirm == show)
        return;
    m_showConfirm = show;
    emit showConfirmChanged();
}

std::optional<QString> PerformanceViewModel::disableFailure() const
{
    const QString failure = m_session.failureNote();
    return failure.isEmpty() ? std::nullopt : std::optional<QString>(failure);
}

void PerformanceViewModel::setDisableFailure(std::optional<QString> failure)
{
    if (!failure && m_session.failureNote().isEmpty())
        return;
    // Announced even when the text repeats the last one, so a dismissed alert comes up again.
    m_session.showFailure(failure.value_or(QString()));
}

void PerformanceViewModel::setDisableFailureText(const QString& text)
{
    setDisableFailure(text.isEmpty() ? std::nullopt : std::optional<QString>(text));
}

// ---- scanning ----

void PerformanceViewModel::loadIfNeeded()
{
    if (m_agents.empty())
        load();
}

void PerformanceViewModel::load()
{
    const int generation = m_session.advance();
    setLoading(true);

    const QPointer<PerformanceViewModel> self(this);
    QThreadPool::globalInstance()->start(
        [self, generation, scanner = m_scanner, stop = m_lifetime->get_token()] {
            if (stop.stop_requested())
                return;
            auto scan = std::make_shared<LaunchAgentScanner::Scan>(scanner.scanWithCoverage());
            postTo(self, [generation, scan](PerformanceViewModel& model) {
                model.applyScan(generation, std::move(*scan));
            });
        },
        kUserInitiatedPriority);
}

void PerformanceViewModel::applyScan(int generation, LaunchAgentScanner::Scan scan)
{
    // A newer scan owns the lists (and `loading`) until its own result lands.
    if (generation != this->generation())
        return;
    setAgents(std::move(scan.agents));
    if (m_unreadableDomains != scan.unreadableDomains) {
        m_unreadableDomains = std::move(scan.unreadableDomains);
        emit unreadableDomainsChanged();
    }
    setLoading(false);
}

// ---- statistics ----

void PerformanceViewModel::refreshStats()
{
    refreshStats(std::function<void()>());
}

void PerformanceViewModel::refreshStats(std::function<void()> published)
{
    const SystemSnapshot previous = m_stats->snapshot();
    const BatteryInfo previousBattery = m_stats->battery();
    const SystemStats::Sources sources{m_host, &m_clock, m_volume};

    const QPointer<PerformanceViewModel> self(this);
    QThreadPool::globalInstance()->start(
        [self, previous, previousBattery, sources, power = m_powerSources, published = std::move(published),
         stop = m_lifetime->get_token()]() mutable {
            if (stop.stop_requested())
                return;
            auto sample = std::make_shared<SystemSnapshot>(SystemStats::snapshot(previous, sources));
            auto reading = std::make_shared<BatteryInfo>(BatteryStats::read(previousBattery, power));
            postTo(self, [sample, reading, previousBattery,
                          published = std::move(published)](PerformanceViewModel& model) {
                // No generation applies: every refresh that ends is shown. A battery value missing
                // for a moment keeps its last known value.
                model.m_stats->setSnapshot(std::move(*sample));
                model.m_stats->setBattery(reading->coalesced(previousBattery));
                model.m_stats->announceRefreshed();
                if (published)
                    published();
            });
        },
        kUtilityPriority);
}

// ---- disable and undo ----

void PerformanceViewModel::confirmDisable()
{
    if (!m_pendingRemoval)
        return;
    const LaunchAgent job = *m_pendingRemoval;
    const QString name = displayName(job);
    if (!canDisable(job)) {
        // The system's jobs are listed only.
        setPendingRemoval(std::nullopt);
        return;
    }
    if (m_session.cleaning()) {
        // Refused and forgotten; the running disable goes on.
        setDisableFailure(QStringLiteral("Quillmere is still disabling the previous item \u2014 try ") +
                          kLeft + name + kRight + QStringLiteral(" again in a moment."));
        setPendingRemoval(std::nullopt);
        return;
    }

    const Path path = job.url;
    setPendingRemoval(std::nullopt);

    TrashSession::CleanWork work;
    UndoRecord record;
    if (job.source == LaunchSource::systemdUnit) {
        // The enable links go to the Trash as links (they lead elsewhere, so they are judged where they
        // lie), and nothing more: a running unit runs on, and the manager reads the links again when it
        // next starts.
        std::vector<ScanItem> items;
        for (const Path& link : job.enableLinks) {
            ScanItem item;
            item.id = QUuid::createUuid();
            item.url = link;
            item.name = name;
            item.isSelected = true;
            items.push_back(std::move(item));
        }
        record = UndoRecord{UndoRecord::Kind::restoreLinks};
        work = [items, folder = m_unitFolder, trash = m_trash] {
            return Cleaner(SafetyGuard({folder}, SafetyGuard::FinalLink::asEntry), trash).clean(items);
        };
    } else {
        ScanItem item;
        item.id = QUuid::createUuid();
        item.url = job.url;
        item.name = name;
        item.bytes = 0;
        item.modified = std::nullopt;
        item.isSelected = true;
        // Started even when the model is gone meanwhile: a move that began is seen through.
        work = [clean = m_clean, item] { return clean({item}); };
    }
    // Each disable replaces the offer of the last one, and only when it did something.
    m_session.clean(
        std::move(work),
        [this, record, name, path](const CleanReport& report, bool) {
            applyDisable(report, name, path, record);
        },
        TrashSession::Recording::byModule);
}

void PerformanceViewModel::applyDisable(const CleanReport& report, const QString& name, const Path& path,
                                        UndoRecord record)
{
    if (report.trashed.empty()) {
        // The earlier undo offer, its name and the lists stay as they are.
        const QString reason =
            report.failures.empty()
                ? QStringLiteral("You may not have permission to move its login item to the Trash.")
                : report.failures.front();
        setDisableFailure(kLeft + name + kRight + QStringLiteral(" couldn't be disabled.") +
                          QLatin1Char('\n') + reason);
        return;
    }
    m_lastUndo = std::move(record);
    m_session.record(report);
    setLastDisabledName(name);
    // Paths compare byte for byte: two names that read alike on screen are still two files.
    std::vector<LaunchAgent> agents = m_agents;
    std::erase_if(agents, [&path](const LaunchAgent& job) { return job.url.native() == path.native(); });
    if (agents.size() != m_agents.size())
        setAgents(std::move(agents));
}

void PerformanceViewModel::undoLast()
{
    // Moving a file back out of the Trash while it is emptied could lose it for good (`canUndo` refuses
    // then). The offer goes at once, so a second press cannot start a second undo of the same file.
    const QString name = m_lastDisabledName;
    m_session.undo(
        [undo = m_undo, record = m_lastUndo, unitFolder = m_unitFolder,
         trash = m_trash](const CleanReport& report) {
            // Links come back as links and start nothing: the unit starts again when its manager does.
            return record.kind == UndoRecord::Kind::restoreLinks
                       ? Cleaner(SafetyGuard({unitFolder}, SafetyGuard::FinalLink::asEntry), trash)
                             .undo(report)
                       : undo(report);
        },
        [this, name](const UndoResult& result, bool) { applyUndo(result, name); });
}

void PerformanceViewModel::applyUndo(const UndoResult& result, const QString& name)
{
    // An item skipped because its place is taken again counts as handled.
    if (result.restored + result.skippedRecreated != result.total) {
        const qint64 missing = std::max<qint64>(result.total - result.restored - result.skippedRecreated, 0);
        QString sentence = kLeft + name + kRight + QStringLiteral(" couldn't be fully restored (") +
                           QString::number(missing) + QStringLiteral(" of ") + QString::number(result.total) +
                           QStringLiteral(" item");
        if (result.total != 1)
            sentence += QLatin1Char('s');
        sentence += QStringLiteral(
            " couldn't be put back). It may still be disabled \u2014 check the login items list.");
        setDisableFailure(sentence);
    }
    load();
}

} // namespace qm
