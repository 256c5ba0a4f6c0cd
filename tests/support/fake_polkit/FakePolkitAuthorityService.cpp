// A stand-in for polkit's authority on a test bus (DBUS_SYSTEM_BUS_ADDRESS): it owns
// org.freedesktop.PolicyKit1 and answers CheckAuthorization from a table file, read afresh for every
// call, and logs each call. Prints "ready" once it owns its name. Usage:
//   qm_fake_polkit_authority TABLE LOG
// TABLE holds one rule a line, "ACTION UID ANSWER" (ACTION or UID may be "*"); the first rule that
// matches the call's action and the uid of the subject's bus name decides, none matching is "no".
// ANSWER: yes (authorised), no, challenge (authorised only after a password), error (a polkit error),
// silent (never answered). LOG gets one line a call: "ACTION KIND uid=UID flags=FLAGS".
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QFile>
#include <QVariantMap>

#include <cstdio>

namespace {

class FakeAuthority final : public QDBusVirtualObject
{
public:
    FakeAuthority(QString table, QString log) : m_table(std::move(table)), m_log(std::move(log)) {}

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.type() != QDBusMessage::MethodCallMessage ||
            message.member() != QLatin1String("CheckAuthorization"))
            return false;
        if (message.signature() != QLatin1String("(sa{sv})sa{ss}us")) {
            connection.send(message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                                                     message.signature()));
            return true;
        }
        const QVariantList arguments = message.arguments();
        QString kind;
        QVariantMap details;
        const QDBusArgument subject = arguments.at(0).value<QDBusArgument>();
        subject.beginStructure();
        subject >> kind >> details;
        subject.endStructure();
        const QString action = arguments.at(1).toString();
        const uint flags = arguments.at(3).toUInt();
        const QString name = details.value(QStringLiteral("name")).toString();
        const QDBusReply<uint> uid = connection.interface()->serviceUid(name);
        const QString uidText = uid.isValid() ? QString::number(uid.value()) : QStringLiteral("?");

        // Logged and closed before the answer leaves, so a caller that has its answer finds the call
        // in the log.
        {
            QFile log(m_log);
            if (log.open(QIODevice::Append)) {
                log.write((action + QLatin1Char(' ') + kind + QStringLiteral(" uid=") + uidText +
                           QStringLiteral(" flags=") + QString::number(flags) + QLatin1Char('\n'))
                              .toUtf8());
            }
        }

        const QString answer =
            kind == QLatin1String("system-bus-name") ? decide(action, uidText) : QStringLiteral("no");
        if (answer == QLatin1String("silent"))
            return true;
        if (answer == QLatin1String("error")) {
            connection.send(
                message.createErrorReply(QStringLiteral("org.freedesktop.PolicyKit1.Error.Failed"),
                                         QStringLiteral("refused by the test table")));
            return true;
        }
        QDBusArgument result;
        result.beginStructure();
        result << (answer == QLatin1String("yes")) << (answer == QLatin1String("challenge"));
        result.beginMap(QMetaType::fromType<QString>(), QMetaType::fromType<QString>());
        result.endMap();
        result.endStructure();
        connection.send(message.createReply(QVariant::fromValue(result)));
        return true;
    }

private:
    QString decide(const QString& action, const QString& uid) const
    {
        QFile table(m_table);
        if (!table.open(QIODevice::ReadOnly))
            return QStringLiteral("no");
        while (!table.atEnd()) {
            const QStringList rule = QString::fromUtf8(table.readLine()).simplified().split(QLatin1Char(' '));
            if (rule.size() != 3)
                continue;
            const bool actionMatches = rule.at(0) == QLatin1String("*") || rule.at(0) == action;
            const bool uidMatches = rule.at(1) == QLatin1String("*") || rule.at(1) == uid;
            if (actionMatches && uidMatches)
                return rule.at(2);
        }
        return QStringLiteral("no");
    }

    QString m_table;
    QString m_log;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fputs("usage: qm_fake_polkit_authority TABLE LOG\n", stderr);
        return 2;
    }
    FakeAuthority authority(args.at(1), args.at(2));
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected() ||
        !bus.registerVirtualObject(QStringLiteral("/org/freedesktop/PolicyKit1/Authority"), &authority) ||
        !bus.registerService(QStringLiteral("org.freedesktop.PolicyKit1"))) {
        std::fputs("qm_fake_polkit_authority: cannot serve on the system bus\n", stderr);
        return 1;
    }
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    return QCoreApplication::exec();
}
