#pragma once

// What every side-by-side benchmark needs: failing loudly, timing, medians and writing generated
// files. Benchmarks only; nothing here is used by the program or the tests.

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qm::bench {

using Clock = std::chrono::steady_clock;

// Prints what failed with the C library's reason (errno) under the program's name and exits 1.
[[noreturn]] inline void fail(const std::string& what)
{
    std::fprintf(stderr, "%s: %s: %s\n", program_invocation_short_name, what.c_str(), std::strerror(errno));
    std::exit(1);
}

// A duration in seconds.
inline double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// The middle value of the rounds (the upper one of the two middles for an even count); `values` must
// not be empty.
inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Creates or truncates the file at `path` and writes all of `bytes` to it, or fails.
inline void writeFile(const std::string& path, std::string_view bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        fail("create " + path);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            fail("write " + path);
        done += std::size_t(n);
    }
    ::close(fd);
}

// The whole content of the file at `path`, or fails.
inline std::string readFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail("open " + path);
    std::string bytes;
    char buffer[65536];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail("read " + path);
        bytes.append(buffer, std::size_t(n));
    }
    ::close(fd);
    return bytes;
}

// The smallest of the rounds; `values` must not be empty.
inline double minimum(const std::vector<double>& values)
{
    return *std::min_element(values.begin(), values.end());
}

// Prints one side's line: its name, and the minimum and median of its rounds in milliseconds.
inline void printSide(const std::string& name, const std::vector<double>& secondsPerRound)
{
    std::printf("  %-44s min %12.3f ms   median %12.3f ms\n", name.c_str(), minimum(secondsPerRound) * 1e3,
                median(secondsPerRound) * 1e3);
}

// Prints the one ratio every benchmark gives: the peer's time over ours (above 1: ours is faster),
// headed by the medians, with the minimums after them.
inline void printRatio(const std::string& peer, const std::vector<double>& peerSeconds,
                       const std::string& ours, const std::vector<double>& oursSeconds)
{
    std::printf("  %s / %s = %.2f (medians; minimums %.2f)   above 1: ours is faster\n", peer.c_str(),
                ours.c_str(), median(peerSeconds) / median(oursSeconds),
                minimum(peerSeconds) / minimum(oursSeconds));
}

// Prints one line per side (min and median over the rounds) and the ratio of `printRatio`.
// `condition` names the machine's state, such as "quiet" or "8 busy loops".
inline void printComparison(const char* condition, const std::string& ours,
                            const std::vector<double>& oursSeconds, const std::string& peer,
                            const std::vector<double>& peerSeconds)
{
    std::printf("\n[%s] %zu interleaved rounds\n", condition, oursSeconds.size());
    printSide(ours, oursSeconds);
    printSide(peer, peerSeconds);
    printRatio(peer, peerSeconds, ours, oursSeconds);
}

// The flag that adds a row timing our side as a process of its own (start-up included), as the
// peers are timed, where a benchmark otherwise times our side inside its own process.
inline constexpr std::string_view kWholeProcess = "--whole-process";

// The first argument with which a benchmark's executable runs our side once and exits: what
// `runOursOnce` starts. What follows it is the benchmark's own.
inline constexpr std::string_view kOursOnce = "--ours-once";

// Removes every `flag` from the arguments (shrinking `argc`) and tells whether there was one, so
// that the remaining options can still be read in pairs.
inline bool takeFlag(int& argc, char** argv, std::string_view flag)
{
    bool found = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (flag == argv[i])
            found = true;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    argv[argc] = nullptr;
    return found;
}

// True when the executable was started by `runOursOnce`.
inline bool isOursOnce(int argc, char** argv)
{
    return argc > 1 && kOursOnce == argv[1];
}

// A child process's wall time, from just before its start to its end, its standard output and its
// peak resident memory (ru_maxrss, in KiB, of that child alone).
struct ChildRun
{
    double seconds = 0;
    std::string output;
    long maxRssKiB = 0;
};

// Runs `program` (an absolute path) with `arguments`, its standard output read into the result and
// its standard error shared with ours, and waits for it. Fails unless it exits with status 0.
// `name` is the child's argv[0] (the program's path when empty).
inline ChildRun runChild(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& name = {})
{
    std::vector<char*> argv{const_cast<char*>(name.empty() ? program.c_str() : name.c_str())};
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        fail("pipe");
    ChildRun run;
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid < 0)
        fail("fork");
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    char buffer[65536];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail("read from " + program);
        run.output.append(buffer, std::size_t(n));
    }
    ::close(out[0]);
    int status = 0;
    struct rusage usage = {};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    run.seconds = seconds(Clock::now() - start);
    run.maxRssKiB = usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s: %s did not exit with 0\n", program_invocation_short_name, program.c_str());
        std::exit(1);
    }
    return run;
}

// Runs this benchmark's own executable as `<it> --ours-once <arguments>`: our side as a whole
// process, timed as the peers are.
inline ChildRun runOursOnce(const std::vector<std::string>& arguments)
{
    std::vector<std::string> all{std::string(kOursOnce)};
    all.insert(all.end(), arguments.begin(), arguments.end());
    // Through /proc/self/exe, which still names this executable when a rebuild has replaced its file.
    static const std::string name = [] {
        char path[4096];
        const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
        return n > 0 ? std::string(path, std::size_t(n)) : std::string("bench");
    }();
    return runChild("/proc/self/exe", all, name);
}

// Drops the files' pages from the page cache (fdatasync, then POSIX_FADV_DONTNEED), so that the next
// read comes from the disk; folders, inodes and the rest of the cache stay. Fails when a file cannot
// be opened.
inline void evict(const std::vector<std::string>& files)
{
    for (const std::string& file : files) {
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            fail("open " + file);
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

// N processes that spin on a processor each while the object lives: the load of `--load N`.
class BusyLoops
{
public:
    explicit BusyLoops(int count)
    {
        for (int i = 0; i < count; ++i) {
            const pid_t pid = ::fork();
            if (pid < 0)
                fail("fork");
            if (pid == 0) {
                volatile unsigned long spin = 0;
                for (;;)
                    spin = spin + 1;
            }
            m_pids.push_back(pid);
        }
    }
    ~BusyLoops()
    {
        for (const pid_t pid : m_pids)
            ::kill(pid, SIGKILL);
        for (const pid_t pid : m_pids)
            ::waitpid(pid, nullptr, 0);
    }
    BusyLoops(const BusyLoops&) = delete;
    BusyLoops& operator=(const BusyLoops&) = delete;

private:
    std::vector<pid_t> m_pids;
};

// Reads "--load N" from the arguments (0 when absent).
inline int loadOption(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string_view(argv[i]) == "--load")
            return std::max(0, std::atoi(argv[i + 1]));
    }
    return 0;
}

// The machine's 1-minute load average as /proc/loadavg says, to print beside the figures.
inline double loadAverage()
{
    double load = -1;
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load) != 1)
            load = -1;
        std::fclose(f);
    }
    return load;
}

// The folder a benchmark writes in, as "--dir DIR" means in every benchmark: DIR, made with its
// parents when absent and kept at the end; without the option a new folder in the system's temporary
// folder, removed with everything in it when the object goes. Nothing else is written anywhere.
class WorkDir
{
public:
    // `dir` is the option's value (empty: none); `name` names the benchmark in the temporary folder's name.
    WorkDir(const std::filesystem::path& dir, const std::string& name)
    {
        if (!dir.empty()) {
            std::error_code ec;
            std::filesystem::create_directories(dir, ec);
            if (ec || !std::filesystem::is_directory(dir))
                fail("make " + dir.native());
            m_path = std::filesystem::absolute(dir).lexically_normal();
            return;
        }
        std::string pattern =
            (std::filesystem::temp_directory_path() / ("qm-" + name + "-bench-XXXXXX")).native();
        if (::mkdtemp(pattern.data()) == nullptr)
            fail("mkdtemp " + pattern);
        m_path = pattern;
        m_own = true;
    }
    ~WorkDir()
    {
        if (m_own) {
            std::error_code ec;
            std::filesystem::remove_all(m_path, ec);
        }
    }
    WorkDir(const WorkDir&) = delete;
    WorkDir& operator=(const WorkDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // True when the folder is this object's own and goes with it.
    bool temporary() const { return m_own; }

private:
    std::filesystem::path m_path;
    bool m_own = false;
};

} // namespace qm::bench
