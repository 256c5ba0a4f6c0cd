// The application's helper client and the helper's test build on a private bus without an activation
// file, so the helper runs only while a test keeps it running: requests reach the helper while it runs,
// and once it is stopped the failing request is answered through the administrator prompt.
#include "FakeTools.h"
#include "platform/FileSystem.h"
#include "protocol/HelperProtocol.h"
#include "support/FakePolkitAuthority.h"
#include "support/TempTree.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

namespace fs = std::filesystem;

namespace qm::test {
namespace {

// A generous bound for things that take milliseconds: only a hang reaches it.
constexpr int kPatienceMs = 120'000;

fs::path fixture()
{
    return QM_TEST_CLIENT_FIXTURE;
}

fs::path onDisk(const std::string& systemPath)
{
    return fs::path((fixture() / "root").native() + systemPath);
}

void writeText(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

bool isRootOwnedAndClosed(const fs::path& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && st.st_uid == 0 && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// The system bus in miniature, as in the helper's own bus tests (polkit's authority played by a fake), but
// with no folder of activation files.
std::string busConfig(const fs::path& socket)
{
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n"
           "  <listen>unix:path=" +
           socket.native() +
           "</listen>\n"
           "  <auth>EXTERNAL</auth>\n"
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
           "  </policy>\n"
           "  <include>" QM_TEST_CLIENT_POLICY "</include>\n" +
           FakePolkitAuthority::busPolicy() + "</busconfig>\n";
}

class HelperClientOnTheBus : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP()
                << "needs root: the helper admits only a root-owned client and only root owns its name";
        if (!isRootOwnedAndClosed(QM_TEST_CLIENT_DRIVER))
            GTEST_SKIP() << "needs a root-owned driver, not writable by group or others";

        const Result<void> cleared = FileSystem().removeTree(fixture());
        ASSERT_TRUE(cleared.ok() || cleared.error().isPosix(ENOENT));
        for (const char* folder :
             {"root/etc/xdg/autostart", "root/etc/systemd/system", "root/etc/systemd/user", "tools",
              "etc/cron.daily", "etc/cron.weekly", "etc/cron.monthly"})
            fs::create_directories(fixture() / folder);
        writeText(fixture() / "drop_caches", "");
        for (const char* name : {"sync", "resolvectl", "nscd", "run-parts"})
            FakeTools::writeTool(fixture() / "tools" / name, name, callLog());

        const fs::path socket = m_busFolder.path("bus.sock");
        const fs::path config =
            m_busFolder.fileWithContent("bus.conf", QByteArray::fromStdString(busConfig(socket)));
        m_address = QStringLiteral("unix:path=") + QString::fromStdString(socket.native());
        m_environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/sbin:/usr/bin:/sbin:/bin"));
        m_environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_address);

        m_bus.setProcessEnvironment(m_environment);
        m_bus.start(QStringLiteral("/usr/bin/dbus-daemon"),
                    {QStringLiteral("--config-file=") + QString::fromStdString(config.native()),
                     QStringLiteral("--nofork"), QStringLiteral("--nopidfile")});
        ASSERT_TRUE(m_bus.waitForStarted(kPatienceMs)) << "dbus-daemon did not start";
        ASSERT_TRUE(waitUntil([this] { return helperOwner().has_value(); }))
            << "the private bus never answered";
        // The driver runs as root, standing for the active desktop user.
        m_polkit.emplace(m_address);
        m_polkit->setRules({{QString(), 0, FakePolkitAuthority::Answer::yes}});
        ASSERT_TRUE(m_polkit->start()) << "the fake polkit authority did not start";
        startHelper();
    }

    void TearDown() override
    {
        stopDriver();
        stopHelper();
        m_polkit.reset();
        QDBusConnection::disconnectFromBus(probeName());
        if (m_bus.state() != QProcess::NotRunning) {
            m_bus.terminate();
            m_bus.waitForFinished(kPatienceMs);
        }
    }

    static fs::path callLog() { return fixture() / "calls.log"; }
    static QString probeName() { return QStringLiteral("qm-helper-client-test-probe"); }

    // Whether the helper's name has an owner; nothing while the bus does not answer.
    std::optional<bool> helperOwner()
    {
        QDBusConnection bus = QDBusConnection::connectToBus(m_address, probeName());
        if (!bus.isConnected()) {
            QDBusConnection::disconnectFromBus(probeName());
            return std::nullopt;
        }
        const QDBusReply<bool> owned = bus.interface()->isServiceRegistered(HelperProtocol::serviceName());
        if (!owned.isValid())
            return std::nullopt;
        return owned.value();
    }

    static bool waitUntil(const std::function<bool()>& condition)
    {
        QElapsedTimer waited;
        waited.start();
        while (!condition()) {
            if (waited.elapsed() > kPatienceMs)
                return false;
            QThread::msleep(20);
        }
        return true;
    }

    void startHelper()
    {
        m_helper.setProcessEnvironment(m_environment);
        m_helper.setProcessChannelMode(QProcess::ForwardedChannels);
        m_helper.start(QStringLiteral(QM_TEST_CLIENT_HELPER), {});
        ASSERT_TRUE(m_helper.waitForStarted(kPatienceMs));
        ASSERT_TRUE(waitUntil([this] { return helperOwner() == true; })) << "the helper never took its name";
    }

    void stopHelper()
    {
        if (m_helper.state() == QProcess::NotRunning)
            return;
        m_helper.terminate();
        if (!m_helper.waitForFinished(kPatienceMs)) {
            m_helper.kill();
            m_helper.waitForFinished(kPatienceMs);
        }
        waitUntil([this] { return helperOwner() == false; });
    }

    // Ends the driver, so the next command starts a new one that knows nothing of the helper yet.
    void stopDriver()
    {
        if (m_driver.state() == QProcess::NotRunning)
            return;
        m_driver.closeWriteChannel();
        if (!m_driver.waitForFinished(kPatienceMs)) {
            m_driver.kill();
            m_driver.waitForFinished(kPatienceMs);
        }
    }

    // Sends one command line to the driver (started on first use) and returns the line it answers.
    QString driver(const QString& command)
    {
        if (m_driver.state() == QProcess::NotRunning) {
            m_driver.setProcessEnvironment(m_environment);
            m_driver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            m_driver.start(QStringLiteral(QM_TEST_CLIENT_DRIVER), {});
            if (!m_driver.waitForStarted(kPatienceMs))
                return QStringLiteral("driver did not start");
        }
        m_driver.write(command.toUtf8() + '\n');
        QElapsedTimer waited;
        waited.start();
        while (!m_driver.canReadLine()) {
            if (waited.elapsed() > kPatienceMs || !m_driver.waitForReadyRead(kPatienceMs))
                return QStringLiteral("driver did not answer");
        }
        QString line = QString::fromUtf8(m_driver.readLine());
        line.chop(1);
        return line;
    }

    QStringList calls() const { return FakeTools::calls(callLog()); }

    TempTree m_busFolder;
    QString m_address;
    QProcessEnvironment m_environment;
    QProcess m_bus;
    QProcess m_helper;
    QProcess m_driver;
    std::optional<FakePolkitAuthority> m_polkit;
};

TEST_F(HelperClientOnTheBus, AStoppedHelperSendsTheFailingRequestToThePrompt)
{
    ASSERT_EQ(driver(QStringLiteral("status")), QStringLiteral("status\tinstalled"));
    EXPECT_EQ(driver(QStringLiteral("perform freeMemory")),
              QStringLiteral("answer\t1\tPage cache dropped\tdaemon\tusable"));
    EXPECT_TRUE(calls().contains(QStringLiteral("sync "))) << calls().join(QLatin1Char('|')).toStdString();

    stopHelper();
    const QString fallback = driver(QStringLiteral("perform flushDNS"));
    EXPECT_TRUE(fallback.startsWith(QStringLiteral("answer\t1\tDNS cache flushed\tprompt\t")))
        << fallback.toStdString();
    EXPECT_FALSE(calls().join(QLatin1Char('|')).contains(QStringLiteral("resolvectl")))
        << "the stopped helper ran nothing";

    // The helper taking its name again makes it worth trying: the next request reaches it.
    startHelper();
    EXPECT_EQ(driver(QStringLiteral("await-unknown")), QStringLiteral("usability\tunknown"));
    EXPECT_EQ(driver(QStringLiteral("perform flushDNS")),
              QStringLiteral("answer\t1\tDNS cache flushed\tdaemon\tusable"));
    EXPECT_TRUE(calls().contains(QStringLiteral("resolvectl flush-caches")));
}

TEST_F(HelperClientOnTheBus, ARemovalWithAPathTheBusCannotCarryIsRefusedWhole)
{
    ASSERT_EQ(driver(QStringLiteral("status")), QStringLiteral("status\tinstalled"));
    const fs::path tool = onDisk("/etc/systemd/system/tool.service");
    const fs::path lineBreak = onDisk("/etc/systemd/system/tool\nevil.service");
    const fs::path notUtf8 = onDisk("/etc/systemd/system/tool\xff.service");
    for (const fs::path& path : {tool, lineBreak, notUtf8})
        writeText(path, "x");
    // Sending only the clean path would remove part of the item and report it removed.
    for (const char* other : {"tool\\nevil.service", "tool\\xff.service"}) {
        SCOPED_TRACE(other);
        EXPECT_EQ(driver(QStringLiteral("remove x /etc/systemd/system/tool.service "
                                        "/etc/systemd/system/") +
                         QLatin1String(other)),
                  QStringLiteral("answer\t0\tNothing valid to remove."));
        EXPECT_TRUE(fs::exists(tool));
    }
    EXPECT_TRUE(fs::exists(lineBreak));
    EXPECT_TRUE(fs::exists(notUtf8));
    EXPECT_EQ(driver(QStringLiteral("remove x /etc/systemd/system/tool.service")),
              QStringLiteral("answer\t1\tRemoved 1 item"));
    EXPECT_FALSE(fs::exists(tool));
}

TEST_F(HelperClientOnTheBus, WhatPolkitDoesNotAuthoriseIsAnsweredAsAFailedCall)
{
    using Answer = FakePolkitAuthority::Answer;
    struct Row
    {
        const char* what;
        std::optional<Answer> answer; // nothing: polkit is not running
    };
    const std::vector<Row> rows = {{"refused", Answer::no},
                                   {"a password would be needed", Answer::challenge},
                                   {"polkit fails", Answer::error},
                                   {"polkit is not running", std::nullopt}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        stopDriver();
        if (row.answer) {
            m_polkit->setRules({{QString(), -1, *row.answer}});
            ASSERT_TRUE(m_polkit->start());
        } else {
            m_polkit->stop();
        }
        writeText(onDisk("/etc/systemd/system/tool.service"), "x");
        ASSERT_EQ(driver(QStringLiteral("status")), QStringLiteral("status\tinstalled"));

        // A removal has no other route: it fails with the client's own words.
        EXPECT_EQ(driver(QStringLiteral("remove x /etc/systemd/system/tool.service")),
                  QStringLiteral("answer\t0\tCouldn't reach the privileged helper."));
        EXPECT_TRUE(fs::exists(onDisk("/etc/systemd/system/tool.service")));
        // An action goes to the administrator prompt, and the helper counts as unusable.
        const QString fallback = driver(QStringLiteral("perform flushDNS"));
        EXPECT_EQ(fallback, QStringLiteral("answer\t1\tDNS cache flushed\tprompt\tunusable"));
        EXPECT_TRUE(calls().isEmpty()) << calls().join(QLatin1Char('|')).toStdString();
    }

    // Positive control: the same helper serves the same driver once polkit authorises it.
    stopDriver();
    m_polkit->setRules({{QString(), 0, Answer::yes}});
    ASSERT_TRUE(m_polkit->start());
    ASSERT_EQ(driver(QStringLiteral("status")), QStringLiteral("status\tinstalled"));
    EXPECT_EQ(driver(QStringLiteral("remove x /etc/systemd/system/tool.service")),
              QStringLiteral("answer\t1\tRemoved 1 item"));
    EXPECT_EQ(driver(QStringLiteral("perform flushDNS")),
              QStringLiteral("answer\t1\tDNS cache flushed\tdaemon\tusable"));
}

} // namespace
} // namespace qm::test
