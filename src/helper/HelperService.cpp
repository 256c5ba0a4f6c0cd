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
    pid_t pid = 0;
    uid_t uid = 0;
};

namespace {

const QString kLimitsExceededText = QStringLiteral("Too many requests are waiting for an answer");

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

} // namespace

HelperService::HelperService(const HelperSettings& settings, std::shared_ptr<const ProcessRunner> runner,
                             std::shared_ptr<const CodeSigner> signer, QObject* parent)
    : QDBusVirtualObject(parent), m_trustedClient(settings.trustedClient), m_actions(settings, runner),
      m_remover(settings.systemRoot, settings.systemctlProgram, runner, std::move(signer))
{
    m_workers.setMaxThreadCount(kMaxConcurrentRequests);
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
    } else if (m_admitting >= kMaxAdmitting ||
               m_admittingTextLength + argumentTextLength(message) > kMaxAdmittingTextLength) {
        connection.send(message.createErrorReply(limitsExceededError(), kLimitsExceededText));
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
    ++m_admitting;
    m_admittingTextLength += admission->textLength;
    m_waitingForCaller.push_back(std::move(admission));
    askNextCallers();
}

void HelperService::askNextCallers()
{
    while (m_askingCallers < kMaxCallerQuestions && !m_waitingForCaller.empty()) {
        ++m_askingCallers;
        std::shared_ptr<Admission> admission = std::move(m_waitingForCaller.front());
        m_waitingForCaller.pop_front();
        askCaller(admission);
    }
}

// No question is waited for: each answer arrives as an event on this thread.
void HelperService::askCaller(const std::shared_ptr<Admission>& admission)
{
    auto* watcher = new QDBusPendingCallWatcher(
        admission->connection.asyncCall(credentialsCall(admission->call.service()), kAdmissionTimeoutMs),
        this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, admission](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                --m_askingCallers;
                askNextCallers();
                const std::optional<std::pair<pid_t, uid_t>> caller = credentialsFrom(done->reply());
                // A caller that does not run the installed application is refused without asking polkit.
                if (!caller || !ClientCheck::admitsProcess(caller->first, m_trustedClient)) {
                    finishAdmission(admission, false);
                    return;
                }
                admission->pid = caller->first;
                admission->uid = caller->second;
                queueForPolkit(admission);
            });
}

void HelperService::queueForPolkit(const std::shared_ptr<Admission>& admission)
{
    const auto [found, added] = m_users.try_emplace(admission->uid);
    UserTurn& turn = found->second;
    if (turn.admitting >= kMaxAdmitting / 2 ||
        turn.textLength + admission->textLength > kMaxAdmittingTextLength / 2) {
        if (added)
            m_users.erase(found);
        refuse(admission, HelperProtocol::limitsExceededError(), kLimitsExceededText);
        return;
    }
    if (added)
        m_turns.push_back(admission->uid);
    ++turn.admitting;
    turn.textLength += admission->textLength;
    turn.waiting.push_back(admission);
    askNextPolkit();
}

// Users take turns: each pass gives the next user in line with a call waiting, and room for another
// question, one question, then moves that user to the back of the line.
void HelperService::askNextPolkit()
{
    while (m_askingPolkit < kMaxPolkitQuestions) {
        bool asked = false;
        for (std::size_t looked = 0; looked < m_turns.size() && !asked; ++looked) {
            const uid_t uid = m_turns.front();
            m_turns.pop_front();
            m_turns.push_back(uid);
            UserTurn& turn = m_users.at(uid);
            if (turn.waiting.empty() || turn.asking >= kMaxPolkitQuestionsPerUser)
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
    auto* watcher = new QDBusPendingCallWatcher(
        admission->connection.asyncCall(
            PolkitAuthority::checkAuthorizationCall(admission->call.service(), action), kAdmissionTimeoutMs),
        this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, admission](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                --m_askingPolkit;
                const auto found = m_users.find(admission->uid);
                UserTurn& turn = found->second;
                --turn.asking;
                --turn.admitting;
                turn.textLength -= admission->textLength;
                if (turn.admitting == 0) {
                    m_users.erase(found);
                    m_turns.erase(std::find(m_turns.begin(), m_turns.end(), admission->uid));
                }
                // The executable is read once more: what the pid runs may have changed while polkit answered.
                finishAdmission(admission, PolkitAuthority::isAuthorized(done->reply()) &&
                                               ClientCheck::admitsProcess(admission->pid, m_trustedClient));
                askNextPolkit();
            });
}

void HelperService::finishAdmission(const std::shared_ptr<Admission>& admission, bool admitted)
{
    if (!admitted) {
        refuse(admission, HelperProtocol::accessDeniedError(),
               QStringLiteral(
                   "Only the installed Quillmere application of the active user may use this service"));
        return;
    }
    if (admission->request != Request::version && m_outstanding >= kMaxOutstandingRequests) {
        refuse(admission, HelperProtocol::limitsExceededError(), kLimitsExceededText);
        return;
    }
    --m_admitting;
    m_admittingTextLength -= admission->textLength;
    serve(admission->request, admission->call, admission->connection);
}

void HelperService::refuse(const std::shared_ptr<Admission>& admission, const QString& error,
                           const QString& text)
{
    --m_admitting;
    m_admittingTextLength -= admission->textLength;
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
