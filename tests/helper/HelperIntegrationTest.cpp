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
    const std::string daemon = "/Library/LaunchDaemons/a.plist";
    put(onDisk(daemon));
    FakeTools::registerJob(launchdState(), "a", daemon);

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
    const std::string daemon = "/Library/LaunchDaemons/a.plist";
    put(onDisk(daemon), FakeTools::launchPlist("a"));
    FakeTools::registerJob(launchdState(), "a", daemon);
    put(fixture() / "tmp/b.plist");

    EXPECT_EQ(client({"remove", "a", QString::fromStdString(daemon), "/tmp/b.plist"}),
              reply(false, "Refused \u2014 1 path(s) outside the allowed system locations"));
    EXPECT_EQ(client({"remove", "a", "/Library/LaunchDaemons/../LaunchDaemons/a.plist",
                      "/Library/LaunchAgents/", QString::fromStdString(daemon)}),
              reply(false, "Refused \u2014 2 path(s) outside the allowed system locations"));
    EXPECT_EQ(client({"remove", "a", QString::fromStdString(daemon), "/Library/LaunchDaemons/a\x01.plist"}),
              reply(false, "Refused \u2014 1 path(s) outside the allowed system locations"));
    // A name that would read as another once shown: never acted on, never echoed.
    put(onDisk("/Library/LaunchDaemons/a\u202egpj.plist"));
    EXPECT_EQ(client({"remove", "a", QString::fromStdString(daemon),
                      QStringLiteral("/Library/LaunchDaemons/a\u202egpj.plist"),
                      QStringLiteral("/Library/LaunchAgents/b\u2066.plist"),
                      QStringLiteral("/Library/LaunchAgents/c\u2028.plist"),
                      QStringLiteral("/Library/LaunchAgents/d\u200e.plist"),
                      QStringLiteral("/Library/LaunchAgents/e\u200f.plist"),
                      QStringLiteral("/Library/LaunchAgents/f\u061c.plist")}),
              reply(false, "Refused \u2014 6 path(s) outside the allowed system locations"));
    EXPECT_TRUE(fs::exists(onDisk("/Library/LaunchDaemons/a\u202egpj.plist")));
    EXPECT_TRUE(fs::exists(onDisk(daemon)));
    EXPECT_TRUE(fs::exists(fixture() / "tmp/b.plist"));
    EXPECT_TRUE(calls().isEmpty()) << calls().join(QLatin1Char('|')).toStdString();
}

TEST_F(HelperRemoval, CountsWhatIsGoneAfterwards)
{
    EXPECT_EQ(client({"remove", ""}), reply(false, "Nothing to remove"));
    EXPECT_EQ(client({"remove", "", "/tmp/x"}),
              reply(false, "Refused \u2014 1 path(s) outside the allowed system locations"));
    // Already gone: counted as removed.
    EXPECT_EQ(client({"remove", "", "/Library/LaunchDaemons/missing.plist"}), reply(true, "Removed 1 item"));

    put(onDisk("/Library/PrivilegedHelperTools/tool"));
    put(onDisk("/Library/PrivilegedHelperTools/bundle/Contents/MacOS/bundle"));
    EXPECT_EQ(client({"remove", "", "/Library/PrivilegedHelperTools/tool",
                      "/Library/PrivilegedHelperTools/bundle"}),
              reply(true, "Removed 2 items"));
    EXPECT_FALSE(fs::exists(onDisk("/Library/PrivilegedHelperTools/tool")));
    EXPECT_FALSE(fs::exists(onDisk("/Library/PrivilegedHelperTools/bundle")));
    EXPECT_TRUE(fs::is_directory(onDisk("/Library/PrivilegedHelperTools")));
}

TEST_F(HelperRemoval, ALinkInPlaceOfAnAllowedFolderIsRefused)
{
    const std::string daemon = "/Library/LaunchDaemons/a.plist";
    const fs::path elsewhere = root() / "elsewhere";
    put(elsewhere / "a.plist", FakeTools::launchPlist("a"));
    FakeTools::registerJob(launchdState(), "a", daemon);
    fs::remove(onDisk("/Library/LaunchDaemons"));

    struct Row
    {
        const char* what;
        fs::path target;
    };
    const std::vector<Row> rows = {
        {"a folder elsewhere under the root", elsewhere},
        {"the same folder by a relative link", "../elsewhere"},
        {"a folder that does not exist", root() / "nowhere"},
        {"a link to itself", "LaunchDaemons"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(onDisk("/Library/LaunchDaemons"));
        fs::create_symlink(row.target, onDisk("/Library/LaunchDaemons"));
        EXPECT_EQ(client({"remove", "a", QString::fromStdString(daemon), "/Library/LaunchAgents/b.plist"}),
                  kOutside);
    }
    EXPECT_TRUE(fs::exists(elsewhere / "a.plist"));
    EXPECT_TRUE(calls().isEmpty()) << calls().join(QLatin1Char('|')).toStdString();
}

TEST_F(HelperRemoval, LinksInsideARemovedItemAreRemovedNotFollowed)
{
    const fs::path kept = root() / "keep";
    put(kept / "inner/file", "keep me");
    put(kept / "target-file", "keep me too");
    put(onDisk("/Library/PrivilegedHelperTools/bundle/own-file"));
    fs::create_symlink(kept, onDisk("/Library/PrivilegedHelperTools/bundle/link-to-folder"));
    fs::create_directories(onDisk("/Library/PrivilegedHelperTools/bundle/sub"));
    fs::create_symlink(kept / "inner", onDisk("/Library/PrivilegedHelperTools/bundle/sub/deeper-link"));
    fs::create_symlink(kept / "target-file", onDisk("/Library/PrivilegedHelperTools/tool-link"));

    EXPECT_EQ(client({"remove", "", "/Library/PrivilegedHelperTools/bundle",
                      "/Library/PrivilegedHelperTools/tool-link"}),
              reply(true, "Removed 2 items"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(onDisk("/Library/PrivilegedHelperTools/bundle"))));
    EXPECT_FALSE(fs::exists(fs::symlink_status(onDisk("/Library/PrivilegedHelperTools/tool-link"))));
    EXPECT_EQ(contents(kept / "inner/file"), QByteArray("keep me"));
    EXPECT_EQ(contents(kept / "target-file"), QByteArray("keep me too"));
}

TEST_F(HelperRemoval, BootsOutOnlyJobsLoadedFromARemovedFileAndBeforeDeleting)
{
    const std::string agent = "/Library/LaunchDaemons/com.example.agent.plist";
    const QString agentArg = QString::fromStdString(agent);
    const QString print = QStringLiteral("launchctl print system/com.example.agent");
    const QString bootout = QStringLiteral("launchctl bootout system/com.example.agent");
    const QString saw = QStringLiteral("bootout saw ") + agentArg;

    SCOPED_TRACE("the requested label is loaded from the file being removed");
    put(onDisk(agent), FakeTools::launchPlist("com.example.agent"));
    FakeTools::registerJob(launchdState(), "com.example.agent", agent);
    EXPECT_EQ(client({"remove", "com.example.agent", agentArg}), reply(true, "Removed 1 item"));
    // Booted out while the file was still there; asked again afterwards, and once more for the property
    // list's own label, which is no longer loaded.
    EXPECT_EQ(calls(), (QStringList{print, bootout, saw, print, print}));
    EXPECT_FALSE(fs::exists(onDisk(agent)));

    SCOPED_TRACE("the job is loaded from a file outside the request");
    clearCalls();
    put(onDisk(agent), FakeTools::launchPlist("com.example.agent"));
    put(onDisk("/Library/LaunchDaemons/other.plist"));
    FakeTools::registerJob(launchdState(), "com.example.agent", "/Library/LaunchDaemons/other.plist");
    EXPECT_EQ(client({"remove", "com.example.agent", agentArg}), reply(true, "Removed 1 item"));
    EXPECT_EQ(calls(), (QStringList{print, print}));
    EXPECT_TRUE(fs::exists(onDisk("/Library/LaunchDaemons/other.plist")));

    SCOPED_TRACE("launchd still reports the job after the bootout");
    clearCalls();
    put(onDisk(agent), FakeTools::launchPlist("com.example.agent"));
    FakeTools::registerJob(launchdState(), "com.example.agent", agent);
    put(launchdState() / "com.example.agent.stays");
    EXPECT_EQ(client({"remove", "com.example.agent", agentArg}),
              reply(true, "Removed 1 item" + kStillRunning));
    EXPECT_EQ(calls(), (QStringList{print, bootout, saw, print, print, bootout, saw, print}));
    fs::remove(launchdState() / "com.example.agent.stays");
    fs::remove(launchdState() / "com.example.agent");
}

TEST_F(HelperRemoval, DaemonPropertyListsAreBootedOutByTheirOwnLabels)
{
    const std::string apple = "/Library/LaunchDaemons/com.apple.x.plist";
    put(onDisk(apple), FakeTools::launchPlist("com.apple.x"));
    FakeTools::registerJob(launchdState(), "com.apple.x", apple);

    // No label asked for, and an Apple label is never booted out by request; launchd itself says
    // this job came from this very file, so its own label is.
    for (const QString& requested : {QString(), QStringLiteral("com.apple.x")}) {
        SCOPED_TRACE(requested.toStdString());
        clearCalls();
        put(onDisk(apple), FakeTools::launchPlist("com.apple.x"));
        FakeTools::registerJob(launchdState(), "com.apple.x", apple);
        EXPECT_EQ(client({"remove", requested, QString::fromStdString(apple)}),
                  reply(true, "Removed 1 item"));
        EXPECT_EQ(calls(),
                  (QStringList{"launchctl print system/com.apple.x", "launchctl bootout system/com.apple.x",
                               "bootout saw /Library/LaunchDaemons/com.apple.x.plist",
                               "launchctl print system/com.apple.x"}));
    }

    SCOPED_TRACE("items that may still run add the note");
    clearCalls();
    put(onDisk("/Library/LaunchAgents/agent.plist"), FakeTools::launchPlist("agent"));
    put(onDisk("/Library/LaunchDaemons/nolabel.plist"), FakeTools::launchPlist(""));
    EXPECT_EQ(client({"remove", "", "/Library/LaunchAgents/agent.plist"}),
              reply(true, "Removed 1 item" + kStillRunning));
    EXPECT_EQ(client({"remove", "", "/Library/LaunchDaemons/nolabel.plist"}),
              reply(true, "Removed 1 item" + kStillRunning));
    EXPECT_EQ(client({"remove", "", "/Library/LaunchAgents/gone.plist", "/Library/LaunchDaemons/gone.plist"}),
              reply(true, "Removed 2 items"));
    EXPECT_TRUE(calls().isEmpty()) << calls().join(QLatin1Char('|')).toStdString();
}

TEST_F(HelperRemoval, ALinkSwappedInAfterTheChecksFailsClosed)
{
    const std::string agent = "/Library/LaunchDaemons/com.example.agent.plist";
    put(onDisk(agent), FakeTools::launchPlist("com.example.agent"));
    put(onDisk("/Library/PrivilegedHelperTools/tool"));
    FakeTools::registerJob(launchdState(), "com.example.agent", agent);
    // While the job is booted out (after every check), the daemon folder becomes a link to its moved self.
    const std::string daemons = onDisk("/Library/LaunchDaemons").native();
    FakeTools::writeTool(launchdState() / "on-bootout", "swap", callLog(),
                         "mv '" + daemons + "' '" + daemons + ".real'\nln -s LaunchDaemons.real '" + daemons +
                             "'");

    // The job's own label was read with the checks, before the swap, and launchd no longer reports it.
    EXPECT_EQ(
        client({"remove", "com.example.agent", QString::fromStdString(agent),
                "/Library/PrivilegedHelperTools/tool"}),
        reply(false, "Removed 1, failed 1: com.example.agent.plist: Too many levels of symbolic links"));
    EXPECT_TRUE(fs::exists(root() / "Library/LaunchDaemons.real/com.example.agent.plist"));
    EXPECT_FALSE(fs::exists(onDisk("/Library/PrivilegedHelperTools/tool")));
}

TEST_F(HelperRemoval, OversizedAndMalformedRequestsDoNotStopTheNextGoodOne)
{
    const QString missing = QStringLiteral("/Library/LaunchDaemons/missing.plist");
    EXPECT_EQ(client({"remove-many", "", "1001", missing}),
              reply(false, "Refused \u2014 too many paths in one request"));
    EXPECT_EQ(client({"remove-many", "", "1000", missing}), reply(true, "Removed 1000 items"));
    EXPECT_EQ(client({"remove-long", "", "4097"}),
              reply(false, "Refused \u2014 1 path(s) outside the allowed system locations"));
    // The longest name a folder entry may have (255 bytes) is still only a name.
    EXPECT_EQ(client({"remove-long", "", "278"}), reply(true, "Removed 1 item"));
    EXPECT_EQ(client({"remove-long", "", "2000000"}),
              reply(false, "Refused \u2014 1 path(s) outside the allowed system locations"));
    // A label that is no label names no job; the removal itself goes on.
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
