#pragma once

// What every side-by-side benchmark needs: failing loudly, timing, medians and writing generated
// files. Benchmarks only; nothing here is used by the program or the tests.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// The smallest of the rounds; `values` must not be empty.
inline double minimum(const std::vector<double>& values)
{
    return *std::min_element(values.begin(), values.end());
}

// Prints one line per side (min and median over the rounds) and both ratios named plainly:
// "<peer> / <ours>" (above 1: ours is faster) and "<ours> / <peer>", each for the medians and the
// minimums. `condition` names the machine's state, such as "quiet" or "8 busy loops".
inline void printComparison(const char* condition, const std::string& ours,
                            const std::vector<double>& oursSeconds, const std::string& peer,
                            const std::vector<double>& peerSeconds)
{
    std::printf("\n[%s] %zu interleaved rounds\n", condition, oursSeconds.size());
    std::printf("  %-34s min %10.4f s   median %10.4f s\n", ours.c_str(), minimum(oursSeconds),
                median(oursSeconds));
    std::printf("  %-34s min %10.4f s   median %10.4f s\n", peer.c_str(), minimum(peerSeconds),
                median(peerSeconds));
    std::printf("  %s time / %s time = %.2f (medians), %.2f (minimums)   above 1: ours is faster\n",
                peer.c_str(), ours.c_str(), median(peerSeconds) / median(oursSeconds),
                minimum(peerSeconds) / minimum(oursSeconds));
    std::printf("  %s time / %s time = %.2f (medians), %.2f (minimums)\n", ours.c_str(), peer.c_str(),
                median(oursSeconds) / median(peerSeconds), minimum(oursSeconds) / minimum(peerSeconds));
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

} // namespace qm::bench
