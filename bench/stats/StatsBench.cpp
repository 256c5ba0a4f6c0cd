// Measures SystemStats::snapshot, called in this process as the Performance page calls it (each
// sample passed back in as the previous one), against a bare loop that touches the same sources
// without parsing anything (plain open/read/close of the same kernel files, the same system calls;
// os-release is left out of both, as a sampler reads it once)
// and against `free -b`, which reads one of them in a process of its own. After a warm-up they run
// interleaved (a snapshot and a bare round each time, free -b spread evenly among them); min and
// median per sample are printed with the ratio of each other side's time to the snapshot's (above 1:
// the snapshot is faster) headed by the medians. With --whole-process a snapshot also runs as a
// process of its own (one sample, start-up included, as free's time includes its own). A breakdown
// per source (mean costs) follows.
//
// Usage: qm_stats_bench [--samples N] [--free-runs M] [--whole-process]
//   --samples    snapshots and bare rounds (default 10000)
//   --free-runs  runs of free -b, and of the snapshot as a process (default 200)
//   --whole-process  also time one snapshot as a process of its own

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

// One snapshot as a process of its own: `--ours-once` takes a first sample and prints its used memory.
int oursOnce()
{
    std::printf("%lld\n", (long long)qm::SystemStats::snapshot(std::nullopt).usedRAM.value_or(0));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (isOursOnce(argc, argv))
        return oursOnce();
    const bool wholeProcess = takeFlag(argc, argv, kWholeProcess);
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

    qm::ProcessRequest request;
    request.program = "/usr/bin/free";
    request.arguments = {"-b"};
    const qm::ProcessRunner runner;
    std::vector<double> snapshot, bare, freeRuns, asProcess;
    const long every = std::max(1L, o.samples / o.freeRuns);
    for (long i = 0; i < o.samples; ++i) {
        auto start = Clock::now();
        previous = qm::SystemStats::snapshot(previous);
        snapshot.push_back(seconds(Clock::now() - start));
        start = Clock::now();
        bareRound();
        bare.push_back(seconds(Clock::now() - start));
        if (i % every == 0 && long(freeRuns.size()) < o.freeRuns) {
            start = Clock::now();
            const qm::Result<qm::ProcessOutcome> outcome = runner.run(request);
            freeRuns.push_back(seconds(Clock::now() - start));
            if (!outcome || !outcome->succeeded())
                fail("free -b");
            if (wholeProcess)
                asProcess.push_back(runOursOnce({}).seconds);
        }
    }
    const double snapshotMicros = median(snapshot) * 1e6;

    std::printf("samples: %ld; free -b runs: %zu\n", o.samples, freeRuns.size());
    std::printf("%-48s %10s %10s %16s\n", "what", "min us", "median us", "median / snapshot");
    const auto row = [&](const char* name, const std::vector<double>& values) {
        std::printf("%-48s %10.1f %10.1f %16.2f\n", name, minimum(values) * 1e6, median(values) * 1e6,
                    median(values) * 1e6 / snapshotMicros);
    };
    row("SystemStats::snapshot", snapshot);
    row("bare loop, same sources unparsed", bare);
    row("free -b (its own process)", freeRuns);
    if (wholeProcess)
        row("snapshot as a process (start included)", asProcess);
    printRatio("bare loop", bare, "SystemStats::snapshot", snapshot);
    printRatio("free -b", freeRuns, "SystemStats::snapshot", snapshot);
    if (wholeProcess)
        printRatio("free -b", freeRuns, "snapshot as a process", asProcess);
    std::printf("goal: under 100 us per sample (median): %s\n", snapshotMicros < 100.0 ? "met" : "NOT MET");

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
