#pragma once

#include "helper/HelperSettings.h"
#include "helper/MaintenanceActions.h"
#include "helper/SystemThreatRemover.h"
#include "platform/CodeSigner.h"
#include "platform/ProcessRunner.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QString>
#include <QThreadPool>

#include <sys/types.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>

class QDBusPendingCallWatcher;

namespace qm {

// The helper's one object on the system bus. A call to its interface is first checked for shape: an
// unknown method, wrong arguments or arguments beyond the protocol's bounds are answered with an error
// at once, before anything of the call is kept. Then its caller is admitted, without ever waiting on
// the bus: the bus is asked once per connection for the caller's pid and user (the answer is kept for
// as long as the connection may still call, so the connection's later calls count against its user at
// once), and polkit whether the caller's bus name may use the call's action, both asynchronously; only
// a process that runs the installed application and that polkit authorises is served, everyone else
// (and everyone while polkit cannot be reached) gets an access-denied error and nothing runs. A caller
// the bus is too busy to tell about is not refused as a stranger: its call gets a limits-exceeded
// error and may be sent again. Polkit is asked user by user in turn, each user with a few questions
// out at most, so callers of one user that polkit is slow to answer (or never answers) never hold up
// another user's call. What waits for admission is bounded in all and for each user (or, while its
// user is not known yet, each connection); when the bound in all is reached, the user (or connection)
// that holds the most gives up its newest waiting call, so floods of other users never turn away a
// user that holds less. The version is answered at once; actions and removals run on worker threads
// and are answered when they finish, so a slow action never holds up another request. An admitted
// action or removal that finds `kMaxOutstandingRequests` unanswered gets a limits-exceeded error.
// The questions go out on system bus connections of their own, not the one the calls arrive on:
// whoever fills the bus's queue of calls for the helper (the bus refuses everything for a connection
// whose queue is full, and drops its own answers to it unsent) then holds up only calls, never the
// answers that admit the calls already read. The bus never stops waiting for an answer and lets one
// connection wait for at most 128, so a question that went unanswered holds a place for good: the
// connection it went out on takes no new question once a fresh one (opened ahead on a worker thread,
// never waiting on the bus here) is ready, and is closed, freeing its places, when its last question
// has ended. Holds nothing between requests but who each connection is. Lives on the thread that owns
// the bus connections.
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
    // answers they wait for. One user (or one connection whose user is not known yet) holds at most
    // half of each; when the bound in all is reached, whoever holds more than the new call's user or
    // connection would gives up its newest call that is not being asked about.
    static constexpr int kMaxAdmitting = 512;
    static constexpr qsizetype kMaxAdmittingTextLength = 8 * 1024 * 1024;
    // Questions out at the same time: to the bus about connections (answered at once, asked in
    // arrival order) and to polkit (asked user by user in turn, at most `kMaxPolkitQuestionsPerUser`
    // for one user). A user with no question out may still ask while fewer than
    // `kMaxPolkitQuestionsWithReserve` are out, so users that fill the ordinary share never keep
    // another user waiting for a free place. The system bus lets one connection wait for at most 128
    // answers.
    static constexpr int kMaxCallerQuestions = 32;
    static constexpr int kMaxPolkitQuestions = 64;
    static constexpr int kMaxPolkitQuestionsWithReserve = 96;
    static constexpr int kMaxPolkitQuestionsPerUser = 4;
    // Connections whose user is remembered; the oldest is forgotten beyond this (and asked about again
    // if it calls once more). The system bus holds at most 2048 connections.
    static constexpr int kMaxKnownCallers = 4096;
    // How long the bus and polkit have to answer an admission question (milliseconds); no answer from
    // polkit refuses the call, no answer from the bus turns it away as limits-exceeded.
    static constexpr int kAdmissionTimeoutMs = 15'000;

    // Opens the first connection for admission's questions (and one ahead) on the system bus.
    HelperService(const HelperSettings& settings, std::shared_ptr<const ProcessRunner> runner,
                  std::shared_ptr<const CodeSigner> signer, QObject* parent = nullptr);
    // Waits for requests still running.
    ~HelperService() override;

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    enum class Request { version, performAction, removeSystemThreat };
    struct Admission;
    // What one user, or one connection whose user is not known yet, holds of admission.
    struct Holding
    {
        int calls = 0;
        qsizetype textLength = 0;
    };
    // The calls of one user waiting for polkit (the ones being asked about are counted, not listed).
    struct UserTurn
    {
        std::deque<std::shared_ptr<Admission>> waiting;
        int asking = 0;
        Holding holding;
    };
    // One bus connection: who it is once the bus has said, else its calls waiting for that answer.
    struct Caller
    {
        std::optional<std::pair<pid_t, uid_t>> credentials;
        std::deque<std::shared_ptr<Admission>> waiting;
        Holding holding;
        bool queued = false;
        bool asking = false;
    };
    enum class Outcome { admitted, denied, busy };
    // One bus connection that admission's questions go out on, with its questions still out and those
    // that ended without an answer (each still held by the bus).
    struct QuestionLine
    {
        QString name;
        QDBusConnection bus{QString()};
        int out = 0;
        int unanswered = 0;
    };

    void admit(Request request, const QDBusMessage& message, const QDBusConnection& connection);
    bool takeShare(const Holding& own, qsizetype textLength);
    bool makeRoom(qsizetype textLength, const Holding& own);
    void charge(Holding& holding, const Admission& admission);
    void release(const std::shared_ptr<Admission>& admission);
    static std::shared_ptr<QuestionLine> openLine(const QString& name);
    QDBusPendingCallWatcher* ask(const QDBusMessage& question, std::shared_ptr<QuestionLine>& line);
    void questionEnded(const std::shared_ptr<QuestionLine>& line, const QDBusMessage& reply);
    void openSpareLine();
    void takeSpareLine();
    void askNextCallers();
    void askCaller(const QString& name);
    void callerAnswered(const QString& name, const QDBusMessage& reply);
    void queueForPolkit(const std::shared_ptr<Admission>& admission);
    void askNextPolkit();
    void askPolkit(const std::shared_ptr<Admission>& admission);
    void finishAdmission(const std::shared_ptr<Admission>& admission, Outcome outcome);
    void answerError(const std::shared_ptr<Admission>& admission, const QString& error, const QString& text);
    void serve(Request request, const QDBusMessage& message, const QDBusConnection& connection);
    void answerLater(const QDBusMessage& call, const QDBusConnection& connection,
                     std::function<HelperProtocol::HelperReply()> work);
    // Counts `call` as outstanding and returns what answers it (once, from any thread).
    MaintenanceActions::Delivery replyTo(const QDBusMessage& call, const QDBusConnection& connection);

    Path m_trustedClient;
    // Where questions go now, the one opened ahead, and how many were opened in all (for their names).
    std::shared_ptr<QuestionLine> m_line;
    std::shared_ptr<QuestionLine> m_spareLine;
    bool m_openingSpareLine = false;
    int m_linesOpened = 0;
    MaintenanceActions m_actions;
    SystemThreatRemover m_remover;
    QThreadPool m_workers;
    // Counted on the service's own thread only.
    int m_outstanding = 0;
    int m_admitting = 0;
    qsizetype m_admittingTextLength = 0;
    int m_askingCallers = 0;
    int m_askingPolkit = 0;
    // Connections by unique bus name (never reused by the bus), those waiting to be asked about in
    // arrival order, and those whose user is known in the order they became known.
    std::map<QString, Caller> m_callers;
    std::deque<QString> m_callerQueue;
    std::deque<QString> m_knownCallers;
    // Users with calls waiting for polkit or questions out, and the order they take turns in.
    std::map<uid_t, UserTurn> m_users;
    std::deque<uid_t> m_turns;
};

} // namespace qm
