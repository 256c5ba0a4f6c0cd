// The reduce-motion preference as the desktop's settings portal answers it on a private session bus,
// with a stand-in portal in this process; which bus address is asked; and that no portal is started.
#include "app/qml/design/MotionSettings.h"

#include "support/EventLoopWait.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <future>
#include <optional>

namespace qm {
namespace {

// Sets (or, with nothing, unsets) an environment variable for the life of the object, then puts the
// old state back.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const std::optional<QByteArray>& value)
        : m_name(name), m_wasSet(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_wasSet)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    bool m_wasSet;
    QByteArray m_old;
};

// The settings portal: answers Read with `answer` (an error when it is invalid, nothing at all when
// `silent`), and remembers what it was asked.
class FakePortal : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    QVariant answer;
    bool silent = false;
    QStringList asked;

public slots:
    QDBusVariant Read(const QString& nameSpace, const QString& key)
    {
        asked.append(nameSpace + QLatin1Char(' ') + key);
        if (silent) {
            setDelayedReply(true); // and never answered
            return {};
        }
        if (!answer.isValid())
            sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                           QStringLiteral("no such key"));
        return QDBusVariant(answer);
    }
};

// A private session bus for one test, whose service folder holds `services` (name → program), so
// nothing reaches the real desktop.
class PrivateBus
{
public:
    PrivateBus()
    {
        m_services = m_folder.filePath(QStringLiteral("services"));
        QDir().mkpath(m_services);
        const QString socket = m_folder.filePath(QStringLiteral("bus.sock"));
        const QByteArray config =
            "<busconfig><type>session</type><listen>unix:path=" + QFile::encodeName(socket) +
            "</listen><servicedir>" + QFile::encodeName(m_services) +
            "</servicedir><policy context=\"default\"><allow send_destination=\"*\" "
            "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
            "</busconfig>";
        QFile file(m_folder.filePath(QStringLiteral("bus.conf")));
        if (!file.open(QIODevice::WriteOnly) || file.write(config) != config.size())
            ADD_FAILURE() << "cannot write the bus configuration";
        file.close();
        address = QStringLiteral("unix:path=") + socket;
        m_daemon.start(QStringLiteral("/usr/bin/dbus-daemon"),
                       {QStringLiteral("--config-file=") + file.fileName(), QStringLiteral("--nofork"),
                        QStringLiteral("--nopidfile")});
        started = m_daemon.waitForStarted(10'000);
        for (int waited = 0; started && waited < 10'000; waited += 20) {
            const bool up = QDBusConnection::connectToBus(address, QStringLiteral("probe")).isConnected();
            QDBusConnection::disconnectFromBus(QStringLiteral("probe"));
            if (up)
                break;
            QThread::msleep(20);
        }
    }
    ~PrivateBus()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("portal"));
        m_daemon.kill();
        m_daemon.waitForFinished(10'000);
    }

    // Serves `portal` as the desktop's portal.
    bool serve(FakePortal& portal)
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("portal"));
        return bus.isConnected() &&
               bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                                  QDBusConnection::ExportAllSlots) &&
               bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
    }

    // An activatable portal: a service file whose program leaves `marker` when the bus starts it.
    void activatablePortal(const QString& marker)
    {
        const QString program = m_folder.filePath(QStringLiteral("portal.sh"));
        QFile script(program);
        if (!script.open(QIODevice::WriteOnly) ||
            script.write("#!/bin/sh\ntouch '" + QFile::encodeName(marker) + "'\n") < 0)
            ADD_FAILURE() << "cannot write the portal stand-in";
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile service(m_services + QStringLiteral("/org.freedesktop.portal.Desktop.service"));
        if (!service.open(QIODevice::WriteOnly) ||
            service.write("[D-BUS Service]\nName=org.freedesktop.portal.Desktop\nExec=" +
                          QFile::encodeName(program) + "\n") < 0)
            ADD_FAILURE() << "cannot write the service file";
    }

    QString address;
    bool started = false;

private:
    QTemporaryDir m_folder;
    QString m_services;
    QProcess m_daemon;
};

// Runs the blocking read on another thread while this one serves the stand-in portal.
std::optional<bool> readWhileServing(const QString& address)
{
    std::future<std::optional<bool>> read = std::async(
        std::launch::async, [address] { return MotionSettings::readAnimationsEnabled(address, 2000); });
    EXPECT_TRUE(
        test::settle([&] { return read.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    return read.get();
}

// A private bus with the stand-in portal served on it.
class MotionSettingsPortal : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!bus.started)
            GTEST_SKIP() << "no dbus-daemon to run a private bus";
        ASSERT_TRUE(bus.serve(portal));
    }

    PrivateBus bus;
    FakePortal portal;
};

TEST_F(MotionSettingsPortal, OnlyABooleanFromThePortalDecides)
{
    const struct
    {
        const char* what;
        QVariant answer;
        std::optional<bool> enabled;
    } cases[] = {
        {"on, wrapped once more as the portal does", QVariant::fromValue(QDBusVariant(true)), true},
        {"off, wrapped once more", QVariant::fromValue(QDBusVariant(false)), false},
        {"off, wrapped once", QVariant(false), false},
        {"a string", QVariant(QStringLiteral("false")), std::nullopt},
        {"a number", QVariant(0), std::nullopt},
        {"an error", QVariant(), std::nullopt},
    };
    for (const auto& c : cases) {
        portal.answer = c.answer;
        EXPECT_EQ(readWhileServing(bus.address), c.enabled) << c.what;
    }
    EXPECT_EQ(portal.asked.size(), std::size(cases));
    EXPECT_EQ(portal.asked.value(0), QStringLiteral("org.gnome.desktop.interface enable-animations"));

    portal.silent = true;
    EXPECT_EQ(readWhileServing(bus.address), std::nullopt) << "a portal that never answers";
}

TEST(MotionSettings, WithoutARunningPortalMotionStaysOnAndNoneIsStarted)
{
    PrivateBus bus;
    if (!bus.started)
        GTEST_SKIP() << "no dbus-daemon to run a private bus";
    QTemporaryDir folder;
    const QString marker = folder.filePath(QStringLiteral("portal-started"));
    bus.activatablePortal(marker);
    EXPECT_EQ(MotionSettings::readAnimationsEnabled(bus.address), std::nullopt);
    QThread::msleep(300); // time for a started program to leave its mark
    EXPECT_FALSE(QFile::exists(marker)) << "the read started the portal";

    EXPECT_EQ(MotionSettings::readAnimationsEnabled(QString()), std::nullopt);
    EXPECT_EQ(MotionSettings::readAnimationsEnabled(QStringLiteral("unix:path=") + folder.filePath("no-bus")),
              std::nullopt);
}

TEST_F(MotionSettingsPortal, TheAnswerArrivesInTheBackgroundAndAWrittenValueWins)
{
    portal.answer = QVariant::fromValue(QDBusVariant(false));

    {
        const ScopedEnv address("DBUS_SESSION_BUS_ADDRESS", std::nullopt);
        const ScopedEnv runtime("XDG_RUNTIME_DIR", std::nullopt);
        MotionSettings settings;
        QSignalSpy read(&settings, &MotionSettings::preferenceRead);
        EXPECT_FALSE(settings.reduceMotion()) << "motion on until an answer";
        ASSERT_TRUE(test::settle([&] { return read.count() == 1; }));
        EXPECT_FALSE(settings.reduceMotion()) << "no session bus: motion on";

        settings.readDesktopPreference(bus.address);
        EXPECT_FALSE(settings.reduceMotion()) << "the read does not block";
        ASSERT_TRUE(test::settle([&] { return read.count() == 2; }));
        EXPECT_TRUE(settings.reduceMotion()) << "animations off: reduce motion";
    }

    const ScopedEnv address("DBUS_SESSION_BUS_ADDRESS", bus.address.toUtf8());
    MotionSettings settings;
    QSignalSpy read(&settings, &MotionSettings::preferenceRead);
    QSignalSpy changed(&settings, &MotionSettings::reduceMotionChanged);
    settings.setReduceMotion(false); // as a test or the gallery does, before the answer lands
    ASSERT_TRUE(test::settle([&] { return read.count() == 1; }));
    EXPECT_FALSE(settings.reduceMotion()) << "a written value is not replaced by the desktop's";
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(portal.asked.size(), 2) << "the default address is the session's";

    settings.setReduceMotion(true);
    settings.setReduceMotion(true);
    EXPECT_TRUE(settings.reduceMotion());
    settings.setReduceMotion(false);
    EXPECT_EQ(changed.count(), 2) << "a write of the same value is not a change";
}

// A listening socket at `path`, as a session bus leaves in the runtime folder.
int listeningSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    std::memcpy(address.sun_path, bytes.constData(),
                std::min<size_t>(bytes.size(), sizeof(address.sun_path) - 1));
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(fd, 1) != 0)
        ADD_FAILURE() << "cannot listen at " << path.toStdString();
    return fd;
}

TEST(MotionSettings, OnlyAUnixSessionAddressIsAskedAndNothingThatStartsAProgram)
{
    QTemporaryDir withSocket;
    QTemporaryDir withFile;
    const int socket = listeningSocket(withSocket.filePath(QStringLiteral("bus")));
    QFile plain(withFile.filePath(QStringLiteral("bus")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QByteArray socketRuntime = QFile::encodeName(withSocket.path());

    const struct
    {
        const char* what;
        std::optional<QByteArray> address;
        std::optional<QByteArray> runtime;
        QString expected;
    } cases[] = {
        {"a unix address", "unix:path=/run/user/1000/bus", std::nullopt,
         QStringLiteral("unix:path=/run/user/1000/bus")},
        {"an abstract socket with a guid", "unix:abstract=/tmp/dbus-x,guid=12ab", socketRuntime,
         QStringLiteral("unix:abstract=/tmp/dbus-x,guid=12ab")},
        {"autolaunch dropped from a list", "unix:path=/a;autolaunch:", std::nullopt,
         QStringLiteral("unix:path=/a")},
        {"autolaunch alone: the runtime folder's socket", "autolaunch:", socketRuntime,
         QStringLiteral("unix:path=") + withSocket.path() + QStringLiteral("/bus")},
        {"a program to run", "unixexec:path=/bin/sh", std::nullopt, QString()},
        {"tcp", "tcp:host=localhost,port=1", std::nullopt, QString()},
        {"nothing at all", std::nullopt, std::nullopt, QString()},
        {"a runtime folder whose bus is a plain file", std::nullopt, QFile::encodeName(withFile.path()),
         QString()},
        {"a relative runtime folder", std::nullopt, QByteArray("run"), QString()},
    };
    for (const auto& c : cases) {
        const ScopedEnv address("DBUS_SESSION_BUS_ADDRESS", c.address);
        const ScopedEnv runtime("XDG_RUNTIME_DIR", c.runtime);
        EXPECT_EQ(MotionSettings::sessionBusAddress(), c.expected) << c.what;
    }
    ::close(socket);
}

} // namespace
} // namespace qm

#include "MotionSettingsTest.moc"
