// Measures DuplicateFinder::find with a minimum of 1,000,000 bytes against rdfind, jdupes and
// rmlint given the same floor, over a generated tree free of hidden names: many small files below the
// floor, a few thousand files over 1 MB on a few hundred sizes (so most sizes hold several different
// files, and some pairs share their first 65,536 bytes), a third of them with written copies, some
// with hard links, and a few sets of 100 MB copies. The cache is warmed first; every round runs every
// peer once, side by side, and the minimum and median of the rounds are printed with each peer's time
// divided by the finder's (above 1: the finder is faster), the medians first. The finder hashes on
// several threads, so the rounds are repeated under load: one busy loop per processor, shared alike by
// the finder's threads and the peers. With --whole-process the finder also runs as a process of its
// own (start-up included, as the peers' times include theirs). Last, ContentHash::sha256 on one thread
// over cached 100 MB files against single-core `openssl speed -evp sha256` at 1 MiB blocks (the
// ratio of the rates: above 1, ours is faster).
//
// The finder's groups are checked against jdupes' (run once more with its groups printed): each
// group taken as the set of its files' (device, inode), as the finder keeps one path per inode and
// jdupes leaves hard links out, and groups of a single inode dropped. The check is printed beside the
// figures and a difference exits 1.
//
// Peers: rdfind -minsize 1000000 -checksum sha256 -makeresultsfile false; jdupes -r -A -X
// size+=:1000000 (a plain byte count: its "1M" would mean 1,048,576); rmlint --size 1000000 -o
// summary:stdout (its only output the summary).
//
// Usage: qm_duplicates_bench [--small N] [--large N] [--sets N] [--runs R] [--dir DIR] [--no-load]
//                            [--whole-process]
//   --small    files below the floor (default 100000)
//   --large    distinct files over 1 MB, before copies (default 2400)
//   --sets     sets of three 100 MB copies (default 3)
//   --runs     rounds per condition (default 5)
//   --dir      the folder to build the tree in ("tree" in it), made if absent and kept (default: a new
//              folder in the system's temporary folder, removed at the end)
//   --no-load  measure only the quiet machine
//   --whole-process  also time the finder as a process of its own

#include "../support/BenchSupport.h"
#include "core/files/ContentHash.h"
#include "core/files/DuplicateFinder.h"
#include "core/files/FileScanner.h"
#include "platform/ProcessRunner.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace qm::bench;
namespace fs = std::filesystem;

struct Options
{
    long small = 100'000;
    long large = 2'400;
    int sets = 3;
    int runs = 5;
    fs::path dir;
    bool load = true;
};

// A cheap generator of incompressible bytes (xorshift64*), seeded per file.
void fill(std::vector<std::uint64_t>& words, std::uint64_t& state)
{
    for (std::uint64_t& word : words) {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        word = state * 0x2545F4914F6CDD1Dull;
    }
}

// Writes `size` bytes of the stream seeded by `seed`; with `flipLast` the last byte is changed, so two
// files share everything but their end.
void writeStream(const fs::path& path, long long size, std::uint64_t seed, bool flipLast = false)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        fail("create " + path.native());
    std::vector<std::uint64_t> block(1 << 17); // 1 MiB
    std::uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
    for (long long written = 0; written < size;) {
        fill(block, state);
        const long long n = std::min<long long>(size - written, 1 << 20);
        if (flipLast && written + n == size)
            reinterpret_cast<unsigned char*>(block.data())[n - 1] ^= 0xFF;
        if (::write(fd, block.data(), std::size_t(n)) != n)
            fail("write " + path.native());
        written += n;
    }
    ::close(fd);
}

struct Tree
{
    long files = 0;
    long largeFiles = 0;
    long long largeBytes = 0;
};

Tree generate(const fs::path& root, const Options& options)
{
    Tree tree;
    fs::create_directories(root);
    // Small files: 250 folders of 20 sub-folders, up to 4 KB each.
    const std::string payload(4096, 's');
    for (long i = 0; i < options.small; ++i) {
        const fs::path folder =
            root / ("small" + std::to_string(i % 250)) / ("s" + std::to_string(i / 250 % 20));
        if (i < 5000)
            fs::create_directories(folder);
        writeFile((folder / ("f" + std::to_string(i))).native(),
                  std::string_view(payload).substr(0, std::size_t(i % 4097)));
        ++tree.files;
    }
    // Large files on 400 sizes between 1,000,000 and 1,600,000 bytes: a third get a written copy in
    // another folder, every ninth a hard link, every 25th a same-size twin that differs only at its end.
    for (long i = 0; i < options.large; ++i) {
        const long long size = 1'000'000 + (i * 7919 % 400) * 1'500;
        const fs::path folder = root / ("large" + std::to_string(i % 60));
        fs::create_directories(folder);
        const fs::path original = folder / ("L" + std::to_string(i) + ".bin");
        writeStream(original, size, std::uint64_t(i + 1));
        tree.files += 1;
        tree.largeFiles += 1;
        tree.largeBytes += size;
        if (i % 3 == 0) {
            const fs::path copyFolder = root / ("copies" + std::to_string(i % 40));
            fs::create_directories(copyFolder);
            writeStream(copyFolder / ("C" + std::to_string(i) + ".bin"), size, std::uint64_t(i + 1));
            tree.files += 1;
            tree.largeFiles += 1;
            tree.largeBytes += size;
        }
        if (i % 9 == 0) {
            if (::link(original.c_str(), (folder / ("H" + std::to_string(i) + ".bin")).c_str()) != 0)
                fail("link");
            tree.files += 1;
        }
        if (i % 25 == 0) {
            writeStream(folder / ("T" + std::to_string(i) + ".bin"), size, std::uint64_t(i + 1), true);
            tree.files += 1;
            tree.largeFiles += 1;
            tree.largeBytes += size;
        }
    }
    // Sets of three written 100 MB copies.
    for (int s = 0; s < options.sets; ++s) {
        const fs::path folder = root / ("big" + std::to_string(s));
        fs::create_directories(folder);
        for (int c = 0; c < 3; ++c) {
            writeStream(folder / ("copy" + std::to_string(c) + ".img"), 100'000'000,
                        1'000'000 + std::uint64_t(s));
            tree.files += 1;
            tree.largeFiles += 1;
            tree.largeBytes += 100'000'000;
        }
    }
    return tree;
}

struct Peer
{
    std::string name;
    std::function<void()> run;
    std::vector<double> seconds;
};

void runTool(const qm::ProcessRequest& request)
{
    const auto outcome = qm::ProcessRunner().run(request);
    if (!outcome || !outcome->succeeded()) {
        std::fprintf(stderr, "qm_duplicates_bench: %s failed\n", request.program.c_str());
        std::exit(1);
    }
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
            peer.run();
            peer.seconds.push_back(seconds(Clock::now() - start));
        }
    }
}

void print(const std::string& title, const std::vector<Peer>& peers)
{
    const double baseMin = minimum(peers[0].seconds);
    const double baseMedian = median(peers[0].seconds);
    std::printf("\n%s (load average %.1f)\n%-58s %9s %9s %12s %12s\n", title.c_str(), loadAverage(), "peer",
                "min s", "median s", "median ratio", "min ratio");
    double fastestPeer = 0;
    for (std::size_t i = 0; i < peers.size(); ++i) {
        const Peer& peer = peers[i];
        const double lo = minimum(peer.seconds);
        const double mid = median(peer.seconds);
        std::printf("%-58s %9.3f %9.3f %12.2f %12.2f\n", peer.name.c_str(), lo, mid, mid / baseMedian,
                    lo / baseMin);
        if (i > 0 && i < 4 && (fastestPeer == 0 || mid < fastestPeer))
            fastestPeer = mid;
    }
    std::printf("fastest peer / finder (medians) = %.2f (goal above 1, aim 2)   above 1: ours is faster\n",
                fastestPeer / baseMedian);
    if (peers.size() > 5) {
        for (std::size_t i = 1; i < 4; ++i)
            printRatio(peers[i].name, peers[i].seconds, peers[5].name, peers[5].seconds);
    }
}

// A group as the set of its files' identities; a file that cannot be read has none (0, 0).
using InodeGroups = std::set<std::set<std::pair<dev_t, ino_t>>>;

std::set<std::pair<dev_t, ino_t>> identities(const std::vector<fs::path>& files)
{
    std::set<std::pair<dev_t, ino_t>> group;
    for (const fs::path& file : files) {
        struct stat st;
        if (::lstat(file.c_str(), &st) != 0)
            group.insert({0, 0});
        else
            group.insert({st.st_dev, st.st_ino});
    }
    return group;
}

// The groups as jdupes prints them: one path a line, a blank line after each group.
InodeGroups jdupesGroups(const qm::ProcessRequest& request)
{
    const auto outcome = qm::ProcessRunner().run(request);
    if (!outcome || !outcome->succeeded() || outcome->standardOutputTruncated) {
        std::fprintf(stderr, "qm_duplicates_bench: jdupes failed\n");
        std::exit(1);
    }
    InodeGroups groups;
    std::vector<fs::path> files;
    const auto close = [&] {
        if (const auto group = identities(files); group.size() > 1)
            groups.insert(group);
        files.clear();
    };
    for (const QByteArray& line : outcome->standardOutput.split('\n')) {
        if (line.isEmpty())
            close();
        else
            files.emplace_back(line.toStdString());
    }
    close();
    return groups;
}

// The finder as a process of its own: `--ours-once FOLDER` prints the groups found.
int oursOnce(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: qm_duplicates_bench --ours-once FOLDER\n");
        return 2;
    }
    std::printf("%zu\n", qm::DuplicateFinder::find(qm::FileScanner(), argv[2], 1'000'000, {}).groups.size());
    return 0;
}

// Single-core `openssl speed -evp sha256` at 1 MiB blocks, in bytes per second.
double opensslSpeed()
{
    qm::ProcessRequest request;
    request.program = "/usr/bin/openssl";
    request.arguments = {"speed", "-bytes", "1048576", "-seconds", "1", "-evp", "sha256"};
    const auto outcome = qm::ProcessRunner().run(request);
    if (!outcome || !outcome->succeeded())
        return 0;
    // The last line: "sha256   1816689.50k" (thousands of bytes per second).
    const QList<QByteArray> lines = outcome->standardOutput.trimmed().split('\n');
    const QList<QByteArray> fields = lines.last().simplified().split(' ');
    QByteArray rate = fields.last();
    rate.chop(1);
    return rate.toDouble() * 1000;
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
        if (flag == "--small" && hasValue)
            options.small = std::atol(argv[++i]);
        else if (flag == "--large" && hasValue)
            options.large = std::atol(argv[++i]);
        else if (flag == "--sets" && hasValue)
            options.sets = std::atoi(argv[++i]);
        else if (flag == "--runs" && hasValue)
            options.runs = std::max(1, std::atoi(argv[++i]));
        else if (flag == "--dir" && hasValue)
            options.dir = argv[++i];
        else if (flag == "--no-load")
            options.load = false;
    }
    const WorkDir work(options.dir, "duplicates");
    options.dir = work.path() / "tree";
    for (const char* tool : {"/usr/bin/rdfind", "/usr/bin/jdupes", "/usr/bin/rmlint"}) {
        if (!fs::exists(tool)) {
            std::fprintf(stderr, "qm_duplicates_bench: needs %s\n", tool);
            return 1;
        }
    }

    std::printf("generating in %s ...\n", options.dir.c_str());
    const Tree tree = generate(options.dir, options);
    std::printf(
        "tree: %ld files, %ld of them over 1 MB (%.2f GB), %d sets of three 100 MB copies; %u processors\n",
        tree.files, tree.largeFiles, double(tree.largeBytes) / 1e9, options.sets,
        std::thread::hardware_concurrency());

    const qm::FileScanner finder;
    qm::FileScanner::Services oneThread;
    oneThread.hashThreads = 1;
    const qm::FileScanner finderOneThread(oneThread);
    long groups = 0;
    long long wasted = 0;
    InodeGroups found;
    const auto find = [&](const qm::FileScanner& scanner) {
        const qm::DuplicateFinder::Search search =
            qm::DuplicateFinder::find(scanner, options.dir, 1'000'000, {});
        groups = long(search.groups.size());
        wasted = 0;
        found.clear();
        for (const qm::DuplicateGroup& group : search.groups) {
            wasted += group.wastedBytes();
            std::vector<fs::path> files;
            for (const qm::FileEntry& file : group.files)
                files.push_back(file.url);
            if (const auto ids = identities(files); ids.size() > 1)
                found.insert(ids);
        }
    };

    qm::ProcessRequest rdfind;
    rdfind.program = "/usr/bin/rdfind";
    rdfind.arguments = {"-minsize",         "1000000", "-checksum",         "sha256",
                        "-makeresultsfile", "false",   options.dir.native()};
    qm::ProcessRequest jdupes;
    jdupes.program = "/usr/bin/jdupes";
    jdupes.arguments = {"-r", "-A", "-X", "size+=:1000000", options.dir.native()};
    qm::ProcessRequest rmlint;
    rmlint.program = "/usr/bin/rmlint";
    rmlint.arguments = {"--size", "1000000", "-o", "summary:stdout", options.dir.native()};
    rmlint.environment.push_back("HOME=/nonexistent");

    std::vector<Peer> peers{
        {"finder (DuplicateFinder::find)", [&] { find(finder); }, {}},
        {"rdfind -minsize 1000000 -checksum sha256", [&] { runTool(rdfind); }, {}},
        {"jdupes -r -A -X size+=:1000000", [&] { runTool(jdupes); }, {}},
        {"rmlint --size 1000000 -o summary:stdout", [&] { runTool(rmlint); }, {}},
        {"finder, one hashing thread", [&] { find(finderOneThread); }, {}},
    };
    if (wholeProcess)
        peers.push_back({"finder as a process (start included)",
                         [&] {
                             if (std::atol(runOursOnce({options.dir.native()}).output.c_str()) != groups)
                                 fail("the finder as a process found other groups");
                         },
                         {}});
    measure(peers, options.runs);
    print("quiet", peers);
    find(finder);
    const InodeGroups expected = jdupesGroups(jdupes);
    const bool groupsRight = found == expected;
    std::printf(
        "finder: %ld groups, %.2f GB reclaimable; jdupes: %zu groups of distinct files, the finder %zu "
        "(%s)\n",
        groups, double(wasted) / 1e9, expected.size(), found.size(), groupsRight ? "same" : "DIFFERENT");
    if (options.load) {
        const BusyLoops load(int(std::max(1u, std::thread::hardware_concurrency())));
        measure(peers, options.runs);
        print("under load (one busy loop per processor)", peers);
    }

    // The content hash on one thread over the cached 100 MB copies.
    if (options.sets > 0) {
        const qm::ContentHash hash;
        qm::ContentHash::Buffer buffer;
        std::vector<fs::path> big;
        for (int s = 0; s < options.sets; ++s)
            for (int c = 0; c < 3; ++c)
                big.push_back(options.dir / ("big" + std::to_string(s)) /
                              ("copy" + std::to_string(c) + ".img"));
        for (const fs::path& file : big)
            hash.sha256(file, std::nullopt, {}, buffer); // warm
        // Rounds interleaved with openssl's, so both see the same machine.
        std::vector<double> rates;
        std::vector<double> opensslRates;
        for (int round = 0; round < options.runs; ++round) {
            const auto start = Clock::now();
            for (const fs::path& file : big)
                hash.sha256(file, std::nullopt, {}, buffer);
            rates.push_back(double(big.size()) * 100'000'000 / seconds(Clock::now() - start));
            opensslRates.push_back(opensslSpeed());
        }
        const double best = *std::max_element(rates.begin(), rates.end());
        const double opensslBest = *std::max_element(opensslRates.begin(), opensslRates.end());
        std::printf("\nsha256 on one thread over cached 100 MB files: best %.0f MB/s, median %.0f MB/s\n",
                    best / 1e6, median(rates) / 1e6);
        std::printf(
            "openssl speed -evp sha256 at 1 MiB blocks (1 s rounds): best %.0f MB/s, median %.0f MB/s\n",
            opensslBest / 1e6, median(opensslRates) / 1e6);
        std::printf(
            "ours / openssl rate (its time / ours) = %.2f (medians; bests %.2f) (goal at least 0.90)\n",
            median(opensslRates) > 0 ? median(rates) / median(opensslRates) : 0.0,
            opensslBest > 0 ? best / opensslBest : 0.0);
    }

    return groupsRight ? 0 : 1;
}
