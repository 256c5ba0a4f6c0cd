// Measures SystemStats::snapshot, called in this process as the Performance page calls it (each
// sample passed back in as the previous one), against a bare loop that touches the same sources
// without parsing anything (plain open/read/close of the same kernel files, the same system calls;
// os-release is left out of both, as a sampler reads it once)
// and against `free -b`, which reads one of them in a process of its own. All three run in one go,
// after a warm-up, and the mean cost per sample is printed with the ratios; a breakdown per source
// follows.
//
// Usage: qm_stats_bench [--samples N] [--free-runs M]
//   --samples    snapshots and bare rounds (default 10000)
//   --free-runs  runs of free -b (default 200)

#include "../support/BenchSupport.h"
#include "core/system/SystemStats.h"
#include "platform/HostStatistics.h"
#include "platform/ProcessRunner.h"

#include <dirent.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace qm::bench;

struct Options
{
    long samples = 10'000;
    long freeRuns = 200;
};

// Reads a file into a fixed buffer without looking at what arrives.
void slurp(const char* path)
{
    static char buffer[16 * 1024];
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
    ::close(fd);
}

// The sources of one sample, untouched by any parsing, and a minimum for what a sample can cost.
void bareRound()
{
    ::pread(0, nullptr, 0, 0); // keeps the loop honest about a system call per round
    {
        static char buffer[4096];
        const int fd = ::open("/proc/stat", O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            [[maybe_unused]] const ssize_t got = ::read(fd, buffer, sizeof buffer);
            ::close(fd);
        }
    }
    slurp("/proc/meminfo");
    if (DIR* thermal = ::opendir("/sys/class/thermal")) {
        while (::readdir(thermal) != nullptr) {
        }
        ::closedir(thermal);
    }
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) == 0)
        ::freeifaddrs(list);
    double loads[3];
    ::getloadavg(loads, 3);
    struct statvfs vfs;
    ::statvfs("/", &vfs);
    ::sysconf(_SC_PHYS_PAGES);
    ::sysconf(_SC_PAGESIZE);
    ::sysconf(_SC_NPROCESSORS_ONLN);
    timespec now;
    ::clock_gettime(CLOCK_BOOTTIME, &now);
}

// Mean microseconds of `count` calls of `body`.
double meanMicros(long count, const std::function<void()>& body)
{
    const Clock::time_point start = Clock::now();
    for (long i = 0; i < count; ++i)
        body();
    return seconds(Clock::now() - start) / double(count) * 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--samples")
            o.samples = std::atol(argv[i + 1]);
        else if (key == "--free-runs")
            o.freeRuns = std::atol(argv[i + 1]);
        else {
            std::fprintf(stderr, "unknown option %s\n", key.c_str());
            return 2;
        }
    }
    if (o.samples < 1 || o.freeRuns < 1) {
        std::fprintf(stderr, "counts must be at least 1\n");
        return 2;
    }

    // Warm-up: caches, the dentries of /proc and /sys, the first getifaddrs socket.
    std::optional<qm::SystemSnapshot> previous;
    for (int i = 0; i < 100; ++i) {
        previous = qm::SystemStats::snapshot(previous);
        bareRound();
    }

    const double snapshotMicros =
        meanMicros(o.samples, [&] { previous = qm::SystemStats::snapshot(previous); });
    const double bareMicros = meanMicros(o.samples, bareRound);

    qm::ProcessRequest request;
    request.program = "/usr/bin/free";
    request.arguments = {"-b"};
    const qm::ProcessRunner runner;
    const double freeMicros = meanMicros(o.freeRuns, [&] {
        const qm::Result<qm::ProcessOutcome> outcome = runner.run(request);
        if (!outcome || !outcome->succeeded())
            fail("free -b");
    });

    std::printf("samples: %ld; free -b runs: %ld\n", o.samples, o.freeRuns);
    std::printf("%-48s %12s %16s\n", "what", "mean us", "time / snapshot");
    std::printf("%-48s %12.1f %16.2f\n", "SystemStats::snapshot", snapshotMicros, 1.0);
    std::printf("%-48s %12.1f %16.2f\n", "bare loop, same sources unparsed", bareMicros,
                bareMicros / snapshotMicros);
    std::printf("%-48s %12.1f %16.2f\n", "free -b (its own process)", freeMicros,
                freeMicros / snapshotMicros);
    std::printf("goal: under 100 us per sample: %s\n", snapshotMicros < 100.0 ? "met" : "NOT MET");

    // Where a sample's time goes, source by source.
    const qm::LinuxHostStatistics host;
    const long parts = std::max(1L, o.samples / 4);
    struct Part
    {
        const char* name;
        std::function<void()> body;
    };
    const Part breakdown[] = {
        {"processor ticks (/proc/stat)", [&] { (void)host.cpuTicks(); }},
        {"used memory (/proc/meminfo)", [&] { (void)host.usedMemory(); }},
        {"version (os-release, kept after the first read)", [&] { (void)host.osVersion(); }},
        {"version (os-release, read afresh)", [&] { (void)qm::LinuxHostStatistics().osVersion(); }},
        {"thermal zones", [&] { (void)host.thermalState(); }},
        {"network counters (getifaddrs)", [&] { (void)host.networkBytes(); }},
        {"load, memory size, processors",
         [&] {
             (void)host.loadAverage();
             (void)host.physicalMemory();
             (void)host.onlineProcessors();
         }},
        {"uptime", [&] { (void)host.uptime(); }},
        {"root volume (statvfs)", [&] { (void)qm::MacHealth::read("/"); }},
    };
    std::printf("\n%-48s %12s %16s\n", "source", "mean us", "share of sample");
    for (const Part& part : breakdown) {
        const double micros = meanMicros(parts, part.body);
        std::printf("%-48s %12.1f %15.0f%%\n", part.name, micros, micros / snapshotMicros * 100.0);
    }
    return 0;
}
