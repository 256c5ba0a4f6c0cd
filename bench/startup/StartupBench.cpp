// Start-up of the application against the desktop applications a user would pick instead (baobab,
// filelight, gnome-system-monitor, bleachbit; `scripts/setup bench` installs them) and a bare Qt Quick
// window of the same Qt, all watched the same way from outside under a private Xvfb whose root window
// is black, with no window manager:
//
//  - first mapped: the first moment a top-level window of the program's process (the root's child
//    whose _NET_WM_PID is the process) is viewable;
//  - first painted content: the first moment a 32 by 32 grid of samples of that window holds at least
//    3 distinct pixel values (a window not painted yet shows one colour);
//
// both polled every 3 ms and counted from the fork of the program; 5 s after that fork its resident
// (RSS) and proportional (PSS) memory are read from /proc/<pid>/smaps_rollup, then it is ended with
// what it started. Each program runs with a session bus of its own, started before its clock starts,
// and all run on the same fresh home (kept across rounds, so the caches there are warm after the
// untimed first run of each, as on a desktop that has run them before). Rounds rotate the order of the
// programs; first on the machine as it is, then with one busy loop per processor. Ratios are the
// peer's figure over ours: above 1, ours is faster or smaller. The check: every program showed a
// window with content in every run; the benchmark exits 1 when one did not.
//
//   qm_startup_bench [--rounds N] [--only quiet|loaded] [--programs a,b,...] [--dir DIR] [--home DIR]
//   --programs  the programs to run, of quillmere, bare, baobab, filelight, gnome-system-monitor and
//               bleachbit (default: all; quillmere is always run)
//   --dir       the folder the programs' home, runtime folder, temporary folder (TMPDIR) and error log
//               are made in, made if absent and kept (default: a new folder in the system's temporary
//               folder, removed at the end)
//   --home      the home to run them in instead of DIR/home
#include "../support/BenchSupport.h"
#include "PrivateBus.h"
#include "PrivateDisplay.h"
#include "WindowWatch.h"

#include <sys/stat.h>

#include <optional>
#include <thread>

namespace {

using namespace qm::bench;

constexpr auto kPollEvery = std::chrono::milliseconds(3);
constexpr auto kMemoryAt = std::chrono::seconds(5);
constexpr auto kGiveUpAfter = std::chrono::seconds(60);

struct Sample
{
    double mappedMs = 0;
    double paintedMs = 0;
    double rssMiB = 0;
    double pssMiB = 0;
};

struct Program
{
    std::string key;
    std::string name;
    std::string path;
    std::vector<Sample> samples;
};

// "Rss:" and "Pss:" of /proc/<pid>/smaps_rollup in MiB; nothing when the file cannot be read.
std::optional<std::pair<double, double>> memoryOf(pid_t pid)
{
    FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/smaps_rollup").c_str(), "r");
    if (f == nullptr)
        return std::nullopt;
    double rss = -1;
    double pss = -1;
    char line[256];
    while (std::fgets(line, sizeof line, f) != nullptr) {
        long long kb = 0;
        if (std::sscanf(line, "Rss: %lld kB", &kb) == 1)
            rss = double(kb) / 1024.0;
        else if (std::sscanf(line, "Pss: %lld kB", &kb) == 1)
            pss = double(kb) / 1024.0;
    }
    std::fclose(f);
    if (rss < 0 || pss < 0)
        return std::nullopt;
    return std::make_pair(rss, pss);
}

double millisecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Ends the process group `pid` leads: SIGTERM, and SIGKILL after 5 s.
void endGroup(pid_t pid)
{
    ::kill(-pid, SIGTERM);
    int status = 0;
    for (int waited = 0; ::waitpid(pid, &status, WNOHANG) == 0; ++waited) {
        if (waited == 100)
            ::kill(-pid, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // Whatever it left in its group.
    ::kill(-pid, SIGKILL);
}

// Runs `program` once with a bus of its own: watches for its window and its content, reads its memory
// 5 s after its start and ends it. Fails when it shows no window with content within 60 s.
Sample runOnce(const Program& program, std::vector<std::string> environment, WindowWatch& watch,
               const std::string& logPath)
{
    const PrivateBus bus(environment);
    environment.push_back("DBUS_SESSION_BUS_ADDRESS=" + bus.address());
    std::vector<char*> envp;
    for (const std::string& entry : environment)
        envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);

    const Clock::time_point started = Clock::now();
    const pid_t pid = ::fork();
    if (pid < 0)
        fail("fork");
    if (pid == 0) {
        ::setpgid(0, 0);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        ::dup2(log >= 0 ? log : null, 1);
        ::dup2(log >= 0 ? log : null, 2);
        char* argv[] = {const_cast<char*>(program.path.c_str()), nullptr};
        ::execve(program.path.c_str(), argv, envp.data());
        ::_exit(127);
    }
    ::setpgid(pid, pid);

    std::optional<double> mapped;
    std::optional<double> painted;
    Clock::time_point next = started;
    while (!painted) {
        const Clock::time_point asked = Clock::now();
        if (asked - started > kGiveUpAfter)
            break;
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            errno = 0;
            fail(program.name + " ended before it showed content (its errors: " + logPath + ")");
        }
        const WindowLook look = watch.look(pid);
        if (look.mapped && !mapped)
            mapped = millisecondsBetween(started, asked);
        if (look.painted)
            painted = millisecondsBetween(started, asked);
        next += kPollEvery;
        std::this_thread::sleep_until(next);
    }
    if (!painted) {
        endGroup(pid);
        errno = 0;
        fail(program.name + (mapped ? " showed no content" : " mapped no window") +
             " within 60 s (its errors: " + logPath + ")");
    }

    std::this_thread::sleep_until(started + kMemoryAt);
    const std::optional<std::pair<double, double>> memory = memoryOf(pid);
    endGroup(pid);
    if (!memory) {
        errno = 0;
        fail("could not read the memory of " + program.name);
    }
    return Sample{*mapped, *painted, memory->first, memory->second};
}

std::vector<double> column(const std::vector<Sample>& samples, double Sample::*member)
{
    std::vector<double> out;
    for (const Sample& s : samples)
        out.push_back(s.*member);
    return out;
}

void report(const std::string& condition, double loadBefore, const std::vector<Program>& programs)
{
    const Program& ours = programs.front();
    std::printf("\n[%s] %zu rounds, order rotated; load average %.1f before, %.1f after\n", condition.c_str(),
                ours.samples.size(), loadBefore, loadAverage());
    std::printf("  %-22s %20s %20s %20s %20s\n", "min / median", "first mapped ms", "first content ms",
                "RSS at 5 s MiB", "PSS at 5 s MiB");
    for (const Program& p : programs) {
        std::printf("  %-22s", p.name.c_str());
        for (double Sample::*member : {&Sample::mappedMs, &Sample::paintedMs})
            std::printf(" %9.0f / %8.0f", minimum(column(p.samples, member)),
                        median(column(p.samples, member)));
        for (double Sample::*member : {&Sample::rssMiB, &Sample::pssMiB})
            std::printf(" %9.1f / %8.1f", minimum(column(p.samples, member)),
                        median(column(p.samples, member)));
        std::printf("\n");
    }
    std::printf("  peer / %s, medians (minimums); above 1: ours is faster or smaller\n", ours.name.c_str());
    std::printf("  %-22s %20s %20s %20s %20s\n", "", "first mapped", "first content", "RSS at 5 s",
                "PSS at 5 s");
    const auto ratio = [&](const Program& peer, double Sample::*member, auto pick) {
        return pick(column(peer.samples, member)) / pick(column(ours.samples, member));
    };
    const auto med = [](const std::vector<double>& v) { return median(v); };
    const auto min = [](const std::vector<double>& v) { return minimum(v); };
    double slowestContentRatio = 1e9;
    std::string fastestPeer;
    for (std::size_t i = 1; i < programs.size(); ++i) {
        const Program& peer = programs[i];
        std::printf("  %-22s", peer.name.c_str());
        for (double Sample::*member :
             {&Sample::mappedMs, &Sample::paintedMs, &Sample::rssMiB, &Sample::pssMiB})
            std::printf(" %11.2f (%5.2f)", ratio(peer, member, med), ratio(peer, member, min));
        std::printf("\n");
        if (peer.key != "bare" && ratio(peer, &Sample::paintedMs, med) < slowestContentRatio) {
            slowestContentRatio = ratio(peer, &Sample::paintedMs, med);
            fastestPeer = peer.name;
        }
    }
    if (!fastestPeer.empty())
        std::printf("  goal, first content no later than the fastest peer: %s / %s = %.2f (goal >= 1.00)\n",
                    fastestPeer.c_str(), ours.name.c_str(), slowestContentRatio);
    std::printf("  check: every program mapped a window and painted content in every run: yes\n");
    std::fflush(stdout);
}

std::string optionValue(int argc, char** argv, std::string_view name, std::string fallback)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (name == argv[i])
            return argv[i + 1];
    }
    return fallback;
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = std::max(1, std::atoi(optionValue(argc, argv, "--rounds", "7").c_str()));
    const std::string only = optionValue(argc, argv, "--only", "");
    const std::string chosen = "," + optionValue(argc, argv, "--programs", "") + ",";

    std::vector<Program> programs{
        {"quillmere", "Quillmere", QM_APP_EXECUTABLE, {}},
        {"bare", "bare Qt Quick window", QM_BARE_WINDOW_EXECUTABLE, {}},
        {"baobab", "baobab", "/usr/bin/baobab", {}},
        {"filelight", "filelight", "/usr/bin/filelight", {}},
        {"gnome-system-monitor", "gnome-system-monitor", "/usr/bin/gnome-system-monitor", {}},
        {"bleachbit", "bleachbit", "/usr/bin/bleachbit", {}},
    };
    if (chosen != ",,") {
        std::erase_if(programs, [&](const Program& p) {
            return p.key != "quillmere" && chosen.find("," + p.key + ",") == std::string::npos;
        });
    }
    for (const Program& p : programs) {
        if (::access(p.path.c_str(), X_OK) != 0)
            fail(p.path + " (scripts/setup bench installs the peers)");
    }

    const WorkDir work(optionValue(argc, argv, "--dir", ""), "startup");
    const std::string scratch = work.path().native();
    const std::string home = optionValue(argc, argv, "--home", scratch + "/home");
    const std::string runtime = scratch + "/runtime";
    const std::string temporary = scratch + "/tmp";
    ::mkdir(home.c_str(), 0755);
    ::mkdir(runtime.c_str(), 0700);
    ::mkdir(temporary.c_str(), 0700);
    const std::string logPath = scratch + "/stderr.log";

    const PrivateDisplay display;
    WindowWatch watch(display.name());
    if (!watch.connected())
        fail("cannot connect to the display " + display.name());
    if (!watch.rootIsBlack()) {
        errno = 0;
        fail("the root window of " + display.name() + " is not black");
    }
    const char* path = std::getenv("PATH");
    const std::vector<std::string> environment{
        "PATH=" + std::string(path != nullptr ? path : "/usr/bin:/bin"),
        "HOME=" + home,
        // Mesa finds the account's home through the password database, not HOME.
        "XDG_CACHE_HOME=" + home + "/.cache",
        "XDG_CONFIG_HOME=" + home + "/.config",
        "XDG_DATA_HOME=" + home + "/.local/share",
        "XDG_RUNTIME_DIR=" + runtime,
        "TMPDIR=" + temporary,
        "DISPLAY=" + display.name(),
        "QT_QPA_PLATFORM=xcb",
        "GDK_BACKEND=x11",
        "LANG=C.UTF-8",
    };

    std::printf("start-up: %d rounds, display %s (black root, no window manager), home %s, %u processors\n",
                rounds, display.name().c_str(), home.c_str(), std::thread::hardware_concurrency());
    // Untimed: fills the caches of the home and the page cache for every program.
    for (const Program& p : programs)
        runOnce(p, environment, watch, logPath);

    const auto measure = [&](const std::string& condition, int busyLoops) {
        for (Program& p : programs)
            p.samples.clear();
        const double loadBefore = loadAverage();
        std::optional<BusyLoops> load;
        if (busyLoops > 0)
            load.emplace(busyLoops);
        for (int round = 0; round < rounds; ++round) {
            std::printf("  round %d:", round + 1);
            for (std::size_t i = 0; i < programs.size(); ++i) {
                Program& p = programs[(std::size_t(round) + i) % programs.size()];
                p.samples.push_back(runOnce(p, environment, watch, logPath));
                std::printf(" %s %.0f/%.0f ms", p.key.c_str(), p.samples.back().mappedMs,
                            p.samples.back().paintedMs);
                std::fflush(stdout);
            }
            std::printf("\n");
        }
        report(condition, loadBefore, programs);
    };
    if (only.empty() || only == "quiet")
        measure("quiet", 0);
    if (only.empty() || only == "loaded") {
        const int processors = int(std::thread::hardware_concurrency());
        measure(std::to_string(processors) + " busy loops", processors);
    }
    if (work.temporary())
        std::printf("\nerrors of the programs: %lld bytes, removed with the folder (--dir keeps them)\n",
                    (long long)std::filesystem::file_size(logPath));
    else
        std::printf("\nerrors of the programs: %s\n", logPath.c_str());
    return 0;
}
