#include "app/models/SmartScanViewModel.h"

#include "app/models/CleanFailureNote.h"
#include "app/models/JunkCategoryMaps.h"
#include "app/models/PostToModel.h"
#include "core/cleaning/Cleaner.h"
#include "core/cleaning/SafetyGuard.h"
#include "core/model/Formatting.h"
#include "core/permissions/FullDiskAccess.h"
#include "platform/Clock.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include <algorithm>
#include <chrono>
#include <set>
#include <utility>

namespace qm {
namespace {

constexpr std::chrono::milliseconds kUndoWindow{15'000};

// The scan, the clean and the undo are all work the user waits for.
constexpr int kUserInitiatedPriority = 1;

// Only categories with something to show or a coverage note stay listed.
std::vector<JunkCategory> shown(std::vector<JunkCategory> categories)
{
    std::erase_if(categories, [](const JunkCategory& c) { return c.items.empty() && !c.incomplete; });
    return categories;
}

} // namespace

SmartScanViewModel::SmartScanViewModel(Services services, QObject* parent)
    : QObject(parent), m_clock(services.clock),
      m_scanner(services.scanner ? std::move(*services.scanner) : CleanupScanner()),
      m_trash(services.trash ? std::move(*services.trash) : Trash()),
      m_fullDiskAccess(std::move(services.fullDiskAccess)), m_scan(std::move(services.scan)),
      m_ownTracker(services.restoreTracker ? nullptr : std::make_unique<RestoreTracker>()),
      m_tracker(services.restoreTracker ? services.restoreTracker : m_ownTracker.get())
{
    for (const auto signal : {&SmartScanViewModel::lastReportChanged, &SmartScanViewModel::isCleaningChanged})
        connect(this, signal, this, &SmartScanViewModel::canUndoChanged);
    connect(m_tracker, &RestoreTracker::emptyingTrashChanged, this, &SmartScanViewModel::canUndoChanged);
    if (!m_fullDiskAccess) {
        m_fullDiskAccess = [home = m_scanner.home()] { return FullDiskAccess::isGranted(home); };
    }
    if (!m_scan) {
        m_scan = [](const CleanupScanner& scanner, const std::vector<JunkKind>& kinds,
                    const CleanupScanner::Progress& progress,
                    std::stop_token stop) { return scanner.scanAll(kinds, progress, std::move(stop)); };
    }
    m_fullDiskAccessGranted = m_fullDiskAccess();
}

SmartScanViewModel::~SmartScanViewModel()
{
    if (m_scanStop)
        m_scanStop->request_stop();
}

// ---- derived values ----

int SmartScanViewModel::selectedCount() const
{
    int count = 0;
    for (const JunkCategory& category : m_categories)
        count += int(category.selectedItems().size());
    return count;
}

int SmartScanViewModel::totalItems() const
{
    int count = 0;
    for (const JunkCategory& category : m_categories)
        count += int(category.items.size());
    return count;
}

qint64 SmartScanViewModel::totalBytes() const
{
    qint64 bytes = 0;
    for (const JunkCategory& category : m_categories) {
        for (const ScanItem& item : category.items)
            bytes += item.bytes;
    }
    return bytes;
}

qint64 SmartScanViewModel::selectedBytes() const
{
    qint64 bytes = 0;
    for (const JunkCategory& category : m_categories) {
        for (const ScanItem& item : category.items) {
            if (item.isSelected)
                bytes += item.bytes;
        }
    }
    return bytes;
}

SmartScanViewModel::FoundComponents SmartScanViewModel::foundComponents() const
{
    // The formatter already writes "0 KB" for anything below one byte.
    return splitFoundText(Formatting::byteCount(totalBytes()));
}

SmartScanViewModel::FoundComponents SmartScanViewModel::splitFoundText(const QString& text)
{
    const QStringList pieces = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    FoundComponents components{QStringLiteral("0"), QStringLiteral("GB")};
    if (!pieces.isEmpty() && pieces[0] != QStringLiteral("Zero"))
        components.value = pieces[0];
    if (pieces.size() >= 2)
        components.unit = pieces[1];
    return components;
}

bool SmartScanViewModel::didCleanEverything() const
{
    return m_phase == Phase::results && m_cleanedEverything && m_categories.empty();
}

QString SmartScanViewModel::lastReportFreed() const
{
    return m_lastReport ? m_lastReport->formattedFreed() : QString();
}

int SmartScanViewModel::lastReportCount() const
{
    return m_lastReport ? int(m_lastReport->trashed.size()) : 0;
}

// ---- setters ----

void SmartScanViewModel::setPhase(Phase phase)
{
    if (m_phase == phase)
        return;
    m_phase = phase;
    emit phaseChanged();
    emit summaryChanged();
}

void SmartScanViewModel::setCategories(std::vector<JunkCategory> categories)
{
    m_categories = std::move(categories);
    m_categoryList = JunkCategoryMaps::toList(m_categories);
    emit categoriesChanged();
    emit summaryChanged();
}

void SmartScanViewModel::setScanProgress(double fraction)
{
    // Every report is announced, also one that repeats the value.
    m_scanProgress = fraction;
    emit scanProgressChanged();
}

void SmartScanViewModel::setLastReport(std::optional<CleanReport> report)
{
    if (!m_lastReport && !report)
        return;
    m_lastReport = std::move(report);
    emit lastReportChanged();
}

void SmartScanViewModel::setShowConfirm(bool show)
{
    if (m_showConfirm == show)
        return;
    m_showConfirm = show;
    emit showConfirmChanged();
}

void SmartScanViewModel::setIsCleaning(bool value)
{
    if (m_isCleaning == value)
        return;
    m_isCleaning = value;
    emit isCleaningChanged();
}

void SmartScanViewModel::setFailureNote(const QString& note)
{
    if (m_failureNote == note)
        return;
    m_failureNote = note;
    emit failureNoteChanged();
}

void SmartScanViewModel::setCleanedEverything(bool value)
{
    if (m_cleanedEverything == value)
        return;
    m_cleanedEverything = value;
    emit summaryChanged();
}

void SmartScanViewModel::setFullDiskAccessGranted(bool value)
{
    if (m_fullDiskAccessGranted == value)
        return;
    m_fullDiskAccessGranted = value;
    emit fullDiskAccessGrantedChanged();
}

void SmartScanViewModel::setRestoring(bool value)
{
    // Held for exactly as long as this model restores, so no module empties the Trash meanwhile.
    if (m_tracker->setHeld(m_restoreToken, value))
        emit restoringChanged();
}

void SmartScanViewModel::refreshFullDiskAccess()
{
    setFullDiskAccessGranted(m_fullDiskAccess());
}

SafetyGuard SmartScanViewModel::guard() const
{
    return CleanupScanner::guard(m_scanner.places(), JunkKinds::smartScanKinds());
}

// ---- scanning ----

void SmartScanViewModel::scan()
{
    if (m_isCleaning)
        return;
    if (m_scanStop)
        m_scanStop->request_stop();
    const int generation = ++m_generation;
    emit generationChanged();
    setFullDiskAccessGranted(m_fullDiskAccess());
    ++m_reportToken;

    setLastReport(std::nullopt);
    setCleanedEverything(false);
    setPhase(Phase::scanning);
    setScanProgress(0);
    setCategories({});

    auto stop = std::make_shared<std::stop_source>();
    m_scanStop = stop;
    const QPointer<SmartScanViewModel> self(this);
    QThreadPool::globalInstance()->start(
        [self, generation, stop, scanner = m_scanner, run = m_scan] {
            const auto progress = [&self, generation, &stop](double fraction, const QString&) {
                postTo(self, [generation, stop, fraction](SmartScanViewModel& model) {
                    model.applyProgress(generation, stop, fraction);
                });
            };
            auto found = std::make_shared<std::vector<JunkCategory>>(
                run(scanner, JunkKinds::smartScanKinds(), progress, stop->get_token()));
            postTo(self, [generation, stop, found](SmartScanViewModel& model) {
                model.applyScan(generation, stop, std::move(*found));
            });
        },
        kUserInitiatedPriority);
}

void SmartScanViewModel::applyProgress(int generation, const std::shared_ptr<std::stop_source>& stop,
                                       double fraction)
{
    // A replaced scan no longer speaks for the screen.
    if (generation != m_generation || stop->stop_requested())
        return;
    setScanProgress(fraction);
}

void SmartScanViewModel::applyScan(int generation, const std::shared_ptr<std::stop_source>& stop,
                                   std::vector<JunkCategory> categories)
{
    if (stop->stop_requested() || generation != m_generation)
        return;
    setCategories(shown(std::move(categories)));
    setPhase(Phase::results);
}

// ---- selection ----

void SmartScanViewModel::toggleCategory(const QString& id)
{
    const auto found = std::find_if(m_categories.begin(), m_categories.end(),
                                    [&](const JunkCategory& c) { return c.id() == id; });
    if (found == m_categories.end() || found->items.empty())
        return;
    const bool selected = found->selectionState() != JunkCategory::SelectionState::all;
    std::vector<JunkCategory> categories = m_categories;
    for (ScanItem& item : categories[std::size_t(found - m_categories.begin())].items)
        item.isSelected = selected;
    setCategories(std::move(categories));
}

// ---- clean and undo ----

void SmartScanViewModel::confirmClean()
{
    std::vector<ScanItem> selected;
    for (const JunkCategory& category : m_categories) {
        const std::vector<ScanItem> items = category.selectedItems();
        selected.insert(selected.end(), items.begin(), items.end());
    }
    // While an undo moves items back, its closing rescan must not be refused by a running clean (the
    // screen would stay on `scanning`).
    if (selected.empty() || m_isCleaning || restoring())
        return;

    const int generation = m_generation;
    setIsCleaning(true);
    const QPointer<SmartScanViewModel> self(this);
    QThreadPool::globalInstance()->start(
        [self, generation, guard = guard(), trash = m_trash, selected] {
            const CleanReport report = Cleaner(guard, trash).clean(selected);
            postTo(self,
                   [generation, report](SmartScanViewModel& model) { model.applyClean(generation, report); });
        },
        kUserInitiatedPriority);
}

void SmartScanViewModel::applyClean(int generation, const CleanReport& report)
{
    setIsCleaning(false);

    // A clean made while the offer stands extends it: Undo gives back both. The failures and their
    // details are the newest clean's, side by side as every report keeps them.
    std::vector<TrashedItem> joined = m_lastReport ? m_lastReport->trashed : std::vector<TrashedItem>{};
    joined.insert(joined.end(), report.trashed.begin(), report.trashed.end());
    if (joined.empty())
        recordReport(std::nullopt);
    else
        recordReport(CleanReport{std::move(joined), report.failures, report.failureDetails});

    if (!report.trashed.empty()) {
        ++m_cleanCompletions;
        emit cleanCompletionsChanged();
    }
    if (!report.failures.empty()) {
        const std::vector<CleanFailure> denied = report.permissionDenied();
        surfaceFailure(QString(), qint64(report.failures.size()), report.failures.front(),
                       denied.empty() ? std::nullopt : std::optional<CleanFailure>(denied.front()));
    }
    // A scan started meanwhile owns the categories.
    if (generation != m_generation)
        return;

    // Paths compare byte for byte.
    const std::set<Path::string_type> trashed = report.trashedOriginals();
    std::vector<JunkCategory> categories = m_categories;
    for (JunkCategory& category : categories)
        std::erase_if(category.items,
                      [&](const ScanItem& item) { return trashed.contains(item.url.native()); });
    categories = shown(std::move(categories));
    const bool cleanedAll = categories.empty() && !report.trashed.empty();
    setCategories(std::move(categories));
    if (cleanedAll)
        setCleanedEverything(true);
}

void SmartScanViewModel::recordReport(std::optional<CleanReport> report)
{
    const int token = ++m_reportToken;
    const bool present = report.has_value();
    setLastReport(std::move(report));
    if (!present)
        return;
    // The timer dies with the model; an older offer's timer finds a newer token and does nothing.
    m_clock.callAfter(kUndoWindow, this, [this, token] {
        if (m_reportToken == token)
            setLastReport(std::nullopt);
    });
}

void SmartScanViewModel::surfaceFailure(const QString& lead, qint64 n, const QString& first,
                                        const std::optional<CleanFailure>& permissionDenied)
{
    m_failureNote = CleanFailureNote::word(lead, n, first, permissionDenied, m_fullDiskAccess).text;
    // Announced even when the text repeats the last one, so a dismissed alert comes up again.
    emit failureNoteChanged();
}

void SmartScanViewModel::undoLast()
{
    // An emptying of the Trash would delete what this moves back.
    if (!canUndo())
        return;
    const CleanReport report = *m_lastReport;
    ++m_reportToken;
    setLastReport(std::nullopt);
    setPhase(Phase::scanning);
    setRestoring(true);

    const QPointer<SmartScanViewModel> self(this);
    QThreadPool::globalInstance()->start(
        [self, guard = guard(), trash = m_trash, report] {
            // What came back is not reported: the rescan shows it.
            (void)Cleaner(guard, trash).undo(report);
            postTo(self, [](SmartScanViewModel& model) { model.applyUndo(); });
        },
        kUserInitiatedPriority);
}

void SmartScanViewModel::applyUndo()
{
    setRestoring(false);
    scan();
}

void SmartScanViewModel::dismissUndo()
{
    ++m_reportToken;
    setLastReport(std::nullopt);
}

} // namespace qm
