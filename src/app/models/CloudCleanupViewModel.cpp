#include "app/models/CloudCleanupViewModel.h"

#include "app/models/PostToModel.h"
#include "core/model/Formatting.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>
#include <QVariantMap>

#include <utility>

namespace qm {
namespace {

// What the user waits for goes ahead of background work on the pool.
constexpr int kUserInitiatedPriority = 1;

const QString kScanFailed = QStringLiteral("Couldn't read your cloud drive \u2014 it may be syncing or "
                                           "temporarily unavailable. Try scanning again.");
const QString kRescanFailed =
    QStringLiteral("The eviction ran, but Quillmere couldn't re-read your cloud drive to "
                   "confirm what was freed. Try scanning again.");
const QString kNothingFreed = QStringLiteral("Those files couldn't be made online-only right now \u2014 they "
                                             "may be open in an app, or the system is still "
                                             "syncing them. Try again after closing them.");

// " item" or " items" after a count.
QString countedItems(qint64 count)
{
    return Formatting::countedNoun(count, QStringLiteral("item"));
}

// Local bytes per item path; on a repeated path the first item counts.
CloudCleanup::LocalBytesByPath localByPath(const std::vector<CloudItem>& items)
{
    CloudCleanup::LocalBytesByPath out;
    for (const CloudItem& item : items)
        out.emplace(item.url.native(), item.localBytes);
    return out;
}

QVariantMap itemMap(const CloudItem& item)
{
    return QVariantMap{
        {QStringLiteral("id"), item.id.toString(QUuid::WithoutBraces)},
        {QStringLiteral("name"), item.name},
        {QStringLiteral("isDirectory"), item.isDirectory},
        {QStringLiteral("localBytes"), item.localBytes},
        {QStringLiteral("localText"), Formatting::byteCount(item.localBytes)},
        {QStringLiteral("cloudBytes"), item.cloudBytes},
        {QStringLiteral("fraction"), item.fraction},
    };
}

} // namespace

CloudCleanupViewModel::CloudCleanupViewModel(QObject* parent) : CloudCleanupViewModel(Services{}, parent) {}

CloudCleanupViewModel::CloudCleanupViewModel(Services services, QObject* parent)
    : QObject(parent),
      m_drive(services.drive ? std::move(services.drive) : std::make_shared<const SystemCloudDrive>()),
      m_fileManager(services.fileManager ? std::move(*services.fileManager) : FileSystem())
{}

CloudCleanupViewModel::~CloudCleanupViewModel()
{
    if (m_stop)
        m_stop->request_stop();
}

// ---- derived values and texts ----

QString CloudCleanupViewModel::phaseName() const
{
    switch (m_phase) {
    case Phase::checking:
        return QStringLiteral("checking");
    case Phase::unavailable:
        return QStringLiteral("unavailable");
    case Phase::scanning:
        return QStringLiteral("scanning");
    case Phase::results:
        break;
    }
    return QStringLiteral("results");
}

QStringList CloudCleanupViewModel::selectedIds() const
{
    QStringList ids;
    for (const CloudItem& item : selectedItems())
        ids.append(item.id.toString(QUuid::WithoutBraces));
    return ids;
}

double CloudCleanupViewModel::progress() const
{
    return m_total < 1 ? 0.0 : double(m_scanned) / double(m_total);
}

QString CloudCleanupViewModel::progressText() const
{
    if (m_total < 1)
        return QStringLiteral("Reading your cloud drive\u2026");
    return QStringLiteral("Measuring your cloud drive\u2026 ") + QString::number(m_scanned) +
           QStringLiteral(" of ") + QString::number(m_total);
}

qint64 CloudCleanupViewModel::totalLocal() const
{
    qint64 sum = 0;
    for (const CloudItem& item : m_items)
        sum += item.localBytes;
    return sum;
}

int CloudCleanupViewModel::downloadedCount() const
{
    int count = 0;
    for (const CloudItem& item : m_items) {
        if (item.localBytes >= 1)
            ++count;
    }
    return count;
}

std::vector<CloudItem> CloudCleanupViewModel::selectedItems() const
{
    std::vector<CloudItem> out;
    for (const CloudItem& item : m_items) {
        if (m_selected.contains(item.id))
            out.push_back(item);
    }
    return out;
}

QString CloudCleanupViewModel::summaryText() const
{
    return Formatting::byteCount(totalLocal()) + QStringLiteral(" downloaded locally \u00b7 ") +
           QString::number(downloadedCount()) + QStringLiteral(" of ") +
           countedItems(qint64(m_items.size())) + QStringLiteral(" on this computer");
}

QString CloudCleanupViewModel::formattedSelected() const
{
    qint64 sum = 0;
    for (const CloudItem& item : selectedItems())
        sum += item.localBytes;
    return Formatting::byteCount(sum);
}

QString CloudCleanupViewModel::confirmTitle() const
{
    return QStringLiteral("Free ") + countedItems(qint64(m_selected.size())) + QStringLiteral(" locally?");
}

QString CloudCleanupViewModel::confirmButtonText() const
{
    return QStringLiteral("Free ") + formattedSelected() + QStringLiteral(" locally");
}

QString CloudCleanupViewModel::bottomBar() const
{
    if (m_freeing)
        return QStringLiteral("freeing");
    if (!m_selected.empty())
        return QStringLiteral("selection");
    if (m_lastFreed)
        return QStringLiteral("freed");
    return QStringLiteral("none");
}

QString CloudCleanupViewModel::barTitle() const
{
    const QString bar = bottomBar();
    if (bar == QLatin1String("freeing"))
        return QStringLiteral("Freeing space\u2026");
    if (bar == QLatin1String("selection"))
        return formattedSelected();
    if (bar == QLatin1String("freed")) {
        return (m_lastFreedExact ? QStringLiteral("Freed ") : QStringLiteral("Freed up to ")) +
               Formatting::byteCount(*m_lastFreed) + QStringLiteral(" locally");
    }
    return QString();
}

QString CloudCleanupViewModel::barSubtitle() const
{
    const QString bar = bottomBar();
    if (bar == QLatin1String("freeing"))
        return QStringLiteral("Removing local copies");
    if (bar == QLatin1String("selection"))
        return QString::number(m_selected.size()) + QStringLiteral(" selected to free locally");
    if (bar == QLatin1String("freed")) {
        return m_lastFreedExact ? QStringLiteral("Files stay in the cloud \u2014 open one to re-download")
                                : QStringLiteral("Approximate \u2014 some folders couldn't be fully re-read. "
                                                 "Files stay in the cloud.");
    }
    return QString();
}

// ---- setters ----

void CloudCleanupViewModel::setPhase(Phase phase)
{
    if (m_phase == phase)
        return;
    m_phase = phase;
    emit phaseChanged();
    emit canRescanChanged();
}

void CloudCleanupViewModel::setItems(std::vector<CloudItem> items, bool partial)
{
    m_items = std::move(items);
    m_scanPartial = partial;
    m_itemList.clear();
    m_itemList.reserve(qsizetype(m_items.size()));
    for (const CloudItem& item : m_items)
        m_itemList.append(itemMap(item));
    emit itemsChanged();
    // The selection's figures follow the items they name.
    emit selectionChanged();
    emit bottomBarChanged();
}

void CloudCleanupViewModel::setSelected(std::set<QUuid> selected)
{
    if (m_selected == selected)
        return;
    m_selected = std::move(selected);
    emit selectionChanged();
    emit bottomBarChanged();
}

void CloudCleanupViewModel::setProgress(int scanned, int total)
{
    if (m_scanned == scanned && m_total == total)
        return;
    m_scanned = scanned;
    m_total = total;
    emit progressChanged();
}

void CloudCleanupViewModel::setLastFreed(std::optional<qint64> bytes, bool exact)
{
    if (m_lastFreed == bytes && m_lastFreedExact == exact)
        return;
    m_lastFreed = bytes;
    m_lastFreedExact = exact;
    emit lastFreedChanged();
    emit bottomBarChanged();
}

void CloudCleanupViewModel::setFreeing(bool freeing)
{
    if (m_freeing == freeing)
        return;
    m_freeing = freeing;
    emit freeingChanged();
    emit bottomBarChanged();
    emit canRescanChanged();
}

void CloudCleanupViewModel::setShowConfirm(bool show)
{
    if (m_showConfirm == show)
        return;
    m_showConfirm = show;
    emit showConfirmChanged();
}

void CloudCleanupViewModel::setFailureNote(const QString& note)
{
    if (m_failureNote == note)
        return;
    m_failureNote = note;
    emit failureNoteChanged();
}

void CloudCleanupViewModel::bumpGeneration()
{
    if (m_stop)
        m_stop->request_stop();
    ++m_generation;
    emit generationChanged();
}

// ---- scanning ----

std::optional<Path> CloudCleanupViewModel::existingRoot() const
{
    const std::optional<Path> root = m_drive->root();
    if (!root || !m_fileManager.exists(*root))
        return std::nullopt;
    return root;
}

CloudScanner CloudCleanupViewModel::scannerFor(const Path& root) const
{
    return CloudScanner(root, m_drive, m_fileManager);
}

void CloudCleanupViewModel::start()
{
    if (!m_items.empty())
        return;
    if (m_phase != Phase::checking && m_phase != Phase::unavailable)
        return;
    if (!existingRoot()) {
        setPhase(Phase::unavailable);
        return;
    }
    scan();
}

void CloudCleanupViewModel::scan()
{
    // An eviction run is never interrupted, and its page keeps its list even when the folder goes
    // away meanwhile: the run's own re-scan says so.
    if (m_freeing)
        return;
    const std::optional<Path> root = existingRoot();
    if (!root) {
        setPhase(Phase::unavailable);
        return;
    }
    bumpGeneration();
    const int generation = m_generation;
    m_root = *root;

    setLastFreed(std::nullopt, true);
    setSelected({});
    setPhase(Phase::scanning);
    setItems({}, false);
    setProgress(0, 0);
    setFreeing(false);

    auto stop = std::make_shared<std::stop_source>();
    m_stop = stop;
    const QPointer<CloudCleanupViewModel> self(this);
    QThreadPool::globalInstance()->start(
        [self, generation, stop, scanner = scannerFor(*root)] {
            const auto progress = [&self, generation](int done, int total) {
                postTo(self, [generation, done, total](CloudCleanupViewModel& model) {
                    model.applyProgress(generation, done, total);
                });
            };
            auto scan = std::make_shared<CloudScanner::Scan>(scanner.scan(progress, stop->get_token()));
            postTo(self, [generation, stop, scan](CloudCleanupViewModel& model) {
                model.applyScan(generation, stop, std::move(*scan));
            });
        },
        kUserInitiatedPriority);
}

void CloudCleanupViewModel::applyProgress(int generation, int done, int total)
{
    // A superseded run's late report never speaks for the page.
    if (generation != m_generation || m_phase != Phase::scanning)
        return;
    setProgress(done, total);
}

void CloudCleanupViewModel::applyScan(int generation, const std::shared_ptr<std::stop_source>& stop,
                                      CloudScanner::Scan scan)
{
    if (generation != m_generation || stop->stop_requested())
        return;
    setItems(std::move(scan.items), scan.partial);
    setPhase(Phase::results);
    if (scan.readFailed)
        setFailureNote(kScanFailed);
}

// ---- selection ----

void CloudCleanupViewModel::toggle(const QString& id)
{
    const QUuid uuid = QUuid::fromString(id);
    if (!uuid.isNull())
        toggle(uuid);
}

void CloudCleanupViewModel::toggle(const QUuid& id)
{
    for (const CloudItem& item : m_items) {
        if (item.id != id)
            continue;
        if (item.localBytes < 1)
            return;
        std::set<QUuid> selected = m_selected;
        if (!selected.erase(id))
            selected.insert(id);
        setSelected(std::move(selected));
        return;
    }
}

void CloudCleanupViewModel::clearSelection()
{
    setSelected({});
}

void CloudCleanupViewModel::requestFree()
{
    if (!m_selected.empty())
        setShowConfirm(true);
}

void CloudCleanupViewModel::dismissFreed()
{
    setLastFreed(std::nullopt, m_lastFreedExact);
}

// ---- freeing ----

void CloudCleanupViewModel::confirmFree()
{
    const std::vector<CloudItem> chosen = selectedItems();
    if (chosen.empty() || m_freeing)
        return;
    bumpGeneration();
    const int generation = m_generation;
    setFreeing(true);

    std::vector<Path> urls;
    for (const CloudItem& item : chosen)
        urls.push_back(item.url);
    const CloudCleanup::LocalBytesByPath before = localByPath(chosen);

    auto stop = std::make_shared<std::stop_source>();
    m_stop = stop;
    const QPointer<CloudCleanupViewModel> self(this);
    QThreadPool::globalInstance()->start(
        [self, generation, stop, urls, before, scanner = scannerFor(m_root)] {
            // What evict returns is not reported: the figure comes from measuring again.
            for (const Path& url : urls)
                (void)scanner.evict(url, stop->get_token());
            auto after = std::make_shared<CloudScanner::Scan>(scanner.scan({}, stop->get_token()));
            postTo(self, [generation, before, after](CloudCleanupViewModel& model) {
                model.applyFree(generation, before, std::move(*after));
            });
        },
        kUserInitiatedPriority);
}

void CloudCleanupViewModel::applyFree(int generation, const CloudCleanup::LocalBytesByPath& before,
                                      CloudScanner::Scan after)
{
    if (generation != m_generation)
        return;
    setFreeing(false);
    if (after.readFailed) {
        setSelected({});
        setFailureNote(kRescanFailed);
        return;
    }
    const CloudCleanup::LocalBytesByPath post = localByPath(after.items);
    const bool partial = after.partial;
    setItems(std::move(after.items), partial);
    setSelected({});
    setPhase(Phase::results);
    const CloudCleanup::Freed freed = CloudCleanup::freedBytes(before, post, partial);
    if (freed.bytes < 1) {
        setLastFreed(std::nullopt, m_lastFreedExact);
        setFailureNote(kNothingFreed);
        return;
    }
    setLastFreed(freed.bytes, freed.exact);
    ++m_freeCompletions;
    emit freeCompletionsChanged();
}

} // namespace qm
