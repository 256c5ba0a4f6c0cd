// Measures a full junk scan (all five kinds, every child of every root measured on its own) against
// du -s -B1 over the same root folders of one generated home laid out as this platform's (cache,
// config and data homes, the session's error logs, application log folders, developer caches and the
// data of removed applications), with a warm cache and the peers run side by side in every round, and
// prints min and median with the ratio du / scan (above 1: ours is faster) headed by the medians,
// beside the load average and the entries below the roots both sides walk. Both are checked against
// an oracle (one plain lstat walk): the scan must find exactly the items the generator made, with
// their allocated bytes, and du must total the roots' bytes; a difference exits 1. With
// --whole-process the scan also runs as a process of its own (start-up included, as du's time
// includes its own).
//
// Usage: qm_junk_bench [--entries N] [--runs R] [--dir DIR] [--load N] [--whole-process]
//   --entries  entries of the generated home (default 150000, at least 100000 makes sense)
//   --runs     rounds; each round runs every peer once (default 5)
//   --dir      the folder to build the home and system root in, made if absent and kept (default: a
//              new folder in the system's temporary folder, removed at the end)
//   --load     after the quiet rounds, run the rounds again with N busy loops running (default 0)
//   --whole-process  also time the scan as a process of its own

#include "../support/BenchSupport.h"
#include "core/cleaning/CleanupScanner.h"
#include "platform/ProcessRunner.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace qm::bench;

struct Options
{
    long entries = 150'000;
    int runs = 5;
    fs::path dir;
    int load = 0;
};

void makeFolders(const fs::path& path)
{
    std::error_code ec;
    fs::create_directories(path, ec);
    if (ec)
        fail("mkdir " + path.native());
}

// Sets the modification time of `path` to 400 days ago, so it counts as old leftover data.
void makeOld(const fs::path& path)
{
    const timespec now{std::time(nullptr) - 400L * 24 * 3600, 0};
    const timespec times[2] = {now, now};
    if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        fail("utimensat " + path.native());
}

// `children` folders in `root`, each holding `subfolders` folders of `files` files; every fourth file
// holds 100 bytes (one block), the rest are empty. Each child made is added to `items` when given;
// with `old` its time is set 400 days back. Returns the entries made.
long fillRoot(const fs::path& root, const std::string& prefix, int children, int subfolders, int files,
              std::vector<fs::path>* items, bool old = false)
{
    makeFolders(root);
    static const std::string payload(100, 'x');
    long made = 0;
    for (int c = 0; c < children; ++c) {
        const fs::path child = root / (prefix + std::to_string(c));
        for (int s = 0; s < subfolders; ++s) {
            const fs::path sub = child / ("s" + std::to_string(s));
            makeFolders(sub);
            ++made;
            for (int f = 0; f < files; ++f) {
                writeFile(sub / ("f" + std::to_string(f) + ".dat"), f % 4 == 0 ? payload : std::string());
                ++made;
            }
        }
        ++made;
        if (old)
            makeOld(child);
        if (items)
            items->push_back(child);
    }
    return made;
}

// `count` log files named `<prefix>N.log` in `folder`, of 2000 bytes each, and one file that is no
// log (which the scan passes over). Each log is added to `items`. Returns the entries made.
long fillLogs(const fs::path& folder, const std::string& prefix, int count, std::vector<fs::path>& items)
{
    makeFolders(folder);
    for (int i = 0; i < count; ++i) {
        const fs::path log = folder / (prefix + std::to_string(i) + ".log");
        writeFile(log, std::string(2000, 'l'));
        items.push_back(log);
    }
    writeFile(folder / "notes.txt", "not a log\n");
    return count + 1;
}

// What the generator made: the entries, and the items a full scan must find (every child of the
// cache home but the developer caches' and the document portal's, the logs, the developer caches'
// children and Go's build cache whole, and the data of the removed applications).
struct Home
{
    long entries = 0;
    std::vector<fs::path> items;
};

// A home laid out as this platform's (default XDG homes) and a system root whose menu lists ten
// applications, each installed with a program and some data in the home the scan must pass over.
Home generate(const fs::path& home, const fs::path& systemRoot, long entries)
{
    Home made;
    std::vector<fs::path>& items = made.items;
    for (int a = 0; a < 10; ++a) {
        const std::string id = "com.installed.app" + std::to_string(a);
        const std::string program = "installed-app" + std::to_string(a);
        makeFolders(systemRoot / "usr/share/applications");
        makeFolders(systemRoot / "usr/bin");
        writeFile(systemRoot / "usr/share/applications" / (id + ".desktop"),
                  "[Desktop Entry]\nType=Application\nName=Installed App " + std::to_string(a) +
                      "\nExec=" + program + " %U\n");
        writeFile(systemRoot / "usr/bin" / program, "#!/bin/sh\n");
        made.entries += 2;
    }

    // Each row's share of the entries: the cache home and the developer caches hold most.
    struct Share
    {
        const char* path;
        double weight;
        const char* prefix;
        bool old;
    };
    const std::vector<Share> shares{
        {".cache", 0.26, "tool", false},
        {".npm/_cacache", 0.10, "index-", false},
        {".local/share/pnpm/store", 0.04, "v", false},
        {".yarn/berry/cache", 0.04, "pkg", false},
        {".cache/yarn", 0.04, "v", false},
        {".gradle/caches", 0.08, "modules-", false},
        {".m2/repository", 0.08, "org", false},
        {"go/pkg/mod", 0.06, "github.com", false},
        {".cargo/registry", 0.04, "index", false},
        {".var/app", 0.06, "com.gone.flatpak", true},
        {".config", 0.05, "com.gone.tool", true},
        {".local/share", 0.05, "com.gone.data", true},
    };
    const int subfolders = 5, files = 19; // 101 entries per child
    for (const Share& share : shares) {
        const int children = std::max(1, int(entries * share.weight / 101));
        made.entries +=
            fillRoot(home / share.path, share.prefix, children, subfolders, files, &items, share.old);
    }
    // Go's build cache is one item, the folder itself: hash-named folders of files.
    const int goChildren = std::max(1, int(entries * 0.04 / 101));
    made.entries += fillRoot(home / ".cache/go-build", "h", goChildren, subfolders, files, nullptr) + 1;
    items.push_back(home / ".cache/go-build");
    // Electron-style applications keep a "logs" folder in the config home: everything in it is a log.
    const int logApps = 20;
    const int logChildren = std::max(1, int(entries * 0.06 / 101 / logApps));
    for (int a = 0; a < logApps; ++a) {
        const fs::path app = home / ".config" / ("ChatApp" + std::to_string(a));
        made.entries += fillRoot(app / "logs", "session", logChildren, subfolders, files, &items) + 2;
        writeFile(app / "settings.json", "{}\n"); // no log
        ++made.entries;
    }
    // The session's error logs, the display server's and npm's logs.
    for (const char* name : {".xsession-errors", ".xsession-errors.old"}) {
        writeFile(home / name, std::string(64 * 1024, 'e'));
        items.push_back(home / name);
        ++made.entries;
    }
    made.entries += fillLogs(home / ".local/share/xorg", "Xorg.", 40, items) + 1;
    made.entries += fillLogs(home / ".npm/_logs", "2026-01-01T00_00_00_000Z-debug-", 400, items) + 1;
    // Data of the installed applications, which the leftover scan must pass over, old as it is.
    for (const char* root : {".var/app", ".config", ".local/share"})
        made.entries += fillRoot(home / root, "com.installed.app", 10, subfolders, files, nullptr, true);
    // Folders no junk row reads: the state home and the user's documents.
    made.entries += fillRoot(home / ".local/state", "editor", 5, subfolders, files, nullptr);
    made.entries += fillRoot(home / "Documents", "project", 5, subfolders, files, nullptr);
    return made;
}

// The allocated bytes of `path` (lstat, never following a link) and, for a folder, of every entry
// below it; `withFolders` counts the folders' own blocks too (as du does), else only the other
// entries' (as the sizer does). `entries` counts what was looked at below `path`.
long long allocatedBytes(const fs::path& path, bool withFolders, long long* entries = nullptr)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        fail("lstat " + path.native());
    long long bytes = (!S_ISDIR(st.st_mode) || withFolders) ? (long long)st.st_blocks * 512 : 0;
    if (!S_ISDIR(st.st_mode))
        return bytes;
    for (auto it = fs::recursive_directory_iterator(path); it != fs::recursive_directory_iterator(); ++it) {
        if (::lstat(it->path().c_str(), &st) != 0)
            fail("lstat " + it->path().native());
        if (!S_ISDIR(st.st_mode) || withFolders)
            bytes += (long long)st.st_blocks * 512;
        if (entries)
            ++*entries;
    }
    return bytes;
}

// The roots none of which lies inside another: what a walk of every root goes through once.
std::vector<fs::path> outermost(std::vector<fs::path> roots)
{
    std::sort(roots.begin(), roots.end());
    std::vector<fs::path> kept;
    for (const fs::path& root : roots) {
        const auto inside = [&](const fs::path& outer) {
            const std::string o = outer.native(), r = root.native();
            return r == o || (r.size() > o.size() && r.compare(0, o.size(), o) == 0 && r[o.size()] == '/');
        };
        if (std::none_of(kept.begin(), kept.end(), inside))
            kept.push_back(root);
    }
    return kept;
}

struct Peer
{
    std::string name;
    std::vector<double> seconds;
    long long total = 0;
    long long items = 0;
};

// A full scan of every kind: the bytes and the items it found.
std::pair<long long, long long> scanAll(const qm::CleanupScanner& scanner)
{
    const std::vector<qm::JunkKind> kinds(qm::JunkKinds::all.begin(), qm::JunkKinds::all.end());
    long long bytes = 0;
    long long items = 0;
    for (const qm::JunkCategory& category : scanner.scanAll(kinds, {})) {
        for (const qm::ScanItem& item : category.items)
            bytes += item.bytes;
        items += (long long)category.items.size();
    }
    return {bytes, items};
}

// The scan as a process of its own: `--ours-once HOME SYSTEM_ROOT` prints the bytes and the items found.
int oursOnce(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: qm_junk_bench --ours-once HOME SYSTEM_ROOT\n");
        return 2;
    }
    const auto [bytes, items] = scanAll(qm::CleanupScanner(qm::FileSystem(), argv[2], argv[3]));
    std::printf("%lld %lld\n", bytes, items);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (isOursOnce(argc, argv))
        return oursOnce(argc, argv);
    const bool wholeProcess = takeFlag(argc, argv, kWholeProcess);
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--entries")
            options.entries = std::atol(argv[i + 1]);
        else if (flag == "--runs")
            options.runs = std::max(1, std::atoi(argv[i + 1]));
        else if (flag == "--dir")
            options.dir = argv[i + 1];
        else if (flag == "--load")
            options.load = std::max(0, std::atoi(argv[i + 1]));
    }
    const WorkDir work(options.dir, "junk");
    const fs::path home = work.path() / "home";
    const fs::path systemRoot = work.path() / "system";

    std::printf("generating about %ld entries in %s ...\n", options.entries, work.path().c_str());
    const Home generated = generate(home, systemRoot, options.entries);
    const long made = generated.entries;

    const std::vector<qm::JunkKind> kinds(qm::JunkKinds::all.begin(), qm::JunkKinds::all.end());
    std::vector<fs::path> allRoots;
    for (const fs::path& root :
         qm::CleanupScanner::allowedRoots(qm::Places::resolve(home, {}, systemRoot), kinds)) {
        if (fs::exists(fs::symlink_status(root)))
            allRoots.push_back(root);
    }
    // du is given each root once: a root inside another is walked with it.
    const std::vector<fs::path> roots = outermost(allRoots);

    // The oracle: the items' bytes as the sizer counts them, the roots' as du does.
    long long expectedItemBytes = 0, itemEntries = 0;
    for (const fs::path& item : generated.items)
        expectedItemBytes += allocatedBytes(item, false, &itemEntries);
    itemEntries += (long long)generated.items.size();
    long long expectedRootBytes = 0, expectedRootFileBytes = 0, rootEntries = 0;
    for (const fs::path& root : roots) {
        expectedRootBytes += allocatedBytes(root, true, &rootEntries);
        expectedRootFileBytes += allocatedBytes(root, false);
    }
    rootEntries += (long long)roots.size();
    std::printf("home: %ld entries made; %lld below the %zu roots du walks, %lld below the %zu items the "
                "scan must find and measure\n",
                made, rootEntries, roots.size(), itemEntries, generated.items.size());

    const qm::CleanupScanner scanner(qm::FileSystem(), home, systemRoot);
    const auto scanOnce = [&](double& seconds, long long& items) {
        const auto start = Clock::now();
        const auto [bytes, found] = scanAll(scanner);
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
        items = found;
        return bytes;
    };
    const auto scanAsProcess = [&](double& seconds, long long& items) {
        const ChildRun child = runOursOnce({home.native(), systemRoot.native()});
        seconds = child.seconds;
        long long bytes = 0;
        if (std::sscanf(child.output.c_str(), "%lld %lld", &bytes, &items) != 2)
            fail("the scan as a process printed no totals");
        return bytes;
    };
    // One bounded measurement per root instead of one per child: what the per-child results cost.
    const auto sizeRootsOnce = [&](double& seconds) {
        const auto start = Clock::now();
        long long bytes = 0;
        for (const fs::path& root : roots)
            bytes += scanner.size(root, {}, made * 2, false, 3600.0, nullptr, {});
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
        return bytes;
    };

    qm::ProcessRequest du;
    du.program = "/usr/bin/du";
    du.arguments = {"-s", "-B1"};
    for (const fs::path& root : roots)
        du.arguments.push_back(root.native());
    const auto duOnce = [&](double& seconds) {
        const auto start = Clock::now();
        const auto outcome = qm::ProcessRunner().run(du);
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (!outcome || !outcome->succeeded()) {
            std::fprintf(stderr, "qm_junk_bench: du failed\n");
            std::exit(1);
        }
        long long bytes = 0;
        for (const QByteArray& line : outcome->standardOutput.split('\n'))
            bytes += line.split('\t').front().toLongLong();
        return bytes;
    };

    // Warm the cache once with every peer.
    double ignored = 0;
    long long ignoredItems = 0;
    scanOnce(ignored, ignoredItems);
    duOnce(ignored);
    sizeRootsOnce(ignored);
    if (wholeProcess)
        scanAsProcess(ignored, ignoredItems);

    // What each kind found, so that every kind is seen at work.
    std::printf("items per kind:");
    for (const qm::JunkCategory& category : scanner.scanAll(kinds, {}))
        std::printf("  %s %zu", qm::JunkKinds::title(category.kind).toUtf8().constData(),
                    category.items.size());
    std::printf("\n");

    // Interleaved rounds: every round runs every peer once.
    bool checksPassed = true;
    const auto rounds = [&](const char* condition) {
        std::vector<Peer> peers{
            {"junk scan", {}, 0, 0}, {"du -s -B1", {}, 0, 0}, {"sizer per root", {}, 0, 0}};
        peers.reserve(4);
        for (int round = 0; round < options.runs; ++round) {
            double s = 0;
            peers[0].total = scanOnce(s, peers[0].items);
            peers[0].seconds.push_back(s);
            peers[1].total = duOnce(s);
            peers[1].seconds.push_back(s);
            peers[2].total = sizeRootsOnce(s);
            peers[2].seconds.push_back(s);
            if (wholeProcess) {
                if (round == 0)
                    peers.push_back({"scan as a process", {}, 0, 0});
                peers[3].total = scanAsProcess(s, peers[3].items);
                peers[3].seconds.push_back(s);
                if (peers[3].total != peers[0].total || peers[3].items != peers[0].items)
                    fail("the scan as a process found other totals");
            }
        }
        std::printf("\n[%s] load average %.1f; %zu roots; the scan found %lld items\n", condition,
                    loadAverage(), roots.size(), peers[0].items);
        std::printf("  %-18s %10s %10s %18s\n", "peer", "min s", "median s", "total bytes");
        for (const Peer& peer : peers)
            std::printf("  %-18s %10.4f %10.4f %18lld\n", peer.name.c_str(), minimum(peer.seconds),
                        median(peer.seconds), peer.total);
        const bool scanRight =
            peers[0].total == expectedItemBytes && peers[0].items == (long long)generated.items.size();
        const bool duRight = peers[1].total == expectedRootBytes;
        const bool sizerRight = peers[2].total == expectedRootFileBytes;
        std::printf("  oracle: scan %zu items, %lld bytes (%s); du %lld bytes (%s); sizer per root %lld "
                    "bytes (%s)\n",
                    generated.items.size(), expectedItemBytes, scanRight ? "same" : "DIFFERENT",
                    expectedRootBytes, duRight ? "same" : "DIFFERENT", expectedRootFileBytes,
                    sizerRight ? "same" : "DIFFERENT");
        checksPassed = checksPassed && scanRight && duRight && sizerRight;
        printComparison(condition, "junk scan", peers[0].seconds, "du -s -B1", peers[1].seconds);
        if (wholeProcess)
            printRatio("du -s -B1", peers[1].seconds, "junk scan as a process (start included)",
                       peers[3].seconds);
    };
    rounds("quiet");
    if (options.load > 0) {
        const BusyLoops busy(options.load);
        const std::string condition = std::to_string(options.load) + " busy loops";
        rounds(condition.c_str());
    }
    return checksPassed ? 0 : 1;
}
