// Measures FileScanner::streamChildren against `gdu -n -p` and `du -s -B1` on a generated folder of
// about 40 uneven children (one holds a quarter of the entries) and on /usr, with a warm cache. Every
// round runs every peer once, side by side; min and median are printed with the ratio of each peer's
// time to the sizer's (above 1: the sizer is faster) headed by the medians. The same rounds are then
// repeated under load: one busy loop per processor, which the sizer's threads and the peers share
// alike. With --whole-process the sizer also runs as a process of its own (start-up included, as the
// peers' times include theirs).
// Totals differ by design: du and gdu count each folder's own blocks and each hard-linked file once
// per run, the sizer leaves out the children's own folder blocks and counts a file linked from two
// children in both.
//
// Usage: qm_sizer_children_bench [--entries N] [--runs R] [--dir DIR] [--usr PATH] [--no-load]
//                                [--whole-process]
//   --entries  entries of the generated folder (default 240000)
//   --runs     rounds per condition (default 5)
//   --dir      the folder to build the tree in ("tree" in it, which must be absent), made if absent and
//              kept (default: a new folder in the system's temporary folder, removed at the end)
//   --usr      the second folder to size (default /usr)
//   --no-load  measure only the quiet machine
//   --whole-process  also time the sizer as a process of its own

#include "../support/BenchSupport.h"
#include "core/files/FileScanner.h"
#include "platform/ProcessRunner.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace qm::bench;

struct Options
{
    long entries = 240'000;
    int runs = 5;
    std::filesystem::path dir;
    std::filesystem::path usr = "/usr";
    bool load = true;
};

int openFolder(int parent, const char* name)
{
    if (::mkdirat(parent, name, 0755) != 0 && errno != EEXIST)
        fail(std::string("mkdir ") + name);
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        fail(std::string("open ") + name);
    return fd;
}

// 40 children; child 0 gets a quarter of the entries, the others uneven shares of the rest. Inside a
// child: folders of 10 sub-folders of up to 50 files; every fifth file holds 3000 bytes, every 97th
// file is a hard link to the one before it and every 101st a symbolic link.
long generate(const std::filesystem::path& root, long entries)
{
    if (::mkdir(root.c_str(), 0755) != 0)
        fail("mkdir " + root.native());
    const int rootFd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (rootFd < 0)
        fail("open " + root.native());
    constexpr int kChildren = 40;
    std::vector<long> share(kChildren);
    long weights = 0;
    for (int i = 1; i < kChildren; ++i)
        weights += 1 + (i * 7) % 13;
    for (int i = 0; i < kChildren; ++i)
        share[std::size_t(i)] = i == 0 ? entries / 4 : (entries - entries / 4) * (1 + (i * 7) % 13) / weights;

    const std::string payload(3000, 'x');
    long made = 0;
    for (int i = 0; i < kChildren; ++i) {
        const std::string childName = "child-" + std::to_string(i);
        const int childFd = openFolder(rootFd, childName.c_str());
        ++made;
        long left = share[std::size_t(i)] - 1;
        for (int top = 0; left > 0; ++top) {
            const int topFd = openFolder(childFd, ("t" + std::to_string(top)).c_str());
            --left;
            for (int sub = 0; sub < 10 && left > 0; ++sub) {
                const int subFd = openFolder(topFd, ("s" + std::to_string(sub)).c_str());
                --left;
                for (int f = 0; f < 50 && left > 0; ++f, --left) {
                    const std::string name = "f" + std::to_string(f);
                    const long serial = made + share[std::size_t(i)] - left;
                    if (f > 0 && serial % 97 == 0) {
                        ::linkat(subFd, ("f" + std::to_string(f - 1)).c_str(), subFd, name.c_str(), 0);
                        continue;
                    }
                    if (serial % 101 == 0) {
                        ::symlinkat("f0", subFd, name.c_str());
                        continue;
                    }
                    const int fd =
                        ::openat(subFd, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
                    if (fd < 0)
                        fail("create " + name);
                    if (serial % 5 == 0 &&
                        ::write(fd, payload.data(), payload.size()) != ssize_t(payload.size()))
                        fail("write " + name);
                    ::close(fd);
                }
                ::close(subFd);
            }
            ::close(topFd);
        }
        made += share[std::size_t(i)] - 1;
        ::close(childFd);
    }
    ::close(rootFd);
    return made;
}

struct Peer
{
    std::string name;
    std::function<long long()> run; // returns the total it found
    std::vector<double> seconds;
    long long total = 0;
};

long long runTool(const qm::ProcessRequest& request)
{
    const auto outcome = qm::ProcessRunner().run(request);
    if (!outcome || !outcome->succeeded()) {
        std::fprintf(stderr, "qm_sizer_children_bench: %s failed\n", request.program.c_str());
        std::exit(1);
    }
    return std::atoll(outcome->standardOutput.constData());
}

// gdu -n -p lists every child with its size; the sum of the listed sizes is its total.
long long runGdu(const qm::ProcessRequest& request)
{
    const auto outcome = qm::ProcessRunner().run(request);
    if (!outcome || !outcome->succeeded()) {
        std::fprintf(stderr, "qm_sizer_children_bench: gdu failed\n");
        std::exit(1);
    }
    long long total = 0;
    for (const QByteArray& line : outcome->standardOutput.split('\n'))
        total += std::atoll(line.trimmed().constData());
    return total;
}

long long sizeChildren(const qm::FileScanner& scanner, const std::filesystem::path& folder, long& entries)
{
    long long total = 0;
    entries = 0;
    scanner.streamChildren(folder,
                           [&](const qm::SizedEntry& e) {
                               total += e.bytes;
                               ++entries;
                           },
                           {});
    return total;
}

void measure(std::vector<Peer>& peers, int runs)
{
    for (Peer& peer : peers) {
        peer.seconds.clear();
        peer.run(); // warm the cache, and the peer
    }
    for (int round = 0; round < runs; ++round) {
        for (Peer& peer : peers) {
            const auto start = Clock::now();
            peer.total = peer.run();
            peer.seconds.push_back(seconds(Clock::now() - start));
        }
    }
}

void print(const char* title, const std::vector<Peer>& peers)
{
    const double base = median(peers[0].seconds);
    std::printf("\n%s\n%-26s %10s %10s %18s %14s\n", title, "peer", "min s", "median s", "total bytes",
                "median / sizer");
    for (const Peer& peer : peers) {
        const double m = median(peer.seconds);
        std::printf("%-26s %10.4f %10.4f %18lld %14.2f\n", peer.name.c_str(), minimum(peer.seconds), m,
                    peer.total, m / base);
    }
    printRatio(peers[1].name, peers[1].seconds, peers[0].name, peers[0].seconds);
    if (peers.size() > 4)
        printRatio(peers[1].name, peers[1].seconds, peers[4].name, peers[4].seconds);
}

// The sizer as a process of its own: `--ours-once FOLDER` prints the children's total.
int oursOnce(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: qm_sizer_children_bench --ours-once FOLDER\n");
        return 2;
    }
    long entries = 0;
    std::printf("%lld\n", sizeChildren(qm::FileScanner(), argv[2], entries));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (isOursOnce(argc, argv))
        return oursOnce(argc, argv);
    const bool wholeProcess = takeFlag(argc, argv, kWholeProcess);
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        const bool hasValue = i + 1 < argc;
        if (flag == "--entries" && hasValue)
            options.entries = std::atol(argv[++i]);
        else if (flag == "--runs" && hasValue)
            options.runs = std::max(1, std::atoi(argv[++i]));
        else if (flag == "--dir" && hasValue)
            options.dir = argv[++i];
        else if (flag == "--usr" && hasValue)
            options.usr = argv[++i];
        else if (flag == "--no-load")
            options.load = false;
    }
    const WorkDir work(options.dir, "sizer-children");
    options.dir = work.path() / "tree";
    if (!std::filesystem::exists("/usr/bin/gdu")) {
        std::fprintf(stderr, "qm_sizer_children_bench: needs /usr/bin/gdu\n");
        return 1;
    }

    std::printf("generating %ld entries in %s ...\n", options.entries, options.dir.c_str());
    const long made = generate(options.dir, options.entries);
    std::printf("tree: %ld entries under 40 children; width %d on %u processors\n", made,
                qm::FileScanner::defaultWidth(), std::thread::hardware_concurrency());

    const qm::FileScanner sizer;
    qm::FileScanner::Services oneThread;
    oneThread.walkThreads = 1;
    const qm::FileScanner sizerOneThread(oneThread);

    for (const std::filesystem::path& folder : {options.dir, options.usr}) {
        qm::ProcessRequest du;
        du.program = "/usr/bin/du";
        du.arguments = {"-s", "-B1", folder.native()};
        qm::ProcessRequest gdu;
        gdu.program = "/usr/bin/gdu";
        gdu.arguments = {"-n", "-p", "-c", "--no-prefix", "--config-file", "/dev/null", folder.native()};
        gdu.environment.push_back("HOME=/nonexistent");

        long entries = 0;
        std::vector<Peer> peers{
            {"sizer (streamChildren)", [&] { return sizeChildren(sizer, folder, entries); }, {}, 0},
            {"gdu -n -p", [&] { return runGdu(gdu); }, {}, 0},
            {"du -s -B1", [&] { return runTool(du); }, {}, 0},
            {"sizer, no helper threads",
             [&] {
                 long ignored = 0;
                 return sizeChildren(sizerOneThread, folder, ignored);
             },
             {},
             0},
        };
        if (wholeProcess)
            peers.push_back({"sizer as a process",
                             [&] { return std::atoll(runOursOnce({folder.native()}).output.c_str()); },
                             {},
                             0});
        measure(peers, options.runs);
        const std::string quiet =
            folder.native() + ", quiet (" + std::to_string(entries) + " children sized)";
        print(quiet.c_str(), peers);
        if (options.load) {
            const BusyLoops load(int(std::max(1u, std::thread::hardware_concurrency())));
            measure(peers, options.runs);
            const std::string loaded = folder.native() + ", under load (one busy loop per processor)";
            print(loaded.c_str(), peers);
        }
    }

    return 0;
}
