#include "platform/ProcessRunner.h"

#include "platform/UniqueFd.h"
#include "support/TempTree.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace qm {
namespace {

ProcessRequest request(fs::path program, std::vector<std::string> arguments = {})
{
    ProcessRequest r;
    r.program = std::move(program);
    r.arguments = std::move(arguments);
    // Nothing here should take long; the limit only keeps a regression from hanging the suite.
    r.deadline = 60s;
    return r;
}

ProcessOutcome runOk(const ProcessRequest& r)
{
    const Result<ProcessOutcome> outcome = ProcessRunner().run(r);
    EXPECT_TRUE(outcome.ok()) << r.program << ": " << outcome.error().description().toStdString();
    return outcome.ok() ? *outcome : ProcessOutcome{};
}

std::string text(const QByteArray& bytes)
{
    return bytes.toStdString();
}

// The state letter of process `pid` from /proc, or nullopt when no such process exists.
std::optional<char> processState(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0 || close + 2 >= line.size()) {
        return std::nullopt;
    }
    return line.at(close + 2);
}

// True once `pid` has gone or is a zombie awaiting its new parent, within a generous bound.
bool diesSoon(pid_t pid)
{
    for (int i = 0; i < 500; ++i) {
        const std::optional<char> state = processState(pid);
        if (!state || *state == 'Z') {
            return true;
        }
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

TEST(ProcessRunnerTest, ReportsHowTheChildEnded)
{
    struct Case
    {
        const char* name;
        ProcessRequest request;
        bool exited;
        int exitCode;
        int signal;
    };
    const Case cases[] = {
        {"true", request("/bin/true"), true, 0, 0},
        {"false", request("/bin/false"), true, 1, 0},
        {"exit 7", request("/bin/sh", {"-c", "exit 7"}), true, 7, 0},
        {"exit 255", request("/bin/sh", {"-c", "exit 255"}), true, 255, 0},
        {"killed by SIGTERM", request("/bin/sh", {"-c", "kill -TERM $$"}), false, -1, SIGTERM},
    };
    for (const Case& c : cases) {
        const ProcessOutcome outcome = runOk(c.request);
        EXPECT_EQ(outcome.exited, c.exited) << c.name;
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.name;
        EXPECT_EQ(outcome.signal, c.signal) << c.name;
        EXPECT_EQ(outcome.succeeded(), c.exited && c.exitCode == 0) << c.name;
        EXPECT_FALSE(outcome.timedOut) << c.name;
    }
}

TEST(ProcessRunnerTest, PassesArgumentsAsRawBytesWithoutAShell)
{
    const ProcessOutcome outcome =
        runOk(request("/usr/bin/printf", {"%s|", "a b", "$HOME", "'quoted'", "\xff\xfe", "*", ""}));
    EXPECT_EQ(text(outcome.standardOutput), "a b|$HOME|'quoted'|\xff\xfe|*||");
}

TEST(ProcessRunnerTest, KeepsStandardOutputAndErrorApart)
{
    const ProcessOutcome outcome = runOk(request("/bin/sh", {"-c", "echo out; echo err >&2; echo more"}));
    EXPECT_EQ(text(outcome.standardOutput), "out\nmore\n");
    EXPECT_EQ(text(outcome.standardError), "err\n");
    EXPECT_FALSE(outcome.standardOutputTruncated);
    EXPECT_FALSE(outcome.standardErrorTruncated);
}

TEST(ProcessRunnerTest, FeedsStandardInput)
{
    QByteArray large(3 * 1024 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < large.size(); ++i) {
        large[i] = static_cast<char>(i % 253);
    }
    struct Case
    {
        const char* name;
        QByteArray input;
    };
    // The large case only passes if writing the input and reading the output interleave.
    const Case cases[] = {
        {"short text with a NUL", QByteArray("abc\0def\n", 8)},
        {"empty", QByteArray()},
        {"larger than any pipe buffer", large},
    };
    for (const Case& c : cases) {
        ProcessRequest r = request("/bin/cat");
        r.standardInput = c.input;
        const ProcessOutcome outcome = runOk(r);
        EXPECT_TRUE(outcome.succeeded()) << c.name;
        EXPECT_TRUE(outcome.standardOutput == c.input) << c.name << ": got " << outcome.standardOutput.size();
    }
}

TEST(ProcessRunnerTest, WithoutInputTheChildReadsAnEmptyStream)
{
    const ProcessOutcome outcome = runOk(request("/bin/cat"));
    EXPECT_TRUE(outcome.succeeded());
    EXPECT_FALSE(outcome.timedOut);
    EXPECT_TRUE(outcome.standardOutput.isEmpty());
}

TEST(ProcessRunnerTest, ChildThatIgnoresItsInputDoesNotHurtTheCaller)
{
    // Without protection the write into a closed pipe would end this test process with SIGPIPE.
    ProcessRequest r = request("/bin/sh", {"-c", "exec 0<&-; echo done"});
    r.standardInput = QByteArray(4 * 1024 * 1024, 'x');
    const ProcessOutcome outcome = runOk(r);
    EXPECT_TRUE(outcome.succeeded());
    EXPECT_EQ(text(outcome.standardOutput), "done\n");
}

TEST(ProcessRunnerTest, DeadlineKillsTheWholeProcessGroup)
{
    ProcessRequest r = request("/bin/sh", {"-c", "sleep 30 & echo $!; sleep 30"});
    r.deadline = 200ms;
    const auto started = std::chrono::steady_clock::now();
    const ProcessOutcome outcome = runOk(r);
    const auto took = std::chrono::steady_clock::now() - started;

    EXPECT_TRUE(outcome.timedOut);
    EXPECT_FALSE(outcome.exited);
    EXPECT_EQ(outcome.exitCode, -1);
    EXPECT_EQ(outcome.signal, SIGKILL);
    EXPECT_LT(took, 20s);
    bool parsed = false;
    const pid_t grandchild = static_cast<pid_t>(outcome.standardOutput.trimmed().toInt(&parsed));
    ASSERT_TRUE(parsed) << text(outcome.standardOutput);
    EXPECT_TRUE(diesSoon(grandchild)) << "background sleep " << grandchild << " survived";
}

TEST(ProcessRunnerTest, ReturnsWhenTheChildEndsEvenIfADescendantHoldsTheOutput)
{
    ProcessRequest r = request("/bin/sh", {"-c", "sleep 30 & echo $!"});
    r.deadline.reset();
    const auto started = std::chrono::steady_clock::now();
    const ProcessOutcome outcome = runOk(r);
    const auto took = std::chrono::steady_clock::now() - started;

    bool parsed = false;
    const pid_t descendant = static_cast<pid_t>(outcome.standardOutput.trimmed().toInt(&parsed));
    ASSERT_TRUE(parsed) << text(outcome.standardOutput);
    ::kill(descendant, SIGKILL);
    EXPECT_TRUE(outcome.succeeded());
    EXPECT_FALSE(outcome.timedOut);
    EXPECT_LT(took, 20s);
}

TEST(ProcessRunnerTest, OutputBeyondTheCapIsDiscardedAndFlagged)
{
    ProcessRequest r = request("/bin/sh", {"-c", "head -c 200000 /dev/zero; head -c 50 /dev/zero >&2"});
    r.outputCap = 1000;
    const ProcessOutcome outcome = runOk(r);
    EXPECT_TRUE(outcome.succeeded()) << "the child must not stall on a full pipe";
    EXPECT_EQ(outcome.standardOutput, QByteArray(1000, '\0'));
    EXPECT_TRUE(outcome.standardOutputTruncated);
    EXPECT_EQ(outcome.standardError, QByteArray(50, '\0'));
    EXPECT_FALSE(outcome.standardErrorTruncated);
}

TEST(ProcessRunnerTest, EnvironmentIsExactlyTheOneGiven)
{
    struct Case
    {
        const char* name;
        std::optional<std::vector<std::string>> environment;
        std::string expected;
    };
    const Case cases[] = {
        {"default", std::nullopt, "PATH=/usr/sbin:/usr/bin:/sbin:/bin\nLANG=C\n"},
        {"explicit", std::vector<std::string>{"A=1", "B=two words", "C=\xff"}, "A=1\nB=two words\nC=\xff\n"},
        {"empty", std::vector<std::string>{}, ""},
    };
    ASSERT_EQ(::setenv("QM_RUNNER_TEST_LEAK", "1", 1), 0);
    for (const Case& c : cases) {
        ProcessRequest r = request("/usr/bin/env");
        if (c.environment) {
            r.environment = *c.environment;
        }
        const ProcessOutcome outcome = runOk(r);
        EXPECT_EQ(text(outcome.standardOutput), c.expected) << c.name;
    }
    ::unsetenv("QM_RUNNER_TEST_LEAK");
}

TEST(ProcessRunnerTest, ChildGetsOnlyItsStandardStreams)
{
    // A descriptor this process opened without close-on-exec must still not reach the child.
    test::TempTree tree;
    const UniqueFd plain(::open(tree.file("open-file").c_str(), O_RDONLY));
    ASSERT_TRUE(plain.valid());
    const UniqueFd high(::fcntl(plain.get(), F_DUPFD, 200));
    ASSERT_TRUE(high.valid());

    // ls itself holds one more descriptor, the folder it lists, at the lowest free number.
    const ProcessOutcome outcome = runOk(request("/bin/ls", {"-1", "/proc/self/fd"}));
    ASSERT_TRUE(outcome.succeeded()) << text(outcome.standardError);
    const QList<QByteArray> listed = outcome.standardOutput.trimmed().split('\n');
    EXPECT_EQ(listed, (QList<QByteArray>{"0", "1", "2", "3"}));
}

TEST(ProcessRunnerTest, ChildLeadsItsOwnGroupWithDefaultSignals)
{
    // An ignored signal would otherwise be inherited across exec.
    struct sigaction ignore
    {
    };
    struct sigaction previous
    {
    };
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGPIPE, &ignore, &previous), 0);
    const ProcessOutcome status = runOk(request("/bin/grep", {"-E", "^Sig(Ign|Blk)", "/proc/self/status"}));
    const ProcessOutcome stat = runOk(request("/bin/cat", {"/proc/self/stat"}));
    ::sigaction(SIGPIPE, &previous, nullptr);

    // Bit n-1 stands for signal n. The C library reserves signals 32 and 33 for itself and sets them
    // up in every program it starts, so only the standard signals 1-31 are checked.
    const QList<QByteArray> masks = status.standardOutput.trimmed().split('\n');
    ASSERT_EQ(masks.size(), 2) << text(status.standardOutput);
    for (const QByteArray& mask : masks) {
        bool parsed = false;
        const qulonglong bits = mask.mid(mask.indexOf('\t') + 1).toULongLong(&parsed, 16);
        ASSERT_TRUE(parsed) << text(mask);
        EXPECT_EQ(bits & 0x7fffffffULL, 0U) << text(mask);
    }
    // pid (comm) state ppid pgrp ...
    const QByteArray line = stat.standardOutput;
    const QList<QByteArray> afterName = line.mid(line.lastIndexOf(')') + 2).split(' ');
    ASSERT_GE(afterName.size(), 3) << text(line);
    EXPECT_EQ(afterName.at(2), line.left(line.indexOf(' ')))
        << "process group differs from pid: " << text(line);
}

TEST(ProcessRunnerTest, RequestsThatCannotStartAreErrors)
{
    test::TempTree tree;
    const fs::path notExecutable = tree.fileWithContent("script", "#!/bin/sh\necho hi\n");
    tree.chmod(notExecutable, 0644);
    struct Case
    {
        const char* name;
        ProcessRequest request;
        int expectedErrno;
    };
    const Case cases[] = {
        {"relative path", request("bin/true"), EINVAL},
        {"bare name", request("true"), EINVAL},
        {"missing program", request(tree.path("missing")), ENOENT},
        {"not executable", request(notExecutable), EACCES},
        {"folder", request(tree.root()), EACCES},
        {"NUL in an argument", request("/bin/echo", {std::string("a\0b", 3)}), EINVAL},
    };
    for (const Case& c : cases) {
        const Result<ProcessOutcome> outcome = ProcessRunner().run(c.request);
        ASSERT_FALSE(outcome.ok()) << c.name;
        EXPECT_TRUE(outcome.error().isPosix(c.expectedErrno))
            << c.name << ": " << outcome.error().code() << " " << outcome.error().description().toStdString();
    }
}

} // namespace
} // namespace qm
