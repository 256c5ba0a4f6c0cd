#include "helper/PolkitAuthority.h"

#include <QDBusArgument>
#include <QVariantMap>

namespace qm::PolkitAuthority {

QString maintenanceAction()
{
    return QStringLiteral("com.vellora.helper.maintenance");
}

QString removeThreatAction()
{
    return QStringLiteral("com.vellora.helper.remove-threat");
}

QDBusMessage checkAuthorizationCall(const QString& busName, const QString& actionId)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.PolicyKit1"), QStringLiteral("/org/freedesktop/PolicyKit1/Authority"),
        QStringLiteral("org.freedesktop.PolicyKit1.Authority"), QStringLiteral("CheckAuthorization"));
    QDBusArgument subject;
    subject.beginStructure();
    subject << QStringLiteral("system-bus-name") << QVariantMap{{QStringLiteral("name"), busName}};
    subject.endStructure();
    QDBusArgument details;
    details.beginMap(QMetaType::fromType<QString>(), QMetaType::fromType<QString>());
    details.endMap();
    // No AllowUserInteraction flag: a call that would need a password is refused, not held.
    call << QVariant::fromValue(subject) << actionId << QVariant::fromValue(details) << 0u << QString();
    return call;
}

bool isAuthorized(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("(bba{ss})"))
        return false;
    const QVariantList arguments = reply.arguments();
    if (arguments.size() != 1 || !arguments.at(0).canConvert<QDBusArgument>())
        return false;
    const QDBusArgument result = arguments.at(0).value<QDBusArgument>();
    bool authorized = false;
    bool challenge = false;
    result.beginStructure();
    result >> authorized >> challenge;
    return authorized;
}

} // namespace qm::PolkitAuthority
