#pragma once

#include "helper/HelperSettings.h"
#include "helper/MaintenanceActions.h"
#include "helper/SystemThreatRemover.h"
#include "platform/CodeSigner.h"
#include "platform/ProcessRunner.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QThreadPool>

#include <sys/types.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>

namespace qm {

// The helper's one object on the system bus. A call to its interface is first checked for shape: an
// unknown method, wrong arguments or arguments beyond the protocol's bounds are answered with an error
// at once, before anything of the call is kept. Then its caller is admitted, without ever waiting on
// the bus: the bus is asked for the caller's pid and user, and polkit whether the caller's bus name may
// use the call's action, both asynchronously; only a process that runs the installed application and
// that polkit authorises is served, everyone else (and everyone while polkit cannot be reached) gets an
// access-denied error and nothing runs. Polkit is asked user by user in turn, each user with a few
// questions out at most, so callers of one user that polkit is slow to answer (or never answers) never
// hold up another user's call. The version is answered at once; actions and removals run on worker
// threads and are answered when they finish, so a slow action never holds up another request. An
// admitted action or removal that finds `kMaxOutstandingRequests` unanswered, or any call while too
// much waits for admission (in all, or from its caller's user), gets a limits-exceeded error. Holds
// nothing between requests. Lives on the thread that owns the bus connection.
class HelperService final : public QDBusVirtualObject
{
    Q_OBJECT

public:
    // Removals that may run at the same time; further ones wait for a free worker. Maintenance runs
    // have threads of their own (one per action at a time).
    static constexpr int kMaxConcurrentRequests = 64;
    // Actions and removals admitted but not yet answered (running or waiting); beyond this the caller
    // gets a limits-exceeded error, so queued requests cannot grow without bound.
    static constexpr int kMaxOutstandingRequests = 256;
    // Calls of any kind waiting for their caller's admission, and the UTF-16 code units their
    // arguments hold together. Kept well below what the bus library buffers for one connection
    // (63 MiB of received messages), so calls held during admission never stop it from reading the
    // answers they wait for. Once its user is known, a call waits for polkit only while its user's
    // calls waiting there stay within half of each, so one user never takes all of it.
    static constexpr int kMaxAdmitting = 512;
    static constexpr qsizetype kMaxAdmittingTextLength = 8 * 1024 * 1024;
    // Questions out at the same time: to the bus about callers (answered at once, asked in arrival
    // order) and to polkit (asked user by user in turn, at most `kMaxPolkitAskingPerUser` for one
    // user). The system bus lets one connection wait for at most 128 answers.
    static constexpr int kMaxCallerQuestions = 32;
    static constexpr int kMaxPolkitQuestions = 64;
    static constexpr int kMaxPolkitQuestionsPerUser = 8;
    // How long the bus and polkit have to answer an admission question (milliseconds); no answer
    // refuses the call.
    static constexpr int kAdmissionTimeoutMs = 15'000;

    HelperService(const HelperSettings& settings, std::shared_ptr<const ProcessRunner> runner,
                  std::shared_ptr<const CodeSigner> signer, QObject* parent = nullptr);
    // Waits for requests still running.
    ~HelperService() override;

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    enum class Request { version, performAction, removeSystemThreat };
    struct Admission;
    // The calls of one user waiting for polkit, and how much of the helper they hold.
    struct UserTurn
    {
        std::deque<std::shared_ptr<Admission>> waiting;
        int asking = 0;
        int admitting = 0;
        qsizetype textLength = 0;
    };

    void admit(Request request, const QDBusMessage& message, const QDBusConnection& connection);
    void askNextCallers();
    void askNextPolkit();
    void askCaller(const std::shared_ptr<Admission>& admission);
    void queueForPolkit(const std::shared_ptr<Admission>& admission);
    void askPolkit(const std::shared_ptr<Admission>& admission);
    void finishAdmission(const std::shared_ptr<Admission>& admission, bool admitted);
    void refuse(const std::shared_ptr<Admission>& admission, const QString& error, const QString& text);
    void serve(Request request, const QDBusMessage& message, const QDBusConnection& connection);
    void answerLater(const QDBusMessage& call, const QDBusConnection& connection,
                     std::function<HelperProtocol::HelperReply()> work);
    // Counts `call` as outstanding and returns what answers it (once, from any thread).
    MaintenanceActions::Delivery replyTo(const QDBusMessage& call, const QDBusConnection& connection);

    Path m_trustedClient;
    MaintenanceActions m_actions;
    SystemThreatRemover m_remover;
    QThreadPool m_workers;
    // Counted on the service's own thread only.
    int m_outstanding = 0;
    int m_admitting = 0;
    qsizetype m_admittingTextLength = 0;
    int m_askingCallers = 0;
    int m_askingPolkit = 0;
    std::deque<std::shared_ptr<Admission>> m_waitingForCaller;
    // Users with calls waiting for polkit or questions out, and the order they take turns in.
    std::map<uid_t, UserTurn> m_users;
    std::deque<uid_t> m_turns;
};

} // namespace qm
