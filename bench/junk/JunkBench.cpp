// Measures a full junk scan (all five kinds, every child of every root measured on its own) against
// du -s -B1 over the same root folders of one generated home, with a warm cache and the peers run side
// by side in every round, and prints min and median with the ratio du / scan (above 1: ours is
// faster) headed by the medians. Totals differ by design: du counts the folders themselves and
// hard-linked files once, and the scan measures only orphans in the leftover roots. With
// --whole-process the scan also runs as a process of its own (start-up included, as du's time
// includes its own).
//
// Usage: qm_junk_bench [--entries N] [--runs R] [--dir DIR] [--load N] [--whole-process]
//   --entries  entries of the generated home (default 150000, at least 100000 makes sense)
//   --runs     rounds; each round runs every peer once (default 5)
//   --dir      an absent or empty folder to build the home and system root in (default: a new folder
//              in /tmp, removed at the end)
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
// holds 100 bytes (one block), the rest are empty. Returns the entries made.
long fillRoot(const fs::path& root, const std::string& prefix, int children, int subfolders, int files,
              bool old = false)
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
    }
    return made;
}

// A home with every junk root and the leftover roots, and a system root with ten applications.
long generate(const fs::path& home, const fs::path& systemRoot, long entries)
{
    long made = 0;
    for (int a = 0; a < 10; ++a) {
        const fs::path contents =
            systemRoot / "Applications" / ("App" + std::to_string(a) + ".app") / "Contents";
        makeFolders(contents);
        writeFile(contents / "Info.plist",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                  "<key>CFBundleName</key><string>App" +
                      std::to_string(a) + "</string><key>CFBundleIdentifier</key><string>com.installed.app" +
                      std::to_string(a) + "</string></dict></plist>\n");
        made += 4;
    }

    // Each root's share of the entries: caches and the developer caches hold most.
    struct Share
    {
        const char* path;
        double weight;
        const char* prefix;
        bool old;
    };
    const std::vector<Share> shares{
        {"Library/Caches", 0.22, "com.vendor.cache", false},
        {"Library/Logs", 0.04, "log", false},
        {"Library/Saved Application State", 0.02, "com.vendor.state", false},
        {"Library/Developer/Xcode/DerivedData", 0.10, "Project-", false},
        {"Library/Developer/CoreSimulator/Caches", 0.02, "dyld", false},
        {".npm/_cacache", 0.12, "index-", false},
        {"Library/pnpm/store", 0.04, "v", false},
        {".yarn/berry/cache", 0.04, "pkg", false},
        {".gradle/caches", 0.08, "modules-", false},
        {".m2/repository", 0.08, "org", false},
        {"go/pkg/mod", 0.06, "github.com", false},
        {".cargo/registry", 0.04, "index", false},
        {".cache", 0.08, "tool", false},
        {"Library/Application Support", 0.04, "com.gone.app", true},
        {"Library/Containers", 0.02, "com.gone.container", true},
    };
    const int subfolders = 5, files = 19; // 101 entries per child
    for (const Share& share : shares) {
        const int children = std::max(1, int(entries * share.weight / 101));
        made += fillRoot(home / share.path, share.prefix, children, subfolders, files, share.old);
    }
    // Some data of installed applications, which the leftover scan must pass over.
    made += fillRoot(home / "Library/Application Support", "com.installed.app", 10, subfolders, files);
    // Old preference files of removed applications.
    makeFolders(home / "Library/Preferences");
    for (int p = 0; p < 200; ++p) {
        const fs::path plist =
            home / "Library/Preferences" / ("com.removed.tool" + std::to_string(p) + ".plist");
        writeFile(plist, std::string(200, 'p'));
        makeOld(plist);
        ++made;
    }
    return made;
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
    const bool ownDir = options.dir.empty();
    if (ownDir) {
        char pattern[] = "/tmp/qm-junk-bench-XXXXXX";
        if (!::mkdtemp(pattern))
            fail("mkdtemp");
        options.dir = pattern;
    }
    const fs::path home = options.dir / "home";
    const fs::path systemRoot = options.dir / "system";

    std::printf("generating about %ld entries in %s ...\n", options.entries, options.dir.c_str());
    const long made = generate(home, systemRoot, options.entries);
    std::printf("home: %ld entries\n", made);

    const std::vector<qm::JunkKind> kinds(qm::JunkKinds::all.begin(), qm::JunkKinds::all.end());
    std::vector<fs::path> roots;
    for (const fs::path& root :
         qm::CleanupScanner::allowedRoots(qm::Places::resolve(home, {}, systemRoot), kinds)) {
        if (fs::exists(root))
            roots.push_back(root);
    }

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

    // Interleaved rounds: every round runs every peer once.
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

    if (ownDir) {
        std::error_code ec;
        fs::remove_all(options.dir, ec);
    }
    return 0;
}
