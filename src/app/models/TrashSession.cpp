#include "app/models/TrashSession.h"

#include "app/models/CleanFailureNote.h"
#include "app/models/PostToModel.h"
#include "platform/Clock.h"

#include <QPointer>
#include <QThreadPool>

#include <utility>

namespace qm {
namespace {

// A clean and an undo are work the user waits for.
constexpr int kUserInitiatedPriority = 1;

} // namespace

TrashSession::TrashSession(RestoreTracker* tracker, QObject* parent)
    : QObject(parent), m_ownTracker(tracker ? nullptr : std::make_unique<RestoreTracker>()),
      m_tracker(tracker ? tracker : m_ownTracker.get())
{
    for (const auto signal : {&TrashSession::reportChanged, &TrashSession::restoringChanged})
        connect(this, signal, this, &TrashSession::canUndoChanged);
    connect(m_tracker, &RestoreTracker::emptyingTrashChanged, this, &TrashSession::canUndoChanged);
}

void TrashSession::expireAfter(Clock& clock, std::chrono::milliseconds window)
{
    m_clock = &clock;
    m_window = window;
}

int TrashSession::advance()
{
    ++m_generation;
    emit generationChanged();
    return m_generation;
}

bool TrashSession::canUndo() const
{
    return m_report.has_value() && !m_undoing && !m_tracker->emptyingTrash();
}

void TrashSession::setReport(std::optional<CleanReport> report)
{
    if (!m_report && !report)
        return;
    m_report = std::move(report);
    emit reportChanged();
}

void TrashSession::record(std::optional<CleanReport> report)
{
    const int token = ++m_reportToken;
    const bool present = report.has_value();
    setReport(std::move(report));
    if (!present || !m_clock)
        return;
    // The timer dies with the session; an older record's timer finds a newer token and does nothing.
    m_clock->callAfter(m_window, this, [this, token] {
        if (m_reportToken == token)
            setReport(std::nullopt);
    });
}

void TrashSession::setCleaning(bool value)
{
    if (m_cleaning == value)
        return;
    m_cleaning = value;
    emit cleaningChanged();
}

void TrashSession::beginRestoring()
{
    // Held for exactly as long as this module may move items back, so no module empties the Trash
    // meanwhile.
    if (m_restoreJobs++ == 0) {
        m_tracker->setHeld(m_restoreToken, true);
        emit restoringChanged();
    }
}

void TrashSession::endRestoring()
{
    if (m_restoreJobs == 0)
        return;
    if (--m_restoreJobs == 0) {
        m_tracker->setHeld(m_restoreToken, false);
        emit restoringChanged();
    }
}

void TrashSession::countCompletion()
{
    ++m_cleanCompletions;
    emit cleanCompletionsChanged();
}

std::optional<CleanReport> TrashSession::merged(const std::optional<CleanReport>& earlier,
                                                const CleanReport& latest)
{
    std::vector<TrashedItem> trashed = earlier ? earlier->trashed : std::vector<TrashedItem>{};
    trashed.insert(trashed.end(), latest.trashed.begin(), latest.trashed.end());
    if (trashed.empty())
        return std::nullopt;
    return CleanReport{std::move(trashed), latest.failures, latest.failureDetails};
}

void TrashSession::clean(CleanWork work, CleanApplied applied, Recording recording)
{
    setCleaning(true);
    const int generation = m_generation;
    const QPointer<TrashSession> self(this);
    QThreadPool::globalInstance()->start(
        [self, generation, recording, work = std::move(work), applied = std::move(applied)] {
            CleanReport report = work();
            postTo(self, [generation, recording, applied, report = std::move(report)](TrashSession& session) {
                session.setCleaning(false);
                if (recording == Recording::joined)
                    session.record(merged(session.m_report, report));
                if (!report.trashed.empty())
                    session.countCompletion();
                applied(report, generation == session.m_generation);
            });
        },
        kUserInitiatedPriority);
}

bool TrashSession::undo(UndoWork work, UndoApplied applied)
{
    if (!canUndo())
        return false;
    CleanReport report = std::move(*m_report);
    withdraw();
    m_undoing = true;
    beginRestoring();
    const int generation = m_generation;
    const QPointer<TrashSession> self(this);
    QThreadPool::globalInstance()->start(
        [self, generation, work = std::move(work), applied = std::move(applied), report = std::move(report)] {
            const UndoResult result = work(report);
            postTo(self, [generation, applied, result](TrashSession& session) {
                session.m_undoing = false;
                session.endRestoring();
                if (session.hasReport()) // recorded by a clean while this undo ran
                    emit session.canUndoChanged();
                applied(result, generation == session.m_generation);
            });
        },
        kUserInitiatedPriority);
    return true;
}

void TrashSession::setFailureNote(const QString& note)
{
    if (m_failureNote == note)
        return;
    m_failureNote = note;
    emit failureNoteChanged();
}

void TrashSession::showFailure(const QString& note, bool needsFullDiskAccess)
{
    m_failureNote = note;
    m_failureNeedsFullDiskAccess = needsFullDiskAccess;
    emit failureNoteChanged();
}

void TrashSession::showCleanFailures(const QString& lead, const CleanReport& report,
                                     const std::function<bool()>& fullDiskAccess)
{
    if (report.failures.empty())
        return;
    const std::vector<CleanFailure> denied = report.permissionDenied();
    const CleanFailureNote note = CleanFailureNote::word(
        lead, qint64(report.failures.size()), report.failures.front(),
        denied.empty() ? std::nullopt : std::optional<CleanFailure>(denied.front()), fullDiskAccess);
    showFailure(note.text, note.needsFullDiskAccess);
}

} // namespace qm
