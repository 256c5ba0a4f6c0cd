// A small client of the helper for the tests: the test build of the helper admits only this
// executable. It sends one call on the system bus (DBUS_SYSTEM_BUS_ADDRESS points it at the tests'
// private bus) and prints what came back as one tab-separated line:
//   version<TAB>text | reply<TAB>0|1<TAB>message | error<TAB>D-Bus error name
// Usage (options first, in this order):
//   client [--uid N] [--timeout-ms N] version
//   client [--timeout-ms N] action NAME
//   client [--timeout-ms N] remove LABEL [PATH...]
//   client [--timeout-ms N] remove-many LABEL COUNT PATH     (PATH repeated COUNT times)
//   client [--timeout-ms N] remove-long LABEL BYTES          (one path of BYTES bytes in an allowed folder)
//   client [--timeout-ms N] raw MEMBER [int|string|none]     (MEMBER on the helper interface, one argument)
//   client [--timeout-ms N] flood COUNT CONNECTIONS NAME      (COUNT actions NAME at once, spread over
//                                                             CONNECTIONS bus connections; one line per
//                                                             answer as it arrives)
//   client [--timeout-ms N] big-flood COUNT BYTES             (COUNT actions named by BYTES letters, sent at
//                                                             once on one connection; prints "sent", then
//                                                             one line per answer as it arrives)
//   client [--timeout-ms N] keep-flooding CONNECTIONS COUNT NAME
//                                                            (COUNT actions NAME in flight on each of
//                                                             CONNECTIONS connections: each answer is printed
//                                                             and the call sent again, until killed)
//   client [--timeout-ms N] keep-big-flooding CONNECTIONS COUNT BYTES
//                                                            (the same with actions named by BYTES letters)
// --uid N drops to user and group N (no other groups) before connecting, as another local user's copy
// of the very same executable would run. A single call goes through the application's own connection
// to the helper, so it is sent again as the application sends it when the bus turns it away.
#include "core/helper/DBusHelperConnection.h"
#include "protocol/HelperProtocol.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QStringList>

#include <grp.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

int usage()
{
    std::fputs("usage: client [--timeout-ms N] version|action|remove|remove-many|remove-long|raw ...\n",
               stderr);
    return 2;
}

void print(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QString describe(const QDBusMessage& answer)
{
    using namespace qm::HelperProtocol;
    if (answer.type() == QDBusMessage::ErrorMessage)
        return QStringLiteral("error\t") + answer.errorName();
    if (const std::optional<HelperReply> reply = helperReplyFrom(answer))
        return QStringLiteral("reply\t") + (reply->ok ? QLatin1Char('1') : QLatin1Char('0')) +
               QLatin1Char('\t') + reply->message;
    return QStringLiteral("unexpected\t") + answer.signature();
}

// Sends `count` actions without waiting, round-robin over `connections` connections of their own (the
// bus limits the calls one connection may have pending), and prints each answer as it arrives.
int flood(int count, int connections, const QString& action, int timeout)
{
    std::vector<QDBusConnection> buses;
    for (int i = 0; i < connections; ++i) {
        const QString name = QStringLiteral("flood-") + QString::number(i);
        buses.push_back(QDBusConnection::connectToBus(QDBusConnection::SystemBus, name));
        if (!buses.back().isConnected()) {
            std::fputs("client: no system bus\n", stderr);
            return 2;
        }
    }
    int left = count;
    for (int i = 0; i < count; ++i) {
        const QDBusPendingCall pending = buses[static_cast<std::size_t>(i % connections)].asyncCall(
            qm::HelperProtocol::performActionCall(action), timeout);
        auto* watcher = new QDBusPendingCallWatcher(pending);
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [&left](QDBusPendingCallWatcher* done) {
            print(describe(done->reply()));
            done->deleteLater();
            if (--left == 0)
                QCoreApplication::quit();
        });
    }
    return count == 0 ? 0 : QCoreApplication::exec();
}

// Sends `count` actions whose names are `bytes` letters long, without waiting for any answer.
int bigFlood(int count, int bytes, int timeout)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        std::fputs("client: no system bus\n", stderr);
        return 2;
    }
    const QString name(bytes, QLatin1Char('x'));
    int left = count;
    for (int i = 0; i < count; ++i) {
        auto* watcher =
            new QDBusPendingCallWatcher(bus.asyncCall(qm::HelperProtocol::performActionCall(name), timeout));
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [&left](QDBusPendingCallWatcher* done) {
            print(describe(done->reply()));
            done->deleteLater();
            if (--left == 0)
                QCoreApplication::quit();
        });
    }
    print(QStringLiteral("sent"));
    return count == 0 ? 0 : QCoreApplication::exec();
}

// Keeps `count` actions `action` in flight on each of `connections` connections of their own: every
// answer is printed as it arrives and the same call goes out again at once. Runs until killed.
int keepFlooding(int connections, int count, const QString& action, int timeout)
{
    std::vector<QDBusConnection> buses;
    for (int i = 0; i < connections; ++i) {
        const QString name = QStringLiteral("keep-flooding-") + QString::number(i);
        buses.push_back(QDBusConnection::connectToBus(QDBusConnection::SystemBus, name));
        if (!buses.back().isConnected()) {
            std::fputs("client: no system bus\n", stderr);
            return 2;
        }
    }
    const QDBusMessage call = qm::HelperProtocol::performActionCall(action);
    std::function<void(QDBusConnection&)> send = [&](QDBusConnection& bus) {
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, timeout));
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                         [&send, &bus](QDBusPendingCallWatcher* done) {
                             print(describe(done->reply()));
                             done->deleteLater();
                             send(bus);
                         });
    };
    for (QDBusConnection& bus : buses) {
        for (int i = 0; i < count; ++i)
            send(bus);
    }
    return QCoreApplication::exec();
}

bool dropTo(uid_t id)
{
    return ::setgroups(0, nullptr) == 0 && ::setresgid(id, id, id) == 0 && ::setresuid(id, id, id) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace qm::HelperProtocol;
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() >= 2 && args.at(0) == QLatin1String("--uid")) {
        if (!dropTo(static_cast<uid_t>(args.at(1).toUInt()))) {
            std::fputs("client: cannot change user\n", stderr);
            return 2;
        }
        args = args.mid(2);
    }
    int timeout = 10 * 60 * 1000;
    if (args.size() >= 2 && args.at(0) == QLatin1String("--timeout-ms")) {
        timeout = args.at(1).toInt();
        args = args.mid(2);
    }
    if (args.isEmpty())
        return usage();

    const QString command = args.takeFirst();
    if (command == QLatin1String("flood") && args.size() == 3)
        return flood(args.at(0).toInt(), std::max(1, args.at(1).toInt()), args.at(2), timeout);
    if (command == QLatin1String("big-flood") && args.size() == 2)
        return bigFlood(args.at(0).toInt(), args.at(1).toInt(), timeout);
    if (command == QLatin1String("keep-flooding") && args.size() == 3)
        return keepFlooding(std::max(1, args.at(0).toInt()), args.at(1).toInt(), args.at(2), timeout);
    if (command == QLatin1String("keep-big-flooding") && args.size() == 3)
        return keepFlooding(std::max(1, args.at(0).toInt()), args.at(1).toInt(),
                            QString(args.at(2).toInt(), QLatin1Char('x')), timeout);
    QDBusMessage call;
    if (command == QLatin1String("version") && args.isEmpty()) {
        call = versionCall();
    } else if (command == QLatin1String("action") && args.size() == 1) {
        call = performActionCall(args.at(0));
    } else if (command == QLatin1String("remove") && !args.isEmpty()) {
        const QString label = args.takeFirst();
        call = removeSystemThreatCall(label, args);
    } else if (command == QLatin1String("remove-many") && args.size() == 3) {
        QStringList paths;
        for (int i = 0; i < args.at(1).toInt(); ++i)
            paths << args.at(2);
        call = removeSystemThreatCall(args.at(0), paths);
    } else if (command == QLatin1String("remove-long") && args.size() == 2) {
        // A unit's path of exactly that many characters (at least 28).
        const QString folder = QStringLiteral("/etc/systemd/system/");
        const QString suffix = QStringLiteral(".service");
        const QString path =
            folder + QString(args.at(1).toInt() - folder.size() - suffix.size(), QLatin1Char('a')) + suffix;
        call = removeSystemThreatCall(args.at(0), {path});
    } else if (command == QLatin1String("raw") && (args.size() == 1 || args.size() == 2)) {
        call = QDBusMessage::createMethodCall(serviceName(), objectPath(), interfaceName(), args.at(0));
        const QString kind = args.size() == 2 ? args.at(1) : QStringLiteral("none");
        if (kind == QLatin1String("int"))
            call << 7;
        else if (kind == QLatin1String("string"))
            call << QStringLiteral("freeMemory");
    } else {
        return usage();
    }

    QDBusMessage answer;
    {
        qm::DBusHelperConnection connection;
        connection.send(call, std::chrono::milliseconds(timeout), [&answer](const QDBusMessage& reply) {
            answer = reply;
            QCoreApplication::quit();
        });
        QCoreApplication::exec();
    }
    if (answer.type() == QDBusMessage::ErrorMessage) {
        print(QStringLiteral("error\t") + answer.errorName());
    } else if (const std::optional<QString> version = versionFromReply(answer);
               version && command == QLatin1String("version")) {
        print(QStringLiteral("version\t") + *version);
    } else if (const std::optional<HelperReply> reply = helperReplyFrom(answer)) {
        print(QStringLiteral("reply\t") + (reply->ok ? QLatin1Char('1') : QLatin1Char('0')) +
              QLatin1Char('\t') + reply->message);
    } else {
        print(QStringLiteral("unexpected\t") + answer.signature());
    }
    return 0;
}
