// Times the disk usage scan beside gdu and du -s -B1 on the same folders, warm cache: a generated home
// and system root laid out as this platform's, with every folder the scan's rows measure (~/Applications,
// the user's and the system's Flatpak apps, /opt, the user folders, the config, data, cache and state
// homes and ~/.var) and nothing else, so that all three walk the same entries. All three run as
// processes of their own (the scan as this executable's `--ours-once`), start-up included, once each
// per round after 3 warm-up rounds; min and median are printed with the ratio peer / scan (above 1:
// the scan is faster) headed by the medians. Totals differ by design: du and gdu count folders and count
// a hard-linked file once. The scan's rows are checked against an independent oracle (the allocated
// bytes of every entry that is not a folder, below each row's folders and outside the other rows'
// folders nested in them), and the bench exits with 1 on a difference.
//
// Usage: qm_disk_bench [--entries N] [--runs R] [--dir DIR]
//   --entries  entries of the generated tree (default 240000)
//   --runs     rounds (default 10, after 3 warm-up rounds)
//   --dir      the folder to build the tree in, made if absent and kept (default: a new folder in the
//              system's temporary folder, removed at the end)
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
#include <map>
#include <sstream>
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

// A row of the scan and the folders it measures, under the generated root.
struct Row
{
    std::string name;
    std::vector<fs::path> folders;
};

// The rows as this platform lays them out (Places with no user-dirs.dirs and no XDG variables).
std::vector<Row> layout(const fs::path& root)
{
    const fs::path home = root / "home";
    const fs::path system = root / "system";
    return {
        {"Applications",
         {home / "Applications", home / ".local/share/flatpak/app", system / "var/lib/flatpak/app",
          system / "opt"}},
        {"Photos", {home / "Pictures"}},
        {"Movies", {home / "Videos"}},
        {"Music", {home / "Music"}},
        {"Downloads", {home / "Downloads"}},
        {"Documents", {home / "Documents"}},
        {"Desktop", {home / "Desktop"}},
        {"App Data",
         {home / ".config", home / ".local/share", home / ".cache", home / ".local/state", home / ".var"}},
    };
}

// Fills every folder of every row with an even share of the entries; returns the folders made, outer
// ones before the ones nested in them (the data home holds the user's Flatpak apps).
std::vector<fs::path> generate(const fs::path& root, long entries)
{
    std::vector<fs::path> folders;
    for (const Row& row : layout(root))
        folders.insert(folders.end(), row.folders.begin(), row.folders.end());
    const long unit = entries / long(folders.size());
    long made = 0;
    for (const fs::path& folder : folders)
        made += fill(folder, unit);
    std::printf("generated %ld entries in %zu folders of 8 rows under %s\n", made, folders.size(),
                root.c_str());
    return folders;
}

// The oracle: each row's allocated bytes of non-folder entries, below its folders and outside every
// other row folder strictly below them, by a plain walk (lstat, never following a link).
std::map<std::string, long long> oracle(const fs::path& root)
{
    const std::vector<Row> rows = layout(root);
    std::vector<std::string> all;
    for (const Row& row : rows)
        for (const fs::path& folder : row.folders)
            all.push_back(folder.native());
    std::map<std::string, long long> bytes;
    for (const Row& row : rows) {
        long long total = 0;
        for (const fs::path& folder : row.folders) {
            for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator();
                 ++it) {
                const std::string path = it->path().native();
                bool nested = false;
                for (const std::string& other : all)
                    nested = nested || (other.size() > folder.native().size() && path.rfind(other, 0) == 0 &&
                                        (path.size() == other.size() || path[other.size()] == '/'));
                if (nested) {
                    it.disable_recursion_pending();
                    continue;
                }
                struct stat st;
                if (::lstat(path.c_str(), &st) != 0)
                    fail("lstat " + path);
                if (!S_ISDIR(st.st_mode))
                    total += (long long)st.st_blocks * 512;
            }
        }
        bytes[row.name] = total;
    }
    return bytes;
}

// The rows of `--ours-once`'s report: "NAME   BYTES" lines before the "measured" line.
std::map<std::string, long long> rowsOf(const std::string& report)
{
    std::map<std::string, long long> rows;
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("measured ", 0) == 0)
            break;
        const std::size_t cut = line.find_last_of(' ');
        std::string name = line.substr(0, cut);
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        rows[name] = std::atoll(line.c_str() + cut + 1);
    }
    return rows;
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
    const WorkDir work(options.dir, "disk");
    options.dir = work.path();
    const std::vector<fs::path> folders = generate(options.dir, options.entries);
    std::vector<std::string> duArguments{"-s", "-B1"};
    for (const fs::path& folder : folders)
        duArguments.push_back(folder.native());
    const std::vector<std::string> gduArguments{
        "-n", "-p", "--no-prefix", "--config-file", "/dev/null", options.dir.native()};
    const std::vector<std::string> scanArguments{(options.dir / "home").native(),
                                                 (options.dir / "system").native()};
    const std::string report = runOursOnce(scanArguments).output;
    std::printf("%s", report.c_str());
    const std::map<std::string, long long> expected = oracle(options.dir);
    const std::map<std::string, long long> got = rowsOf(report);
    bool same = true;
    for (const auto& [name, bytes] : expected) {
        const auto found = got.find(name);
        const bool right = found != got.end() && found->second == bytes;
        same = same && right;
        std::printf("  oracle %-16s %14lld %s\n", name.c_str(), bytes, right ? "same" : "DIFFERENT");
    }
    std::printf("check: every row equals the oracle: %s\n", same ? "yes" : "NO");
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
    std::printf("\nload average %.1f\n", loadAverage());
    printComparison("quiet, every side a whole process", "disk usage scan", scan, "gdu -n -p", gdu);
    std::printf("  (goal: gdu / scan at least 2.00)\n");
    printSide("du -s -B1", du);
    printRatio("du -s -B1", du, "disk usage scan", scan);
    std::printf("check: every row equals the oracle: %s\n", same ? "yes" : "NO");
    return same ? 0 : 1;
}
