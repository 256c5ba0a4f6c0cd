// Start-up of the application against a bare Qt Quick window of the same Qt, under a private Xvfb:
// each program is started with QM_REPORT_FIRST_FRAME=1 and prints how many milliseconds after its
// process started it swapped its first frame; 5 s after the start its resident (RSS) and proportional
// (PSS) memory are read from /proc/<pid>/smaps_rollup, then it is ended. Rounds alternate which
// program goes first. Both run on the same fresh home (kept across rounds, so the graphics stack's
// shader cache there is warm after the untimed first run of each, as on a desktop that has shown a
// window before), first on a quiet machine, then with one busy loop per processor.
//
//   qm_startup_bench [--rounds N] [--only quiet|loaded] [--dir DIR] [--home DIR]
//   --dir   the folder the programs' home, runtime folder, temporary folder (TMPDIR) and error log are
//           made in, made if absent and kept (default: a new folder in the system's temporary
//           folder, removed at the end)
//   --home  the home to run them in instead of DIR/home
#include "../support/BenchSupport.h"

#include <poll.h>
#include <sys/stat.h>

#include <cmath>
#include <optional>
#include <thread>

namespace {

using namespace qm::bench;

struct Sample
{
    double firstFrameMs = 0;
    double rssMiB = 0;
    double pssMiB = 0;
};

struct Program
{
    std::string name;
    std::string path;
    std::vector<Sample> samples;
};

// The Xvfb server of this run, on the first free display (Xvfb picks it and writes its number).
class PrivateDisplay
{
public:
    PrivateDisplay()
    {
        int pipeFds[2];
        if (::pipe2(pipeFds, O_CLOEXEC) != 0)
            fail("pipe");
        m_pid = ::fork();
        if (m_pid < 0)
            fail("fork");
        if (m_pid == 0) {
            ::dup2(pipeFds[1], 3);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x800x24", "-nolisten",
                    "tcp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipeFds[1]);
        char buffer[32] = {};
        std::size_t used = 0;
        while (used < sizeof buffer - 1) {
            const ssize_t n = ::read(pipeFds[0], buffer + used, sizeof buffer - 1 - used);
            if (n <= 0)
                break;
            used += std::size_t(n);
            if (std::memchr(buffer, '\n', used) != nullptr)
                break;
        }
        ::close(pipeFds[0]);
        if (used == 0)
            fail("Xvfb did not start");
        m_display = ":" + std::to_string(std::atoi(buffer));
    }
    ~PrivateDisplay()
    {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    const std::string& name() const { return m_display; }

private:
    pid_t m_pid = -1;
    std::string m_display;
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

// Starts `program` in `environment`, reads its first-frame line, reads its memory 5 s after its start
// and ends it. Fails when no line comes within 60 s.
Sample runOnce(const Program& program, const std::vector<std::string>& environment,
               const std::string& logPath)
{
    std::vector<char*> envp;
    for (const std::string& entry : environment)
        envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        fail("pipe");
    const Clock::time_point started = Clock::now();
    const pid_t pid = ::fork();
    if (pid < 0)
        fail("fork");
    if (pid == 0) {
        ::dup2(pipeFds[1], 1);
        const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (log >= 0)
            ::dup2(log, 2);
        char* argv[] = {const_cast<char*>(program.path.c_str()), nullptr};
        ::execve(program.path.c_str(), argv, envp.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);

    std::string output;
    std::optional<double> firstFrame;
    while (!firstFrame) {
        const auto left = std::chrono::seconds(60) - (Clock::now() - started);
        pollfd p{pipeFds[0], POLLIN, 0};
        const int ready = ::poll(
            &p, 1,
            int(std::max<long long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(left).count())));
        if (ready <= 0)
            break;
        char buffer[256];
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        output.append(buffer, std::size_t(n));
        const std::size_t at = output.find("first-frame-ms ");
        if (at != std::string::npos && output.find('\n', at) != std::string::npos)
            firstFrame = std::atof(output.c_str() + at + std::strlen("first-frame-ms "));
    }
    if (!firstFrame) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        errno = 0;
        fail(program.name + " reported no first frame within 60 s (its errors: " + logPath + ")");
    }

    std::this_thread::sleep_until(started + std::chrono::seconds(5));
    const std::optional<std::pair<double, double>> memory = memoryOf(pid);
    ::kill(pid, SIGTERM);
    ::close(pipeFds[0]);
    int status = 0;
    for (int waited = 0; ::waitpid(pid, &status, WNOHANG) == 0; ++waited) {
        if (waited == 100)
            ::kill(pid, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!memory) {
        errno = 0;
        fail("could not read the memory of " + program.name);
    }
    return Sample{*firstFrame, memory->first, memory->second};
}

std::vector<double> column(const std::vector<Sample>& samples, double Sample::*member)
{
    std::vector<double> out;
    for (const Sample& s : samples)
        out.push_back(s.*member);
    return out;
}

void report(const char* condition, const Program& bare, const Program& app)
{
    std::printf("\n[%s] %zu interleaved rounds, load average %.1f\n", condition, app.samples.size(),
                loadAverage());
    std::printf("  %-22s %24s %24s %24s\n", "", "first frame ms min/med", "RSS at 5 s MiB min/med",
                "PSS at 5 s MiB min/med");
    for (const Program* p : {&bare, &app}) {
        std::printf("  %-22s %11.0f / %10.0f %11.1f / %10.1f %11.1f / %10.1f\n", p->name.c_str(),
                    minimum(column(p->samples, &Sample::firstFrameMs)),
                    median(column(p->samples, &Sample::firstFrameMs)),
                    minimum(column(p->samples, &Sample::rssMiB)), median(column(p->samples, &Sample::rssMiB)),
                    minimum(column(p->samples, &Sample::pssMiB)),
                    median(column(p->samples, &Sample::pssMiB)));
    }
    const auto ratio = [&](double Sample::*member) {
        return median(column(app.samples, member)) / median(column(bare.samples, member));
    };
    std::printf("  %s / %s (medians; at or below the goal is good): first frame %.2f (goal 1.30, min %.2f), "
                "RSS %.2f (goal 1.25), PSS %.2f\n",
                app.name.c_str(), bare.name.c_str(), ratio(&Sample::firstFrameMs),
                minimum(column(app.samples, &Sample::firstFrameMs)) /
                    minimum(column(bare.samples, &Sample::firstFrameMs)),
                ratio(&Sample::rssMiB), ratio(&Sample::pssMiB));
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

    const WorkDir work(optionValue(argc, argv, "--dir", ""), "startup");
    const std::string scratch = work.path().native();
    const std::string home = optionValue(argc, argv, "--home", scratch + "/home");
    const std::string runtime = scratch + "/runtime";
    const std::string temporary = scratch + "/tmp";
    ::mkdir(home.c_str(), 0755);
    ::mkdir(runtime.c_str(), 0700);
    ::mkdir(temporary.c_str(), 0700);
    const std::string logPath = scratch + "/stderr.log";

    PrivateDisplay display;
    const char* path = std::getenv("PATH");
    const std::vector<std::string> environment{
        "PATH=" + std::string(path != nullptr ? path : "/usr/bin:/bin"),
        "HOME=" + home,
        // Mesa finds the account's home through the password database, not HOME.
        "XDG_CACHE_HOME=" + home + "/.cache",
        "XDG_RUNTIME_DIR=" + runtime,
        "TMPDIR=" + temporary,
        "DISPLAY=" + display.name(),
        "QT_QPA_PLATFORM=xcb",
        "LANG=C.UTF-8",
        "QM_REPORT_FIRST_FRAME=1",
    };

    std::printf("start-up: %d rounds, display %s, home %s, %u processors\n", rounds, display.name().c_str(),
                home.c_str(), std::thread::hardware_concurrency());
    Program bare{"bare Qt Quick window", QM_BARE_WINDOW_EXECUTABLE, {}};
    Program app{"Quillmere", QM_APP_EXECUTABLE, {}};
    // Untimed: fills the shader cache and the page cache for both.
    runOnce(bare, environment, logPath);
    runOnce(app, environment, logPath);

    const auto measure = [&](const char* condition, int busyLoops) {
        bare.samples.clear();
        app.samples.clear();
        std::optional<BusyLoops> load;
        if (busyLoops > 0)
            load.emplace(busyLoops);
        for (int round = 0; round < rounds; ++round) {
            Program& first = round % 2 == 0 ? bare : app;
            Program& second = round % 2 == 0 ? app : bare;
            first.samples.push_back(runOnce(first, environment, logPath));
            second.samples.push_back(runOnce(second, environment, logPath));
            std::printf("  round %d: %s %.0f ms, %s %.0f ms\n", round + 1, bare.name.c_str(),
                        bare.samples.back().firstFrameMs, app.name.c_str(), app.samples.back().firstFrameMs);
            std::fflush(stdout);
        }
        report(condition, bare, app);
    };
    if (only.empty() || only == "quiet")
        measure("quiet", 0);
    if (only.empty() || only == "loaded") {
        const int processors = int(std::thread::hardware_concurrency());
        measure((std::to_string(processors) + " busy loops").c_str(), processors);
    }
    if (work.temporary())
        std::printf("\nerrors of the programs: %lld bytes, removed with the folder (--dir keeps them)\n",
                    (long long)std::filesystem::file_size(logPath));
    else
        std::printf("\nerrors of the programs: %s\n", logPath.c_str());
    return 0;
}
