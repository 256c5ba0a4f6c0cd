// Counts one program's running instances the way the uninstall sheet does (the user's processes read
// from /proc, matched by the program's executable name) against `pgrep -c -x <name>` over the same
// processes, side by side in every round, and prints min and median with the ratio pgrep / ours (above
// 1: ours is faster) headed by the medians. The processes are copies of sleep(1) installed as programs
// under a temporary home (<home>/.local/opt/<name>/<name>): `--processes` in all, `--instances` of them
// of the program counted, the rest spread over `--programs` other programs. pgrep is timed as it is
// used, a program started and waited for; both counts are printed and must agree. With
// --whole-process ours also runs as a process of its own (start-up included, as pgrep's time includes
// its own).
//
// Usage: qm_running_bench [--processes N] [--instances K] [--programs B] [--runs R] [--dir DIR]
//                         [--whole-process]
//   --processes  processes started (default 500)
//   --instances  of them of the program counted (default 10)
//   --programs   other programs the rest run (default 49)
//   --runs       rounds of each count (default 30)
//   --dir        the folder the home with the programs is made in, made if absent and kept (default: a
//                new folder in the system's temporary folder, removed at the end)
//   --whole-process  also time our count as a process of its own

#include "../support/BenchSupport.h"
#include "app/platform/GuiWorkspace.h"
#include "core/apps/ProgramIdentity.h"
#include "core/apps/RunningApps.h"

#include <QCoreApplication>
#include <QDBusConnection>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

using namespace qm::bench;
namespace fs = std::filesystem;

struct Options
{
    int processes = 500;
    int instances = 10;
    int programs = 49;
    int runs = 30;
    fs::path dir;
};

Options parse(int argc, char** argv)
{
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        const int value = std::atoi(argv[i + 1]);
        if (flag == "--dir")
            options.dir = argv[i + 1];
        else if (flag == "--processes")
            options.processes = value;
        else if (flag == "--instances")
            options.instances = value;
        else if (flag == "--programs")
            options.programs = value;
        else if (flag == "--runs")
            options.runs = value;
        else {
            std::fprintf(stderr, "unknown option %s\n", flag.c_str());
            std::exit(2);
        }
    }
    if (options.instances < 1 || options.instances > options.processes || options.programs < 1 ||
        options.runs < 1) {
        std::fprintf(stderr, "inconsistent options\n");
        std::exit(2);
    }
    return options;
}

// A program installed in the home: a copy of sleep(1) at <home>/.local/opt/<name>/<name>; returns it.
fs::path makeProgram(const fs::path& home, const std::string& name)
{
    std::error_code error;
    const fs::path folder = home / ".local" / "opt" / name;
    fs::create_directories(folder, error);
    const fs::path program = folder / name;
    if (error || !fs::copy_file("/usr/bin/sleep", program, fs::copy_options::overwrite_existing, error))
        fail("make " + program.string());
    return program;
}

// Starts `program` with its full path as argv[0]; returns its pid.
pid_t start(const fs::path& program)
{
    const std::string path = program.string();
    char* argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>("3600"), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) != 0)
        fail("spawn " + path);
    return pid;
}

// Runs pgrep -c -x `name`; its time and the count it prints.
std::pair<double, int> pgrepCount(const std::string& name)
{
    const ChildRun child = runChild("/usr/bin/pgrep", {"-c", "-x", name});
    return {child.seconds, std::atoi(child.output.c_str())};
}

// The running instances of the program named `name`, counted as the uninstall sheet counts them.
std::size_t countInstances(const qm::GuiWorkspace& workspace, const std::string& name)
{
    const qm::ProgramIdentity program{{name}, {}};
    return qm::RunningApps::instancesOf(workspace.runningApplications(), program).size();
}

// Our count as a process of its own: `--ours-once NAME` prints the count.
int oursOnce(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: qm_running_bench --ours-once NAME\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    const qm::GuiWorkspace workspace(QDBusConnection(QStringLiteral("none")),
                                     [](const QUrl&) { return false; });
    std::printf("%zu\n", countInstances(workspace, argv[2]));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (isOursOnce(argc, argv))
        return oursOnce(argc, argv);
    const bool wholeProcess = takeFlag(argc, argv, kWholeProcess);
    const Options options = parse(argc, argv);
    QCoreApplication app(argc, argv);

    const WorkDir work(options.dir, "running");
    const fs::path root = fs::canonical(work.path()) / "home";

    // Names of at most 15 bytes, so the kernel's process name (what pgrep -x reads) is the whole name.
    const std::string targetName = "qm-target";
    const fs::path targetProgram = makeProgram(root, targetName);
    std::vector<fs::path> others;
    for (int b = 0; b < options.programs; ++b)
        others.push_back(makeProgram(root, "qm-other-" + std::to_string(b)));

    std::vector<pid_t> children;
    for (int i = 0; i < options.processes; ++i)
        children.push_back(
            start(i < options.instances ? targetProgram : others[std::size_t(i) % others.size()]));
    // Every child has exec'd once the kernel shows its own program as its executable.
    for (std::size_t i = 0; i < children.size(); ++i) {
        const std::string expected =
            (int(i) < options.instances ? targetProgram : others[i % others.size()]).filename().string();
        for (;;) {
            const auto process = qm::RunningApps::process(children[i]);
            if (process && process->executableName() == expected)
                break;
            ::usleep(1000);
        }
    }

    const qm::GuiWorkspace workspace(QDBusConnection(QStringLiteral("none")),
                                     [](const QUrl&) { return false; });
    std::vector<double> ours;
    std::vector<double> asProcess;
    std::vector<double> theirs;
    std::size_t ourCount = 0;
    std::size_t processCount = 0;
    int theirCount = 0;
    for (int run = 0; run < options.runs; ++run) {
        const auto a = Clock::now();
        ourCount = countInstances(workspace, targetName);
        ours.push_back(seconds(Clock::now() - a));
        if (wholeProcess) {
            const ChildRun child = runOursOnce({targetName});
            asProcess.push_back(child.seconds);
            processCount = std::size_t(std::atol(child.output.c_str()));
        }
        const auto [pgrepSeconds, count] = pgrepCount(targetName);
        theirs.push_back(pgrepSeconds);
        theirCount = count;
    }

    for (const pid_t pid : children)
        ::kill(pid, SIGKILL);
    for (const pid_t pid : children)
        ::waitpid(pid, nullptr, 0);
    std::error_code ignored;
    fs::remove_all(root, ignored);
    const double load = loadAverage();

    std::printf("processes %d (the program's own %d, %d other programs), %d rounds\n", options.processes,
                options.instances, options.programs, options.runs);
    const bool same = int(ourCount) == theirCount && (!wholeProcess || processCount == ourCount);
    std::printf("instances counted: quillmere %zu, pgrep -x %d%s\n", ourCount, theirCount,
                same ? "" : "  MISMATCH");
    const std::string condition = "quiet; load average " + std::to_string(load).substr(0, 4);
    printComparison(condition.c_str(), "quillmere (in this process)", ours, "pgrep -c -x", theirs);
    if (wholeProcess) {
        printSide("quillmere as a process (start included)", asProcess);
        printRatio("pgrep -c -x", theirs, "quillmere as a process", asProcess);
    }
    return same ? 0 : 1;
}
