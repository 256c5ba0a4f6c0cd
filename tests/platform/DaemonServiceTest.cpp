// The service-manager seam over systemctl and pkexec, with a runner that records what would run, and
// the real systemctl asked offline about units that exist and do not; the administrator prompt's request.
#include "platform/DaemonService.h"

#include "platform/AdminPrompt.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

namespace qm::test {
namespace {

using Status = DaemonService::Status;

// Answers every request with one outcome (or error) and keeps the requests.
class RecordingRunner final : public ProcessRunner
{
public:
    mutable std::vector<ProcessRequest> requests;
    std::optional<Error> error;
    ProcessOutcome outcome;

    void answer(int code, const QByteArray& out = {}, const QByteArray& err = {}, bool timedOut = false)
    {
        outcome = ProcessOutcome{};
        outcome.exited = !timedOut;
        outcome.exitCode = timedOut ? -1 : code;
        outcome.signal = timedOut ? 9 : 0;
        outcome.timedOut = timedOut;
        outcome.standardOutput = out;
        outcome.standardError = err;
    }

    qm::Result<ProcessOutcome> run(const ProcessRequest& request) const override
    {
        requests.push_back(request);
        if (error)
            return *error;
        return outcome;
    }
};

const QString kUnit = QStringLiteral("com.vellora.helper.service");

class DaemonServiceTest : public ::testing::Test
{
protected:
    TempTree tree;
    std::shared_ptr<RecordingRunner> runner = std::make_shared<RecordingRunner>();
    DaemonService service{kUnit, runner, tree.folder("run/systemd/system")};
};

TEST_F(DaemonServiceTest, WithoutSystemdTheHelperIsUnavailableAndNothingRuns)
{
    const DaemonService withoutSystemd(kUnit, runner, tree.path("run/nothing"));
    const auto status = withoutSystemd.status();
    ASSERT_FALSE(status.ok());
    EXPECT_TRUE(status.error().isPosix(ENOSYS));
    EXPECT_EQ(status.error().description(),
              QStringLiteral("The privileged helper needs systemd, which isn't running on this system."));
    EXPECT_TRUE(runner->requests.empty());
}

TEST_F(DaemonServiceTest, IsEnabledAnswersMapToStates)
{
    struct Row
    {
        int code;
        QByteArray out;
        QByteArray err;
        bool timedOut;
        Status status;
    };
    const std::vector<Row> rows{
        {0, "enabled\n", {}, false, Status::enabled},
        {1, "disabled\n", {}, false, Status::notRegistered},
        {4, "not-found\n", {}, false, Status::notFound},
        {1, {}, "Failed to get unit file state for x: No such file or directory\n", false, Status::notFound},
        {1, "masked\n", {}, false, Status::unknown},
        {0, "static\n", {}, false, Status::unknown},
        {0, "enabled-runtime\n", {}, false, Status::unknown},
        {1, {}, "Access denied\n", false, Status::unknown},
        {-1, {}, {}, true, Status::unknown},
    };
    for (const Row& row : rows) {
        runner->answer(row.code, row.out, row.err, row.timedOut);
        const auto status = service.status();
        ASSERT_TRUE(status.ok()) << row.out.toStdString();
        EXPECT_EQ(*status, row.status) << row.out.toStdString() << row.err.toStdString();
    }
    const ProcessRequest& request = runner->requests.front();
    EXPECT_EQ(request.program, Path("/bin/systemctl"));
    EXPECT_EQ(request.arguments, (std::vector<std::string>{"is-enabled", kUnit.toStdString()}));
    EXPECT_TRUE(request.deadline.has_value()) << "a hung query must not hang the caller";

    runner->error = Error::posix(ENOENT);
    const auto failed = service.status();
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().description(),
              QStringLiteral("Couldn't ask systemd about the privileged helper."));
}

TEST_F(DaemonServiceTest, RegisteringGoesThroughPkexecAndTellsADismissedPromptApart)
{
    struct Row
    {
        int code;
        QByteArray err;
        std::optional<int> errorCode; // none: success
        QString message;
    };
    const std::vector<Row> rows{
        {0, {}, std::nullopt, {}},
        {126, "Error executing command as another user: Request dismissed\n", ECANCELED,
         QStringLiteral("Cancelled")},
        // systemctl's own 126 is a failure, not a dismissed prompt; its words are not shown.
        {126, "Failed to enable unit: Access denied\n", EIO,
         QStringLiteral("The privileged helper couldn't be registered.")},
        {127, "Error executing command as another user: Not authorized\n", EIO,
         QStringLiteral("The administrator didn't authorise the change.")},
        // pkexec without a polkit to ask, and systemctl without the unit file: the cause in a sentence.
        {127,
         "Error getting authority: Error initializing authority: Could not connect: No such file or "
         "directory\n",
         EIO, QStringLiteral("The administrator prompt can't be shown because polkit can't be reached.")},
        {1, "Failed to enable unit: Unit file com.vellora.helper.service does not exist.\n", EIO,
         QStringLiteral("Quillmere isn't installed on this system, so it has no helper to register.")},
        {1, "System has not been booted with systemd as init system (PID 1). Can't operate.\n", EIO,
         QStringLiteral("The privileged helper needs systemd, which isn't running on this system.")},
        {1, "some other tool output\n", EIO, QStringLiteral("The privileged helper couldn't be registered.")},
        {1, {}, EIO, QStringLiteral("The privileged helper couldn't be registered.")},
    };
    for (const Row& row : rows) {
        runner->answer(row.code, {}, row.err);
        const auto result = service.registerDaemon();
        EXPECT_EQ(result.ok(), !row.errorCode.has_value()) << row.code;
        if (row.errorCode) {
            EXPECT_TRUE(result.error().isPosix(*row.errorCode)) << row.code;
            EXPECT_EQ(result.error().description(), row.message);
        }
    }
    EXPECT_EQ(runner->requests.front().program, Path("/usr/bin/pkexec"));
    EXPECT_EQ(runner->requests.front().arguments,
              (std::vector<std::string>{"/bin/systemctl", "enable", kUnit.toStdString()}));
    EXPECT_FALSE(runner->requests.front().deadline.has_value()) << "the prompt may stay open";

    runner->answer(0);
    EXPECT_TRUE(service.unregisterDaemon().ok());
    EXPECT_EQ(runner->requests.back().arguments,
              (std::vector<std::string>{"/bin/systemctl", "disable", "--now", kUnit.toStdString()}));
    runner->answer(1);
    EXPECT_EQ(service.unregisterDaemon().error().description(),
              QStringLiteral("The privileged helper couldn't be removed."));

    // pkexec that cannot start is a sentence too, not the runner's error text.
    runner->error = Error::posix(ENOENT);
    EXPECT_EQ(service.registerDaemon().error().description(),
              QStringLiteral("The administrator prompt (pkexec) couldn't be started."));
}

// Without systemd, registering and unregistering fail at once with the cause, and no prompt opens.
TEST_F(DaemonServiceTest, WithoutSystemdNoRegistrationPromptOpens)
{
    const DaemonService withoutSystemd(kUnit, runner, tree.path("run/nothing"));
    for (const auto& result : {withoutSystemd.registerDaemon(), withoutSystemd.unregisterDaemon()}) {
        ASSERT_FALSE(result.ok());
        EXPECT_TRUE(result.error().isPosix(ENOSYS));
        EXPECT_EQ(result.error().description(),
                  QStringLiteral("The privileged helper needs systemd, which isn't running on this system."));
    }
    EXPECT_TRUE(runner->requests.empty());
}

TEST(DaemonServiceOnThisSystem, TheRealSystemctlAnswersOffline)
{
    if (::access("/bin/systemctl", X_OK) != 0)
        GTEST_SKIP() << "needs systemctl";
    TempTree tree;
    const Path runtime = tree.folder("run/systemd/system");
    const auto missing =
        DaemonService(QStringLiteral("qm-no-such-unit-4711.service"), nullptr, runtime).status();
    ASSERT_TRUE(missing.ok());
    EXPECT_EQ(*missing, Status::notFound);
}

TEST(AdminPromptRequest, RunsTheCommandAsOneArgumentOfAShellUnderPkexec)
{
    const std::string command = "echo 'a b' \"$(id)\"\nexit 3";
    const ProcessRequest request = AdminPrompt::request(command);
    EXPECT_EQ(request.program, Path("/usr/bin/pkexec"));
    EXPECT_EQ(request.arguments, (std::vector<std::string>{"/bin/sh", "-c", command}));
    EXPECT_FALSE(request.deadline.has_value());

    auto runner = std::make_shared<RecordingRunner>();
    runner->answer(AdminPrompt::kDismissedExitCode);
    const auto outcome = AdminPrompt(runner).run(command);
    ASSERT_TRUE(outcome.ok());
    EXPECT_EQ(outcome->exitCode, 126);
    ASSERT_EQ(runner->requests.size(), 1u);
    EXPECT_EQ(runner->requests[0].arguments, request.arguments);
}

} // namespace
} // namespace qm::test
