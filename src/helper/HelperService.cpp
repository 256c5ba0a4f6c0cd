#include "helper/HelperService.h"

#include "helper/ClientCheck.h"
#include "helper/PolkitAuthority.h"
#include "protocol/HelperProtocol.h"

#include <QDBusArgument>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QMetaObject>

#include <algorithm>
#include <optional>
#include <utility>

namespace qm {

// One call waiting for the answers that decide whether its caller is served.
struct HelperService::Admission
{
    Request request = Request::version;
    QDBusMessage call;
    QDBusConnection connection{QString()};
    qsizetype textLength = 0;
    // Whom the call counts against while it waits: its connection until its user is known.
    bool chargedToUser = false;
    pid_t pid = 0;
    uid_t uid = 0;
};

namespace {

const QString kLimitsExceededText = QStringLiteral("Too many requests are waiting for an answer");
const QString kBusyText = QStringLiteral("The system bus is too busy to say who is calling; try again");
const QString kAccessDeniedText =
    QStringLiteral("Only the installed Quillmere application of the active user may use this service");

QDBusMessage credentialsCall(const QString& busName)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionCredentials"));
    call << busName;
    return call;
}

// The caller's pid and user as the bus knows them; nothing unless the answer holds both.
std::optional<std::pair<pid_t, uid_t>> credentialsFrom(const QDBusMessage& reply)
{
    const QVariantList arguments = reply.arguments();
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("a{sv}") ||
        arguments.size() != 1 || !arguments.at(0).canConvert<QDBusArgument>())
        return std::nullopt;
    const QVariantMap credentials = qdbus_cast<QVariantMap>(arguments.at(0).value<QDBusArgument>());
    const QVariant pid = credentials.value(QStringLiteral("ProcessID"));
    const QVariant uid = credentials.value(QStringLiteral("UnixUserID"));
    if (pid.metaType() != QMetaType::fromType<uint>() || uid.metaType() != QMetaType::fromType<uint>())
        return std::nullopt;
    return std::pair{static_cast<pid_t>(pid.toUInt()), static_cast<uid_t>(uid.toUInt())};
}

// Whether an answer of the bus says only that it could not answer now (it is short of room or time,
// or refused to pass a question on for its limits), not who the caller is or what polkit decided.
bool isBusy(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ErrorMessage)
        return false;
    const QString error = reply.errorName();
    return error == HelperProtocol::limitsExceededError() ||
           error == QLatin1String("org.freedesktop.DBus.Error.NoMemory") ||
           error == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
           error == QLatin1String("org.freedesktop.DBus.Error.Timeout") ||
           error == QLatin1String("org.freedesktop.DBus.Error.TimedOut");
}

} // namespace

HelperService::HelperService(const HelperSettings& settings, std::shared_ptr<const ProcessRunner> runner,
                             std::shared_ptr<const CodeSigner> signer, QObject* parent)
    : QDBusVirtualObject(parent), m_trustedClient(settings.trustedClient), m_actions(settings, runner),
      m_remover(settings.systemRoot, settings.systemctlProgram, runner, std::move(signer))
{
    m_workers.setMaxThreadCount(kMaxConcurrentRequests);
    // Before any call is served, waiting on the bus here is still fine.
    m_line = openLine(QStringLiteral("qm-helper-questions-") + QString::number(++m_linesOpened));
    openSpareLine();
}

HelperService::~HelperService()
{
    m_workers.waitForDone();
}

QString HelperService::introspect(const QString&) const
{
    return HelperProtocol::introspectionXml();
}

bool HelperService::handleMessage(const QDBusMessage& message, const QDBusConnection& connection)
{
    using namespace HelperProtocol;
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    const QString member = message.member();
    const bool ourMember =
        member == versionMethod() || member == performActionMethod() || member == removeSystemThreatMethod();
    const bool ours = message.interface() == interfaceName() || (message.interface().isEmpty() && ourMember);
    // Introspection, the peer interface and unknown interfaces are answered by QtDBus itself.
    if (!ours)
        return false;

    // The shape is checked before anything else, so no call the protocol does not allow is ever held
    // while its caller is looked up.
    const QString signature = message.signature();
    std::optional<Request> request;
    if (member == versionMethod() && signature.isEmpty())
        request = Request::version;
    else if (member == performActionMethod() && signature == performActionSignature())
        request = Request::performAction;
    else if (member == removeSystemThreatMethod() && signature == removeSystemThreatSignature())
        request = Request::removeSystemThreat;

    if (!ourMember) {
        connection.send(message.createErrorReply(unknownMethodError(), QStringLiteral("No such method '") +
                                                                           member + QLatin1Char('\'')));
    } else if (!request) {
        connection.send(
            message.createErrorReply(invalidArgsError(), QStringLiteral("Unexpected arguments (signature '") +
                                                             signature + QStringLiteral("')")));
    } else if (!argumentsWithinBounds(message)) {
        connection.send(message.createErrorReply(invalidArgsError(),
                                                 QStringLiteral("Arguments larger than the helper takes")));
    } else {
        admit(*request, message, connection);
    }
    return true;
}

void HelperService::admit(Request request, const QDBusMessage& message, const QDBusConnection& connection)
{
    auto admission = std::make_shared<Admission>();
    admission->request = request;
    admission->call = message;
    admission->connection = connection;
    admission->textLength = HelperProtocol::argumentTextLength(message);
    const QString name = message.service();
    const auto known = m_callers.find(name);
    if (known != m_callers.end() && known->second.credentials) {
        admission->pid = known->second.credentials->first;
        admission->uid = known->second.credentials->second;
        if (!ClientCheck::admitsProcess(admission->pid, m_trustedClient)) {
            answerError(admission, HelperProtocol::accessDeniedError(), kAccessDeniedText);
            return;
        }
        queueForPolkit(admission);
        return;
    }

    const auto [found, added] = m_callers.try_emplace(name);
    Caller& caller = found->second;
    if (!takeShare(caller.holding, admission->textLength)) {
        if (added)
            m_callers.erase(found);
        answerError(admission, HelperProtocol::limitsExceededError(), kLimitsExceededText);
        return;
    }
    charge(caller.holding, *admission);
    caller.waiting.push_back(std::move(admission));
    if (!caller.queued && !caller.asking) {
        caller.queued = true;
        m_callerQueue.push_back(name);
        askNextCallers();
    }
}

// Whether one more call of `textLength` stays within half of admission for `own` and fits in all
// (making room as makeRoom does).
bool HelperService::takeShare(const Holding& own, qsizetype textLength)
{
    return own.calls < kMaxAdmitting / 2 && own.textLength + textLength <= kMaxAdmittingTextLength / 2 &&
           makeRoom(textLength, own);
}

// Turns away the newest waiting calls of whoever holds the most (more than `own` would with the new
// call) until a call of `textLength` fits the bounds in all; false when it still does not.
bool HelperService::makeRoom(qsizetype textLength, const Holding& own)
{
    while (m_admitting + 1 > kMaxAdmitting || m_admittingTextLength + textLength > kMaxAdmittingTextLength) {
        const bool byCount = m_admitting + 1 > kMaxAdmitting;
        const auto measure = [byCount](const Holding& holding) {
            return byCount ? qsizetype(holding.calls) : holding.textLength;
        };
        qsizetype most = measure(own) + (byCount ? 1 : textLength);
        std::deque<std::shared_ptr<Admission>>* victim = nullptr;
        for (auto& [uid, turn] : m_users) {
            if (&turn.holding != &own && !turn.waiting.empty() && measure(turn.holding) > most) {
                most = measure(turn.holding);
                victim = &turn.waiting;
            }
        }
        for (auto& [name, caller] : m_callers) {
            if (&caller.holding != &own && !caller.waiting.empty() && measure(caller.holding) > most) {
                most = measure(caller.holding);
                victim = &caller.waiting;
            }
        }
        if (!victim)
            return false;
        const std::shared_ptr<Admission> dropped = std::move(victim->back());
        victim->pop_back();
        release(dropped);
        answerError(dropped, HelperProtocol::limitsExceededError(), kLimitsExceededText);
    }
    return true;
}

void HelperService::charge(Holding& holding, const Admission& admission)
{
    ++holding.calls;
    holding.textLength += admission.textLength;
    ++m_admitting;
    m_admittingTextLength += admission.textLength;
}

// Gives back what `admission` held, forgetting a user or an unknown connection that holds nothing
// more and has no question out.
void HelperService::release(const std::shared_ptr<Admission>& admission)
{
    --m_admitting;
    m_admittingTextLength -= admission->textLength;
    if (admission->chargedToUser) {
        const auto found = m_users.find(admission->uid);
        UserTurn& turn = found->second;
        --turn.holding.calls;
        turn.holding.textLength -= admission->textLength;
        if (turn.holding.calls == 0) {
            m_users.erase(found);
            m_turns.erase(std::find(m_turns.begin(), m_turns.end(), admission->uid));
        }
        return;
    }
    const auto found = m_callers.find(admission->call.service());
    Caller& caller = found->second;
    --caller.holding.calls;
    caller.holding.textLength -= admission->textLength;
    if (caller.holding.calls == 0 && !caller.asking && !caller.credentials)
        m_callers.erase(found);
}

std::shared_ptr<HelperService::QuestionLine> HelperService::openLine(const QString& name)
{
    auto line = std::make_shared<QuestionLine>();
    line->name = name;
    line->bus = QDBusConnection::connectToBus(QDBusConnection::SystemBus, name);
    return line;
}

// Sends `question` on the current line (returned in `line`); its answer comes as an event on this thread.
QDBusPendingCallWatcher* HelperService::ask(const QDBusMessage& question, std::shared_ptr<QuestionLine>& line)
{
    line = m_line;
    ++line->out;
    return new QDBusPendingCallWatcher(line->bus.asyncCall(question, kAdmissionTimeoutMs), this);
}

void HelperService::questionEnded(const std::shared_ptr<QuestionLine>& line, const QDBusMessage& reply)
{
    --line->out;
    const bool unanswered = reply.type() == QDBusMessage::ErrorMessage &&
                            (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
                             reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.Timeout"));
    if (unanswered && line == m_line) {
        ++line->unanswered;
        if (m_spareLine)
            takeSpareLine();
        else
            openSpareLine();
    }
    if (line != m_line && line->out == 0)
        QDBusConnection::disconnectFromBus(line->name);
}

// Opens the next line on a worker thread: connecting waits for the bus.
void HelperService::openSpareLine()
{
    if (m_openingSpareLine || m_spareLine)
        return;
    m_openingSpareLine = true;
    const QString name = QStringLiteral("qm-helper-questions-") + QString::number(++m_linesOpened);
    m_workers.start([this, name] {
        std::shared_ptr<QuestionLine> line = openLine(name);
        QMetaObject::invokeMethod(
            this,
            [this, line] {
                m_openingSpareLine = false;
                if (!line->bus.isConnected()) {
                    // Tried again when the next question goes unanswered.
                    QDBusConnection::disconnectFromBus(line->name);
                    return;
                }
                m_spareLine = line;
                if (m_line->unanswered > 0)
                    takeSpareLine();
            },
            Qt::QueuedConnection);
    });
}

void HelperService::takeSpareLine()
{
    const std::shared_ptr<QuestionLine> old = std::move(m_line);
    m_line = std::move(m_spareLine);
    m_spareLine.reset();
    if (old->out == 0)
        QDBusConnection::disconnectFromBus(old->name);
    openSpareLine();
}

void HelperService::askNextCallers()
{
    while (m_askingCallers < kMaxCallerQuestions && !m_callerQueue.empty()) {
        const QString name = std::move(m_callerQueue.front());
        m_callerQueue.pop_front();
        // A connection whose calls were all turned away meanwhile is not asked about.
        const auto found = m_callers.find(name);
        if (found == m_callers.end() || !found->second.queued)
            continue;
        found->second.queued = false;
        found->second.asking = true;
        ++m_askingCallers;
        askCaller(name);
    }
}

// No question is waited for: each answer arrives as an event on this thread.
void HelperService::askCaller(const QString& name)
{
    std::shared_ptr<QuestionLine> line;
    QDBusPendingCallWatcher* watcher = ask(credentialsCall(name), line);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, name, line](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                questionEnded(line, done->reply());
                --m_askingCallers;
                callerAnswered(name, done->reply());
                askNextCallers();
            });
}

void HelperService::callerAnswered(const QString& name, const QDBusMessage& reply)
{
    const auto found = m_callers.find(name);
    Caller& caller = found->second;
    caller.asking = false;
    std::deque<std::shared_ptr<Admission>> waiting = std::move(caller.waiting);
    caller.waiting.clear();
    m_admitting -= caller.holding.calls;
    m_admittingTextLength -= caller.holding.textLength;
    caller.holding = Holding();

    const std::optional<std::pair<pid_t, uid_t>> credentials = credentialsFrom(reply);
    const bool busy = isBusy(reply);
    if (credentials) {
        // A connection's pid and user never change, and the bus never gives its name to another one.
        caller.credentials = credentials;
        m_knownCallers.push_back(name);
        if (m_knownCallers.size() > std::size_t(kMaxKnownCallers)) {
            const auto oldest = m_callers.find(m_knownCallers.front());
            m_knownCallers.pop_front();
            if (oldest != m_callers.end() && oldest->second.holding.calls == 0 && !oldest->second.asking)
                m_callers.erase(oldest);
        }
    } else {
        m_callers.erase(found);
    }

    for (const std::shared_ptr<Admission>& admission : waiting) {
        if (!credentials) {
            finishAdmission(admission, busy ? Outcome::busy : Outcome::denied);
            continue;
        }
        // A caller that does not run the installed application is refused without asking polkit.
        admission->pid = credentials->first;
        admission->uid = credentials->second;
        if (!ClientCheck::admitsProcess(admission->pid, m_trustedClient)) {
            finishAdmission(admission, Outcome::denied);
            continue;
        }
        queueForPolkit(admission);
    }
}

void HelperService::queueForPolkit(const std::shared_ptr<Admission>& admission)
{
    const auto [found, added] = m_users.try_emplace(admission->uid);
    UserTurn& turn = found->second;
    if (!takeShare(turn.holding, admission->textLength)) {
        if (added)
            m_users.erase(found);
        answerError(admission, HelperProtocol::limitsExceededError(), kLimitsExceededText);
        return;
    }
    if (added)
        m_turns.push_back(admission->uid);
    admission->chargedToUser = true;
    charge(turn.holding, *admission);
    turn.waiting.push_back(admission);
    askNextPolkit();
}

// Users take turns: each pass gives the next user in line with a call waiting, and room for another
// question, one question, then moves that user to the back of the line.
void HelperService::askNextPolkit()
{
    for (;;) {
        bool asked = false;
        for (std::size_t looked = 0; looked < m_turns.size() && !asked; ++looked) {
            const uid_t uid = m_turns.front();
            m_turns.pop_front();
            m_turns.push_back(uid);
            UserTurn& turn = m_users.at(uid);
            const bool room = m_askingPolkit < kMaxPolkitQuestions ||
                              (turn.asking == 0 && m_askingPolkit < kMaxPolkitQuestionsWithReserve);
            if (turn.waiting.empty() || turn.asking >= kMaxPolkitQuestionsPerUser || !room)
                continue;
            std::shared_ptr<Admission> admission = std::move(turn.waiting.front());
            turn.waiting.pop_front();
            ++turn.asking;
            ++m_askingPolkit;
            askPolkit(admission);
            asked = true;
        }
        if (!asked)
            return;
    }
}

void HelperService::askPolkit(const std::shared_ptr<Admission>& admission)
{
    const QString action = admission->request == Request::removeSystemThreat
                               ? PolkitAuthority::removeThreatAction()
                               : PolkitAuthority::maintenanceAction();
    std::shared_ptr<QuestionLine> line;
    QDBusPendingCallWatcher* watcher =
        ask(PolkitAuthority::checkAuthorizationCall(admission->call.service(), action), line);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, admission, line](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                questionEnded(line, done->reply());
                --m_askingPolkit;
                --m_users.at(admission->uid).asking;
                release(admission);
                const QDBusMessage reply = done->reply();
                // The bus refusing to pass the question on says nothing of the caller. Polkit's own
                // failures and silence refuse, as polkit could not vouch for it. The executable is read
                // once more: what the pid runs may have changed while polkit answered.
                Outcome outcome = Outcome::denied;
                if (reply.type() == QDBusMessage::ErrorMessage &&
                    reply.errorName() == HelperProtocol::limitsExceededError())
                    outcome = Outcome::busy;
                else if (PolkitAuthority::isAuthorized(reply) &&
                         ClientCheck::admitsProcess(admission->pid, m_trustedClient))
                    outcome = Outcome::admitted;
                finishAdmission(admission, outcome);
                askNextPolkit();
            });
}

// Answers or serves a call that no longer counts against admission.
void HelperService::finishAdmission(const std::shared_ptr<Admission>& admission, Outcome outcome)
{
    if (outcome == Outcome::denied) {
        answerError(admission, HelperProtocol::accessDeniedError(), kAccessDeniedText);
        return;
    }
    if (outcome == Outcome::busy) {
        answerError(admission, HelperProtocol::limitsExceededError(), kBusyText);
        return;
    }
    if (admission->request != Request::version && m_outstanding >= kMaxOutstandingRequests) {
        answerError(admission, HelperProtocol::limitsExceededError(), kLimitsExceededText);
        return;
    }
    serve(admission->request, admission->call, admission->connection);
}

void HelperService::answerError(const std::shared_ptr<Admission>& admission, const QString& error,
                                const QString& text)
{
    admission->connection.send(admission->call.createErrorReply(error, text));
}

void HelperService::serve(Request request, const QDBusMessage& message, const QDBusConnection& connection)
{
    switch (request) {
    case Request::version:
        QDBusConnection(connection).send(HelperProtocol::versionReply(message));
        return;
    case Request::performAction: {
        const QString action = message.arguments().at(0).toString();
        m_actions.perform(action, replyTo(message, connection));
        return;
    }
    case Request::removeSystemThreat: {
        const QVariantList arguments = message.arguments();
        const QString label = arguments.at(0).toString();
        const QStringList paths = arguments.at(1).toStringList();
        answerLater(message, connection, [this, label, paths] { return m_remover.remove(label, paths); });
        return;
    }
    }
}

void HelperService::answerLater(const QDBusMessage& call, const QDBusConnection& connection,
                                std::function<HelperProtocol::HelperReply()> work)
{
    m_workers.start([deliver = replyTo(call, connection), work = std::move(work)] { deliver(work()); });
}

MaintenanceActions::Delivery HelperService::replyTo(const QDBusMessage& call,
                                                    const QDBusConnection& connection)
{
    ++m_outstanding;
    return [this, call, connection](const HelperProtocol::HelperReply& answer) {
        const QDBusMessage reply = HelperProtocol::reply(call, answer);
        // Sent from the service's own thread, where every other reply leaves and the count is kept.
        QMetaObject::invokeMethod(
            this,
            [this, connection, reply] {
                --m_outstanding;
                QDBusConnection(connection).send(reply);
            },
            Qt::QueuedConnection);
    };
}

} // namespace qm
