#include "helper/HelperService.h"

#include "helper/ClientCheck.h"
#include "protocol/HelperProtocol.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QMetaObject>

namespace qm {

HelperService::HelperService(const HelperSettings& settings, std::shared_ptr<const ProcessRunner> runner,
                             std::shared_ptr<const CodeSigner> signer, QObject* parent)
    : QDBusVirtualObject(parent), m_trustedClient(settings.trustedClient), m_actions(settings, runner),
      m_remover(settings.systemRoot, settings.launchctlProgram, runner, std::move(signer))
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

    if (!callerAdmitted(message, connection)) {
        connection.send(message.createErrorReply(
            accessDeniedError(),
            QStringLiteral("Only the installed Quillmere application may use this service")));
        return true;
    }

    const QString signature = message.signature();
    const bool queued = (member == performActionMethod() && signature == performActionSignature()) ||
                        (member == removeSystemThreatMethod() && signature == removeSystemThreatSignature());
    if (queued && m_outstanding >= kMaxOutstandingRequests) {
        connection.send(message.createErrorReply(
            limitsExceededError(), QStringLiteral("Too many requests are waiting for an answer")));
    } else if (member == versionMethod() && signature.isEmpty()) {
        connection.send(versionReply(message));
    } else if (member == performActionMethod() && signature == performActionSignature()) {
        const QString action = message.arguments().at(0).toString();
        m_actions.perform(action, replyTo(message, connection));
    } else if (member == removeSystemThreatMethod() && signature == removeSystemThreatSignature()) {
        const QVariantList arguments = message.arguments();
        const QString label = arguments.at(0).toString();
        const QStringList paths = arguments.at(1).toStringList();
        answerLater(message, connection, [this, label, paths] { return m_remover.remove(label, paths); });
    } else if (ourMember) {
        connection.send(
            message.createErrorReply(invalidArgsError(), QStringLiteral("Unexpected arguments (signature '") +
                                                             signature + QStringLiteral("')")));
    } else {
        connection.send(message.createErrorReply(unknownMethodError(), QStringLiteral("No such method '") +
                                                                           member + QLatin1Char('\'')));
    }
    return true;
}

bool HelperService::callerAdmitted(const QDBusMessage& message, const QDBusConnection& connection) const
{
    const QDBusConnectionInterface* bus = connection.interface();
    if (!bus)
        return false;
    const QDBusReply<uint> pid = bus->servicePid(message.service());
    if (!pid.isValid())
        return false;
    return ClientCheck::admitsProcess(static_cast<pid_t>(pid.value()), m_trustedClient);
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
