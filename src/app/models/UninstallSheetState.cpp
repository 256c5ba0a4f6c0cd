#include "app/models/UninstallSheetState.h"

#include "app/models/PublishedValue.h"
#include "app/models/UninstallFailureNote.h"
#include "core/apps/ProgramIdentity.h"
#include "core/apps/RunningApps.h"
#include "platform/Clock.h"
#include "platform/RunningAppWatcher.h"
#include "platform/Workspace.h"

#include <algorithm>
#include <utility>

namespace qm {

UninstallSheetState::UninstallSheetState(std::optional<InstalledApp> app, WorkspaceOf workspace, Clock& clock,
                                         QObject* parent)
    : QObject(parent), m_workspace(std::move(workspace)), m_clock(clock), m_app(std::move(app))
{
    watch(m_app.has_value());
}

UninstallSheetState::~UninstallSheetState() = default;

void UninstallSheetState::carryOver(const UninstallSheetState& closed, bool answers)
{
    m_running = closed.m_running;
    m_leftoverScanIncomplete = closed.m_leftoverScanIncomplete;
    if (!answers)
        return;
    m_showConfirm = closed.m_showConfirm;
    m_showAdminConfirm = closed.m_showAdminConfirm;
    m_quitRefusedMessage = closed.m_quitRefusedMessage;
}

void UninstallSheetState::retire()
{
    m_retired = true;
    ++m_quitWait;
    // Retiring may run inside the watcher's own signal: it goes once that returns.
    if (m_watcher) {
        m_watcher->disconnect(this);
        RunningAppWatcher* const watcher = m_watcher.release();
        watcher->setParent(this);
        watcher->deleteLater();
    }
}

void UninstallSheetState::setApp(std::optional<InstalledApp> app)
{
    if (m_app == app)
        return;
    m_app = std::move(app);
    watch(m_app.has_value());
    emit appChanged();
}

void UninstallSheetState::setLeftovers(std::vector<LeftoverItem> leftovers)
{
    publish(this, m_leftovers, std::move(leftovers), &UninstallSheetState::leftoversChanged);
}

bool UninstallSheetState::toggleLeftover(const QUuid& id)
{
    const auto found = std::find_if(m_leftovers.begin(), m_leftovers.end(),
                                    [&](const LeftoverItem& item) { return item.id == id; });
    if (found == m_leftovers.end())
        return false;
    found->isSelected = !found->isSelected;
    emit leftoversChanged();
    return true;
}

void UninstallSheetState::setFindingLeftovers(bool value)
{
    publish(this, m_findingLeftovers, value, &UninstallSheetState::findingLeftoversChanged);
}

void UninstallSheetState::setLeftoverScanIncomplete(bool value)
{
    publish(this, m_leftoverScanIncomplete, value, &UninstallSheetState::leftoverScanIncompleteChanged);
}

void UninstallSheetState::setShowConfirm(bool value)
{
    publish(this, m_showConfirm, value, &UninstallSheetState::showConfirmChanged);
}

void UninstallSheetState::setShowAdminConfirm(bool value)
{
    publish(this, m_showAdminConfirm, value, &UninstallSheetState::showAdminConfirmChanged);
}

void UninstallSheetState::setRunning(bool value)
{
    publish(this, m_running, value, &UninstallSheetState::runningChanged);
}

void UninstallSheetState::setQuitting(bool value)
{
    publish(this, m_quitting, value, &UninstallSheetState::quittingChanged);
}

void UninstallSheetState::setQuitRefusedMessage(std::optional<QString> message)
{
    publish(this, m_quitRefusedMessage, std::move(message), &UninstallSheetState::quitRefusedMessageChanged);
}

qint64 UninstallSheetState::selectedLeftoverBytes() const
{
    qint64 total = 0;
    for (const LeftoverItem& item : m_leftovers) {
        if (item.isSelected)
            total += item.bytes;
    }
    return total;
}

int UninstallSheetState::uninstallItemCount() const
{
    return int(std::count_if(m_leftovers.begin(), m_leftovers.end(),
                             [](const LeftoverItem& item) { return item.isSelected; })) +
           (appStays() ? 0 : 1);
}

void UninstallSheetState::refreshRunning()
{
    m_running = m_app && !runningInstances(m_workspace(), *m_app).empty();
    emit runningChanged();
}

bool UninstallSheetState::quitAndConfirm(bool needsAdmin)
{
    if (!m_app || m_quitting || m_retired)
        return false;
    const qint64 wait = ++m_quitWait;
    setQuitRefusedMessage(std::nullopt);
    setQuitting(true);
    for (const RunningApplication& instance : runningInstances(m_workspace(), *m_app))
        m_workspace().terminate(instance);
    pollQuit(*m_app, wait, needsAdmin,
             m_clock.monotonicNow() + std::chrono::milliseconds(kQuitWaitMilliseconds));
    return true;
}

void UninstallSheetState::pollQuit(const InstalledApp& app, qint64 wait, bool needsAdmin,
                                   std::chrono::steady_clock::time_point deadline)
{
    // A wait that was dropped (the sheet closed, or a new wait began) has nobody to answer; it stops
    // polling too.
    if (wait != m_quitWait)
        return;
    const std::size_t running = runningInstances(m_workspace(), app).size();
    if (running > 0 && m_clock.monotonicNow() < deadline) {
        m_clock.callAfter(
            std::chrono::milliseconds(kQuitPollMilliseconds), this,
            [this, app, wait, needsAdmin, deadline] { pollQuit(app, wait, needsAdmin, deadline); });
        return;
    }
    setQuitting(false);
    if (!m_app || m_app->id() != app.id())
        return;
    refreshRunning();
    if (running > 0) {
        setQuitRefusedMessage(UninstallFailureNote::quitRefused(app.name));
        return;
    }
    // Nothing to move any more (its data was unchosen meanwhile): no confirmation of nothing.
    if (!canUninstall())
        return;
    if (!needsAdmin)
        setShowConfirm(true);
    else
        setShowAdminConfirm(true);
}

std::vector<RunningApplication> UninstallSheetState::runningInstances(Workspace& workspace,
                                                                      const InstalledApp& app)
{
    const std::vector<RunningApplication> running = workspace.runningApplications();
    // A desktop application is recognised as the running-program layer does: by the program it runs
    // and by its Flatpak sandbox.
    ProgramIdentity program;
    if (!app.programName.isEmpty())
        program.executableNames.push_back(app.programName.toStdString());
    if (!app.flatpakId.isEmpty())
        program.flatpakIds.push_back(app.flatpakId);
    return RunningApps::instancesOf(running, program);
}

void UninstallSheetState::watch(bool watching)
{
    if (m_retired || watching == (m_watcher != nullptr))
        return;
    if (!watching) {
        m_watcher.reset();
        return;
    }
    m_watcher = std::make_unique<RunningAppWatcher>(m_workspace(), m_clock);
    connect(m_watcher.get(), &RunningAppWatcher::launched, this, &UninstallSheetState::refreshRunning);
    connect(m_watcher.get(), &RunningAppWatcher::terminated, this, &UninstallSheetState::refreshRunning);
}

} // namespace qm
