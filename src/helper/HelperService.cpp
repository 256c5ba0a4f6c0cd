#include "helper/HelperService.h"

#include "helper/ClientCheck.h"
#include "helper/PolkitAuthority.h"
#include "protocol/HelperProtocol.h"

#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QMetaObject>

#include <optional>

namespace qm {

// One call waiting for the answers that decide whether its caller is served.
struct HelperService::Admission
{
    Request request = Request::version;
    QDBusMessage call;
    QDBusConnection connection{QString()};
    qsizetype textLength = 0;
    std::optional<pid_t> pid;
};

namespace {

QDBusMessage pidCall(const QString& busName)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"));
    call << busName;
    return call;
}

std::optional<pid_t> pidFrom(const QDBusMessage& reply)
{
    const QVariantList arguments = reply.arguments();
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("u") ||
        arguments.size() != 1)
        return std::nullopt;
    return static_cast<pid_t>(arguments.at(0).toUInt());
}

} // namespace

HelperService::HelperService(const HelperSettings& settings, std::shared_ptr<const ProcessRunner> runner,
                             std::shared_ptr<const CodeSigner> signer, QObject* parent)
    : QDBusVirtualObject(parent), m_trustedClient(settings.trustedClient), m_actions(settings, runner),
      m_remover(settings.systemRoot, settings.launchctlProgram, settings.systemctlProgram, runner,
                std::move(signer))
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
    } else if ((*request != Request::version && m_outstanding >= kMaxOutstandingRequests) ||
               m_admitting >= kMaxAdmitting ||
               m_admittingTextLength + argumentTextLength(message) > kMaxAdmittingTextLength) {
        connection.send(message.createErrorReply(
            limitsExceededError(), QStringLiteral("Too many requests are waiting for an answer")));
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
    if (request != Request::version)
        ++m_outstanding;
    m_waitingToAsk.push_back(std::move(admission));
    askNext();
}

void HelperService::askNext()
{
    while (m_asking < kMaxAdmissionsAsking && !m_waitingToAsk.empty()) {
        ++m_asking;
        std::shared_ptr<Admission> admission = std::move(m_waitingToAsk.front());
        m_waitingToAsk.pop_front();
        askPid(admission);
    }
}

// Neither question is waited for: each answer arrives as an event on this thread.
void HelperService::askPid(const std::shared_ptr<Admission>& admission)
{
    auto* watcher = new QDBusPendingCallWatcher(
        admission->connection.asyncCall(pidCall(admission->call.service()), kAdmissionTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, admission](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                admission->pid = pidFrom(done->reply());
                // A caller that does not run the installed application is refused without asking polkit.
                if (!admission->pid || !ClientCheck::admitsProcess(*admission->pid, m_trustedClient))
                    finishAdmission(admission, false);
                else
                    askPolkit(admission);
            });
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
                // The executable is read once more: what the pid runs may have changed while polkit answered.
                finishAdmission(admission, PolkitAuthority::isAuthorized(done->reply()) &&
                                               ClientCheck::admitsProcess(*admission->pid, m_trustedClient));
            });
}

void HelperService::finishAdmission(const std::shared_ptr<Admission>& admission, bool admitted)
{
    --m_asking;
    --m_admitting;
    m_admittingTextLength -= admission->textLength;
    askNext();
    if (!admitted) {
        if (admission->request != Request::version)
            --m_outstanding;
        admission->connection.send(admission->call.createErrorReply(
            HelperProtocol::accessDeniedError(),
            QStringLiteral(
                "Only the installed Quillmere application of the active user may use this service")));
        return;
    }
    serve(admission->request, admission->call, admission->connection);
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
    // Counted as outstanding since its admission began.
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
