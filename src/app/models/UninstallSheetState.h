#pragma once

#include "core/apps/InstalledApp.h"
#include "core/apps/LeftoverItem.h"
#include "platform/RunningApplication.h"

#include <QObject>
#include <QString>
#include <QUuid>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace qm {

class Clock;
class RunningAppWatcher;
class Workspace;

// The state of one opened uninstall sheet: its application, the leftovers found for it and which of
// them are chosen, whether the search for them runs or was incomplete, whether the application runs
// (watched while the sheet has an application), the wait for it to quit, and the two confirmations.
// The Applications model makes one when a sheet opens and drops it when the sheet closes or another
// opens, so a quit wait or a watch never outlives its sheet. Holds state and the quit wait only: the
// leftover search, which result is stale and every uninstall belong to the model. Lives on the GUI
// thread.
class UninstallSheetState : public QObject
{
    Q_OBJECT

public:
    // The workspace that answers the running applications and takes quit requests; it must outlive
    // the sheet and is asked for only when needed.
    using WorkspaceOf = std::function<Workspace&()>;

    // The quit wait polls every this many milliseconds for at most this long.
    static constexpr int kQuitPollMilliseconds = 250;
    static constexpr int kQuitWaitMilliseconds = 10'000;

    // A sheet for `app` (none: a closed sheet) with no leftovers, no confirmation and nothing running;
    // with an application it follows launches and terminations. `clock` must outlive it.
    UninstallSheetState(std::optional<InstalledApp> app, WorkspaceOf workspace, Clock& clock,
                        QObject* parent = nullptr);
    ~UninstallSheetState() override;

    // Takes what stays shown once `closed` is gone: whether its application ran and whether its
    // leftover search was incomplete; with `answers` also its confirmations and its quit refusal (a
    // sheet closed because its uninstall started). Emits nothing: call it before anyone listens.
    void carryOver(const UninstallSheetState& closed, bool answers);
    // Stops watching and drops a quit wait; the sheet changes by itself no more.
    void retire();

    const std::optional<InstalledApp>& app() const { return m_app; }
    void setApp(std::optional<InstalledApp> app);
    const std::vector<LeftoverItem>& leftovers() const { return m_leftovers; }
    void setLeftovers(std::vector<LeftoverItem> leftovers);
    // Flips the choice of the leftover with `id`; false (and nothing changes) for an unknown id.
    bool toggleLeftover(const QUuid& id);
    bool findingLeftovers() const { return m_findingLeftovers; }
    void setFindingLeftovers(bool value);
    bool leftoverScanIncomplete() const { return m_leftoverScanIncomplete; }
    void setLeftoverScanIncomplete(bool value);
    bool showConfirm() const { return m_showConfirm; }
    void setShowConfirm(bool value);
    bool showAdminConfirm() const { return m_showAdminConfirm; }
    void setShowAdminConfirm(bool value);
    bool running() const { return m_running; }
    void setRunning(bool value);
    bool quitting() const { return m_quitting; }
    void setQuitting(bool value);
    const std::optional<QString>& quitRefusedMessage() const { return m_quitRefusedMessage; }
    void setQuitRefusedMessage(std::optional<QString> message);

    // The summed bytes of the chosen leftovers; 0 when none is chosen.
    qint64 selectedLeftoverBytes() const;
    // The application stays installed through an uninstall (the package manager owns it).
    bool appStays() const { return m_app && m_app->staysInstalled(); }
    // The chosen leftovers plus 1 for the application itself, unless it stays.
    int uninstallItemCount() const;
    // Uninstalling would move something: there is an application and `uninstallItemCount` is above 0.
    bool canUninstall() const { return m_app && uninstallItemCount() > 0; }

    // Asks whether the application runs now (false without one) and publishes the answer, also an
    // unchanged one, so the sheet hears each check.
    void refreshRunning();
    // Asks every running instance of the application to quit, then polls every 0.25 s on the clock
    // for up to 10 s and shows the normal (with `needsAdmin`, the administrator) confirmation, or a
    // refusal when it still runs; no confirmation when nothing would move any more. False (nothing
    // happens) without an application or while a wait runs.
    bool quitAndConfirm(bool needsAdmin);

    // The running processes of `app` in `workspace`: those running its program and those in its
    // Flatpak sandbox, in process-id order.
    static std::vector<RunningApplication> runningInstances(Workspace& workspace, const InstalledApp& app);

signals:
    void appChanged();
    void leftoversChanged();
    void findingLeftoversChanged();
    void leftoverScanIncompleteChanged();
    void showConfirmChanged();
    void showAdminConfirmChanged();
    void runningChanged();
    void quittingChanged();
    void quitRefusedMessageChanged();

private:
    void watch(bool watching);
    void pollQuit(const InstalledApp& app, qint64 wait, bool needsAdmin,
                  std::chrono::steady_clock::time_point deadline);

    WorkspaceOf m_workspace;
    Clock& m_clock;
    std::unique_ptr<RunningAppWatcher> m_watcher;
    bool m_retired = false;

    std::optional<InstalledApp> m_app;
    std::vector<LeftoverItem> m_leftovers;
    bool m_findingLeftovers = false;
    bool m_leftoverScanIncomplete = false;
    bool m_showConfirm = false;
    bool m_showAdminConfirm = false;
    bool m_running = false;
    bool m_quitting = false;
    std::optional<QString> m_quitRefusedMessage;
    qint64 m_quitWait = 0; // the newest quit wait; an older one stops at its next poll
};

} // namespace qm
