// Times the disk usage scan (the eight category folders of a generated home and system root) beside
// gdu and du -s -B1 on the same folders, warm cache, with hyperfine running every command the same
// number of times, and prints the ratios of the mean times. Totals differ by design: du and gdu count
// folders and count a hard-linked file once.
//
// Usage: qm_disk_bench [--entries N] [--runs R] [--dir DIR]
//   --entries  entries of the generated tree (default 240000)
//   --runs     hyperfine runs per command (default 10, after 3 warm-up runs)
//   --dir      an absent folder to build the tree in (default: a new folder in /tmp, removed at the end)
// Also: qm_disk_bench scan HOME SYSTEM_ROOT   measures once and prints the report (what hyperfine times).

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
#include <fstream>
#include <nlohmann/json.hpp>
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

std::string quoted(const std::string& s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "scan") == 0)
        return scanOnce(argv[2], argv[3]);

    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--entries")
            options.entries = std::atol(argv[i + 1]);
        else if (flag == "--runs")
            options.runs = std::atoi(argv[i + 1]);
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
    const fs::path self = fs::read_symlink("/proc/self/exe");
    const fs::path json = options.dir / "hyperfine.json";

    std::string du = "du -s -B1";
    for (const fs::path& folder : folders)
        du += " " + quoted(folder.native());
    const std::vector<std::pair<std::string, std::string>> commands{
        {"scan", quoted(self.native()) + " scan " + quoted((options.dir / "home").native()) + " " +
                     quoted((options.dir / "system").native())},
        {"gdu -n -p", "gdu -n -p --no-prefix --config-file /dev/null " + quoted(options.dir.native())},
        {"du -s -B1", du},
    };
    std::string hyperfine = "hyperfine -N --warmup 3 --runs " + std::to_string(options.runs) +
                            " --export-json " + quoted(json.native());
    for (const auto& [name, command] : commands)
        hyperfine += " -n " + quoted(name) + " " + quoted(command);
    std::printf("%s\n", hyperfine.c_str());
    std::fflush(stdout);
    if (std::system((quoted(self.native()) + " scan " + quoted((options.dir / "home").native()) + " " +
                     quoted((options.dir / "system").native()))
                        .c_str()) != 0 ||
        std::system(hyperfine.c_str()) != 0)
        fail("hyperfine");

    std::ifstream in(json);
    const nlohmann::json results = nlohmann::json::parse(in);
    std::vector<double> means;
    for (const auto& result : results.at("results"))
        means.push_back(result.at("mean").get<double>());
    std::printf("\nmean seconds: scan %.4f, gdu %.4f, du %.4f\n", means[0], means[1], means[2]);
    std::printf("ratio scan / gdu: %.2f (goal: at most 0.50)\n", means[0] / means[1]);
    std::printf("ratio scan / du:  %.2f\n", means[0] / means[2]);
    if (own)
        fs::remove_all(options.dir);
    return 0;
}
