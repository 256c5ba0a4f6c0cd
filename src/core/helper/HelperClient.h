#pragma once

#include "platform/AdminPrompt.h"
#include "platform/Clock.h"
#include "platform/DaemonService.h"
#include "platform/FileSystem.h"
#include "protocol/HelperAction.h"
#include "protocol/HelperProtocol.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

class QThreadPool;

namespace qm {

class HelperConnection;
class Timer;

// The application's one client of the privileged helper: it registers and unregisters the helper's
// daemon with the service manager and publishes the registration state, re-registers it after an
// update of the application, runs the three maintenance actions through the helper (or, when the
// helper is not installed or not reachable, through the administrator prompt) and sends system-level
// removals. Lives on the GUI thread and never blocks it: service-manager calls and prompts run on a
// thread pool and report back through the event loop. Every request answers a success flag and a
// finished sentence; nothing is thrown.
class HelperClient : public QObject
{
    Q_OBJECT
    Q_PROPERTY(Status status READ status NOTIFY statusChanged)
    // The sentence that goes with `unavailable`; empty in every other state.
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY statusChanged)
    // True while a status query or a registration change is under way (a prompt may be open).
    Q_PROPERTY(bool registrationBusy READ registrationBusy NOTIFY registrationBusyChanged)

public:
    // The daemon's registration state as last read.
    enum class Status {
        unavailable,      // registering failed or the system's answer is not understood: see statusMessage
        notInstalled,     // not registered (also the state before the first query)
        requiresApproval, // registered but waiting for the user's approval (never happens on this system)
        installed         // registered and enabled: only now are requests sent to the helper
    };
    Q_ENUM(Status)

    // The answer to a request: ok only when the work was done; the message is shown as it is.
    using Answer = HelperProtocol::HelperReply;
    // Receives the answer of one request on the GUI thread, exactly once unless the client is destroyed
    // first. Refusals are answered before the request call returns.
    using AnswerHandler = std::function<void(const Answer&)>;

    // What the client works with. The client shares the seams; the clock must outlive it.
    struct Services
    {
        Clock& clock;
        std::shared_ptr<const DaemonService> daemonService;
        std::shared_ptr<const AdminPrompt> adminPrompt;
        // Opens a new connection to the helper; called on the first request and after each drop.
        std::function<std::unique_ptr<HelperConnection>()> connect;
        // The build of this application, compared with the one stored at the last registration.
        QString currentBuild;
        // Where blocking calls run (null: the global pool).
        QThreadPool* pool = nullptr;
    };

    // The real seams: the helper's systemd unit, pkexec, the system bus and applicationBuild().
    static Services systemServices(Clock& clock);
    // The build number compiled into the application (the project version).
    static QString applicationBuild();
    // The settings key that holds the build of the last successful registration:
    // "com.vellora.helper.registeredBuild" (QSettings of "Vellora", "Quillmere").
    static QString registeredBuildKey();

    // Registration is tried this many times after an update, kRegistrationPause apart.
    static constexpr int kRegistrationAttempts = 4;
    static constexpr std::chrono::milliseconds kRegistrationPause{750};
    // A removal request's answer comes within this time, or the request is answered as slow.
    static constexpr std::chrono::milliseconds kRemovalDeadline{60'000};
    // How much longer than its own deadline (and hold) a call may wait on the bus for a late reply.
    static constexpr std::chrono::milliseconds kBusTimeoutMargin{60'000};
    // Time the helper has to answer `action` before the request is answered as slow: 60 s, 20 s, 180 s
    // (HelperActions::replyDeadline, which the helper's own run limit builds on).
    static std::chrono::milliseconds replyDeadline(HelperAction action);
    // Time an action that ran out of time stays refused, unless a late reply comes first: 30 s,
    // 15 s, 600 s (HelperActions::pendingHold).
    static std::chrono::milliseconds pendingHold(HelperAction action);
    // The shell command run through the administrator prompt instead of the helper: the helper's own
    // commands on this system.
    static std::string fallbackCommand(HelperAction action);
    // What a fallback that succeeded answers: "Page cache dropped", "DNS cache flushed",
    // "Maintenance scripts ran".
    static QString fallbackSuccessMessage(HelperAction action);

    // Creates the client in state notInstalled; nothing is queried yet.
    explicit HelperClient(Services services, QObject* parent = nullptr);
    ~HelperClient() override;

    Status status() const { return m_status; }
    QString statusMessage() const { return m_statusMessage; }
    bool registrationBusy() const { return m_registrationJobs > 0; }
    // Whether the last attempt to reach the helper succeeded; empty while unknown.
    std::optional<bool> daemonUsable() const { return m_daemonUsable; }
    // Whether `action` is still running or held after running out of time.
    bool isPending(HelperAction action) const { return m_pendingActions.count(action) > 0; }
    // Whether a connection to the helper is open.
    bool hasConnection() const { return m_connection != nullptr; }

    // Asks the service manager for the daemon's state and publishes it (statusChanged is emitted even
    // when the state is unchanged). An answer overtaken by a later query or publication is dropped.
    Q_INVOKABLE void refreshStatus();
    // Registers the daemon (administrator prompt). Success stores this build and re-reads the state; a
    // failure publishes `unavailable` with the reason; a dismissed prompt only re-reads the state.
    Q_INVOKABLE void install();
    // Unregisters and stops the daemon (administrator prompt), drops the connection and re-reads the
    // state. When that worked, the stored build is removed, so no later start registers it again.
    Q_INVOKABLE void uninstall();
    // Registers the daemon again when this build differs from the stored one: when the daemon is
    // enabled and the stored build differs or is missing (it is unregistered first), or when it is not
    // registered while a different build is stored (an earlier attempt failed). Up to
    // kRegistrationAttempts, kRegistrationPause apart; a dismissed prompt stops at once. After the
    // last failure the state is re-read and then `unavailable` published. A call while one runs is
    // ignored.
    Q_INVOKABLE void refreshRegistrationIfAppChanged();

    // Runs a maintenance action: through the helper when it is installed and not known to be
    // unreachable, otherwise (and after a connection error) through the administrator prompt. A
    // limits-exceeded error is the helper's (or the bus's) answer that it is busy with other callers:
    // it is shown as it is, (false, its text), leaves `daemonUsable` alone and is neither retried nor
    // handed to the prompt (the connection itself sends again, while the call's time lasts, a call the
    // bus refused before it reached the helper). No reply in time (the bus's NoReply or timeout) is answered
    // as slow, like the deadline, and never retried: the first call may still run. Every other D-Bus error
    // counts as a connection error, the helper's access-denied (polkit did not authorise this user) included.
    // A second request for an action that is still pending is refused.
    void perform(HelperAction action, AnswerHandler done);
    // Asks the helper to delete `paths` (absolute system paths), stopping the system units among them;
    // `label` travels with the request unused (the application sends none). Never falls back
    // to the prompt: refused unless the helper is installed and not known to be unreachable. The whole
    // request is refused ("Nothing valid to remove.") when there are no paths or any one of them is
    // relative, holds bytes that are not UTF-8 (the bus would carry another path) or a character the
    // removal policy refuses (a control character, NUL included, a line separator or a bidirectional
    // override: SystemThreatRemovalPolicy::holdsRefusedCharacter), or when the label holds such a
    // character; nothing is sent then. A limits-exceeded error answers (false, its text), no reply in
    // time answers as slow; any other D-Bus error, the helper's access-denied included, answers
    // "Couldn't reach the privileged helper."
    void removeSystemThreat(const QString& label, const std::vector<Path>& paths, AnswerHandler done);

signals:
    void statusChanged();
    void registrationBusyChanged();

private:
    enum class DaemonResult { reply, connectionError, timeout };

    template <typename T, typename Work, typename Then> void runJob(Work work, Then then, bool registration);
    void publish(Status status, const QString& message = {});
    void publishDaemonStatus(const Result<DaemonService::Status>& status);
    void refreshStatusThen(std::function<void()> then);
    void attemptRegistration(int attempt);
    void finishRegistrationRefresh();
    std::optional<QString> storedBuild() const;
    void storeBuild();
    void removeStoredBuild();

    HelperConnection& connection();
    void dropConnection();
    void callDaemon(HelperAction action, quint64 generation, AnswerHandler done);
    void runWithAuthorization(HelperAction action, quint64 generation, AnswerHandler done);
    void clearPending(HelperAction action, quint64 generation);
    Timer* startDeadline(std::chrono::milliseconds delay, std::function<void()> onTimeout);

    Services m_services;
    Status m_status = Status::notInstalled;
    QString m_statusMessage;
    quint64 m_statusGeneration = 0;
    int m_registrationJobs = 0;
    bool m_reregistering = false;

    std::optional<bool> m_daemonUsable;
    HelperConnection* m_connection = nullptr;
    std::set<HelperAction> m_pendingActions;
    // Never reset: a stale hold must not clear a newer request that happens to share its number.
    std::map<HelperAction, quint64> m_pendingActionGeneration;
};

} // namespace qm
