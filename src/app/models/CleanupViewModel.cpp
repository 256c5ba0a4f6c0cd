#include "app/models/CleanupViewModel.h"

#include "app/models/PostToModel.h"
#include "app/platform/GuiWorkspace.h"
#include "core/cleaning/Cleaner.h"
#include "core/cleaning/SafetyGuard.h"
#include "core/model/Formatting.h"
#include "core/model/JunkKind.h"
#include "core/permissions/FullDiskAccess.h"
#include "platform/Clock.h"
#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>
#include <QVariantMap>

#include <algorithm>
#include <chrono>
#include <set>
#include <utility>

namespace qm {
namespace {

constexpr std::chrono::milliseconds kUndoWindow{15'000};

// Queue priorities on the thread pool: what the user is waiting for goes ahead of the background
// Trash refresh.
constexpr int kUtilityPriority = 0;
constexpr int kUserInitiatedPriority = 1;

const QString kEllipsis = QStringLiteral("\u2026");

std::vector<JunkKind> allKinds()
{
    return std::vector<JunkKind>(JunkKinds::all.begin(), JunkKinds::all.end());
}

// "1 item", "3 items": the count, " item", and "s" unless the count is exactly 1.
QString items(qint64 count)
{
    return Formatting::countedNoun(count, QStringLiteral("item"));
}

} // namespace

CleanupViewModel::CleanupViewModel(Services services, QObject* parent)
    : QObject(parent), m_clock(services.clock),
      m_scanner(services.scanner ? std::move(*services.scanner) : CleanupScanner()),
      m_trashBin(services.trashBin ? std::move(*services.trashBin) : TrashBin()),
      m_trashMover(services.trash ? std::move(*services.trash) : Trash()),
      m_fullDiskAccess(std::move(services.fullDiskAccess)), m_workspace(std::move(services.workspace)),
      m_session(services.restoreTracker)
{
    m_session.expireAfter(m_clock, kUndoWindow);
    connect(&m_session, &TrashSession::reportChanged, this, &CleanupViewModel::lastReportChanged);
    connect(&m_session, &TrashSession::reportChanged, this, &CleanupViewModel::bottomBarChanged);
    connect(&m_session, &TrashSession::restoringChanged, this, &CleanupViewModel::restoringChanged);
    connect(&m_session, &TrashSession::failureNoteChanged, this, &CleanupViewModel::failureNoteChanged);
    connect(&m_session, &TrashSession::cleanCompletionsChanged, this,
            &CleanupViewModel::cleanCompletionsChanged);
    connect(&m_session.tracker(), &RestoreTracker::anyRestoringChanged, this,
            &CleanupViewModel::anyRestoringChanged);
    if (!m_fullDiskAccess) {
        m_fullDiskAccess = [home = m_scanner.home()] { return FullDiskAccess::isGranted(home); };
    }
}

CleanupViewModel::~CleanupViewModel()
{
    // An emptying still running is dropped with the model; the other modules may undo again.
    if (m_emptyingTrash)
        m_session.tracker().setEmptyingTrash(false);
    if (m_scanStop)
        m_scanStop->request_stop();
}

// ---- derived values and texts ----

int CleanupViewModel::selectedCount() const
{
    return m_selection.selectedCount();
}

qint64 CleanupViewModel::selectedBytes() const
{
    return m_selection.selectedBytes();
}

qint64 CleanupViewModel::totalBytes() const
{
    return m_selection.totalBytes();
}

bool CleanupViewModel::didCleanEverything() const
{
    return m_phase == Phase::results && m_cleanedEverything && m_selection.empty();
}

bool CleanupViewModel::isEmptyResult() const
{
    return m_phase == Phase::results && !m_cleanedEverything &&
           std::all_of(categories().begin(), categories().end(),
                       [](const JunkCategory& c) { return c.items.empty() && !c.incomplete; });
}

QString CleanupViewModel::contentState() const
{
    switch (m_phase) {
    case Phase::idle:
        return QStringLiteral("idle");
    case Phase::scanning:
        return QStringLiteral("scanning");
    case Phase::results:
    case Phase::cleaning:
        break;
    }
    if (didCleanEverything())
        return QStringLiteral("cleanedAll");
    if (isEmptyResult())
        return QStringLiteral("empty");
    return QStringLiteral("results");
}

QString CleanupViewModel::bottomBar() const
{
    if (m_phase == Phase::cleaning)
        return QStringLiteral("cleaning");
    const int selected = selectedCount();
    if (m_session.hasReport() && selected == 0)
        return QStringLiteral("undoOffer");
    if (m_phase == Phase::results && selected >= 1)
        return QStringLiteral("selection");
    return QStringLiteral("none");
}

QString CleanupViewModel::undoOfferText() const
{
    const std::optional<CleanReport>& report = m_session.report();
    if (!report)
        return QString();
    return QStringLiteral("Freed ") + report->formattedFreed() + QStringLiteral(" \u2014 ") +
           items(qint64(report->trashed.size())) + QStringLiteral(" in Trash");
}

QString CleanupViewModel::foundText() const
{
    return Formatting::byteCount(totalBytes()) + QStringLiteral(" found");
}

QString CleanupViewModel::selectedSizeText() const
{
    return Formatting::byteCount(selectedBytes());
}

QString CleanupViewModel::selectedCountText() const
{
    return items(selectedCount()) + QStringLiteral(" selected");
}

QString CleanupViewModel::cleanButtonText() const
{
    return QStringLiteral("Clean ") + selectedSizeText();
}

QString CleanupViewModel::cleanConfirmTitle() const
{
    return QStringLiteral("Move ") + items(selectedCount()) + QStringLiteral(" to the Trash?");
}

QString CleanupViewModel::cleanConfirmButtonText() const
{
    return QStringLiteral("Move ") + selectedSizeText() + QStringLiteral(" to Trash");
}

QString CleanupViewModel::trashSubtitle() const
{
    if (m_trash.restricted)
        return QStringLiteral(
            "Quillmere may not read the Trash to empty it \u2014 open it in your file manager");
    if (!m_emptyResultNote.isEmpty())
        return m_emptyResultNote;
    if (trashIsEmpty())
        return QStringLiteral("Empty \u2014 nothing to reclaim");
    return items(m_trash.count) + QStringLiteral(" \u00b7 ") + Formatting::byteCount(m_trash.bytes) +
           QStringLiteral(" \u2014 frees space permanently");
}

QString CleanupViewModel::emptyConfirmTitle() const
{
    return QStringLiteral("Permanently delete ") + items(m_trash.count) + QStringLiteral(" in the Trash?");
}

QString CleanupViewModel::emptyConfirmButtonText() const
{
    return QStringLiteral("Empty Trash (") + Formatting::byteCount(m_trash.bytes) + QStringLiteral(")");
}

QString CleanupViewModel::emptyConfirmMessage() const
{
    return QStringLiteral("This frees ") + Formatting::byteCount(m_trash.bytes) +
           QStringLiteral(" but can't be undone \u2014 the items are gone for good.");
}

// ---- setters ----

void CleanupViewModel::emitSummary()
{
    emit summaryChanged();
    emit bottomBarChanged();
}

void CleanupViewModel::setPhase(Phase phase)
{
    if (m_phase == phase)
        return;
    m_phase = phase;
    emit phaseChanged();
    emitSummary();
}

void CleanupViewModel::publishCategories()
{
    emit categoriesChanged();
    emitSummary();
}

void CleanupViewModel::setCleanedEverything(bool value)
{
    if (m_cleanedEverything == value)
        return;
    m_cleanedEverything = value;
    emitSummary();
}

void CleanupViewModel::setIsPostUndoRescan(bool value)
{
    if (m_isPostUndoRescan == value)
        return;
    m_isPostUndoRescan = value;
    emit isPostUndoRescanChanged();
}

void CleanupViewModel::setShowConfirm(bool show)
{
    if (m_showConfirm == show)
        return;
    m_showConfirm = show;
    emit showConfirmChanged();
}

void CleanupViewModel::setFailureNote(const QString& note)
{
    m_session.setFailureNote(note);
}

void CleanupViewModel::setTrash(const TrashBin::Summary& summary)
{
    if (m_trash == summary)
        return;
    m_trash = summary;
    emit trashChanged();
}

void CleanupViewModel::setEmptyResultNote(const QString& note)
{
    if (m_emptyResultNote == note)
        return;
    m_emptyResultNote = note;
    emit trashChanged();
}

void CleanupViewModel::setShowEmptyConfirm(bool show)
{
    if (m_showEmptyConfirm == show)
        return;
    m_showEmptyConfirm = show;
    emit showEmptyConfirmChanged();
}

void CleanupViewModel::setEmptyingTrash(bool value)
{
    if (m_emptyingTrash == value)
        return;
    m_emptyingTrash = value;
    m_session.tracker().setEmptyingTrash(value);
    emit emptyingTrashChanged();
}

SafetyGuard CleanupViewModel::guard() const
{
    return CleanupScanner::guard(m_scanner.places(), allKinds());
}

// ---- scanning ----

void CleanupViewModel::scan(bool isAutoRescan)
{
    if (m_phase == Phase::cleaning)
        return;
    if (m_scanStop)
        m_scanStop->request_stop();
    const int generation = m_session.advance();

    m_session.withdraw();
    setPhase(Phase::scanning);
    setIsPostUndoRescan(isAutoRescan);
    setCleanedEverything(false);
    m_progress = 0;
    m_progressLabel = QStringLiteral("Starting") + kEllipsis;
    emit progressChanged();

    auto stop = std::make_shared<std::stop_source>();
    m_scanStop = stop;
    const QPointer<CleanupViewModel> self(this);
    QThreadPool::globalInstance()->start(
        [self, generation, stop, scanner = m_scanner] {
            const auto progress = [&self, generation, &stop](double fraction, const QString& title) {
                postTo(self, [generation, stop, fraction, title](CleanupViewModel& model) {
                    model.applyProgress(generation, stop, fraction, title);
                });
            };
            auto found = std::make_shared<std::vector<JunkCategory>>(
                scanner.scanAll(allKinds(), progress, stop->get_token()));
            postTo(self, [generation, stop, found](CleanupViewModel& model) {
                model.applyScan(generation, stop, std::move(*found));
            });
        },
        kUserInitiatedPriority);
}

void CleanupViewModel::applyProgress(int generation, const std::shared_ptr<std::stop_source>& stop,
                                     double fraction, const QString& title)
{
    // A replaced or cancelled scan no longer speaks for the page.
    if (generation != m_session.generation() || stop->stop_requested())
        return;
    m_progress = fraction;
    m_progressLabel = QStringLiteral("Scanning ") + title + kEllipsis;
    emit progressChanged();
}

void CleanupViewModel::applyScan(int generation, const std::shared_ptr<std::stop_source>& stop,
                                 std::vector<JunkCategory> categories)
{
    if (generation != m_session.generation() || stop->stop_requested())
        return;
    m_selection.setShown(std::move(categories));
    publishCategories();
    // A clean confirmed while this scan ran is still moving items: the page stays `cleaning` (which
    // keeps a second clean, an undo and an emptying of the Trash out) until the clean's own result.
    if (m_phase != Phase::cleaning)
        setPhase(Phase::results);
}

void CleanupViewModel::cancelScan()
{
    // Only a scan can be cancelled; a running clean must end in its own time.
    if (m_phase != Phase::scanning)
        return;
    if (m_scanStop)
        m_scanStop->request_stop();
    setPhase(m_selection.empty() ? Phase::idle : Phase::results);
}

// ---- selection ----

void CleanupViewModel::selectAll(bool selected)
{
    if (m_selection.selectAll(selected))
        publishCategories();
}

void CleanupViewModel::setCategory(const QString& categoryId, bool selected)
{
    if (m_selection.setCategory(categoryId, selected))
        publishCategories();
}

void CleanupViewModel::toggleItem(const QString& categoryId, const QString& itemId)
{
    const QUuid id = QUuid::fromString(itemId);
    if (!id.isNull())
        toggleItem(categoryId, id);
}

void CleanupViewModel::toggleItem(const QString& categoryId, const QUuid& itemId)
{
    if (m_selection.toggleItem(categoryId, itemId))
        publishCategories();
}

// ---- clean and undo ----

void CleanupViewModel::confirmClean()
{
    // A restore still under way is followed by a rescan that a clean would swallow.
    if (m_phase == Phase::cleaning || m_emptyingTrash || restoring())
        return;
    const std::vector<ScanItem> selected = m_selection.selectedItems();
    if (selected.empty())
        return;
    setPhase(Phase::cleaning);

    // Cleans made while the offer is open are undone together.
    m_session.clean([cleaner = Cleaner(guard(), m_trashMover), selected] { return cleaner.clean(selected); },
                    [this](const CleanReport& report, bool current) { applyClean(report, current); });
}

void CleanupViewModel::applyClean(const CleanReport& report, bool current)
{
    refreshTrash();
    m_session.showCleanFailures(QString(), report, m_fullDiskAccess);
    if (!current)
        return;

    // Paths compare byte for byte.
    const bool cleanedAll = m_selection.prune(report.trashedOriginals()) && !report.trashed.empty();
    publishCategories();
    if (cleanedAll)
        setCleanedEverything(true);
    setPhase(Phase::results);
}

void CleanupViewModel::undoLast()
{
    if (m_phase == Phase::cleaning || m_emptyingTrash)
        return;
    // What came back is not reported: the rescan shows it.
    const bool started = m_session.undo([cleaner = Cleaner(guard(), m_trashMover)](
                                            const CleanReport& report) { return cleaner.undo(report); },
                                        [this](const UndoResult&, bool current) { applyUndo(current); });
    if (!started)
        return;
    setPhase(Phase::scanning);
    setIsPostUndoRescan(true);
}

void CleanupViewModel::applyUndo(bool current)
{
    // A scan started meanwhile owns the page.
    if (!current)
        return;
    scan(true);
    refreshTrash();
}

void CleanupViewModel::dismissUndo()
{
    m_session.withdraw();
}

// ---- the Trash ----

void CleanupViewModel::measureTrash(int priority, void (CleanupViewModel::*apply)(const TrashBin::Summary&))
{
    const int seq = ++m_trashSeq;
    const QPointer<CleanupViewModel> self(this);
    QThreadPool::globalInstance()->start(
        [self, seq, apply, bin = m_trashBin] {
            const TrashBin::Summary summary = bin.summary();
            postTo(self, [seq, apply, summary](CleanupViewModel& model) {
                if (seq == model.m_trashSeq)
                    (model.*apply)(summary);
            });
        },
        priority);
}

void CleanupViewModel::refreshTrash()
{
    measureTrash(kUtilityPriority, &CleanupViewModel::applyTrashRefresh);
}

void CleanupViewModel::applyTrashRefresh(const TrashBin::Summary& summary)
{
    setTrash(summary);
    if (summary.count == 0 && !summary.restricted)
        m_emptyResultPartial = false; // a note stays while the Trash stays empty
    else if (!m_emptyResultPartial)
        setEmptyResultNote(QString()); // a complete emptying's note goes once the Trash fills again
}

void CleanupViewModel::requestEmptyTrash()
{
    // Items another module is moving back must not be offered for deletion either.
    if (anyRestoring())
        return;
    measureTrash(kUserInitiatedPriority, &CleanupViewModel::applyEmptyRequest);
}

void CleanupViewModel::applyEmptyRequest(const TrashBin::Summary& summary)
{
    setTrash(summary);
    if (summary.count > 0 && !summary.restricted && !anyRestoring())
        setShowEmptyConfirm(true);
}

void CleanupViewModel::confirmEmptyTrash()
{
    // An unreadable Trash cannot be emptied from here, and items an undo is moving back must not be
    // deleted under it.
    if (trashIsEmpty() || m_trash.restricted || m_phase == Phase::cleaning || m_emptyingTrash ||
        anyRestoring())
        return;
    setEmptyingTrash(true);
    setEmptyResultNote(QString());

    const QPointer<CleanupViewModel> self(this);
    QThreadPool::globalInstance()->start(
        [self, bin = m_trashBin] {
            const TrashBin::EmptyResult result = bin.empty();
            postTo(self, [result](CleanupViewModel& model) { model.applyEmpty(result); });
        },
        kUserInitiatedPriority);
}

void CleanupViewModel::applyEmpty(const TrashBin::EmptyResult& result)
{
    setEmptyingTrash(false);
    if (result.removed >= 1) {
        // The trashed items no longer exist, so nothing is left to undo.
        m_session.withdraw();
    }
    QString note;
    if (result.listingFailed && result.removed == 0 && result.failures == 0) {
        // Nothing was tried: say so instead of reporting an emptying that did not happen. (A volume's
        // trash that could not be listed beside others that were emptied shows in the next summary.)
        m_emptyResultPartial = true;
        note = QStringLiteral("Couldn't read the Trash \u2014 nothing was removed.");
    } else if (result.failures == 0) {
        m_emptyResultPartial = false;
        note = QStringLiteral("Trash emptied \u2014 ") + Formatting::byteCount(result.bytes) +
               QStringLiteral(" reclaimed");
    } else {
        m_emptyResultPartial = true;
        note = QStringLiteral("Emptied ") + items(result.removed) + QStringLiteral(" (") +
               Formatting::byteCount(result.bytes) + QStringLiteral("); ") +
               QString::number(result.failures) + QStringLiteral(" couldn't be removed");
    }
    setEmptyResultNote(note);
    refreshTrash();
}

void CleanupViewModel::revealTrashInFileManager()
{
    if (!m_workspace)
        m_workspace = std::make_shared<GuiWorkspace>();
    m_workspace->openUrl(Workspace::fileUrl(Trash::homeTrashFilesDirectory()));
}

} // namespace qm
