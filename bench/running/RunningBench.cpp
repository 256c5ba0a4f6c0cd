// Counts one bundle's running instances the way the uninstall sheet does (the desktop's running
// applications read from /proc with each bundle's identifier, then matched by identifier or bundle
// path) against `pgrep -c -f <bundle path>` over the same processes, and prints the time ratio. The
// processes are copies of sleep(1) started from fixture bundles under a temporary folder: `--processes`
// in all, `--instances` of them from the bundle counted, the rest spread over `--bundles` other
// bundles. pgrep is timed as it is used, a program started and waited for; both counts are printed
// and must agree.
//
// Usage: qm_running_bench [--processes N] [--instances K] [--bundles B] [--runs R]
//   --processes  processes started (default 500)
//   --instances  of them from the bundle counted (default 10)
//   --bundles    other bundles the rest run from (default 49)
//   --runs       rounds of each count (default 30)

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
    if (options.instances > options.processes || options.bundles < 1 || options.runs < 1) {
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

// Runs pgrep -c -f `pattern` and returns the count it prints.
int pgrepCount(const std::string& pattern)
{
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        fail("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    char* argv[] = {const_cast<char*>("pgrep"), const_cast<char*>("-c"), const_cast<char*>("-f"),
                    const_cast<char*>(pattern.c_str()), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, "/usr/bin/pgrep", &actions, nullptr, argv, environ) != 0)
        fail("spawn pgrep");
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string text;
    char buffer[64];
    ssize_t n = 0;
    while ((n = ::read(out[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, std::size_t(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return std::atoi(text.c_str());
}

} // namespace

int main(int argc, char** argv)
{
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

    qm::InstalledApp installed;
    installed.url = target;
    installed.bundleID = QStringLiteral("com.example.target");
    qm::GuiWorkspace workspace(QDBusConnection(QStringLiteral("none")), [](const QUrl&) {});

    std::vector<double> ours;
    std::vector<double> theirs;
    std::size_t ourCount = 0;
    int theirCount = 0;
    // The pattern matches the bundle's own processes only ("Target.app/" ends the bundle's name).
    const std::string pattern = target.string() + "/";
    for (int run = 0; run < options.runs; ++run) {
        const auto a = Clock::now();
        ourCount =
            qm::RunningApps::instancesOf(workspace.runningApplications(), installed.url, installed.bundleID)
                .size();
        const auto b = Clock::now();
        theirCount = pgrepCount(pattern);
        const auto c = Clock::now();
        ours.push_back(seconds(b - a));
        theirs.push_back(seconds(c - b));
    }

    for (const pid_t pid : children)
        ::kill(pid, SIGKILL);
    for (const pid_t pid : children)
        ::waitpid(pid, nullptr, 0);
    std::error_code ignored;
    fs::remove_all(root, ignored);

    const double ourMedian = median(ours);
    const double theirMedian = median(theirs);
    std::printf("processes %d (bundle's own %d, %d other bundles), %d rounds\n", options.processes,
                options.instances, options.bundles, options.runs);
    std::printf("instances counted: quillmere %zu, pgrep -f %d%s\n", ourCount, theirCount,
                int(ourCount) == theirCount ? "" : "  MISMATCH");
    std::printf("median time:       quillmere %.3f ms, pgrep -f %.3f ms\n", ourMedian * 1e3,
                theirMedian * 1e3);
    std::printf("ratio quillmere/pgrep: %.2f\n", ourMedian / theirMedian);
    return int(ourCount) == theirCount ? 0 : 1;
}
