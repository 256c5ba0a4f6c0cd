#include "HelperBusTest.h"

#include "FakeTools.h"
#include "platform/FileSystem.h"
#include "protocol/HelperProtocol.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <fstream>

namespace fs = std::filesystem;

namespace qm::test {
namespace {

// A generous bound for things that take milliseconds: only a hang reaches it.
constexpr int kPatienceMs = 120'000;

void writeText(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// A system bus in miniature: anyone may connect and call the bus itself, method calls to anyone else
// are denied unless a policy file allows them (here only the helper's own, as installed), and nobody
// may own a name that such a file does not grant.
std::string busConfig(const fs::path& socket, const fs::path& services)
{
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n"
           "  <listen>unix:path=" +
           socket.native() +
           "</listen>\n"
           "  <auth>EXTERNAL</auth>\n"
           "  <servicedir>" +
           services.native() +
           "</servicedir>\n"
           "  <policy context=\"default\">\n"
           "    <allow user=\"*\"/>\n"
           "    <deny own=\"*\"/>\n"
           "    <deny send_type=\"method_call\"/>\n"
           "    <allow send_type=\"signal\"/>\n"
           "    <allow send_requested_reply=\"true\" send_type=\"method_return\"/>\n"
           "    <allow send_requested_reply=\"true\" send_type=\"error\"/>\n"
           "    <allow receive_type=\"method_call\"/>\n"
           "    <allow receive_type=\"method_return\"/>\n"
           "    <allow receive_type=\"error\"/>\n"
           "    <allow receive_type=\"signal\"/>\n"
           "    <allow send_destination=\"org.freedesktop.DBus\" send_interface=\"org.freedesktop.DBus\"/>\n"
           "    <allow send_destination=\"org.freedesktop.DBus\" "
           "send_interface=\"org.freedesktop.DBus.Introspectable\"/>\n"
           "  </policy>\n"
           "  <include>" QM_TEST_HELPER_POLICY "</include>\n" +
           FakePolkitAuthority::busPolicy() + "</busconfig>\n";
}

bool isRootOwnedAndClosed(const fs::path& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && st.st_uid == 0 && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

} // namespace

fs::path HelperBusTest::fixture()
{
    return QM_TEST_HELPER_FIXTURE;
}

fs::path HelperBusTest::root()
{
    return fixture() / "root";
}

fs::path HelperBusTest::tool(const std::string& name)
{
    return fixture() / "tools" / name;
}

fs::path HelperBusTest::callLog()
{
    return fixture() / "calls.log";
}

fs::path HelperBusTest::dropCaches()
{
    return fixture() / "drop_caches";
}

fs::path HelperBusTest::clientExecutable()
{
    return QM_TEST_HELPER_CLIENT;
}

fs::path HelperBusTest::onDisk(const std::string& systemPath)
{
    return fs::path(root().native() + systemPath);
}

void HelperBusTest::writeTool(const std::string& name, const std::string& body)
{
    FakeTools::writeTool(tool(name), name, callLog(), body);
}

QStringList HelperBusTest::calls()
{
    return FakeTools::calls(callLog());
}

void HelperBusTest::clearCalls()
{
    fs::remove(callLog());
}

void HelperBusTest::SetUp()
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root: the helper admits only a root-owned client and only root owns its name";
    if (!isRootOwnedAndClosed(clientExecutable()))
        GTEST_SKIP() << "needs a root-owned test client, not writable by group or others";

    // A fresh fixture: the helper keeps nothing between requests, so nothing survives a test either.
    const Result<void> cleared = FileSystem().removeTree(fixture());
    ASSERT_TRUE(cleared.ok() || cleared.error().isPosix(ENOENT))
        << cleared.error().description().toStdString();
    for (const char* folder :
         {"root/etc/xdg/autostart", "root/etc/systemd/system", "root/etc/systemd/user", "tools",
          "etc/cron.daily", "etc/cron.weekly", "etc/cron.monthly", "root/run/systemd/system"}) {
        fs::create_directories(fixture() / folder);
    }
    writeText(dropCaches(), "");
    for (const char* name : {"sync", "resolvectl", "nscd", "run-parts"})
        writeTool(name);
    FakeTools::writeSystemdRun(tool("systemd-run"), callLog());

    m_busFolder.emplace();
    const fs::path socket = m_busFolder->path("bus.sock");
    const fs::path services = m_busFolder->folder("services");
    writeText(services / "com.vellora.helper.service",
              "[D-BUS Service]\nName=com.vellora.helper\nExec=" QM_TEST_HELPER_BUILD "\n");
    const fs::path config =
        m_busFolder->fileWithContent("bus.conf", QByteArray::fromStdString(busConfig(socket, services)));
    m_address = QStringLiteral("unix:path=") + QString::fromStdString(socket.native());

    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/sbin:/usr/bin:/sbin:/bin"));
    // Passed on to the helper the bus starts, so that it finds this bus as its system bus.
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_address);
    m_daemon.setProcessEnvironment(environment);
    const QString daemonLog = QString::fromStdString(m_busFolder->path("daemon.log").native());
    m_daemon.setStandardOutputFile(daemonLog);
    m_daemon.setStandardErrorFile(daemonLog, QIODevice::Append);
    m_daemon.start(QStringLiteral("/usr/bin/dbus-daemon"),
                   {QStringLiteral("--config-file=") + QString::fromStdString(config.native()),
                    QStringLiteral("--nofork"), QStringLiteral("--nopidfile")});
    ASSERT_TRUE(m_daemon.waitForStarted(kPatienceMs)) << "dbus-daemon did not start";

    // Ready once it accepts a connection.
    const QString probe = QStringLiteral("qm-helper-test-probe");
    bool connected = false;
    for (int waited = 0; waited < kPatienceMs && m_daemon.state() == QProcess::Running; waited += 20) {
        connected = QDBusConnection::connectToBus(m_address, probe).isConnected();
        QDBusConnection::disconnectFromBus(probe);
        if (connected)
            break;
        QThread::msleep(20);
    }
    ASSERT_TRUE(connected) << "the private bus never accepted a connection";

    m_polkit = std::make_unique<FakePolkitAuthority>(m_address);
    m_polkit->setRules(activeUserRules());
    ASSERT_TRUE(m_polkit->start()) << "the fake polkit authority did not start";
}

std::vector<FakePolkitAuthority::Rule> HelperBusTest::activeUserRules()
{
    using Answer = FakePolkitAuthority::Answer;
    return {{QString(), 0, Answer::yes}, {QString(), -1, Answer::challenge}};
}

pid_t HelperBusTest::helperPid() const
{
    const QString name = QStringLiteral("qm-helper-test-pid");
    pid_t pid = 0;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(m_address, name);
        if (bus.isConnected()) {
            const QDBusReply<uint> reply = bus.interface()->servicePid(HelperProtocol::serviceName());
            if (reply.isValid())
                pid = static_cast<pid_t>(reply.value());
        }
    }
    QDBusConnection::disconnectFromBus(name);
    return pid;
}

void HelperBusTest::TearDown()
{
    if (m_daemon.state() == QProcess::NotRunning)
        return;
    // The helper never exits by itself: end the one this bus started, then polkit's stand-in and the bus.
    if (const pid_t pid = helperPid(); pid > 0)
        ::kill(pid, SIGKILL);
    m_polkit.reset();
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(kPatienceMs)) {
        m_daemon.kill();
        m_daemon.waitForFinished(kPatienceMs);
    }
}

QProcessEnvironment HelperBusTest::clientEnvironment() const
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/sbin:/usr/bin:/sbin:/bin"));
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_address);
    return environment;
}

std::unique_ptr<QProcess> HelperBusTest::startClient(const QStringList& arguments)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(clientEnvironment());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(QString::fromStdString(clientExecutable().native()), arguments);
    return process;
}

QString HelperBusTest::client(const QStringList& arguments, const fs::path& executable)
{
    QProcess process;
    process.setProcessEnvironment(clientEnvironment());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QString::fromStdString(executable.native()), arguments);
    if (!process.waitForFinished(5 * kPatienceMs)) {
        process.kill();
        process.waitForFinished();
        return QStringLiteral("client did not finish");
    }
    QString line = QString::fromUtf8(process.readAllStandardOutput());
    if (line.endsWith(QLatin1Char('\n')))
        line.chop(1);
    return line;
}

} // namespace qm::test
