// Counts one bundle's running instances the way the uninstall sheet does (the desktop's running
// applications read from /proc with each bundle's identifier, then matched by identifier or bundle
// path) against `pgrep -c -f <bundle path>` over the same processes, side by side in every round, and
// prints min and median with the ratio pgrep / ours (above 1: ours is faster) headed by the medians. The
// processes are copies of sleep(1) started from fixture bundles under a temporary folder: `--processes`
// in all, `--instances` of them from the bundle counted, the rest spread over `--bundles` other
// bundles. pgrep is timed as it is used, a program started and waited for; both counts are printed
// and must agree. With --whole-process ours also runs as a process of its own (start-up included, as
// pgrep's time includes its own).
//
// Usage: qm_running_bench [--processes N] [--instances K] [--bundles B] [--runs R] [--whole-process]
//   --processes  processes started (default 500)
//   --instances  of them from the bundle counted (default 10)
//   --bundles    other bundles the rest run from (default 49)
//   --runs       rounds of each count (default 30)
//   --whole-process  also time our count as a process of its own

#include "../support/BenchSupport.h"
#include "app/platform/GuiWorkspace.h"
#include "core/apps/InstalledApp.h"
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
    int bundles = 49;
    int runs = 30;
};

Options parse(int argc, char** argv)
{
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        const int value = std::atoi(argv[i + 1]);
        if (flag == "--processes")
            options.processes = value;
        else if (flag == "--instances")
            options.instances = value;
        else if (flag == "--bundles")
            options.bundles = value;
        else if (flag == "--runs")
            options.runs = value;
        else {
            std::fprintf(stderr, "unknown option %s\n", flag.c_str());
            std::exit(2);
        }
    }
    if (options.instances < 1 || options.instances > options.processes || options.bundles < 1 ||
        options.runs < 1) {
        std::fprintf(stderr, "inconsistent options\n");
        std::exit(2);
    }
    return options;
}

// A bundle holding a copy of sleep(1) and an Info.plist with `identifier`; returns the executable.
fs::path makeBundle(const fs::path& bundle, const std::string& identifier)
{
    std::error_code error;
    fs::create_directories(bundle / "Contents" / "MacOS", error);
    const fs::path program = bundle / "Contents" / "MacOS" / "Sleeper";
    if (error || !fs::copy_file("/usr/bin/sleep", program, fs::copy_options::overwrite_existing, error))
        fail("make " + bundle.string());
    writeFile((bundle / "Contents" / "Info.plist").string(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
              "<key>CFBundleIdentifier</key><string>" +
                  identifier + "</string></dict></plist>\n");
    return program;
}

// Starts `program` with its full path as argv[0] (so pgrep -f sees the bundle path); returns its pid.
pid_t start(const fs::path& program)
{
    const std::string path = program.string();
    char* argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>("3600"), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) != 0)
        fail("spawn " + path);
    return pid;
}

// Runs pgrep -c -f `pattern`; its time and the count it prints.
std::pair<double, int> pgrepCount(const std::string& pattern)
{
    const ChildRun child = runChild("/usr/bin/pgrep", {"-c", "-f", pattern});
    return {child.seconds, std::atoi(child.output.c_str())};
}

// The running instances of the application at `bundle` with `identifier`, counted as the uninstall
// sheet counts them.
std::size_t countInstances(const qm::GuiWorkspace& workspace, const fs::path& bundle,
                           const QString& identifier)
{
    qm::InstalledApp installed;
    installed.url = bundle;
    installed.bundleID = identifier;
    return qm::RunningApps::instancesOf(workspace.runningApplications(), installed.url, installed.bundleID)
        .size();
}

// Our count as a process of its own: `--ours-once BUNDLE IDENTIFIER` prints the count.
int oursOnce(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: qm_running_bench --ours-once BUNDLE IDENTIFIER\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    const qm::GuiWorkspace workspace(QDBusConnection(QStringLiteral("none")), [](const QUrl&) {});
    std::printf("%zu\n", countInstances(workspace, argv[2], QString::fromUtf8(argv[3])));
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

    char folderTemplate[] = "/tmp/qm-running-bench-XXXXXX";
    if (::mkdtemp(folderTemplate) == nullptr)
        fail("mkdtemp");
    const fs::path root = fs::canonical(folderTemplate);

    const fs::path target = root / "Applications" / "Target.app";
    const fs::path targetProgram = makeBundle(target, "com.example.target");
    std::vector<fs::path> others;
    for (int b = 0; b < options.bundles; ++b)
        others.push_back(makeBundle(root / "Applications" / ("Other " + std::to_string(b) + ".app"),
                                    "com.example.other" + std::to_string(b)));

    std::vector<pid_t> children;
    for (int i = 0; i < options.processes; ++i)
        children.push_back(
            start(i < options.instances ? targetProgram : others[std::size_t(i) % others.size()]));
    // Every child has exec'd once its executable shows in /proc.
    for (const pid_t pid : children) {
        while (!qm::RunningApps::bundleOfProcess(pid))
            ::usleep(1000);
    }

    const QString identifier = QStringLiteral("com.example.target");
    const qm::GuiWorkspace workspace(QDBusConnection(QStringLiteral("none")), [](const QUrl&) {});
    std::vector<double> ours;
    std::vector<double> asProcess;
    std::vector<double> theirs;
    std::size_t ourCount = 0;
    std::size_t processCount = 0;
    int theirCount = 0;
    // The pattern matches the bundle's own processes only ("Target.app/" ends the bundle's name).
    const std::string pattern = target.string() + "/";
    for (int run = 0; run < options.runs; ++run) {
        const auto a = Clock::now();
        ourCount = countInstances(workspace, target, identifier);
        ours.push_back(seconds(Clock::now() - a));
        if (wholeProcess) {
            const ChildRun child = runOursOnce({target.native(), identifier.toStdString()});
            asProcess.push_back(child.seconds);
            processCount = std::size_t(std::atol(child.output.c_str()));
        }
        const auto [pgrepSeconds, count] = pgrepCount(pattern);
        theirs.push_back(pgrepSeconds);
        theirCount = count;
    }

    for (const pid_t pid : children)
        ::kill(pid, SIGKILL);
    for (const pid_t pid : children)
        ::waitpid(pid, nullptr, 0);
    std::error_code ignored;
    fs::remove_all(root, ignored);

    std::printf("processes %d (bundle's own %d, %d other bundles), %d rounds\n", options.processes,
                options.instances, options.bundles, options.runs);
    const bool same = int(ourCount) == theirCount && (!wholeProcess || processCount == ourCount);
    std::printf("instances counted: quillmere %zu, pgrep -f %d%s\n", ourCount, theirCount,
                same ? "" : "  MISMATCH");
    printComparison("quiet", "quillmere (in this process)", ours, "pgrep -c -f", theirs);
    if (wholeProcess) {
        printSide("quillmere as a process (start included)", asProcess);
        printRatio("pgrep -c -f", theirs, "quillmere as a process", asProcess);
    }
    return same ? 0 : 1;
}
