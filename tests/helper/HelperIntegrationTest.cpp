// The helper's test build on a private bus, called by the trusted test client: every reply of the three
// actions, answers while an action runs, refusal of other callers, and removals on a fixture system root.
#include "FakeTools.h"
#include "HelperBusTest.h"
#include "HelperReplyPrinting.h"
#include "protocol/HelperProtocol.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace qm::test {
namespace {

const QString kOutside =
    QStringLiteral("reply\t0\tRefused \u2014 a path resolves outside the allowed system locations");
const QString kStillRunning = QStringLiteral(
    " (the process may still be running until it exits or the computer restarts \u2014 it won't launch "
    "again automatically)");

QString reply(bool ok, const QString& message)
{
    return QStringLiteral("reply\t") + (ok ? QLatin1Char('1') : QLatin1Char('0')) + QLatin1Char('\t') +
           message;
}

void put(const fs::path& path, const QByteArray& content = "x")
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.constData(), content.size());
}

QByteArray contents(const fs::path& path)
{
    QFile file(QString::fromStdString(path.native()));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

using HelperActionsOnTheBus = HelperBusTest;
using HelperCallers = HelperBusTest;
using HelperRemoval = HelperBusTest;

TEST_F(HelperActionsOnTheBus, VersionIsAnsweredByTheHelperTheBusStarts)
{
    EXPECT_EQ(client({"version"}), QStringLiteral("version\t1.0"));
    EXPECT_TRUE(calls().isEmpty());
}

TEST_F(HelperActionsOnTheBus, FreeMemorySyncsThenDropsCaches)
{
    struct Row
    {
        const char* what;
        const char* sync; // the fake's body; nullptr: no such program
        bool controlFile;
        QString expected;
        QByteArray written;
    };
    const std::vector<Row> rows = {
        {"both succeed", "exit 0", true, reply(true, "Page cache dropped"), "3"},
        {"sync fails", "exit 1", true, reply(false, "drop_caches failed (1)"), ""},
        {"sync cannot start", nullptr, true, reply(false, "drop_caches failed (-1)"), ""},
        {"the write fails", "exit 0", false, reply(false, "drop_caches failed (1)"), "<missing>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        clearCalls();
        if (row.sync)
            writeTool("sync", row.sync);
        else
            fs::remove(tool("sync"));
        fs::remove(dropCaches());
        if (row.controlFile)
            put(dropCaches(), "");

        EXPECT_EQ(client({"action", "freeMemory"}), row.expected);
        EXPECT_EQ(calls(), row.sync ? QStringList{"sync "} : QStringList{});
        EXPECT_EQ(contents(dropCaches()), row.written);
        // The kernel's control file is written, never created.
        EXPECT_EQ(fs::exists(dropCaches()), row.controlFile);
    }
}

TEST_F(HelperActionsOnTheBus, FlushDnsAlwaysRunsBothCommandsAndTheFirstDecides)
{
    struct Row
    {
        const char* resolvectl; // nullptr: no such program
        const char* nscd;
        QString expected;
    };
    const std::vector<Row> rows = {
        {"exit 0", "exit 0", reply(true, "DNS cache flushed")},
        {"exit 0", "exit 1", reply(true, "DNS cache flushed (responder not re-signalled)")},
        {"exit 0", nullptr, reply(true, "DNS cache flushed (responder not re-signalled)")},
        {"exit 1", "exit 0", reply(false, "Flush failed")},
        {nullptr, "exit 0", reply(false, "Flush failed")},
        {"exit 1", "exit 1", reply(false, "Flush failed")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string("resolvectl ") + (row.resolvectl ? row.resolvectl : "missing") + ", nscd " +
                     (row.nscd ? row.nscd : "missing"));
        clearCalls();
        row.resolvectl ? writeTool("resolvectl", row.resolvectl) : void(fs::remove(tool("resolvectl")));
        row.nscd ? writeTool("nscd", row.nscd) : void(fs::remove(tool("nscd")));

        EXPECT_EQ(client({"action", "flushDNS"}), row.expected);
        QStringList expectedCalls;
        if (row.resolvectl)
            expectedCalls << "resolvectl flush-caches";
        if (row.nscd)
            expectedCalls << "nscd --invalidate=hosts";
        EXPECT_EQ(calls(), expectedCalls);
    }
}

TEST_F(HelperActionsOnTheBus, MaintenanceRunsEveryFolderAsATransientUnitAndReportsTheFirstFailure)
{
    const std::string runParts = tool("run-parts").native();
    const std::string daily = (fixture() / "etc/cron.daily").native();
    const std::string weekly = (fixture() / "etc/cron.weekly").native();
    const std::string monthly = (fixture() / "etc/cron.monthly").native();
    // Each folder in a unit of its own, with what is left of the 780 s a run may take (N below).
    const auto unit = [&](const std::string& name, const std::string& folder) {
        return QString::fromStdString("systemd-run --unit=quillmere-maintenance-" + name +
                                      " --wait --collect --quiet --property=RuntimeMaxSec=N " + runParts +
                                      " " + folder);
    };
    const QStringList allThree{unit("daily", daily),     QString::fromStdString("run-parts " + daily),
                               unit("weekly", weekly),   QString::fromStdString("run-parts " + weekly),
                               unit("monthly", monthly), QString::fromStdString("run-parts " + monthly)};
    const QRegularExpression limit(QStringLiteral("RuntimeMaxSec=([0-9]+) "));
    struct Row
    {
        const char* what;
        const char* runParts; // nullptr: no such program
        bool systemdRun;
        bool serviceManager; // whether the root holds /run/systemd/system
        QString expected;
    };
    const std::vector<Row> rows = {
        {"all succeed", "exit 0", true, true, reply(true, "Maintenance scripts ran")},
        {"weekly fails", "case \"$1\" in *weekly) exit 1;; esac", true, true,
         reply(false, "run-parts failed (1)")},
        {"the first failure decides", "case \"$1\" in *weekly) exit 3;; *monthly) exit 4;; esac", true, true,
         reply(false, "run-parts failed (3)")},
        {"every folder fails", "case \"$1\" in *daily) exit 2;; *) exit 5;; esac", true, true,
         reply(false, "run-parts failed (2)")},
        {"no run-parts", nullptr, true, true, reply(false, "run-parts failed (-1)")},
        {"no systemd-run", "exit 0", false, true, reply(false, "run-parts failed (-1)")},
        {"no service manager", "exit 0", true, false, reply(false, "run-parts failed (-1)")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        clearCalls();
        row.runParts ? writeTool("run-parts", row.runParts) : void(fs::remove(tool("run-parts")));
        row.systemdRun ? FakeTools::writeSystemdRun(tool("systemd-run"), callLog())
                       : void(fs::remove(tool("systemd-run")));
        row.serviceManager ? void(fs::create_directories(root() / "run/systemd/system"))
                           : void(fs::remove_all(root() / "run/systemd"));

        EXPECT_EQ(client({"action", "runMaintenance"}), row.expected);
        QStringList logged = calls();
        std::vector<int> limits;
        for (QString& line : logged) {
            if (const QRegularExpressionMatch match = limit.match(line); match.hasMatch()) {
                limits.push_back(match.captured(1).toInt());
                line.replace(limit, QStringLiteral("RuntimeMaxSec=N "));
            }
        }
        const bool runs = row.runParts && row.systemdRun && row.serviceManager;
        EXPECT_EQ(logged, runs ? allThree : QStringList{});
        for (const int seconds : limits) {
            EXPECT_LE(seconds, 780);
            EXPECT_GE(seconds, 770) << "the fakes take no time";
        }
        if (!limits.empty()) {
            EXPECT_EQ(limits.front(), 780);
        }
    }
}

TEST_F(HelperActionsOnTheBus, NamesThatAreNotExactlyAnActionRunNothing)
{
    for (const char* name : {"FreeMemory", "freememory", " flushDNS", "flushDNS ", "flushdns",
                             "runmaintenance", "", "purge", "freeMemory\n"}) {
        EXPECT_EQ(client({"action", QString::fromUtf8(name)}), reply(false, "Unknown action"))
            << '"' << name << '"';
    }
    EXPECT_TRUE(calls().isEmpty()) << calls().join(QLatin1Char('|')).toStdString();
}

TEST_F(HelperActionsOnTheBus, OtherRequestsAreAnsweredWhileASlowActionRuns)
{
    const std::string started = (fixture() / "started").native();
    const std::string release = (fixture() / "release").native();
    writeTool("sync",
              "touch '" + started + "'\nwhile [ ! -e '" + release + "' ]; do sleep 0.05; done\nexit 0");

    const std::unique_ptr<QProcess> slow = startClient({"action", "freeMemory"});
    ASSERT_TRUE(slow->waitForStarted());
    for (int waited = 0; !fs::exists(started) && waited < 120'000; waited += 20)
        QThread::msleep(20);
    ASSERT_TRUE(fs::exists(started)) << "the slow action never started";

    // The client gives up after a minute: only a helper that waits for the action would make it.
    EXPECT_EQ(client({"--timeout-ms", "60000", "version"}), QStringLiteral("version\t1.0"));
    EXPECT_EQ(client({"--timeout-ms", "60000", "action", "flushDNS"}), reply(true, "DNS cache flushed"));
    EXPECT_EQ(slow->state(), QProcess::Running);

    put(release);
    ASSERT_TRUE(slow->waitForFinished(300'000));
    EXPECT_EQ(QString::fromUtf8(slow->readAllStandardOutput()).trimmed(), reply(true, "Page cache dropped"));
}

TEST_F(HelperActionsOnTheBus, RequestsBeyondWhatTheHelperHoldsAreTurnedAwayAtOnce)
{
    // The action blocks until released, so all requests are outstanding at once: the helper holds 256
    // (one run, the rest waiting for its reply) and turns the others away without running them.
    const std::string release = (fixture() / "release").native();
    writeTool("sync", "while [ ! -e '" + release + "' ]; do sleep 0.05; done\nexit 0");
    constexpr int kSent = 300;
    constexpr int kHeld = 256;

    const std::unique_ptr<QProcess> flood = startClient({"flood", QString::number(kSent), "3", "freeMemory"});
    ASSERT_TRUE(flood->waitForStarted());
    QStringList answers;
    const auto readAnswers = [&] {
        while (flood->canReadLine())
            answers << QString::fromUtf8(flood->readLine()).trimmed();
    };
    const QString limitsExceeded = QStringLiteral("error\torg.freedesktop.DBus.Error.LimitsExceeded");
    for (int waited = 0; answers.count(limitsExceeded) < kSent - kHeld && waited < 120'000; waited += 20) {
        flood->waitForReadyRead(20);
        readAnswers();
    }
    EXPECT_EQ(answers, QStringList(kSent - kHeld, limitsExceeded)) << "before any action finished";
    // The version is still answered, and nothing turned away ever ran.
    EXPECT_EQ(client({"--timeout-ms", "60000", "version"}), QStringLiteral("version\t1.0"));

    put(release);
    ASSERT_TRUE(flood->waitForFinished(300'000));
    readAnswers();
    EXPECT_EQ(answers.count(reply(true, "Page cache dropped")), kHeld);
    EXPECT_EQ(answers.size(), kSent);
    // Every request held arrived while the first run was going, and was answered by that run.
    EXPECT_EQ(calls().count(QStringLiteral("sync ")), 1);
    // Every answered request gave its place back.
    EXPECT_EQ(client({"action", "freeMemory"}), reply(true, "Page cache dropped"));
}

TEST_F(HelperActionsOnTheBus, MaintenanceRunsOneAtATimeAndEveryCallerGetsTheReply)
{
    // Each unit takes a moment and logs "overlap" when another one is going at the same time.
    FakeTools::writeSystemdRun(tool("systemd-run"), callLog(), fixture() / "unit-running");
    writeTool("run-parts", "sleep 0.2");
    constexpr int kSent = 64;

    const std::unique_ptr<QProcess> flood =
        startClient({"flood", QString::number(kSent), "4", "runMaintenance"});
    ASSERT_TRUE(flood->waitForFinished(300'000));
    const QStringList answers =
        QString::fromUtf8(flood->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(answers, QStringList(kSent, reply(true, "Maintenance scripts ran")));

    const QStringList logged = calls();
    EXPECT_FALSE(logged.contains(QStringLiteral("overlap"))) << logged.join(QLatin1Char('|')).toStdString();
    // Whole runs one after the other: daily, weekly, monthly, daily, ... and far fewer than requests.
    const qsizetype units = logged.count() / 2;
    ASSERT_EQ(units % 3, 0) << logged.join(QLatin1Char('|')).toStdString();
    for (qsizetype i = 0; i < units; ++i) {
        const char* folder = i % 3 == 0 ? "daily" : i % 3 == 1 ? "weekly" : "monthly";
        EXPECT_TRUE(
            logged[2 * i].startsWith(QStringLiteral("systemd-run --unit=quillmere-maintenance-") + folder))
            << logged[2 * i].toStdString();
        EXPECT_TRUE(logged[2 * i + 1].startsWith(QStringLiteral("run-parts ")))
            << logged[2 * i + 1].toStdString();
    }
    EXPECT_LT(units / 3, kSent / 4) << "repeat requests joined the run that was going";

    // Another action is not held up by a run of this one.
    const std::string release = (fixture() / "release").native();
    writeTool("run-parts", "while [ ! -e '" + release + "' ]; do sleep 0.05; done");
    const std::unique_ptr<QProcess> slow = startClient({"action", "runMaintenance"});
    ASSERT_TRUE(slow->waitForStarted());
    EXPECT_EQ(client({"--timeout-ms", "60000", "action", "flushDNS"}), reply(true, "DNS cache flushed"));
    put(release);
    ASSERT_TRUE(slow->waitForFinished(300'000));
    EXPECT_EQ(QString::fromUtf8(slow->readAllStandardOutput()).trimmed(),
              reply(true, "Maintenance scripts ran"));
}

TEST_F(HelperCallers, AnyOtherExecutableIsDeniedBeforeAnythingRuns)
{
    const std::string daemon = "/etc/systemd/system/a.service";
    put(onDisk(daemon));

    // This test program itself, connected to the same bus.
    {
        const QString name = QStringLiteral("qm-untrusted-caller");
        QDBusConnection bus = QDBusConnection::connectToBus(busAddress(), name);
        ASSERT_TRUE(bus.isConnected());
        for (const QDBusMessage& call :
             {HelperProtocol::versionCall(), HelperProtocol::performActionCall(QStringLiteral("freeMemory")),
              HelperProtocol::removeSystemThreatCall(QStringLiteral("a"),
                                                     {QString::fromStdString(daemon)})}) {
            const QDBusMessage answer = bus.call(call, QDBus::Block, 120'000);
            EXPECT_EQ(answer.type(), QDBusMessage::ErrorMessage) << call.member().toStdString();
            EXPECT_EQ(answer.errorName(), HelperProtocol::accessDeniedError()) << call.member().toStdString();
        }
        QDBusConnection::disconnectFromBus(name);
    }
    // The trusted client's very bytes, run from another place.
    TempTree elsewhere;
    const fs::path copy = elsewhere.path("HelperTestClient");
    fs::copy_file(clientExecutable(), copy);
    EXPECT_EQ(client({"action", "freeMemory"}, copy),
              QStringLiteral("error\torg.freedesktop.DBus.Error.AccessDenied"));
    EXPECT_EQ(client({"remove", "a", QString::fromStdString(daemon)}, copy),
              QStringLiteral("error\torg.freedesktop.DBus.Error.AccessDenied"));

    EXPECT_TRUE(calls().isEmpty()) << calls().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(fs::exists(onDisk(daemon)));
    EXPECT_EQ(contents(dropCaches()), QByteArray());
    // Positive control: the trusted client is served by the same helper.
    EXPECT_EQ(client({"version"}), QStringLiteral("version\t1.0"));
}

TEST_F(HelperRemoval, OneRejectedPathRefusesTheWholeRequest)
{
    const std::string unit = "/etc/systemd/system/a.service";
    put(onDisk(unit));
    put(fixture() / "tmp/b.service");

    EXPECT_EQ(client({"remove", "", QString::fromStdString(unit), "/tmp/b.service"}),
              reply(false, "Refused \u2014 1 path(s) outside the allowed system locations"));
    EXPECT_EQ(client({"remove", "", "/etc/systemd/system/../system/a.service", "/etc/xdg/autostart/",
                      QString::fromStdString(unit)}),
              reply(false, "Refused \u2014 2 path(s) outside the allowed system locations"));
    EXPECT_EQ(client({"remove", "", QString::fromStdString(unit), "/etc/systemd/system/a\x01.service"}),
              reply(false, "Refused \u2014 1 path(s) outside the allowed system locations"));
    // The other platform's launch folders are no places here.
    put(onDisk("/Library/LaunchDaemons/a.plist"));
    EXPECT_EQ(client({"remove", "", QString::fromStdString(unit), "/Library/LaunchDaemons/a.plist"}),
              reply(false, "Refused \u2014 1 path(s) outside the allowed system locations"));
    // A name that would read as another once shown: never acted on, never echoed.
    put(onDisk("/etc/xdg/autostart/a\u202egpj.desktop"));
    EXPECT_EQ(client({"remove", "", QString::fromStdString(unit),
                      QStringLiteral("/etc/xdg/autostart/a\u202egpj.desktop"),
                      QStringLiteral("/etc/xdg/autostart/b\u2066.desktop"),
                      QStringLiteral("/etc/xdg/autostart/c\u2028.desktop"),
                      QStringLiteral("/etc/xdg/autostart/d\u200e.desktop"),
                      QStringLiteral("/etc/xdg/autostart/e\u200f.desktop"),
                      QStringLiteral("/etc/xdg/autostart/f\u061c.desktop")}),
              reply(false, "Refused \u2014 6 path(s) outside the allowed system locations"));
    EXPECT_TRUE(fs::exists(onDisk("/etc/xdg/autostart/a\u202egpj.desktop")));
    EXPECT_TRUE(fs::exists(onDisk("/Library/LaunchDaemons/a.plist")));
    EXPECT_TRUE(fs::exists(onDisk(unit)));
    EXPECT_TRUE(fs::exists(fixture() / "tmp/b.service"));
    EXPECT_TRUE(calls().isEmpty()) << calls().join(QLatin1Char('|')).toStdString();
}

TEST_F(HelperRemoval, CountsWhatIsGoneAfterwards)
{
    EXPECT_EQ(client({"remove", ""}), reply(false, "Nothing to remove"));
    EXPECT_EQ(client({"remove", "", "/tmp/x"}),
              reply(false, "Refused \u2014 1 path(s) outside the allowed system locations"));
    // Already gone: counted as removed.
    EXPECT_EQ(client({"remove", "", "/etc/systemd/system/missing.service"}), reply(true, "Removed 1 item"));

    // A unit file, and a folder named like one, whatever it holds.
    put(onDisk("/etc/systemd/system/tool.service"));
    put(onDisk("/etc/systemd/system/bundle.service/sub/inner"));
    EXPECT_EQ(
        client({"remove", "", "/etc/systemd/system/tool.service", "/etc/systemd/system/bundle.service"}),
        reply(true, "Removed 2 items"));
    EXPECT_FALSE(fs::exists(onDisk("/etc/systemd/system/tool.service")));
    EXPECT_FALSE(fs::exists(onDisk("/etc/systemd/system/bundle.service")));
    EXPECT_TRUE(fs::is_directory(onDisk("/etc/systemd/system")));
}

TEST_F(HelperRemoval, ItemsThatMayStillRunAddTheNote)
{
    // A unit of every user's session or an autostart entry is not stopped by the helper; a system unit
    // that systemd does not report active, or an item already gone, needs no note.
    put(onDisk("/etc/systemd/user/agent.service"));
    put(onDisk("/etc/xdg/autostart/agent.desktop"));
    put(onDisk("/etc/systemd/system/idle.service"));
    EXPECT_EQ(client({"remove", "", "/etc/systemd/user/agent.service"}),
              reply(true, "Removed 1 item" + kStillRunning));
    EXPECT_EQ(client({"remove", "", "/etc/xdg/autostart/agent.desktop"}),
              reply(true, "Removed 1 item" + kStillRunning));
    EXPECT_EQ(client({"remove", "", "/etc/systemd/system/idle.service"}), reply(true, "Removed 1 item"));
    EXPECT_EQ(client({"remove", "", "/etc/systemd/user/gone.service", "/etc/xdg/autostart/gone.desktop"}),
              reply(true, "Removed 2 items"));
}

TEST_F(HelperRemoval, ALinkInPlaceOfAnAllowedFolderIsRefused)
{
    const std::string unit = "/etc/systemd/system/a.service";
    const fs::path elsewhere = root() / "elsewhere";
    put(elsewhere / "a.service");

    struct Row
    {
        const char* what;
        fs::path target;
    };
    const std::vector<Row> rows = {
        {"a folder elsewhere under the root", elsewhere},
        {"the same folder by a relative link", "../../elsewhere"},
        {"a folder that does not exist", root() / "nowhere"},
        {"a link to itself", "system"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(onDisk("/etc/systemd/system"));
        fs::create_symlink(row.target, onDisk("/etc/systemd/system"));
        EXPECT_EQ(client({"remove", "", QString::fromStdString(unit), "/etc/xdg/autostart/b.desktop"}),
                  kOutside);
    }
    EXPECT_TRUE(fs::exists(elsewhere / "a.service"));
    EXPECT_TRUE(calls().isEmpty()) << calls().join(QLatin1Char('|')).toStdString();
}

TEST_F(HelperRemoval, LinksInsideARemovedItemAreRemovedNotFollowed)
{
    const fs::path kept = root() / "keep";
    put(kept / "inner/file", "keep me");
    put(kept / "target-file", "keep me too");
    put(onDisk("/etc/systemd/system/bundle.service/own-file"));
    fs::create_symlink(kept, onDisk("/etc/systemd/system/bundle.service/link-to-folder"));
    fs::create_directories(onDisk("/etc/systemd/system/bundle.service/sub"));
    fs::create_symlink(kept / "inner", onDisk("/etc/systemd/system/bundle.service/sub/deeper-link"));
    fs::create_symlink(kept / "target-file", onDisk("/etc/systemd/system/link.service"));

    EXPECT_EQ(
        client({"remove", "", "/etc/systemd/system/bundle.service", "/etc/systemd/system/link.service"}),
        reply(true, "Removed 2 items"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(onDisk("/etc/systemd/system/bundle.service"))));
    EXPECT_FALSE(fs::exists(fs::symlink_status(onDisk("/etc/systemd/system/link.service"))));
    EXPECT_EQ(contents(kept / "inner/file"), QByteArray("keep me"));
    EXPECT_EQ(contents(kept / "target-file"), QByteArray("keep me too"));
}

TEST_F(HelperRemoval, ALinkSwappedInAfterTheChecksFailsClosed)
{
    const std::string unit = "/etc/systemd/system/com.example.agent.service";
    put(onDisk(unit));
    put(onDisk("/etc/xdg/autostart/agent.desktop"));
    // While systemd is asked about the unit (after every check), the unit folder becomes a link to its
    // moved self.
    const std::string units = onDisk("/etc/systemd/system").native();
    writeTool("systemctl", "if [ \"$1\" = show ] && [ ! -e '" + units + ".real' ]; then\n  mv '" + units +
                               "' '" + units + ".real'\n  ln -s system.real '" + units + "'\nfi\nexit 3");

    EXPECT_EQ(client({"remove", "", QString::fromStdString(unit), "/etc/xdg/autostart/agent.desktop"}),
              reply(false, "Removed 1, failed 1: com.example.agent.service: Too many levels of symbolic "
                           "links" +
                               kStillRunning));
    EXPECT_TRUE(fs::exists(root() / "etc/systemd/system.real/com.example.agent.service"));
    EXPECT_FALSE(fs::exists(onDisk("/etc/xdg/autostart/agent.desktop")));
}

TEST_F(HelperRemoval, OversizedAndMalformedRequestsDoNotStopTheNextGoodOne)
{
    const QString missing = QStringLiteral("/etc/systemd/system/missing.service");
    EXPECT_EQ(client({"remove-many", "", "1001", missing}),
              reply(false, "Refused \u2014 too many paths in one request"));
    EXPECT_EQ(client({"remove-many", "", "1000", missing}), reply(true, "Removed 1000 items"));
    EXPECT_EQ(client({"remove-long", "", "4097"}),
              reply(false, "Refused \u2014 1 path(s) outside the allowed system locations"));
    // The longest name a folder entry may have (255 bytes) is still only a name.
    EXPECT_EQ(client({"remove-long", "", "275"}), reply(true, "Removed 1 item"));
    EXPECT_EQ(client({"remove-long", "", "2000000"}),
              reply(false, "Refused \u2014 1 path(s) outside the allowed system locations"));
    // The label names no job here, whatever it holds; the removal itself goes on.
    EXPECT_EQ(client({"remove", QString(100'000, QLatin1Char('a')), missing}), reply(true, "Removed 1 item"));

    const QString invalidArgs = QStringLiteral("error\torg.freedesktop.DBus.Error.InvalidArgs");
    EXPECT_EQ(client({"raw", "performAction", "int"}), invalidArgs);
    EXPECT_EQ(client({"raw", "performAction", "none"}), invalidArgs);
    EXPECT_EQ(client({"raw", "version", "string"}), invalidArgs);
    EXPECT_EQ(client({"raw", "removeSystemThreat", "string"}), invalidArgs);
    EXPECT_EQ(client({"raw", "purge", "none"}),
              QStringLiteral("error\torg.freedesktop.DBus.Error.UnknownMethod"));
    EXPECT_TRUE(calls().isEmpty()) << calls().join(QLatin1Char('|')).toStdString();

    EXPECT_EQ(client({"version"}), QStringLiteral("version\t1.0"));
    EXPECT_EQ(client({"action", "freeMemory"}), reply(true, "Page cache dropped"));
}

} // namespace
} // namespace qm::test
