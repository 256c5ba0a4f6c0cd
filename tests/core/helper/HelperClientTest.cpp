// The helper client with a fake service manager, a fake prompt, a helper on a bus in memory and the
// manual clock: registration and re-registration after an update, the route of each request, deadlines,
// holds and late replies, the prompt's answers, and removals refused before anything is sent.
#include "core/helper/HelperClient.h"

#include "support/FakeAdminPrompt.h"
#include "support/FakeClock.h"
#include "support/FakeDaemonService.h"
#include "support/FakeHelperBus.h"
#include "support/FixtureHome.h"

#include <QCoreApplication>
#include <QDBusError>
#include <QFile>
#include <QSettings>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <cerrno>

using namespace std::chrono_literals;

namespace qm::test {
namespace {

using Status = HelperClient::Status;
using ServiceStatus = DaemonService::Status;
using Answer = HelperClient::Answer;

const QString kStillFinishing = QStringLiteral(
    "This action is still finishing from a moment ago \u2014 give it a bit longer before trying again.");
const QString kTakingLonger = QStringLiteral("This is taking longer than expected \u2014 it may still be "
                                             "finishing. Give it a moment, then check again.");
const QString kInstallFirst =
    QStringLiteral("Install the privileged helper first to remove system-level items.");
const QString kNothingValid = QStringLiteral("Nothing valid to remove.");
const QString kRemovalSlow = QStringLiteral(
    "This is taking longer than expected \u2014 check the item in your file manager, then re-scan.");
const QString kRegisterAgain = QStringLiteral(
    "The privileged helper couldn't be registered again after an update. Install it again from Performance.");

const Error kDenied(ErrorDomain::Posix, EIO, QStringLiteral("Not authorized"));
const Error kDismissed(ErrorDomain::Posix, ECANCELED, QStringLiteral("Cancelled"));

// Collects the answers given to one or more requests. The handler shares the list, so an answer that
// arrives after the collecting object is gone lands in a list that is still alive.
struct Answers
{
    std::shared_ptr<std::vector<Answer>> shared = std::make_shared<std::vector<Answer>>();
    std::vector<Answer>& list = *shared;
    HelperClient::AnswerHandler handler()
    {
        return [keep = shared](const Answer& answer) { keep->push_back(answer); };
    }
};

class HelperClientTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // QSettings keeps the folder it found first for the life of the process; point it at the fixture.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QFile::decodeName(QByteArray::fromStdString(home.configHome().native())));
    }

    void TearDown() override
    {
        client.reset();
        pool.waitForDone();
    }

    HelperClient& makeClient(const QString& build = QStringLiteral("42"))
    {
        client = std::make_unique<HelperClient>(
            HelperClient::Services{clock, daemon, prompt, bus->factory(), build, &pool});
        QObject::connect(client.get(), &HelperClient::statusChanged, client.get(),
                         [this] { published.emplace_back(client->status(), client->statusMessage()); });
        return *client;
    }

    // Lets every job the client started run and deliver its result, however many follow one another.
    void settle()
    {
        for (int round = 0; round < 50; ++round) {
            pool.waitForDone();
            QCoreApplication::processEvents();
        }
    }

    // Makes the client see the daemon as installed.
    void installed()
    {
        daemon->setStatus(ServiceStatus::enabled);
        client->refreshStatus();
        settle();
        ASSERT_EQ(client->status(), Status::installed);
    }

    static void storeBuild(const QString& build)
    {
        QSettings(QStringLiteral("Vellora"), QStringLiteral("Quillmere"))
            .setValue(HelperClient::registeredBuildKey(), build);
    }
    static std::optional<QString> storedBuild()
    {
        const QSettings settings(QStringLiteral("Vellora"), QStringLiteral("Quillmere"));
        if (!settings.contains(HelperClient::registeredBuildKey()))
            return std::nullopt;
        return settings.value(HelperClient::registeredBuildKey()).toString();
    }

    std::vector<std::chrono::milliseconds> registerTimes() const
    {
        std::vector<std::chrono::milliseconds> times;
        for (const FakeDaemonService::Call& call : daemon->calls()) {
            if (call.operation == QLatin1String("register"))
                times.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(call.at - start));
        }
        return times;
    }

    // Runs the request and lets the prompt (if any) answer.
    Answers perform(HelperAction action)
    {
        Answers answers;
        client->perform(action, answers.handler());
        settle();
        return answers;
    }

    FixtureHome home;
    FakeClock clock;
    const std::chrono::steady_clock::time_point start = clock.monotonicNow();
    std::shared_ptr<FakeDaemonService> daemon =
        std::make_shared<FakeDaemonService>(ServiceStatus::notRegistered, &clock);
    std::shared_ptr<FakeAdminPrompt> prompt = std::make_shared<FakeAdminPrompt>();
    std::shared_ptr<FakeHelperBus> bus = std::make_shared<FakeHelperBus>();
    QThreadPool pool;
    std::unique_ptr<HelperClient> client;
    std::vector<std::pair<Status, QString>> published;
};

// --- registration ---------------------------------------------------------------------------------

TEST_F(HelperClientTest, AFreshClientIsNotInstalledAndAsksNothing)
{
    makeClient();
    settle();
    EXPECT_EQ(client->status(), Status::notInstalled);
    EXPECT_EQ(client->statusMessage(), QString());
    EXPECT_FALSE(client->daemonUsable().has_value());
    EXPECT_TRUE(daemon->calls().empty());
    EXPECT_EQ(bus->connectionsMade(), 0);
}

TEST_F(HelperClientTest, StatusMapsEveryServiceAnswerAndIsPublishedEveryTime)
{
    struct Row
    {
        std::optional<ServiceStatus> service; // none: the query fails
        Status status;
        QString message;
    };
    const Error noSystemd(ErrorDomain::Posix, ENOSYS, QStringLiteral("The privileged helper needs systemd."));
    const std::vector<Row> rows{
        {ServiceStatus::notRegistered, Status::notInstalled, {}},
        {ServiceStatus::enabled, Status::installed, {}},
        {ServiceStatus::requiresApproval, Status::requiresApproval, {}},
        {ServiceStatus::notFound, Status::notInstalled, {}},
        {ServiceStatus::unknown, Status::unavailable, QStringLiteral("Unknown state")},
        {std::nullopt, Status::unavailable, noSystemd.description()},
    };
    makeClient();
    for (const Row& row : rows) {
        if (row.service)
            daemon->setStatus(*row.service);
        else
            daemon->setStatusError(noSystemd);
        published.clear();
        client->refreshStatus();
        settle();
        client->refreshStatus();
        settle();
        ASSERT_EQ(published.size(), 2u) << "an unchanged state is published again";
        EXPECT_EQ(client->status(), row.status) << row.message.toStdString();
        EXPECT_EQ(client->statusMessage(), row.message);
    }
}

TEST_F(HelperClientTest, InstallRegistersStoresTheBuildAndRereadsTheState)
{
    storeBuild(QStringLiteral("41"));
    makeClient();
    client->install();
    EXPECT_TRUE(client->registrationBusy());
    settle();
    EXPECT_FALSE(client->registrationBusy());
    EXPECT_EQ(client->status(), Status::installed);
    EXPECT_EQ(storedBuild(), QStringLiteral("42"));
    EXPECT_EQ(daemon->count(QStringLiteral("register")), 1);
}

TEST_F(HelperClientTest, InstallFailureShowsTheReasonAndKeepsTheStoredBuild)
{
    storeBuild(QStringLiteral("41"));
    makeClient();
    daemon->failRegistrations(1, kDenied);
    client->install();
    settle();
    EXPECT_EQ(client->status(), Status::unavailable);
    EXPECT_EQ(client->statusMessage(), QStringLiteral("Not authorized"));
    EXPECT_EQ(storedBuild(), QStringLiteral("41"));
    EXPECT_EQ(daemon->count(QStringLiteral("status")), 0) << "a failure is not followed by a query";

    // A dismissed prompt is no failure: the state is only read again.
    daemon->failRegistrations(1, kDismissed);
    client->install();
    settle();
    EXPECT_EQ(client->status(), Status::notInstalled);
    EXPECT_EQ(storedBuild(), QStringLiteral("41"));
}

TEST_F(HelperClientTest, UninstallDropsTheConnectionForgetsTheBuildAndRereads)
{
    makeClient();
    installed();
    client->install();
    settle();
    ASSERT_EQ(storedBuild(), QStringLiteral("42"));
    Answers answers;
    client->perform(HelperAction::freeMemory, answers.handler());
    ASSERT_TRUE(bus->reply(0, true, QStringLiteral("Page cache dropped")));
    ASSERT_TRUE(client->hasConnection());
    ASSERT_EQ(client->daemonUsable(), true);

    // An unregistration that fails keeps the build: the daemon may well still be there.
    daemon->failUnregistrations(1, kDenied);
    client->uninstall();
    EXPECT_FALSE(client->daemonUsable().has_value());
    settle();
    EXPECT_EQ(storedBuild(), QStringLiteral("42"));

    client->uninstall();
    settle();
    EXPECT_FALSE(client->hasConnection());
    EXPECT_EQ(client->status(), Status::notInstalled);
    EXPECT_EQ(storedBuild(), std::nullopt);

    // A deliberate uninstall is not undone by the next start.
    makeClient();
    client->refreshRegistrationIfAppChanged();
    settle();
    EXPECT_EQ(daemon->count(QStringLiteral("register")), 1);
}

TEST_F(HelperClientTest, ReregistrationHappensOnlyWhenTheRulesSaySo)
{
    struct Row
    {
        const char* name;
        ServiceStatus service;
        std::optional<QString> stored;
        int unregisters;
        int registers;
    };
    const std::vector<Row> rows{
        {"enabled, same build", ServiceStatus::enabled, QStringLiteral("42"), 0, 0},
        {"enabled, no stored build", ServiceStatus::enabled, std::nullopt, 1, 1},
        {"enabled, older build", ServiceStatus::enabled, QStringLiteral("41"), 1, 1},
        {"enabled, empty stored build", ServiceStatus::enabled, QString(), 1, 1},
        {"not registered, older build", ServiceStatus::notRegistered, QStringLiteral("41"), 0, 1},
        {"not registered, no stored build", ServiceStatus::notRegistered, std::nullopt, 0, 0},
        {"not registered, same build", ServiceStatus::notRegistered, QStringLiteral("42"), 0, 0},
        {"awaiting approval, older build", ServiceStatus::requiresApproval, QStringLiteral("41"), 0, 0},
        {"not found, older build", ServiceStatus::notFound, QStringLiteral("41"), 0, 0},
        {"unknown, older build", ServiceStatus::unknown, QStringLiteral("41"), 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        daemon = std::make_shared<FakeDaemonService>(row.service, &clock);
        QSettings(QStringLiteral("Vellora"), QStringLiteral("Quillmere"))
            .remove(HelperClient::registeredBuildKey());
        if (row.stored)
            storeBuild(*row.stored);
        makeClient();
        published.clear();
        client->refreshRegistrationIfAppChanged();
        settle();
        EXPECT_EQ(daemon->count(QStringLiteral("unregister")), row.unregisters);
        EXPECT_EQ(daemon->count(QStringLiteral("register")), row.registers);
        if (row.registers == 0) {
            EXPECT_TRUE(published.empty()) << "nothing is published when nothing is done";
            EXPECT_EQ(storedBuild(), row.stored);
        } else {
            EXPECT_EQ(storedBuild(), QStringLiteral("42"));
            EXPECT_EQ(client->status(), Status::installed);
        }
        EXPECT_FALSE(client->registrationBusy());
    }
}

TEST_F(HelperClientTest, ABuildWithoutNumberMatchesAStoredEmptyBuild)
{
    daemon->setStatus(ServiceStatus::enabled);
    storeBuild(QString());
    makeClient(QString());
    client->refreshRegistrationIfAppChanged();
    settle();
    EXPECT_EQ(daemon->count(QStringLiteral("register")), 0);
}

TEST_F(HelperClientTest, FourRegistrationAttemptsThreeQuartersOfASecondApartThenUnavailable)
{
    daemon->setStatus(ServiceStatus::enabled);
    storeBuild(QStringLiteral("41"));
    makeClient();
    installed();
    Answers answers;
    client->perform(HelperAction::flushDNS, answers.handler());
    ASSERT_TRUE(bus->reply(0, true, QStringLiteral("DNS cache flushed")));
    ASSERT_TRUE(client->hasConnection());
    daemon->failRegistrations(4, kDenied);
    published.clear();

    client->refreshRegistrationIfAppChanged();
    settle();
    EXPECT_FALSE(client->hasConnection()) << "the connection is dropped before unregistering";
    EXPECT_FALSE(client->daemonUsable().has_value());
    ASSERT_EQ(registerTimes().size(), 1u);
    for (int attempt = 2; attempt <= 4; ++attempt) {
        clock.advance(749ms);
        settle();
        ASSERT_EQ(registerTimes().size(), std::size_t(attempt - 1)) << "not before the pause has passed";
        clock.advance(1ms);
        settle();
        ASSERT_EQ(registerTimes().size(), std::size_t(attempt));
    }
    clock.advance(10s);
    settle();
    EXPECT_EQ(registerTimes(), (std::vector<std::chrono::milliseconds>{0ms, 750ms, 1500ms, 2250ms}));
    EXPECT_EQ(daemon->count(QStringLiteral("unregister")), 1);

    // The state is read again first, and then the failure is published over it.
    ASSERT_EQ(published.size(), 2u);
    EXPECT_EQ(published[0].first, Status::notInstalled);
    EXPECT_EQ(published[1], std::make_pair(Status::unavailable, kRegisterAgain));
    EXPECT_EQ(storedBuild(), QStringLiteral("41"));
    EXPECT_FALSE(client->registrationBusy());

    // The next start finds the daemon unregistered and an older build stored, so it tries again, and
    // has nothing to unregister.
    makeClient();
    client->refreshRegistrationIfAppChanged();
    settle();
    EXPECT_EQ(daemon->count(QStringLiteral("unregister")), 1);
    EXPECT_EQ(daemon->count(QStringLiteral("register")), 5);
    EXPECT_EQ(storedBuild(), QStringLiteral("42"));
    EXPECT_EQ(client->status(), Status::installed);
}

TEST_F(HelperClientTest, RegistrationThatSucceedsOnTheThirdAttemptStoresTheBuild)
{
    daemon->setStatus(ServiceStatus::enabled);
    makeClient();
    daemon->failRegistrations(2, kDenied);
    client->refreshRegistrationIfAppChanged();
    settle();
    clock.advance(750ms);
    settle();
    clock.advance(750ms);
    settle();
    EXPECT_EQ(registerTimes(), (std::vector<std::chrono::milliseconds>{0ms, 750ms, 1500ms}));
    EXPECT_EQ(storedBuild(), QStringLiteral("42"));
    EXPECT_EQ(client->status(), Status::installed);
}

TEST_F(HelperClientTest, ADismissedPromptStopsTheAttemptsAtOnce)
{
    daemon->setStatus(ServiceStatus::enabled);
    storeBuild(QStringLiteral("41"));
    makeClient();
    daemon->failRegistrations(1, kDismissed);
    daemon->failRegistrations(3, kDenied);
    client->refreshRegistrationIfAppChanged();
    settle();
    clock.advance(10s);
    settle();
    EXPECT_EQ(daemon->count(QStringLiteral("register")), 1);
    EXPECT_EQ(client->status(), Status::notInstalled);
    EXPECT_EQ(storedBuild(), QStringLiteral("41"));

    // Dismissing the unregistration prompt stops before any registration.
    daemon = std::make_shared<FakeDaemonService>(ServiceStatus::enabled, &clock);
    daemon->failUnregistrations(1, kDismissed);
    makeClient();
    client->refreshRegistrationIfAppChanged();
    settle();
    clock.advance(10s);
    settle();
    EXPECT_EQ(daemon->count(QStringLiteral("unregister")), 1);
    EXPECT_EQ(daemon->count(QStringLiteral("register")), 0);
    EXPECT_EQ(client->status(), Status::installed);
}

// --- maintenance actions --------------------------------------------------------------------------

TEST_F(HelperClientTest, TheRouteFollowsTheStateAndTheLastAttempt)
{
    struct Row
    {
        const char* name;
        ServiceStatus service;
        bool markUnreachable;
        bool viaDaemon;
    };
    const std::vector<Row> rows{
        {"installed, usability unknown", ServiceStatus::enabled, false, true},
        {"installed, last attempt failed", ServiceStatus::enabled, true, false},
        {"not installed", ServiceStatus::notRegistered, false, false},
        {"awaiting approval", ServiceStatus::requiresApproval, false, false},
        {"unavailable", ServiceStatus::unknown, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        bus = std::make_shared<FakeHelperBus>();
        prompt = std::make_shared<FakeAdminPrompt>();
        makeClient();
        daemon->setStatus(row.service);
        client->refreshStatus();
        settle();
        if (row.markUnreachable) {
            perform(HelperAction::freeMemory);
            ASSERT_TRUE(bus->fail(0, QDBusError::errorString(QDBusError::ServiceUnknown)));
            settle();
            ASSERT_EQ(client->daemonUsable(), false);
        }
        const std::size_t callsBefore = bus->calls().size();
        const std::size_t promptsBefore = prompt->commands().size();
        const Answers answers = perform(HelperAction::flushDNS);
        EXPECT_EQ(bus->calls().size() - callsBefore, row.viaDaemon ? 1u : 0u);
        EXPECT_EQ(prompt->commands().size() - promptsBefore, row.viaDaemon ? 0u : 1u);
        EXPECT_EQ(answers.list.size(), row.viaDaemon ? 0u : 1u);
    }
}

TEST_F(HelperClientTest, ADaemonReplyIsPassedOnAsItIsAndMarksTheDaemonUsable)
{
    makeClient();
    installed();
    Answers answers;
    client->perform(HelperAction::freeMemory, answers.handler());
    ASSERT_EQ(bus->calls().size(), 1u);
    EXPECT_EQ(bus->member(0), HelperProtocol::performActionMethod());
    EXPECT_EQ(bus->calls()[0].message.arguments(), QVariantList{QStringLiteral("freeMemory")});
    EXPECT_GT(bus->calls()[0].timeout, HelperClient::replyDeadline(HelperAction::freeMemory) +
                                           HelperClient::pendingHold(HelperAction::freeMemory))
        << "the bus waits past the deadline and the hold";
    EXPECT_TRUE(client->isPending(HelperAction::freeMemory));

    ASSERT_TRUE(bus->reply(0, false, QStringLiteral("drop_caches failed (1)")));
    ASSERT_EQ(answers.list.size(), 1u);
    EXPECT_EQ(answers.list[0], (Answer{false, QStringLiteral("drop_caches failed (1)")}));
    EXPECT_EQ(client->daemonUsable(), true);
    EXPECT_FALSE(client->isPending(HelperAction::freeMemory));
    EXPECT_TRUE(prompt->commands().empty());
    EXPECT_EQ(clock.activeTimerCount(), 0) << "the deadline is withdrawn";

    // The connection is kept for the next request.
    client->perform(HelperAction::freeMemory, answers.handler());
    EXPECT_EQ(bus->connectionsMade(), 1);
    EXPECT_EQ(bus->calls().size(), 2u);
}

TEST_F(HelperClientTest, AConnectionErrorFallsBackToThePromptUntilTheHelperIsSeenAgain)
{
    makeClient();
    installed();
    Answers answers;
    client->perform(HelperAction::flushDNS, answers.handler());
    ASSERT_TRUE(bus->fail(0, QDBusError::errorString(QDBusError::ServiceUnknown)));
    EXPECT_EQ(client->daemonUsable(), false);
    EXPECT_TRUE(client->isPending(HelperAction::flushDNS)) << "pending while the prompt is open";
    settle();
    ASSERT_EQ(answers.list.size(), 1u);
    EXPECT_EQ(answers.list[0], (Answer{true, QStringLiteral("DNS cache flushed")}));
    EXPECT_EQ(prompt->commands(),
              std::vector<std::string>{HelperClient::fallbackCommand(HelperAction::flushDNS)});
    EXPECT_FALSE(client->isPending(HelperAction::flushDNS));

    // Known unreachable: straight to the prompt, the daemon is not contacted.
    perform(HelperAction::flushDNS);
    EXPECT_EQ(bus->calls().size(), 1u);
    EXPECT_EQ(prompt->commands().size(), 2u);

    // The helper's name changing hands makes it worth trying again, on the same connection.
    bus->interrupt();
    EXPECT_FALSE(client->daemonUsable().has_value());
    perform(HelperAction::flushDNS);
    EXPECT_EQ(bus->calls().size(), 2u);
    EXPECT_EQ(bus->connectionsMade(), 1);
}

TEST_F(HelperClientTest, AnInvalidatedConnectionIsReplacedOnTheNextRequest)
{
    makeClient();
    installed();
    perform(HelperAction::freeMemory);
    ASSERT_TRUE(bus->reply(0, true, QStringLiteral("Page cache dropped")));
    bus->invalidate();
    EXPECT_FALSE(client->hasConnection());
    EXPECT_FALSE(client->daemonUsable().has_value());
    settle();
    perform(HelperAction::freeMemory);
    EXPECT_EQ(bus->connectionsMade(), 2);
    EXPECT_EQ(bus->calls().size(), 2u);
}

TEST_F(HelperClientTest, EachActionHasItsDeadlineAndItsHold)
{
    for (const HelperAction action : HelperActions::all) {
        SCOPED_TRACE(HelperActions::toRaw(action).toStdString());
        bus = std::make_shared<FakeHelperBus>();
        makeClient();
        installed();
        const std::chrono::milliseconds deadline = HelperClient::replyDeadline(action);
        const std::chrono::milliseconds hold = HelperClient::pendingHold(action);

        Answers answers;
        client->perform(action, answers.handler());
        clock.advance(deadline - 1ms);
        EXPECT_TRUE(answers.list.empty());
        clock.advance(1ms);
        ASSERT_EQ(answers.list.size(), 1u);
        EXPECT_EQ(answers.list[0], (Answer{false, kTakingLonger}));
        EXPECT_FALSE(client->daemonUsable().has_value()) << "a timeout says nothing about the daemon";

        clock.advance(hold - 1ms);
        client->perform(action, answers.handler());
        ASSERT_EQ(answers.list.size(), 2u);
        EXPECT_EQ(answers.list[1], (Answer{false, kStillFinishing}));
        EXPECT_EQ(bus->calls().size(), 1u);

        clock.advance(1ms);
        EXPECT_FALSE(client->isPending(action));
        client->perform(action, answers.handler());
        EXPECT_EQ(bus->calls().size(), 2u) << "free again once the hold has passed";
    }
}

TEST_F(HelperClientTest, ALateReplyFreesTheActionWithoutBeingShown)
{
    makeClient();
    installed();
    Answers answers;
    client->perform(HelperAction::flushDNS, answers.handler());
    clock.advance(20s);
    ASSERT_EQ(answers.list.size(), 1u);
    EXPECT_EQ(answers.list[0].message, kTakingLonger);

    clock.advance(5s);
    ASSERT_TRUE(bus->reply(0, true, QStringLiteral("DNS cache flushed")));
    EXPECT_EQ(answers.list.size(), 1u) << "the late reply's message is not shown";
    EXPECT_FALSE(client->isPending(HelperAction::flushDNS));
    EXPECT_EQ(client->daemonUsable(), true);

    // A late error, by contrast, says nothing.
    client->perform(HelperAction::freeMemory, answers.handler());
    clock.advance(60s);
    ASSERT_TRUE(bus->fail(1, QDBusError::errorString(QDBusError::NoReply)));
    EXPECT_EQ(client->daemonUsable(), true);
    EXPECT_TRUE(client->isPending(HelperAction::freeMemory));
    EXPECT_TRUE(prompt->commands().empty());
}

TEST_F(HelperClientTest, AStaleHoldNeverFreesANewerRequest)
{
    makeClient();
    installed();
    Answers answers;
    client->perform(HelperAction::flushDNS, answers.handler()); // first request; its hold ends at 35 s
    clock.advance(20s);
    clock.advance(5s);
    ASSERT_TRUE(bus->reply(0, true, QStringLiteral("DNS cache flushed"))); // late, at 25 s
    client->perform(HelperAction::flushDNS, answers.handler());            // second request, still running
    ASSERT_EQ(bus->calls().size(), 2u);

    clock.advance(10s); // 35 s: the first request's hold ends
    EXPECT_TRUE(client->isPending(HelperAction::flushDNS));
    client->perform(HelperAction::flushDNS, answers.handler());
    ASSERT_EQ(answers.list.size(), 2u);
    EXPECT_EQ(answers.list[1], (Answer{false, kStillFinishing}));
    EXPECT_EQ(bus->calls().size(), 2u) << "no duplicate is started";

    ASSERT_TRUE(bus->reply(1, true, QStringLiteral("DNS cache flushed")));
    EXPECT_FALSE(client->isPending(HelperAction::flushDNS));
}

TEST_F(HelperClientTest, DifferentActionsRunSideBySide)
{
    makeClient();
    installed();
    Answers answers;
    for (const HelperAction action : HelperActions::all)
        client->perform(action, answers.handler());
    EXPECT_TRUE(answers.list.empty());
    EXPECT_EQ(bus->calls().size(), 3u);
}

TEST_F(HelperClientTest, ThePromptsAnswersBecomeSentences)
{
    struct Row
    {
        const char* name;
        std::function<void(FakeAdminPrompt&)> arrange;
        Answer answer;
    };
    const std::vector<Row> rows{
        {"success",
         [](FakeAdminPrompt& p) { p.answerExit(0); },
         {true, QStringLiteral("Page cache dropped")}},
        {"prompt dismissed", [](FakeAdminPrompt& p) { p.dismiss(); }, {false, QStringLiteral("Cancelled")}},
        {"the command's own status 126",
         [](FakeAdminPrompt& p) { p.answerExit(126, "/bin/sh: 1: /bin/sync: Permission denied\n"); },
         {false, QStringLiteral("Failed \u2014 /bin/sh: 1: /bin/sync: Permission denied")}},
        {"status 126 without pkexec's message",
         [](FakeAdminPrompt& p) { p.answerExit(126); },
         {false, QStringLiteral("Failed \u2014 ")}},
        {"pkexec's message with another status",
         [](FakeAdminPrompt& p) {
             p.answerExit(1, "Error executing command as another user: Request dismissed\n");
         },
         {false, QStringLiteral("Failed \u2014 Error executing command as another user: Request dismissed")}},
        {"-128 in the error text",
         [](FakeAdminPrompt& p) { p.answerExit(1, "execution error: User canceled. (-128)"); },
         {false, QStringLiteral("Cancelled")}},
        {"cancel in capitals",
         [](FakeAdminPrompt& p) { p.answerExit(1, "Request CANCELLED by user"); },
         {false, QStringLiteral("Cancelled")}},
        {"empty error text",
         [](FakeAdminPrompt& p) { p.answerExit(1); },
         {false, QStringLiteral("Failed \u2014 ")}},
        {"error text trimmed",
         [](FakeAdminPrompt& p) { p.answerExit(2, "  sync: I/O error\n"); },
         {false, QStringLiteral("Failed \u2014 sync: I/O error")}},
        {"error text not UTF-8",
         [](FakeAdminPrompt& p) { p.answerExit(1, "bad \xff byte"); },
         {false, QStringLiteral("Failed \u2014 ")}},
        {"pkexec missing",
         [](FakeAdminPrompt& p) {
             p.failToStart(Error(ErrorDomain::Posix, ENOENT, QStringLiteral("No pkexec")));
         },
         {false, QStringLiteral("No pkexec")}},
    };
    makeClient();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.arrange(*prompt);
        const Answers answers = perform(HelperAction::freeMemory);
        ASSERT_EQ(answers.list.size(), 1u);
        EXPECT_EQ(answers.list[0], row.answer);
        EXPECT_FALSE(client->isPending(HelperAction::freeMemory));
    }
}

TEST_F(HelperClientTest, TheFallbackRunsTheHelpersOwnCommands)
{
    EXPECT_EQ(HelperClient::fallbackCommand(HelperAction::freeMemory),
              "/bin/sync && echo 3 > /proc/sys/vm/drop_caches");
    makeClient();
    for (const HelperAction action : HelperActions::all) {
        const Answers answers = perform(action);
        ASSERT_EQ(answers.list.size(), 1u);
        EXPECT_EQ(answers.list[0], (Answer{true, HelperClient::fallbackSuccessMessage(action)}));
    }
    EXPECT_EQ(prompt->commands(),
              (std::vector<std::string>{HelperClient::fallbackCommand(HelperAction::freeMemory),
                                        HelperClient::fallbackCommand(HelperAction::flushDNS),
                                        HelperClient::fallbackCommand(HelperAction::runMaintenance)}));
}

TEST_F(HelperClientTest, TheFallbackCommandsReportTheFirstFailureAndRunEveryStep)
{
    // Run by a plain shell with the system's programs replaced through PATH-free stand-ins: the
    // maintenance loop keeps going after a failure and exits with the first failure's status.
    std::string command = HelperClient::fallbackCommand(HelperAction::runMaintenance);
    const std::string log = home.path("log").native();
    const std::string fake =
        home.fileWithContent("run-parts",
                             QByteArray::fromStdString("#!/bin/sh\necho \"$1\" >> " + log +
                                                       "\ncase \"$1\" in *weekly) exit 3;; *monthly) exit "
                                                       "5;; esac\n"))
            .native();
    home.chmod("run-parts", 0755);
    command.replace(command.find("/bin/run-parts"), std::string("/bin/run-parts").size(), fake);
    ProcessRequest request;
    request.program = "/bin/sh";
    request.arguments = {"-c", command};
    const auto outcome = ProcessRunner().run(request);
    ASSERT_TRUE(outcome.ok());
    EXPECT_EQ(outcome->exitCode, 3);
    QFile lines(QString::fromStdString(log));
    ASSERT_TRUE(lines.open(QIODevice::ReadOnly));
    EXPECT_EQ(lines.readAll(), QByteArray("/etc/cron.daily\n/etc/cron.weekly\n/etc/cron.monthly\n"));
}

// --- removal -----------------------------------------------------------------------------------------

TEST_F(HelperClientTest, RemovalRefusalsNeverContactTheDaemon)
{
    struct Row
    {
        const char* name;
        QString label;
        std::vector<Path> paths;
        QString message;
    };
    const Path good("/Library/LaunchDaemons/com.x.plist");
    const std::vector<Row> rows{
        {"no paths", QStringLiteral("com.x"), {}, kNothingValid},
        {"a relative path among absolute ones",
         QStringLiteral("com.x"),
         {good, Path("Library/x")},
         kNothingValid},
        {"only a path with a NUL",
         QStringLiteral("com.x"),
         {Path(std::string("/Library/LaunchDaemons/a\0b.plist", 32))},
         kNothingValid},
        {"only paths with control characters or other bytes",
         QStringLiteral("com.x"),
         {Path("/Library/LaunchDaemons/a\nb.plist"), Path("/Library/LaunchDaemons/\x7f.plist"),
          Path("/Library/LaunchDaemons/a\xff.plist")},
         kNothingValid},
        // One path that cannot cross the bus refuses the whole removal, wherever it stands.
        {"a path that is not UTF-8 among clean ones",
         QStringLiteral("com.x"),
         {good, Path("/Library/PrivilegedHelperTools/com.x\xff.tool")},
         kNothingValid},
        {"a path with a tab first",
         QStringLiteral("com.x"),
         {Path("/Library/LaunchDaemons/a\tb"), good},
         kNothingValid},
        {"a path with a NUL among clean ones",
         QStringLiteral("com.x"),
         {good, Path(std::string("/Library/LaunchDaemons/a\0b.plist", 32)), good},
         kNothingValid},
        {"a label with a NUL",
         QStringLiteral("com.x") + QChar(0) + QStringLiteral("evil"),
         {good},
         kNothingValid},
        // Characters that make a name read as another: the helper refuses them too.
        {"only paths with a bidirectional override, an isolate or a line separator",
         QStringLiteral("com.x"),
         {Path("/Library/LaunchDaemons/gpj\xe2\x80\xae.plist"),
          Path("/Library/LaunchDaemons/a\xe2\x81\xa6"
               "b"),
          Path("/Library/LaunchDaemons/a\xe2\x80\xa8"
               "b.plist"),
          Path("/Library/LaunchDaemons/a\xc2\x85"
               "b")},
         kNothingValid},
        {"only paths with a direction mark",
         QStringLiteral("com.x"),
         {Path("/Library/LaunchDaemons/gpj\xe2\x80\x8e.plist"),
          Path("/Library/LaunchDaemons/gpj\xe2\x80\x8f.plist"),
          Path("/Library/LaunchDaemons/gpj\xd8\x9c.plist")},
         kNothingValid},
        {"a label with a right-to-left override", QStringLiteral("com.x\u202e"), {good}, kNothingValid},
        {"a label with a right-to-left mark", QStringLiteral("com.x\u200f"), {good}, kNothingValid},
    };
    makeClient();
    installed();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Answers answers;
        client->removeSystemThreat(row.label, row.paths, answers.handler());
        ASSERT_EQ(answers.list.size(), 1u);
        EXPECT_EQ(answers.list[0], (Answer{false, row.message}));
    }
    EXPECT_EQ(bus->connectionsMade(), 0);

    // Not installed, or installed but known unreachable: refused as well.
    daemon->setStatus(ServiceStatus::notRegistered);
    client->refreshStatus();
    settle();
    Answers answers;
    client->removeSystemThreat(QStringLiteral("com.x"), {good}, answers.handler());
    installed();
    perform(HelperAction::flushDNS);
    ASSERT_TRUE(bus->fail(0, QDBusError::errorString(QDBusError::AccessDenied)));
    settle();
    client->removeSystemThreat(QStringLiteral("com.x"), {good}, answers.handler());
    ASSERT_EQ(answers.list.size(), 2u);
    EXPECT_EQ(answers.list[0], (Answer{false, kInstallFirst}));
    EXPECT_EQ(answers.list[1], (Answer{false, kInstallFirst}));
    EXPECT_EQ(bus->calls().size(), 1u) << "only the maintenance request reached the bus";
}

TEST_F(HelperClientTest, RemovalSendsEveryPathInOrderAndPassesTheReplyOn)
{
    makeClient();
    installed();
    ASSERT_FALSE(client->daemonUsable().has_value());
    Answers answers;
    client->removeSystemThreat(
        QStringLiteral("com.x"),
        {Path("/Library/LaunchDaemons/com.x.plist"), Path("/Library/PrivilegedHelperTools/com.x.tool")},
        answers.handler());
    ASSERT_EQ(bus->calls().size(), 1u);
    EXPECT_EQ(bus->member(0), HelperProtocol::removeSystemThreatMethod());
    const QVariantList arguments = bus->calls()[0].message.arguments();
    ASSERT_EQ(arguments.size(), 2);
    EXPECT_EQ(arguments[0].toString(), QStringLiteral("com.x"));
    EXPECT_EQ(arguments[1].toStringList(),
              (QStringList{QStringLiteral("/Library/LaunchDaemons/com.x.plist"),
                           QStringLiteral("/Library/PrivilegedHelperTools/com.x.tool")}));
    EXPECT_GT(bus->calls()[0].timeout, HelperClient::kRemovalDeadline);

    ASSERT_TRUE(bus->reply(0, false, QStringLiteral("Refused \u2014 the item is signed by Apple")));
    ASSERT_EQ(answers.list.size(), 1u);
    EXPECT_EQ(answers.list[0], (Answer{false, QStringLiteral("Refused \u2014 the item is signed by Apple")}));
    EXPECT_FALSE(client->daemonUsable().has_value()) << "a removal leaves the usability alone";
}

TEST_F(HelperClientTest, RemovalTimesOutOrFailsWithoutTouchingTheDaemonState)
{
    makeClient();
    installed();
    const std::vector<Path> paths{Path("/Library/LaunchDaemons/com.x.plist")};
    Answers answers;
    client->removeSystemThreat(QStringLiteral("com.x"), paths, answers.handler());
    clock.advance(HelperClient::kRemovalDeadline - 1ms);
    EXPECT_TRUE(answers.list.empty());
    clock.advance(1ms);
    ASSERT_EQ(answers.list.size(), 1u);
    EXPECT_EQ(answers.list[0], (Answer{false, kRemovalSlow}));
    ASSERT_TRUE(bus->reply(0, true, QStringLiteral("Removed")));
    EXPECT_EQ(answers.list.size(), 1u) << "a reply after the deadline is dropped";

    client->removeSystemThreat(QStringLiteral("com.x"), paths, answers.handler());
    ASSERT_TRUE(bus->fail(1, QDBusError::errorString(QDBusError::AccessDenied)));
    ASSERT_EQ(answers.list.size(), 2u);
    EXPECT_EQ(answers.list[1], (Answer{false, QStringLiteral("Couldn't reach the privileged helper.")}));
    EXPECT_FALSE(client->daemonUsable().has_value());
    EXPECT_TRUE(prompt->commands().empty());
}

// A helper (or a bus) busy with other callers' floods turns a call away as limits-exceeded: that is its
// answer, shown as it is, with the helper still counted usable, no administrator prompt and nothing sent
// again. A call the bus stopped waiting for is answered as slow and never sent again either: the helper
// may still be running it. Only a connection error hands an action to the prompt.
TEST_F(HelperClientTest, BusyAndUnansweredCallsAreAnsweredAsTheyAreWithoutPromptOrRetry)
{
    struct Row
    {
        const char* what;
        QString error;
        Answer action;     // what perform answers
        bool stillPending; // the action stays refused for its hold
        bool prompted;     // handed to the administrator prompt
        Answer removal;    // what removeSystemThreat answers
    };
    const QString failed = QStringLiteral("failed"); // the fake bus's error text
    const std::vector<Row> rows = {
        {"limits exceeded", HelperProtocol::limitsExceededError(), Answer{false, failed}, false, false,
         Answer{false, failed}},
        {"no reply", QDBusError::errorString(QDBusError::NoReply), Answer{false, kTakingLonger}, true, false,
         Answer{false, kRemovalSlow}},
        {"service unknown", QDBusError::errorString(QDBusError::ServiceUnknown), Answer{false, QString()},
         false, true, Answer{false, QStringLiteral("Couldn't reach the privileged helper.")}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        makeClient();
        installed();
        const std::size_t base = bus->calls().size();
        const std::size_t prompts = prompt->commands().size();
        Answers served;
        client->perform(HelperAction::flushDNS, served.handler());
        ASSERT_EQ(bus->calls().size(), base + 1);
        ASSERT_TRUE(bus->fail(base, row.error));
        settle();
        if (row.prompted) {
            EXPECT_EQ(client->daemonUsable(), false);
            EXPECT_EQ(prompt->commands().size(), prompts + 1);
        } else {
            ASSERT_EQ(served.list.size(), 1u);
            EXPECT_EQ(served.list[0], row.action);
            EXPECT_FALSE(client->daemonUsable().has_value()) << "the helper's usability is unchanged";
            EXPECT_EQ(prompt->commands().size(), prompts);
            EXPECT_EQ(client->isPending(HelperAction::flushDNS), row.stillPending);
        }
        clock.advance(HelperClient::replyDeadline(HelperAction::flushDNS) * 3);
        EXPECT_EQ(bus->calls().size(), base + 1) << "nothing is sent again";

        if (row.prompted)
            continue; // removals need a usable helper
        Answers removal;
        client->removeSystemThreat(QString(), {Path("/etc/systemd/system/x.service")}, removal.handler());
        ASSERT_EQ(bus->calls().size(), base + 2);
        ASSERT_TRUE(bus->fail(base + 1, row.error));
        ASSERT_EQ(removal.list.size(), 1u);
        EXPECT_EQ(removal.list[0], row.removal);
        clock.advance(HelperClient::kRemovalDeadline * 2);
        EXPECT_EQ(bus->calls().size(), base + 2);
        EXPECT_EQ(removal.list.size(), 1u);
    }
}

} // namespace
} // namespace qm::test
