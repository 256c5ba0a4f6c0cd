#include "protocol/HelperProtocol.h"

#include <QVariant>

namespace qm::HelperProtocol {

QString serviceName()
{
    return QStringLiteral("com.vellora.helper");
}

QString objectPath()
{
    return QStringLiteral("/com/vellora/helper");
}

QString interfaceName()
{
    return QStringLiteral("com.vellora.helper");
}

QString systemdUnitName()
{
    return QStringLiteral("com.vellora.helper.service");
}

QString helperVersion()
{
    return QStringLiteral("1.0");
}

QString versionMethod()
{
    return QStringLiteral("version");
}

QString performActionMethod()
{
    return QStringLiteral("performAction");
}

QString removeSystemThreatMethod()
{
    return QStringLiteral("removeSystemThreat");
}

QString performActionSignature()
{
    return QStringLiteral("s");
}

QString removeSystemThreatSignature()
{
    return QStringLiteral("sas");
}

QString replySignature()
{
    return QStringLiteral("bs");
}

QString accessDeniedError()
{
    return QStringLiteral("org.freedesktop.DBus.Error.AccessDenied");
}

QString invalidArgsError()
{
    return QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
}

QString unknownMethodError()
{
    return QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");
}

QString limitsExceededError()
{
    return QStringLiteral("org.freedesktop.DBus.Error.LimitsExceeded");
}

bool isRefusedByBusLimits(const QDBusMessage& answer)
{
    return answer.type() == QDBusMessage::ErrorMessage && answer.errorName() == limitsExceededError() &&
           answer.service() == QLatin1String("org.freedesktop.DBus");
}

namespace {

QDBusMessage call(const QString& method)
{
    return QDBusMessage::createMethodCall(serviceName(), objectPath(), interfaceName(), method);
}

} // namespace

QDBusMessage versionCall()
{
    return call(versionMethod());
}

QDBusMessage performActionCall(const QString& rawAction)
{
    QDBusMessage message = call(performActionMethod());
    message << rawAction;
    return message;
}

QDBusMessage removeSystemThreatCall(const QString& label, const QStringList& paths)
{
    QDBusMessage message = call(removeSystemThreatMethod());
    message << label << QVariant::fromValue(paths);
    return message;
}

QDBusMessage versionReply(const QDBusMessage& call)
{
    return call.createReply(helperVersion());
}

QDBusMessage reply(const QDBusMessage& call, const HelperReply& answer)
{
    return call.createReply(QVariantList{answer.ok, answer.message});
}

namespace {

bool holds(const QVariant& value, QMetaType::Type type)
{
    return value.metaType().id() == type;
}

} // namespace

std::optional<QString> versionFromReply(const QDBusMessage& message)
{
    const QVariantList arguments = message.arguments();
    if (message.type() != QDBusMessage::ReplyMessage || arguments.size() != 1 ||
        !holds(arguments.at(0), QMetaType::QString))
        return std::nullopt;
    return arguments.at(0).toString();
}

std::optional<HelperReply> helperReplyFrom(const QDBusMessage& message)
{
    const QVariantList arguments = message.arguments();
    if (message.type() != QDBusMessage::ReplyMessage || arguments.size() != 2 ||
        !holds(arguments.at(0), QMetaType::Bool) || !holds(arguments.at(1), QMetaType::QString))
        return std::nullopt;
    return HelperReply{arguments.at(0).toBool(), arguments.at(1).toString()};
}

qsizetype argumentTextLength(const QDBusMessage& call)
{
    qsizetype length = 0;
    // The list shares the message's values: reading them through constData copies no string.
    const QVariantList arguments = call.arguments();
    for (const QVariant& argument : arguments) {
        if (holds(argument, QMetaType::QString)) {
            length += static_cast<const QString*>(argument.constData())->size();
        } else if (holds(argument, QMetaType::QStringList)) {
            for (const QString& text : *static_cast<const QStringList*>(argument.constData()))
                length += text.size();
        }
    }
    return length;
}

bool argumentsWithinBounds(const QDBusMessage& call)
{
    const QString member = call.member();
    const QString signature = call.signature();
    if (member == performActionMethod() && signature == performActionSignature())
        return argumentTextLength(call) <= kMaxActionNameLength;
    if (member == removeSystemThreatMethod() && signature == removeSystemThreatSignature()) {
        const QVariant paths = call.arguments().at(1);
        return holds(paths, QMetaType::QStringList) &&
               static_cast<const QStringList*>(paths.constData())->size() <= kMaxRemovalPathCount &&
               argumentTextLength(call) <= kMaxRemovalTextLength;
    }
    return true;
}

QString introspectionXml()
{
    return QStringLiteral("<interface name=\"com.vellora.helper\">\n"
                          "  <method name=\"version\">\n"
                          "    <arg name=\"version\" type=\"s\" direction=\"out\"/>\n"
                          "  </method>\n"
                          "  <method name=\"performAction\">\n"
                          "    <arg name=\"action\" type=\"s\" direction=\"in\"/>\n"
                          "    <arg name=\"ok\" type=\"b\" direction=\"out\"/>\n"
                          "    <arg name=\"message\" type=\"s\" direction=\"out\"/>\n"
                          "  </method>\n"
                          "  <method name=\"removeSystemThreat\">\n"
                          "    <arg name=\"label\" type=\"s\" direction=\"in\"/>\n"
                          "    <arg name=\"paths\" type=\"as\" direction=\"in\"/>\n"
                          "    <arg name=\"ok\" type=\"b\" direction=\"out\"/>\n"
                          "    <arg name=\"message\" type=\"s\" direction=\"out\"/>\n"
                          "  </method>\n"
                          "</interface>\n");
}

} // namespace qm::HelperProtocol
