// Who the helper's test build serves: the installed (trusted) client only when polkit authorises its bus
// name, never another user running that very client, whatever polkit answers or fails to answer; and
// admission never holds up the helper: huge calls from another user, a polkit that does not answer and
// a stalled bus are all met while other callers are still served, and a stalled bus stops the watchdog.
#include "FakeTools.h"
#include "HelperBusTest.h"
#include "HelperReplyPrinting.h"
#include "helper/HelperService.h"
#include "protocol/HelperProtocol.h"
#include "support/PrivilegeDrop.h"
#include "support/TempTree.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace qm::test {
namespace {

using Answer = FakePolkitAuthority::Answer;

const QString kAccessDenied = QStringLiteral("error\torg.freedesktop.DBus.Error.AccessDenied");
const QString kVersion = QStringLiteral("version\t1.0");
const QString kOtherUser = QString::number(TempTree::kOtherUid);
const std::string kDaemon = "/etc/systemd/system/root-owned.service";

void put(const fs::path& path)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "x";
}

using HelperAdmission = HelperBusTest;

TEST_F(HelperAdmission, PolkitDecidesEveryCallOfTheInstalledClient)
{
    put(onDisk(kDaemon));
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
        if (row.answer) {
            polkit().setRules({{QString(), -1, *row.answer}});
            ASSERT_TRUE(polkit().start());
        } else {
            polkit().stop();
        }
        EXPECT_EQ(client({"version"}), kAccessDenied);
        EXPECT_EQ(client({"action", "runMaintenance"}), kAccessDenied);
        EXPECT_EQ(client({"remove", "", QString::fromStdString(kDaemon)}), kAccessDenied);
    }
    EXPECT_TRUE(calls().isEmpty()) << calls().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(fs::exists(onDisk(kDaemon)));

    // Authorised, the same calls are served, each asked under its own action, for the caller's bus name
    // and without interaction.
    polkit().setRules(activeUserRules());
    ASSERT_TRUE(polkit().start());
    polkit().clearCalls();
    EXPECT_EQ(client({"version"}), kVersion);
    EXPECT_EQ(client({"action", "freeMemory"}), QStringLiteral("reply\t1\tPage cache dropped"));
    EXPECT_EQ(client({"remove", "", QString::fromStdString(kDaemon)}),
              QStringLiteral("reply\t1\tRemoved 1 item"));
    EXPECT_EQ(polkit().calls(),
              (QStringList{"com.vellora.helper.maintenance system-bus-name uid=0 flags=0",
                           "com.vellora.helper.maintenance system-bus-name uid=0 flags=0",
                           "com.vellora.helper.remove-threat system-bus-name uid=0 flags=0"}));
}

TEST_F(HelperAdmission, AnotherUserRunningTheInstalledClientIsRefused)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    // What a process of another user passes the executable check with: the installed client itself (or
    // a process that connected and then exec'd it). Only polkit tells it from the desktop user.
    put(onDisk(kDaemon));
    const QStringList asOther{"--uid", kOtherUser};
    EXPECT_EQ(client(asOther + QStringList{"action", "runMaintenance"}), kAccessDenied);
    EXPECT_EQ(client(asOther + QStringList{"action", "freeMemory"}), kAccessDenied);
    EXPECT_EQ(client(asOther + QStringList{"remove", "", QString::fromStdString(kDaemon)}), kAccessDenied);
    EXPECT_EQ(client(asOther + QStringList{"version"}), kAccessDenied);
    EXPECT_TRUE(calls().isEmpty()) << calls().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(fs::exists(onDisk(kDaemon)));
    EXPECT_TRUE(polkit().calls().contains(
        QStringLiteral("com.vellora.helper.maintenance system-bus-name uid=") + kOtherUser + " flags=0"));
    // Positive control: the desktop user's client is served by the same helper.
    EXPECT_EQ(client({"action", "runMaintenance"}), QStringLiteral("reply\t1\tMaintenance scripts ran"));
}

TEST_F(HelperAdmission, APolkitThatDoesNotAnswerHoldsUpOnlyTheCallsItWasAskedAbout)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    polkit().setRules({{QString(), 0, Answer::yes}, {QString(), -1, Answer::silent}});
    const std::unique_ptr<QProcess> waiting = startClient({"--uid", kOtherUser, "action", "freeMemory"});
    ASSERT_TRUE(waiting->waitForStarted());
    for (int waited = 0; polkit().calls().isEmpty() && waited < 60'000; waited += 20)
        QThread::msleep(20);
    ASSERT_FALSE(polkit().calls().isEmpty()) << "the helper never asked polkit";

    // Answered while the question about the other call is still out: they never waited for it.
    EXPECT_EQ(client({"--timeout-ms", "60000", "version"}), kVersion);
    EXPECT_EQ(client({"--timeout-ms", "60000", "action", "flushDNS"}),
              QStringLiteral("reply\t1\tDNS cache flushed"));
    EXPECT_EQ(waiting->state(), QProcess::Running);

    // Unanswered, the question runs out and the caller is refused.
    ASSERT_TRUE(waiting->waitForFinished(120'000));
    EXPECT_EQ(QString::fromUtf8(waiting->readAllStandardOutput()).trimmed(), kAccessDenied);
    EXPECT_EQ(calls(), (QStringList{"resolvectl flush-caches", "nscd --invalidate=hosts"}));
}

// Floods of other local accounts while the desktop user calls: 64 connections in all, each with 120
// calls in flight. The flooding program is either the installed client (polkit never answers the
// flooding accounts, so every call of theirs that reaches it is held for its 15 s question) or another
// program (refused as soon as the bus has said who runs it); a flood that keeps its calls in flight sends
// each call again as soon as it is answered. With huge calls, one more account keeps 30 actions named by
// 30 MB each in flight besides. Every call of the desktop user meanwhile is answered, none is refused,
// and nothing of the flood runs. How long the desktop user's calls took is printed, not asserted: it
// depends on how busy the machine is.
enum class Flooder { installedClient, otherProgram };

struct Flood
{
    const char* what;
    int accounts;
    int connectionsEach;
    Flooder flooder = Flooder::installedClient;
    bool keepsCallsInFlight = false;
    bool hugeCalls = false;
};

void PrintTo(const Flood& flood, std::ostream* out)
{
    *out << flood.what;
}

class HelperFlood : public HelperBusTest, public ::testing::WithParamInterface<Flood>
{
};

constexpr int kCallsInFlightPerConnection = 120;
constexpr int kHugeCallsInFlight = 30;
constexpr int kHugeCallLength = 30'000'000;
// The account that sends the huge calls: none of the flooding ones.
constexpr uid_t kHugeCallsUid = 9;

const auto floodName = [](const ::testing::TestParamInfo<Flood>& info) {
    return std::string(info.param.what);
};

INSTANTIATE_TEST_SUITE_P(
    Floods, HelperFlood,
    ::testing::Values(
        Flood{"OneAccountWith64Connections", 1, 64}, Flood{"FourAccountsWith16ConnectionsEach", 4, 16},
        Flood{"EightAccountsWith8ConnectionsEach", 8, 8},
        Flood{"OneAccountWith64ConnectionsAndHugeCalls", 1, 64, Flooder::installedClient, false, true},
        Flood{"FourAccountsWith16ConnectionsEachAndHugeCalls", 4, 16, Flooder::installedClient, false, true},
        Flood{"EightAccountsWith8ConnectionsEachAndHugeCalls", 8, 8, Flooder::installedClient, false, true}),
    floodName);

// Floods that send every answered call again at once keep the bus itself busy relaying them: each of
// these takes minutes on a busy machine, longer than a test may take, so they run only when asked for
// (--gtest_also_run_disabled_tests) to measure the desktop user's calls.
INSTANTIATE_TEST_SUITE_P(
    DISABLED_KeptInFlight, HelperFlood,
    ::testing::Values(Flood{"OneAccountWith64ConnectionsOfTheInstalledClientAndHugeCalls", 1, 64,
                            Flooder::installedClient, true, true},
                      Flood{"OneAccountWith64ConnectionsOfAnotherProgram", 1, 64, Flooder::otherProgram, true,
                            false},
                      Flood{"OneAccountWith64ConnectionsOfAnotherProgramAndHugeCalls", 1, 64,
                            Flooder::otherProgram, true, true},
                      Flood{"FourAccountsWith16ConnectionsOfAnotherProgramAndHugeCalls", 4, 16,
                            Flooder::otherProgram, true, true},
                      Flood{"EightAccountsWith8ConnectionsOfAnotherProgramAndHugeCalls", 8, 8,
                            Flooder::otherProgram, true, true}),
    floodName);

// The lines in `path` that are answers ("reply" or "error").
int answersIn(const fs::path& path)
{
    int count = 0;
    QFile file(QString::fromStdString(path.native()));
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : file.readAll().split('\n'))
            count += line.startsWith("error\t") || line.startsWith("reply\t") ? 1 : 0;
    }
    return count;
}

TEST_P(HelperFlood, EveryCallOfTheDesktopUserIsServedAndNothingOfTheFloodRuns)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    const Flood& flood = GetParam();
    const int floodCalls = flood.connectionsEach * kCallsInFlightPerConnection;
    polkit().setRules({{QString(), 0, Answer::yes}, {QString(), -1, Answer::silent}});
    // The helper runs before the flood starts: while the bus is still starting it, the bus itself
    // turns away calls beyond its own bound.
    ASSERT_EQ(client({"version"}), kVersion);
    // Each flooding account's answers go to a file of their own, so no flood ever waits for this test
    // to read them.
    TempTree answers;
    // Another program: a copy of the client, which is not the executable the helper was built to trust.
    fs::path flooder = clientExecutable();
    if (flood.flooder == Flooder::otherProgram) {
        flooder = answers.path("other-program");
        fs::copy_file(clientExecutable(), flooder);
        answers.chmod(flooder, 0755);
    }
    std::vector<std::unique_ptr<QProcess>> floods;
    const auto startFlood = [&](uid_t uid, const fs::path& program, const QStringList& arguments) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(clientEnvironment());
        process->setStandardOutputFile(QString::fromStdString(answers.path(std::to_string(uid)).native()));
        process->setStandardErrorFile(QProcess::nullDevice());
        process->start(QString::fromStdString(program.native()),
                       QStringList{"--uid", QString::number(uid), "--timeout-ms", "600000"} + arguments);
        const bool started = process->waitForStarted();
        floods.push_back(std::move(process));
        return started;
    };
    QStringList floodUids;
    for (int account = 0; account < flood.accounts; ++account) {
        // The bus authenticates only users the system knows: nobody, then Debian's base accounts
        // daemon, bin, sys, ...
        const uid_t uid = account == 0 ? TempTree::kOtherUid : static_cast<uid_t>(account);
        if (::getpwuid(uid) == nullptr)
            GTEST_SKIP() << "no local account with uid " << uid;
        floodUids << QString::number(uid);
        const QString connections = QString::number(flood.connectionsEach);
        ASSERT_TRUE(
            startFlood(uid, flooder,
                       flood.keepsCallsInFlight
                           ? QStringList{"keep-flooding", connections,
                                         QString::number(kCallsInFlightPerConnection), "freeMemory"}
                           : QStringList{"flood", QString::number(floodCalls), connections, "freeMemory"}));
    }
    if (flood.hugeCalls) {
        if (::getpwuid(kHugeCallsUid) == nullptr)
            GTEST_SKIP() << "no local account with uid " << kHugeCallsUid;
        ASSERT_TRUE(startFlood(kHugeCallsUid, clientExecutable(),
                               {"keep-big-flooding", "1", QString::number(kHugeCallsInFlight),
                                QString::number(kHugeCallLength)}));
    }

    // The flood is in place once the helper answered the first round of it (turning away all that
    // admission cannot hold, refusing another program's calls) and, for calls of the installed client it
    // holds, polkit has been asked about every flooding account; the huge calls once the helper turned
    // the first of them away.
    const int floodAnsweredAtLeast = flood.flooder == Flooder::otherProgram
                                         ? flood.accounts * floodCalls
                                         : flood.accounts * floodCalls - HelperService::kMaxAdmitting;
    const auto answeredTo = [&](const QString& uid) { return answersIn(answers.path(uid.toStdString())); };
    const auto answered = [&] {
        int count = 0;
        for (const QString& uid : floodUids)
            count += answeredTo(uid);
        return count;
    };
    const auto eachAnswered = [&] {
        std::string text;
        for (const QString& uid : floodUids)
            text += " uid " + uid.toStdString() + ": " + std::to_string(answeredTo(uid));
        if (flood.hugeCalls)
            text += " huge calls: " + std::to_string(answeredTo(QString::number(kHugeCallsUid)));
        return text;
    };
    const auto everyAccountAsked = [&] {
        if (flood.flooder == Flooder::otherProgram)
            return true;
        const QStringList asked = polkit().calls();
        return std::all_of(floodUids.begin(), floodUids.end(), [&](const QString& uid) {
            return asked.contains(QStringLiteral("com.vellora.helper.maintenance system-bus-name uid=") +
                                  uid + QStringLiteral(" flags=0"));
        });
    };
    const auto hugeCallsArrived = [&] {
        return !flood.hugeCalls || answeredTo(QString::number(kHugeCallsUid)) > 0;
    };
    QElapsedTimer patience;
    patience.start();
    while (patience.elapsed() < 120'000 &&
           (answered() < floodAnsweredAtLeast || !everyAccountAsked() || !hugeCallsArrived()))
        QThread::msleep(20);
    ASSERT_GE(answered(), floodAnsweredAtLeast) << "the flood never reached the helper;" << eachAnswered();
    ASSERT_TRUE(everyAccountAsked()) << "polkit was not asked about every account;" << eachAnswered();
    ASSERT_TRUE(hugeCallsArrived()) << "the huge calls never reached the helper;" << eachAnswered();

    constexpr int kCalls = 100;
    std::vector<qint64> times;
    int wrong = 0;
    for (int i = 0; i < kCalls; ++i) {
        const bool action = i % 5 == 4;
        QElapsedTimer timer;
        timer.start();
        const QString answer = action ? client({"--timeout-ms", "60000", "action", "flushDNS"})
                                      : client({"--timeout-ms", "60000", "version"});
        times.push_back(timer.elapsed());
        const QString expected = action ? QStringLiteral("reply\t1\tDNS cache flushed") : kVersion;
        if (answer != expected && ++wrong <= 5) {
            ADD_FAILURE() << "call " << i << " answered " << answer.toStdString();
        }
    }
    std::sort(times.begin(), times.end());
    double load[3] = {};
    ::getloadavg(load, 3);
    std::printf("%s: %d calls of the desktop user, %d not served; median %lld ms, slowest %lld ms "
                "(load average %.2f %.2f %.2f);%s\n",
                flood.what, kCalls, wrong, static_cast<long long>(times[times.size() / 2]),
                static_cast<long long>(times.back()), load[0], load[1], load[2], eachAnswered().c_str());
    EXPECT_EQ(wrong, 0);
    // Only the desktop user's own actions ran.
    QStringList expectedCalls;
    for (int i = 0; i < kCalls / 5; ++i)
        expectedCalls << QStringLiteral("resolvectl flush-caches")
                      << QStringLiteral("nscd --invalidate=hosts");
    EXPECT_EQ(calls(), expectedCalls);
    for (const std::unique_ptr<QProcess>& process : floods) {
        process->kill();
        process->waitForFinished();
    }
}

TEST_F(HelperAdmission, CallsBeyondTheProtocolsBoundsAreTurnedAwayBeforeAnyoneIsAsked)
{
    const QString invalidArgs = QStringLiteral("error\torg.freedesktop.DBus.Error.InvalidArgs");
    const QString missing = QStringLiteral("/etc/systemd/system/missing.service");
    const QString tooMany = QStringLiteral("reply\t0\tRefused \u2014 too many paths in one request");
    const QString outside =
        QStringLiteral("reply\t0\tRefused \u2014 1 path(s) outside the allowed system locations");
    struct Row
    {
        QStringList call;
        QString expected;
        bool asked; // whether the caller's admission was asked about at all
    };
    const std::vector<Row> rows = {
        {{"action", QString(HelperProtocol::kMaxActionNameLength, QLatin1Char('a'))},
         QStringLiteral("reply\t0\tUnknown action"),
         true},
        {{"action", QString(HelperProtocol::kMaxActionNameLength + 1, QLatin1Char('a'))}, invalidArgs, false},
        {{"remove-many", "", QString::number(HelperProtocol::kMaxRemovalPathCount), missing}, tooMany, true},
        {{"remove-many", "", QString::number(HelperProtocol::kMaxRemovalPathCount + 1), missing},
         invalidArgs,
         false},
        {{"remove-long", "", QString::number(HelperProtocol::kMaxRemovalTextLength)}, outside, true},
        {{"remove-long", "", QString::number(HelperProtocol::kMaxRemovalTextLength + 1)}, invalidArgs, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.call.mid(0, 1).join(QLatin1Char(' ')).toStdString() + " " +
                     row.call.mid(2).join(QLatin1Char(' ')).left(40).toStdString());
        polkit().clearCalls();
        EXPECT_EQ(client(row.call), row.expected);
        EXPECT_EQ(polkit().calls().size(), row.asked ? 1 : 0);
    }
    EXPECT_TRUE(calls().isEmpty()) << calls().join(QLatin1Char('|')).toStdString();
}

// Waits up to a minute until `name` has an owner on the test bus.
bool waitForOwner(const QString& address, const QString& name, QProcess& owner)
{
    const QString connection = QStringLiteral("qm-helper-test-owner");
    bool owned = false;
    for (int waited = 0; !owned && waited < 60'000 && owner.state() != QProcess::NotRunning; waited += 50) {
        {
            QDBusConnection bus = QDBusConnection::connectToBus(address, connection);
            owned = bus.isConnected() && bus.interface()->isServiceRegistered(name).value();
        }
        QDBusConnection::disconnectFromBus(connection);
        if (!owned)
            QThread::msleep(50);
    }
    return owned;
}

TEST_F(HelperAdmission, TheRealPolkitServesTheAdministratorAndRefusesAnotherUser)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    const QString polkitd = QStringLiteral("/usr/lib/polkit-1/polkitd");
    if (!QFile::exists(polkitd) || !QFile::exists(QStringLiteral("/usr/bin/unshare")))
        GTEST_SKIP() << "polkitd (Debian package polkitd) or unshare is not installed";
    polkit().stop();

    // polkitd reads actions only from /usr/share/polkit-1/actions: in a mount namespace of its own,
    // that folder holds just the helper's shipped file.
    TempTree actions;
    fs::copy_file(QM_TEST_HELPER_POLKIT_ACTIONS, actions.path("com.vellora.helper.policy"));
    actions.chmod(actions.path("com.vellora.helper.policy"), 0644);
    QProcess real;
    real.setProcessEnvironment(clientEnvironment());
    real.setProcessChannelMode(QProcess::MergedChannels);
    real.start(QStringLiteral("/usr/bin/unshare"),
               {QStringLiteral("--mount"), QStringLiteral("--propagation"), QStringLiteral("private"),
                QStringLiteral("/bin/sh"), QStringLiteral("-c"),
                QStringLiteral("mount --bind \"$0\" /usr/share/polkit-1/actions && exec \"$1\" --no-debug"),
                QString::fromStdString(actions.root().native()), polkitd});
    if (!waitForOwner(busAddress(), QStringLiteral("org.freedesktop.PolicyKit1"), real)) {
        real.kill();
        real.waitForFinished();
        GTEST_SKIP() << "polkitd could not be started here: " << real.readAll().toStdString();
    }

    // polkit read the shipped actions as meant: the active user yes, anyone else an administrator.
    for (const char* action : {"com.vellora.helper.maintenance", "com.vellora.helper.remove-threat"}) {
        QProcess pkaction;
        pkaction.setProcessEnvironment(clientEnvironment());
        pkaction.start(
            QStringLiteral("pkaction"),
            {QStringLiteral("--action-id"), QString::fromLatin1(action), QStringLiteral("--verbose")});
        ASSERT_TRUE(pkaction.waitForFinished(60'000));
        QStringList lines;
        for (const QByteArray& line : pkaction.readAllStandardOutput().split('\n'))
            lines << QString::fromUtf8(line).simplified();
        for (const char* implicit :
             {"implicit any: auth_admin", "implicit inactive: auth_admin", "implicit active: yes"})
            EXPECT_TRUE(lines.contains(QLatin1String(implicit))) << action << ": " << implicit;
    }

    // No session here is active, but polkit authorises root for anything; another user would need a
    // password, which the helper never lets polkit ask for.
    put(onDisk(kDaemon));
    EXPECT_EQ(client({"version"}), kVersion);
    EXPECT_EQ(client({"--uid", kOtherUser, "action", "freeMemory"}), kAccessDenied);
    EXPECT_EQ(client({"--uid", kOtherUser, "remove", "", QString::fromStdString(kDaemon)}), kAccessDenied);
    EXPECT_TRUE(calls().isEmpty()) << calls().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(fs::exists(onDisk(kDaemon)));
    EXPECT_EQ(client({"remove", "", QString::fromStdString(kDaemon)}),
              QStringLiteral("reply\t1\tRemoved 1 item"));

    real.kill();
    real.waitForFinished();
}

// The peak resident memory of `pid` (VmHWM), in bytes; 0 when unknown.
qint64 peakMemory(pid_t pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

// MemoryMax= of the generated unit, in bytes (suffix K, M or G); 0 when absent.
qint64 unitMemoryMax()
{
    QFile unit(QStringLiteral(QM_TEST_HELPER_UNIT));
    if (!unit.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : unit.readAll().split('\n')) {
        if (!line.startsWith("MemoryMax="))
            continue;
        QByteArray value = line.mid(10).trimmed();
        qint64 scale = 1;
        if (value.endsWith('K'))
            scale = 1024;
        else if (value.endsWith('M'))
            scale = 1024 * 1024;
        else if (value.endsWith('G'))
            scale = 1024 * 1024 * 1024;
        if (scale != 1)
            value.chop(1);
        return value.toLongLong() * scale;
    }
    return 0;
}

TEST_F(HelperAdmission, HugeCallsFromAnotherUserNeitherStopTheHelperNorOutgrowItsMemory)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    ASSERT_EQ(client({"version"}), kVersion);
    const pid_t helper = helperPid();
    ASSERT_GT(helper, 0);

    // Three actions named by 30 MB each, sent without waiting for an answer.
    const std::unique_ptr<QProcess> flood =
        startClient({"--uid", kOtherUser, "--timeout-ms", "120000", "big-flood", "3", "30000000"});
    ASSERT_TRUE(flood->waitForStarted());
    for (int waited = 0; !flood->canReadLine() && waited < 60'000; waited += 20)
        flood->waitForReadyRead(20);
    ASSERT_EQ(flood->readLine().trimmed(), QByteArray("sent"));
    // Give the bus a moment to pass the calls on, so the version call arrives behind them.
    QThread::msleep(200);

    // A helper stalled by the flood never answers within the call's minute.
    EXPECT_EQ(client({"--timeout-ms", "60000", "version"}), kVersion);

    ASSERT_TRUE(flood->waitForFinished(120'000));
    EXPECT_EQ(QString::fromUtf8(flood->readAllStandardOutput()).trimmed().split(QLatin1Char('\n')),
              QStringList(3, QStringLiteral("error\torg.freedesktop.DBus.Error.InvalidArgs")));
    EXPECT_TRUE(calls().isEmpty()) << calls().join(QLatin1Char('|')).toStdString();
    // Turned away before anyone was asked about them: polkit heard only of the two versions.
    EXPECT_EQ(polkit().calls().size(), 2) << polkit().calls().join(QLatin1Char('|')).toStdString();

    const qint64 peak = peakMemory(helper);
    const qint64 limit = unitMemoryMax();
    std::printf("helper's peak memory after the flood: %lld MiB (MemoryMax %lld MiB)\n", peak / (1024 * 1024),
                limit / (1024 * 1024));
    ASSERT_GT(limit, 0) << "the unit sets no MemoryMax";
    EXPECT_GT(peak, 0);
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer's shadow memory and quarantine add to every allocation: the peak of such a
    // build says nothing about the unit's limit.
#else
    EXPECT_LT(peak, limit);
#endif
}

// The helper's test build under a systemd-like watchdog: WATCHDOG_USEC asks for a ping a second, and
// NOTIFY_SOCKET is a datagram socket of this test that collects what the helper tells "systemd". The
// bus hides NOTIFY_SOCKET from what it activates, so the test starts the helper itself, as systemd does.
class HelperWatchdog : public HelperBusTest
{
protected:
    void SetUp() override
    {
        HelperBusTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        const std::string socketPath = m_folder.path("notify").native();
        m_socket = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ASSERT_GE(m_socket, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        const timeval timeout{0, 20'000};
        ::setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);

        QProcessEnvironment environment = clientEnvironment();
        environment.insert(QStringLiteral("NOTIFY_SOCKET"), QString::fromStdString(socketPath));
        environment.insert(QStringLiteral("WATCHDOG_USEC"), QStringLiteral("1000000"));
        m_helper.setProcessEnvironment(environment);
        m_helper.setProcessChannelMode(QProcess::ForwardedChannels);
        m_helper.start(QStringLiteral(QM_TEST_HELPER_BUILD), {});
        ASSERT_TRUE(m_helper.waitForStarted());
        for (int waited = 0; helperPid() != m_helper.processId() && waited < 60'000; waited += 20)
            QThread::msleep(20);
        ASSERT_EQ(helperPid(), m_helper.processId()) << "the helper never took its name";
    }
    void TearDown() override
    {
        if (busPid() > 0)
            ::kill(static_cast<pid_t>(busPid()), SIGCONT);
        HelperBusTest::TearDown();
        m_helper.kill();
        m_helper.waitForFinished();
        if (m_socket >= 0)
            ::close(m_socket);
    }

    // The notifications that arrive within `ms` milliseconds.
    QStringList notifications(int ms)
    {
        QStringList received;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < ms) {
            char buffer[256];
            const ssize_t n = ::recv(m_socket, buffer, sizeof buffer, 0);
            if (n > 0)
                received << QString::fromUtf8(buffer, n);
        }
        return received;
    }

private:
    TempTree m_folder;
    QProcess m_helper;
    int m_socket = -1;
};

TEST_F(HelperWatchdog, IsFedOnlyWhileTheBusAnswers)
{
    ASSERT_EQ(client({"version"}), kVersion);
    EXPECT_TRUE(notifications(3'000).contains(QStringLiteral("WATCHDOG=1")));

    // A stopped bus answers nothing: once the question already out has run out, the pings stop.
    ASSERT_EQ(::kill(static_cast<pid_t>(busPid()), SIGSTOP), 0);
    notifications(1'500);
    EXPECT_EQ(notifications(2'500), QStringList()) << "pinged while the bus stood still";
    ASSERT_EQ(::kill(static_cast<pid_t>(busPid()), SIGCONT), 0);
    EXPECT_TRUE(notifications(3'000).contains(QStringLiteral("WATCHDOG=1")));
}

} // namespace
} // namespace qm::test
