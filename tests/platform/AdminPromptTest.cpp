// The administrator prompt run for real with a stand-in for pkexec: a shell script that either answers
// as pkexec does after a dismissed prompt or runs the command it was given, as this user.
#include "platform/AdminPrompt.h"

#include "support/TempTree.h"

#include <gtest/gtest.h>

namespace qm::test {
namespace {

// Runs every request as asked, except that the program is the stand-in script.
class StandInRunner final : public ProcessRunner
{
public:
    explicit StandInRunner(std::filesystem::path program) : m_program(std::move(program)) {}

    qm::Result<ProcessOutcome> run(const ProcessRequest& request) const override
    {
        ProcessRequest redirected = request;
        redirected.program = m_program;
        return ProcessRunner::run(redirected);
    }

private:
    std::filesystem::path m_program;
};

TEST(AdminPromptDismissal, OnlyPkexecsOwnDismissalIsOne)
{
    const QByteArray dismissed =
        "echo 'Error executing command as another user: Request dismissed' >&2; exit 126\n";
    const QByteArray passThrough = "exec \"$@\"\n";
    struct Row
    {
        const char* name;
        QByteArray pkexec;
        std::string command;
        int exitCode;
        bool dismissal;
    };
    const std::vector<Row> rows{
        {"prompt dismissed", dismissed, "true", 126, true},
        {"dismissed after a warning of its own",
         "echo '(pkexec:1): GLib-WARNING **: something' >&2\n" + dismissed, "true", 126, true},
        {"the command exits 126", passThrough, "echo 'cannot execute' >&2; exit 126", 126, false},
        {"the command exits 126 quoting the message on its line", passThrough,
         "echo 'run-parts: Error executing command as another user: Request dismissed' >&2; exit 126", 126,
         false},
        {"the command prints the message and exits 1", passThrough,
         "echo 'Error executing command as another user: Request dismissed' >&2; exit 1", 1, false},
        {"not authorised",
         "printf 'Error executing command as another user: Not authorized\\n\\nThis incident has been "
         "reported.\\n' >&2; exit 127\n",
         "true", 127, false},
        {"the command succeeds", passThrough, "true", 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempTree tree;
        const std::filesystem::path pkexec = tree.fileWithContent("pkexec", "#!/bin/sh\n" + row.pkexec);
        tree.chmod(pkexec, 0755);
        const auto outcome = AdminPrompt(std::make_shared<StandInRunner>(pkexec)).run(row.command);
        ASSERT_TRUE(outcome.ok()) << outcome.error().description().toStdString();
        EXPECT_EQ(outcome->exitCode, row.exitCode);
        EXPECT_EQ(AdminPrompt::isDismissal(*outcome), row.dismissal);
    }
}

} // namespace
} // namespace qm::test
