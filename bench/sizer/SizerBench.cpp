// Measures the bounded sizer against du -s -B1 (and gdu when installed) and against the Space Lens walk
// (FileScanner::streamChildren) on the same tree, with a warm cache, the sides run side by side in
// every round, and prints the time ratios. Totals differ by design: du and gdu count folders and count
// hard-linked files once; the sizer counts every non-folder entry once per name; the Space Lens walk
// counts each child's folders too and a hard-linked file once per child. The sizer's and the Space
// Lens walk's totals are checked against an independent oracle (one plain walk that computes both
// figures) and the bench exits with 1 on a difference.
//
// Every ratio is the peer's time over the sizer's (above 1: ours is faster), headed by the medians.
// With --whole-process the sizer also runs as a process of its own (start-up included, as the peers'
// times include theirs).
//
// Usage: qm_sizer_bench [--entries N] [--subs N] [--runs R] [--dir DIR | --path DIR] [--load N]
//                       [--whole-process]
//   --entries  entries of the generated tree (default 300000)
//   --subs     sub-folders of each of the 100 top folders (default 10; 1000 with 1100000 entries
//              makes 1,000,000 files in 100,100 folders)
//   --runs     rounds; each round runs every peer once (default 5)
//   --dir      the folder to build the tree in ("tree" in it), made if absent and kept (default: a new
//              folder in the system's temporary folder, removed at the end)
//   --path     measure this existing folder (such as /usr) instead of a generated tree
//   --load     after the quiet rounds, run the rounds again with N busy loops running (default 0)
//   --whole-process  also time the sizer as a process of its own

#include "../support/BenchSupport.h"
#include "core/cleaning/CleanupScanner.h"
#include "core/cleaning/DirectoryWalk.h"
#include "core/files/FileScanner.h"
#include "platform/ProcessRunner.h"
#include "platform/Processors.h"

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
#include <utility>
#include <vector>

namespace {

using namespace qm::bench;

struct Options
{
    long entries = 300'000;
    int subs = 10;
    int runs = 5;
    std::filesystem::path dir;
    std::filesystem::path path;
    int load = 0;
};

// 100 folders of `subs` folders each, the files spread evenly over the leaves; every tenth file holds
// 100 bytes (one block), every hundredth leaf also a symbolic link and a hard link.
long generate(const std::filesystem::path& root, long entries, int subs)
{
    std::error_code error;
    std::filesystem::create_directories(root, error);
    if (error)
        fail("mkdir " + root.native());
    const int rootFd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (rootFd < 0)
        fail("open " + root.native());
    const long folders = 100 + 100L * subs;
    const long filesPerLeaf = std::max(1L, (entries - folders) / (100L * subs));
    const char payload[100] = {'x'};
    long made = 0;
    for (int top = 0; top < 100; ++top) {
        char topName[32];
        std::snprintf(topName, sizeof topName, "d%d", top);
        ::mkdirat(rootFd, topName, 0755);
        const int topFd = ::openat(rootFd, topName, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (topFd < 0)
            fail(std::string("open ") + topName);
        ++made;
        for (int sub = 0; sub < subs; ++sub) {
            char subName[32];
            std::snprintf(subName, sizeof subName, "s%d", sub);
            ::mkdirat(topFd, subName, 0755);
            const int subFd = ::openat(topFd, subName, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (subFd < 0)
                fail(std::string("open ") + subName);
            ++made;
            for (long f = 0; f < filesPerLeaf; ++f) {
                char name[48];
                std::snprintf(name, sizeof name, "file-%ld.dat", f);
                const int fd = ::openat(subFd, name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
                if (fd < 0)
                    fail(std::string("create ") + name);
                if (f % 10 == 0 && ::write(fd, payload, sizeof payload) != sizeof payload)
                    fail(std::string("write ") + name);
                ::close(fd);
                ++made;
            }
            if ((top * subs + sub) % 100 == 0) {
                ::symlinkat("file-0.dat", subFd, "link");
                ::linkat(subFd, "file-0.dat", subFd, "hardlink", 0);
                made += 2;
            }
            ::close(subFd);
        }
        ::close(topFd);
    }
    ::close(rootFd);
    return made;
}

struct Peer
{
    std::string name;
    std::vector<double> seconds;
    long long total = 0;
};

long long runTool(const qm::ProcessRequest& request, double& seconds)
{
    const auto start = Clock::now();
    const auto outcome = qm::ProcessRunner().run(request);
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!outcome || !outcome->succeeded()) {
        std::fprintf(stderr, "qm_sizer_bench: %s failed\n", request.program.c_str());
        std::exit(1);
    }
    return std::atoll(outcome->standardOutput.constData());
}

// The sizer's total for `folder`, with a node limit of `nodes` and a long deadline, so it does the
// same work as du.
long long sizeAll(const std::filesystem::path& folder, long nodes)
{
    return static_cast<long long>(qm::CleanupScanner().size(folder, {}, nodes, false, 3600.0, nullptr, {}));
}

// The Space Lens walk's total for `folder`: the sum of its children's figures.
long long sizeChildren(const qm::FileScanner& scanner, const std::filesystem::path& folder)
{
    long long total = 0;
    scanner.streamChildren(folder, [&](const qm::SizedEntry& e) { total += e.bytes; }, {});
    return total;
}

// The oracle: one plain walk (lstat, never following a link) that computes both figures on its own.
// `files` is the sizer's: the allocated bytes of every entry that is not a folder, once per name.
// `children` is the Space Lens walk's: for each direct child that is not hidden, its allocated bytes
// when it is not a folder, else those of every entry below it, folders included, with each
// hard-linked inode once per child.
struct Oracle
{
    long long files = 0;
    long long children = 0;
};

Oracle oracle(const std::filesystem::path& folder)
{
    namespace fs = std::filesystem;
    const auto allocated = [](const fs::path& p, struct stat& st) {
        if (::lstat(p.c_str(), &st) != 0)
            fail("lstat " + p.native());
        return (long long)st.st_blocks * 512;
    };
    Oracle o;
    for (const fs::directory_entry& child : fs::directory_iterator(folder)) {
        struct stat st;
        const long long own = allocated(child.path(), st);
        const bool hidden = child.path().filename().native().front() == '.';
        if (!S_ISDIR(st.st_mode)) {
            o.files += own;
            if (!hidden)
                o.children += own;
            continue;
        }
        std::set<std::pair<dev_t, ino_t>> seen;
        for (auto it = fs::recursive_directory_iterator(child.path());
             it != fs::recursive_directory_iterator(); ++it) {
            const long long bytes = allocated(it->path(), st);
            if (!S_ISDIR(st.st_mode))
                o.files += bytes;
            if (!hidden && (st.st_nlink < 2 || seen.insert({st.st_dev, st.st_ino}).second))
                o.children += bytes;
        }
    }
    return o;
}

// The sizer as a process of its own: `--ours-once FOLDER NODES` prints the total.
int oursOnce(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: qm_sizer_bench --ours-once FOLDER NODES\n");
        return 2;
    }
    std::printf("%lld\n", sizeAll(argv[2], std::atol(argv[3])));
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
        else if (flag == "--subs")
            options.subs = std::max(1, std::atoi(argv[i + 1]));
        else if (flag == "--runs")
            options.runs = std::max(1, std::atoi(argv[i + 1]));
        else if (flag == "--dir")
            options.dir = argv[i + 1];
        else if (flag == "--path")
            options.path = argv[i + 1];
        else if (flag == "--load")
            options.load = std::max(0, std::atoi(argv[i + 1]));
    }
    const bool existing = !options.path.empty();
    // A measured folder of its own needs no folder to write in.
    const std::optional<WorkDir> work =
        existing ? std::nullopt : std::make_optional<WorkDir>(options.dir, "sizer");
    options.dir = existing ? options.path : work->path() / "tree";

    long made = 0;
    if (existing) {
        (void)qm::DirectoryWalk().run(options.dir, {},
                                      [&](const qm::DirectoryWalk::Entry&) {
                                          ++made;
                                          return qm::DirectoryWalk::Action::Continue;
                                      },
                                      {});
        std::printf("measuring %s: %ld entries\n", options.dir.c_str(), made);
    } else {
        std::printf("generating %ld entries in %s ...\n", options.entries, options.dir.c_str());
        made = generate(options.dir, options.entries, options.subs);
        std::printf("tree: %ld entries\n", made);
    }

    const qm::CleanupScanner sizer;
    const auto sizeOnce = [&](double& seconds) {
        const auto start = Clock::now();
        const long long bytes = sizeAll(options.dir, made * 2);
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
        return bytes;
    };
    const auto sizeAsProcess = [&](double& seconds) {
        const ChildRun child = runOursOnce({options.dir.native(), std::to_string(made * 2)});
        seconds = child.seconds;
        return std::atoll(child.output.c_str());
    };

    const qm::FileScanner spaceLens;
    const auto spaceLensOnce = [&](double& seconds) {
        const auto start = Clock::now();
        const long long bytes = sizeChildren(spaceLens, options.dir);
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
        return bytes;
    };

    // The same walk on one thread, to show what the helper threads add.
    const auto walkOneThread = [&](double& seconds) {
        const auto start = Clock::now();
        long long bytes = 0;
        (void)qm::DirectoryWalk().run(options.dir, {},
                                      [&](const qm::DirectoryWalk::Entry& e) {
                                          if (!e.status.isDirectory())
                                              bytes += e.status.allocated;
                                          return qm::DirectoryWalk::Action::Continue;
                                      },
                                      {});
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
        return bytes;
    };

    qm::ProcessRequest du;
    du.program = "/usr/bin/du";
    du.arguments = {"-s", "-B1", options.dir.native()};

    const bool haveGdu = std::filesystem::exists("/usr/bin/gdu");
    qm::ProcessRequest gdu;
    gdu.program = "/usr/bin/gdu";
    gdu.arguments = {"-n", "-p", "-s", "--no-prefix", "--config-file", "/dev/null", options.dir.native()};
    gdu.environment.push_back("HOME=" + options.dir.parent_path().native());

    // Warm the cache once with every peer.
    double ignored = 0;
    sizeOnce(ignored);
    spaceLensOnce(ignored);
    runTool(du, ignored);
    if (haveGdu)
        runTool(gdu, ignored);
    if (wholeProcess)
        sizeAsProcess(ignored);

    const Oracle expected = oracle(options.dir);
    bool checksPassed = true;

    // Interleaved rounds: every round runs every peer once.
    const auto rounds = [&](const char* condition) {
        std::vector<Peer> peers{{"sizer", {}, 0}, {"du -s -B1", {}, 0}, {"walk, 1 thread", {}, 0}};
        if (haveGdu)
            peers.push_back({"gdu -s", {}, 0});
        const std::size_t lens = peers.size();
        peers.push_back({"Space Lens walk", {}, 0});
        const std::size_t asProcess = peers.size();
        if (wholeProcess)
            peers.push_back({"sizer as a process", {}, 0});
        for (int round = 0; round < options.runs; ++round) {
            double s = 0;
            peers[0].total = sizeOnce(s);
            peers[0].seconds.push_back(s);
            peers[1].total = runTool(du, s);
            peers[1].seconds.push_back(s);
            peers[2].total = walkOneThread(s);
            peers[2].seconds.push_back(s);
            if (haveGdu) {
                peers[3].total = runTool(gdu, s);
                peers[3].seconds.push_back(s);
            }
            peers[lens].total = spaceLensOnce(s);
            peers[lens].seconds.push_back(s);
            if (wholeProcess) {
                peers[asProcess].total = sizeAsProcess(s);
                peers[asProcess].seconds.push_back(s);
            }
        }
        std::printf("\n[%s] load average %.1f; %d processors in the affinity mask\n", condition,
                    loadAverage(), qm::Processors::count());
        std::printf("  %-18s %10s %10s %18s\n", "peer", "min s", "median s", "total bytes");
        for (const Peer& peer : peers)
            std::printf("  %-18s %10.4f %10.4f %18lld\n", peer.name.c_str(), minimum(peer.seconds),
                        median(peer.seconds), peer.total);
        const bool sizerRight = peers[0].total == expected.files;
        const bool lensRight = peers[lens].total == expected.children;
        std::printf("  oracle: sizer %lld bytes (%s), Space Lens walk %lld bytes (%s)\n", expected.files,
                    sizerRight ? "same" : "DIFFERENT", expected.children, lensRight ? "same" : "DIFFERENT");
        checksPassed = checksPassed && sizerRight && lensRight;
        printComparison(condition, "sizer", peers[0].seconds, "Space Lens walk", peers[lens].seconds);
        if (haveGdu)
            printComparison(condition, "sizer", peers[0].seconds, "gdu -s", peers[3].seconds);
        printComparison(condition, "sizer", peers[0].seconds, "du -s -B1", peers[1].seconds);
        if (wholeProcess) {
            const std::string name = "sizer as a process (start included)";
            if (haveGdu)
                printRatio("gdu -s", peers[3].seconds, name, peers[asProcess].seconds);
            printRatio("du -s -B1", peers[1].seconds, name, peers[asProcess].seconds);
        }
    };
    rounds("quiet");
    if (options.load > 0) {
        const BusyLoops busy(options.load);
        const std::string condition = std::to_string(options.load) + " busy loops";
        rounds(condition.c_str());
    }

    // Small folders: the caller must not pay a fixed wait for a walk that takes microseconds.
    if (!existing) {
        const std::filesystem::path small = options.dir / "d0" / "s0";
        const int smallCalls = 200;
        const auto smallStart = Clock::now();
        for (int i = 0; i < smallCalls; ++i)
            sizer.size(small, {}, 200'000, false, 90.0, nullptr, {});
        const double smallEach =
            std::chrono::duration<double>(Clock::now() - smallStart).count() / smallCalls;
        std::printf("\nsizer on one leaf folder: %.3f ms per call over %d calls\n", smallEach * 1000,
                    smallCalls);
    }

    return checksPassed ? 0 : 1;
}
