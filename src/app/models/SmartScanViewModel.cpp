#include "app/models/SmartScanViewModel.h"

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

} // namespace

SmartScanViewModel::SmartScanViewModel(Services services, QObject* parent)
    : QObject(parent), m_clock(services.clock),
      m_scanner(services.scanner ? std::move(*services.scanner) : CleanupScanner()),
      m_trash(services.trash ? std::move(*services.trash) : Trash()),
      m_fullDiskAccess(std::move(services.fullDiskAccess)), m_scan(std::move(services.scan)),
      m_session(services.restoreTracker)
{
    m_session.expireAfter(m_clock, kUndoWindow);
    connect(&m_session, &TrashSession::generationChanged, this, &SmartScanViewModel::generationChanged);
    connect(&m_session, &TrashSession::reportChanged, this, &SmartScanViewModel::lastReportChanged);
    connect(&m_session, &TrashSession::cleaningChanged, this, &SmartScanViewModel::isCleaningChanged);
    connect(&m_session, &TrashSession::restoringChanged, this, &SmartScanViewModel::restoringChanged);
    for (const auto signal : {&TrashSession::canUndoChanged, &TrashSession::cleaningChanged})
        connect(&m_session, signal, this, &SmartScanViewModel::canUndoChanged);
    connect(&m_session, &TrashSession::failureNoteChanged, this, &SmartScanViewModel::failureNoteChanged);
    connect(&m_session, &TrashSession::cleanCompletionsChanged, this,
            &SmartScanViewModel::cleanCompletionsChanged);
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
    return m_selection.selectedCount();
}

int SmartScanViewModel::totalItems() const
{
    return m_selection.totalItems();
}

qint64 SmartScanViewModel::totalBytes() const
{
    return m_selection.totalBytes();
}

qint64 SmartScanViewModel::selectedBytes() const
{
    return m_selection.selectedBytes();
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
    return m_phase == Phase::results && m_cleanedEverything && m_selection.empty();
}

QString SmartScanViewModel::lastReportFreed() const
{
    return m_session.hasReport() ? m_session.report()->formattedFreed() : QString();
}

int SmartScanViewModel::lastReportCount() const
{
    return m_session.hasReport() ? int(m_session.report()->trashed.size()) : 0;
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

void SmartScanViewModel::publishCategories()
{
    emit categoriesChanged();
    emit summaryChanged();
}

void SmartScanViewModel::setScanProgress(double fraction)
{
    // Every report is announced, also one that repeats the value.
    m_scanProgress = fraction;
    emit scanProgressChanged();
}

void SmartScanViewModel::setShowConfirm(bool show)
{
    if (m_showConfirm == show)
        return;
    m_showConfirm = show;
    emit showConfirmChanged();
}

void SmartScanViewModel::setFailureNote(const QString& note)
{
    m_session.setFailureNote(note);
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
    if (m_session.cleaning())
        return;
    if (m_scanStop)
        m_scanStop->request_stop();
    const int generation = m_session.advance();
    setFullDiskAccessGranted(m_fullDiskAccess());

    m_session.withdraw();
    setCleanedEverything(false);
    setPhase(Phase::scanning);
    setScanProgress(0);
    m_selection.set({});
    publishCategories();

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
    if (generation != m_session.generation() || stop->stop_requested())
        return;
    setScanProgress(fraction);
}

void SmartScanViewModel::applyScan(int generation, const std::shared_ptr<std::stop_source>& stop,
                                   std::vector<JunkCategory> categories)
{
    if (stop->stop_requested() || generation != m_session.generation())
        return;
    m_selection.setShown(std::move(categories));
    publishCategories();
    setPhase(Phase::results);
}

// ---- selection ----

void SmartScanViewModel::toggleCategory(const QString& id)
{
    if (m_selection.toggleCategory(id))
        publishCategories();
}

// ---- clean and undo ----

void SmartScanViewModel::confirmClean()
{
    const std::vector<ScanItem> selected = m_selection.selectedItems();
    // While an undo moves items back, its closing rescan must not be refused by a running clean (the
    // screen would stay on `scanning`).
    if (selected.empty() || m_session.cleaning() || restoring())
        return;

    // A clean made while the offer stands extends it: Undo gives back both.
    m_session.clean([cleaner = Cleaner(guard(), m_trash), selected] { return cleaner.clean(selected); },
                    [this](const CleanReport& report, bool current) { applyClean(report, current); });
}

void SmartScanViewModel::applyClean(const CleanReport& report, bool current)
{
    m_session.showCleanFailures(QString(), report, m_fullDiskAccess);
    // A scan started meanwhile owns the categories.
    if (!current)
        return;

    // Paths compare byte for byte.
    const bool cleanedAll = m_selection.prune(report.trashedOriginals()) && !report.trashed.empty();
    publishCategories();
    if (cleanedAll)
        setCleanedEverything(true);
}

void SmartScanViewModel::undoLast()
{
    // An emptying of the Trash would delete what this moves back (`canUndo` refuses then). What came
    // back is not reported: the rescan shows it.
    if (canUndo() && m_session.undo([cleaner = Cleaner(guard(), m_trash)](
                                        const CleanReport& report) { return cleaner.undo(report); },
                                    [this](const UndoResult&, bool) { scan(); }))
        setPhase(Phase::scanning);
}

void SmartScanViewModel::dismissUndo()
{
    m_session.withdraw();
}

} // namespace qm
