// Times the disk usage scan (the eight category folders of a generated home and system root) beside
// gdu and du -s -B1 on the same folders, warm cache. All three run as processes of their own (the scan
// as this executable's `--ours-once`), start-up included, once each per round after 3 warm-up rounds;
// min and median are printed with the ratio peer / scan (above 1: the scan is faster) headed by the
// medians. Totals differ by design: du and gdu count folders and count a hard-linked file once.
//
// Usage: qm_disk_bench [--entries N] [--runs R] [--dir DIR]
//   --entries  entries of the generated tree (default 240000)
//   --runs     rounds (default 10, after 3 warm-up rounds)
//   --dir      an absent folder to build the tree in (default: a new folder in /tmp, removed at the end)
// Also: qm_disk_bench --ours-once HOME SYSTEM_ROOT   measures once and prints the report (what is timed).

#include "../support/BenchSupport.h"
#include "core/disk/DiskUsageScanner.h"
#include "platform/ProcessRunner.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace qm::bench;

struct Options
{
    long entries = 240'000;
    int runs = 10;
    fs::path dir;
};

// One category folder of `entries` entries: folders of 100 files two levels deep; every tenth file
// holds 100 bytes, every hundredth folder also a symbolic link.
long fill(const fs::path& folder, long entries)
{
    fs::create_directories(folder);
    long made = 0;
    for (int top = 0; made < entries; ++top) {
        const fs::path topDir = folder / ("t" + std::to_string(top));
        fs::create_directory(topDir);
        ++made;
        for (int sub = 0; sub < 10 && made < entries; ++sub) {
            const fs::path subDir = topDir / ("s" + std::to_string(sub));
            fs::create_directory(subDir);
            ++made;
            const int fd = ::open(subDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd < 0)
                fail("open " + subDir.native());
            for (int f = 0; f < 100 && made < entries; ++f, ++made) {
                const std::string name = "file-" + std::to_string(f) + ".dat";
                const int file = ::openat(fd, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
                if (file < 0)
                    fail("create " + name);
                static const char payload[100] = {'x'};
                if (f % 10 == 0 && ::write(file, payload, sizeof payload) != sizeof payload)
                    fail("write " + name);
                ::close(file);
            }
            if ((top * 10 + sub) % 100 == 0 && ::symlinkat("/etc", fd, "link") == 0)
                ++made;
            ::close(fd);
        }
    }
    return made;
}

// The eight category folders: Library twice the size of each other one.
std::vector<fs::path> generate(const fs::path& root, long entries)
{
    const fs::path home = root / "home";
    const std::vector<std::pair<fs::path, int>> folders{
        {root / "system/Applications", 1},
        {home / "Pictures", 1},
        {home / "Movies", 1},
        {home / "Music", 1},
        {home / "Downloads", 1},
        {home / "Documents", 1},
        {home / "Desktop", 1},
        {home / "Library", 2},
    };
    const long unit = entries / 9;
    long made = 0;
    std::vector<fs::path> out;
    for (const auto& [folder, weight] : folders) {
        made += fill(folder, unit * weight);
        out.push_back(folder);
    }
    std::printf("generated %ld entries under %s\n", made, root.c_str());
    return out;
}

int scanOnce(const char* home, const char* systemRoot)
{
    const qm::DiskUsageReport report = qm::DiskUsageScanner(home, systemRoot).scan();
    qint64 measured = 0;
    for (const qm::DiskCategory& category : report.categories) {
        if (category.url)
            measured += category.bytes;
        std::printf("%-16s %14lld\n", category.name.toUtf8().constData(),
                    static_cast<long long>(category.bytes));
    }
    std::printf("measured %lld, used %lld, incomplete %d\n", static_cast<long long>(measured),
                static_cast<long long>(report.totalUsed), int(report.incomplete));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && isOursOnce(argc, argv))
        return scanOnce(argv[2], argv[3]);

    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--entries")
            options.entries = std::atol(argv[i + 1]);
        else if (flag == "--runs")
            options.runs = std::max(1, std::atoi(argv[i + 1]));
        else if (flag == "--dir")
            options.dir = argv[i + 1];
        else {
            std::fprintf(stderr, "unknown option %s\n", flag.c_str());
            return 2;
        }
    }
    const bool own = options.dir.empty();
    if (own) {
        char pattern[] = "/tmp/qm-disk-bench-XXXXXX";
        if (::mkdtemp(pattern) == nullptr)
            fail("mkdtemp");
        options.dir = pattern;
    }
    const std::vector<fs::path> folders = generate(options.dir, options.entries);
    std::vector<std::string> duArguments{"-s", "-B1"};
    for (const fs::path& folder : folders)
        duArguments.push_back(folder.native());
    const std::vector<std::string> gduArguments{
        "-n", "-p", "--no-prefix", "--config-file", "/dev/null", options.dir.native()};
    const std::vector<std::string> scanArguments{(options.dir / "home").native(),
                                                 (options.dir / "system").native()};
    std::printf("%s", runOursOnce(scanArguments).output.c_str());
    std::vector<double> scan, gdu, du;
    for (int round = -3; round < options.runs; ++round) {
        const double s = runOursOnce(scanArguments).seconds;
        const double g = runChild("/usr/bin/gdu", gduArguments).seconds;
        const double d = runChild("/usr/bin/du", duArguments).seconds;
        if (round < 0)
            continue; // warm-up
        scan.push_back(s);
        gdu.push_back(g);
        du.push_back(d);
    }
    printComparison("quiet, every side a whole process", "disk usage scan", scan, "gdu -n -p", gdu);
    std::printf("  (goal: gdu / scan at least 2.00)\n");
    printSide("du -s -B1", du);
    printRatio("du -s -B1", du, "disk usage scan", scan);
    if (own)
        fs::remove_all(options.dir);
    return 0;
}
