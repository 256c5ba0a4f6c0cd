// Measures FileScanner::scanLargeFiles against a plain find(1) with the search's hidden-folder rule,
// warm cache:
//   find ROOT -mindepth 1 -name '.*' -prune -o -type f -size +(N-1)c -printf '%b %p\n'
// over three trees: a generated tree of about 240,000 entries (files of mixed sizes and hidden folders
// whose contents both leave out), /usr, and a tree of 300,000
// qualifying files met in ascending size, the cap's worst case: once 200,000 are held, every later file
// displaces the smallest. Its files are hard links to a few dozen inodes of 1 to 60 blocks, so the tree
// costs no disk space; find and the search read the same 300,000 names and statuses. Rounds run the
// peers in turn (search, find, search, find, ...) after one warm-up each; min and median are printed
// with the ratio find / search (above 1: the search is faster) headed by the medians. With
// --whole-process the search also runs as a process of its own (start-up included, as find's time
// includes its own). For the worst case the cost of the list alone is also shown beside a list that
// rescans all its entries after each displacement. Every tree checks that the search lists as many
// files as find does (up to the search's cap), and the bench exits with 1 on a difference.
//
// Usage: qm_large_files_bench [--entries N] [--runs R] [--min BYTES] [--dir DIR] [--usr PATH]
//                             [--whole-process]
//   --entries  entries of the generated tree (default 240000)
//   --runs     measured rounds per tree (default 7)
//   --min      the size threshold in bytes (default 1000000)
//   --dir      the folder to build the trees in, made if absent and kept; one holding the trees of an
//              earlier run is searched again as it is (default: a new folder in the system's temporary
//              folder, removed at the end)
//   --usr      the second tree to search (default /usr)
//   --whole-process  also time the search as a process of its own

#include "../support/BenchSupport.h"
#include "core/files/FileScanner.h"
#include "core/files/LargeFileList.h"
#include "platform/FileSystem.h"
#include "platform/ProcessRunner.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace qm::bench;

struct Options
{
    long entries = 240'000;
    int runs = 7;
    qint64 minBytes = 1'000'000;
    std::filesystem::path dir;
    std::filesystem::path usr = "/usr";
};

int openFolder(int parent, const std::string& name)
{
    if (::mkdirat(parent, name.c_str(), 0755) != 0 && errno != EEXIST)
        fail("mkdir " + name);
    const int fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        fail("open " + name);
    return fd;
}

// A file of `length` bytes of which only the first is written: its length counts for the threshold,
// its allocation stays one block.
void makeFile(int parent, const std::string& name, qint64 length)
{
    const int fd = ::openat(parent, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        fail("create " + name);
    if (length > 0 && (::write(fd, "x", 1) != 1 || ::ftruncate(fd, off_t(length)) != 0))
        fail("write " + name);
    ::close(fd);
}

// Folders p0..: each of 10 sub-folders of 100 files; every 37th file reaches the threshold (lengths
// from 1 to 5 times it), the rest are up to a tenth of it; every 13th entry is a symbolic link. Every
// 10th top folder also holds a hidden ".cache" of 400 files, which neither side enters. Returns the number of
// entries made (folders included).
long generate(const std::filesystem::path& root, long entries, qint64 minBytes)
{
    if (::mkdir(root.c_str(), 0755) != 0)
        fail("mkdir " + root.native());
    const int rootFd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (rootFd < 0)
        fail("open " + root.native());
    long made = 0;
    long serial = 0;
    for (int top = 0; made < entries; ++top) {
        const int topFd = openFolder(rootFd, "p" + std::to_string(top));
        ++made;
        if (top % 10 == 0) {
            const int fd = openFolder(topFd, ".cache");
            for (int f = 0; f < 400; ++f)
                makeFile(fd, "f" + std::to_string(f), 2 * minBytes);
            ::close(fd);
            made += 401;
        }
        for (int sub = 0; sub < 10 && made < entries; ++sub) {
            const int subFd = openFolder(topFd, "s" + std::to_string(sub));
            ++made;
            for (int f = 0; f < 100 && made < entries; ++f, ++made) {
                ++serial;
                const std::string name = "f" + std::to_string(f);
                if (serial % 13 == 0) {
                    ::symlinkat("f0", subFd, name.c_str());
                    continue;
                }
                const qint64 length = serial % 37 == 0 ? minBytes * (1 + serial % 5) + serial % 1000
                                                       : (serial * 7919) % (minBytes / 10);
                makeFile(subFd, name, length);
            }
            ::close(subFd);
        }
        ::close(topFd);
    }
    ::close(rootFd);
    return made;
}

// 300 folders "d000".. of 1000 names each, walked in that order; the names of folder k are hard links
// to inodes of 1 + k / 5 blocks (60 sizes), 1000 links per inode, so the sizes met never fall.
long generateAscending(const std::filesystem::path& root, qint64 minBytes)
{
    if (::mkdir(root.c_str(), 0755) != 0)
        fail("mkdir " + root.native());
    const int rootFd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (rootFd < 0)
        fail("open " + root.native());
    const std::string block(4096, 'x');
    long made = 0;
    for (int k = 0; k < 300; ++k) {
        char folder[8];
        std::snprintf(folder, sizeof folder, "d%03d", k);
        const int fd = openFolder(rootFd, folder);
        // The first name is the inode; its length is at least the threshold and its blocks written.
        const int blocks = 1 + k / 5;
        const int file = ::openat(fd, "f0000", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (file < 0)
            fail("create f0000");
        for (int b = 0; b < blocks; ++b) {
            if (::write(file, block.data(), block.size()) != ssize_t(block.size()))
                fail("write f0000");
        }
        if (qint64(blocks) * 4096 < minBytes && ::ftruncate(file, off_t(minBytes)) != 0)
            fail("truncate f0000");
        ::close(file);
        for (int i = 1; i < 1000; ++i) {
            char name[8];
            std::snprintf(name, sizeof name, "f%04d", i);
            if (::linkat(fd, "f0000", fd, name, 0) != 0)
                fail(std::string("link ") + name);
        }
        ::close(fd);
        made += 1001;
    }
    ::close(rootFd);
    return made;
}

struct Peer
{
    std::string name;
    std::function<long()> run; // returns the number of files it listed
    std::vector<double> seconds;
    long listed = 0;
};

void measure(std::vector<Peer>& peers, int runs)
{
    for (Peer& peer : peers)
        peer.run(); // warm the cache, and the peer
    for (int round = 0; round < runs; ++round) {
        for (Peer& peer : peers) {
            const auto start = Clock::now();
            peer.listed = peer.run();
            peer.seconds.push_back(seconds(Clock::now() - start));
        }
    }
}

void print(const std::string& title, const std::vector<Peer>& peers)
{
    std::printf("\n%s (load average %.1f)\n%-24s %10s %10s %10s %16s\n", title.c_str(), loadAverage(), "peer",
                "min s", "median s", "listed", "median / search");
    const double base = median(peers[0].seconds);
    for (const Peer& peer : peers) {
        std::printf("%-24s %10.4f %10.4f %10ld %16.2f\n", peer.name.c_str(), minimum(peer.seconds),
                    median(peer.seconds), peer.listed, median(peer.seconds) / base);
    }
    printRatio(peers[1].name, peers[1].seconds, peers[0].name, peers[0].seconds);
    if (peers.size() > 2)
        printRatio(peers[1].name, peers[1].seconds, peers[2].name, peers[2].seconds);
}

qm::ProcessRequest findRequest(const std::filesystem::path& root, qint64 minBytes)
{
    qm::ProcessRequest request;
    request.program = "/usr/bin/find";
    request.arguments = {root.native(),
                         "-mindepth",
                         "1",
                         "-name",
                         ".*",
                         "-prune",
                         "-o",
                         "-type",
                         "f",
                         "-size",
                         "+" + std::to_string(minBytes - 1) + "c",
                         "-printf",
                         "%b %p\\n"};
    request.outputCap = qint64(1) << 30;
    return request;
}

long runFind(const qm::ProcessRequest& request)
{
    const auto outcome = qm::ProcessRunner().run(request);
    // find exits 1 when some folder was unreadable; its list is still complete otherwise.
    if (!outcome || !outcome->exited || outcome->exitCode > 1 || outcome->standardOutputTruncated) {
        std::fprintf(stderr, "qm_large_files_bench: find failed\n");
        std::exit(1);
    }
    return long(outcome->standardOutput.count('\n'));
}

// The search as a process of its own: `--ours-once ROOT MIN_BYTES` prints the number of files listed.
int oursOnce(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: qm_large_files_bench --ours-once ROOT MIN_BYTES\n");
        return 2;
    }
    std::printf("%zu\n",
                qm::FileScanner().scanLargeFiles(argv[2], std::atoll(argv[3]), std::nullopt).entries.size());
    return 0;
}

bool g_checksPassed = true;

void compare(const std::string& title, const std::filesystem::path& root, qint64 minBytes, int runs,
             bool wholeProcess)
{
    const qm::FileScanner scanner;
    const qm::ProcessRequest find = findRequest(root, minBytes);
    bool incomplete = false;
    std::vector<Peer> peers{
        {"search (scanLargeFiles)",
         [&] {
             const auto found = scanner.scanLargeFiles(root, minBytes, std::nullopt);
             incomplete = found.incomplete;
             return long(found.entries.size());
         },
         {},
         0},
        {"find -printf '%b %p'", [&] { return runFind(find); }, {}, 0},
    };
    if (wholeProcess)
        peers.push_back(
            {"search as a process",
             [&] {
                 return std::atol(runOursOnce({root.native(), std::to_string(minBytes)}).output.c_str());
             },
             {},
             0});
    measure(peers, runs);
    print(title + (incomplete ? " (search incomplete)" : ""), peers);
    const long expected = std::min<long>(peers[1].listed, long(qm::FileScanner::kMaxLargeFileResults));
    const bool same = peers[0].listed == expected;
    std::printf("check: the search lists %ld files, find %ld (%ld within the cap): %s\n", peers[0].listed,
                peers[1].listed, expected, same ? "same" : "DIFFERENT");
    g_checksPassed = g_checksPassed && same;
}

// The list alone on the worst case's sizes in walk order, beside one that rescans after each
// displacement; the rescanning list is stopped after `budget` seconds and its full time extrapolated.
void compareLists(qint64 minBytes)
{
    std::vector<qint64> sizes;
    for (int k = 0; k < 300; ++k) {
        const qint64 blocks = 1 + k / 5;
        (void)minBytes;
        sizes.insert(sizes.end(), 1000, blocks * 4096);
    }
    const std::size_t cap = qm::FileScanner::kMaxLargeFileResults;

    auto start = Clock::now();
    qm::LargeFileList list(cap);
    for (qint64 bytes : sizes) {
        // No identifier is drawn: this measures the list, not the entries.
        list.add(bytes, [&] {
            return qm::FileEntry{.id = QUuid(), .url = {}, .name = {}, .bytes = bytes, .modified = {}};
        });
    }
    const auto kept = list.sorted();
    const double heap = seconds(Clock::now() - start);

    constexpr double kBudget = 5.0;
    start = Clock::now();
    std::vector<qint64> rescanned;
    std::size_t smallest = 0;
    long displacements = 0;
    long done = 0;
    const long total = 100'000; // sizes after the list fills that displace the smallest
    const auto rescan = [&] {
        smallest = 0;
        for (std::size_t i = 1; i < rescanned.size(); ++i) {
            if (rescanned[i] < rescanned[smallest])
                smallest = i;
        }
    };
    for (qint64 bytes : sizes) {
        if (rescanned.size() < cap) {
            rescanned.push_back(bytes);
            if (rescanned.size() == cap)
                rescan();
            continue;
        }
        if (rescanned[smallest] >= bytes)
            continue;
        rescanned[smallest] = bytes;
        rescan();
        ++displacements;
        if (++done % 256 == 0 && seconds(Clock::now() - start) > kBudget)
            break;
    }
    const double linear = seconds(Clock::now() - start);
    const double projected = linear * double(total) / double(std::max(displacements, 1L));
    std::printf("\nthe list alone, 300,000 sizes in ascending order, cap %zu (%zu kept)\n", cap, kept.size());
    std::printf("%-34s %10.4f s\n", "min-heap of (bytes, place)", heap);
    std::printf("%-34s %10.4f s for %ld of %ld displacements, about %.1f s in all (%.0f x)\n",
                "rescan after each displacement", linear, displacements, total, projected, projected / heap);
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
        else if (flag == "--min" && hasValue)
            options.minBytes = std::max<qint64>(1, std::atoll(argv[++i]));
        else if (flag == "--dir" && hasValue)
            options.dir = argv[++i];
        else if (flag == "--usr" && hasValue)
            options.usr = argv[++i];
    }
    const WorkDir work(options.dir, "large-files");
    options.dir = work.path();

    const std::filesystem::path mixed = options.dir / "mixed";
    const std::filesystem::path ascending = options.dir / "ascending";
    long mixedEntries = 0;
    long ascendingEntries = 300'300;
    if (std::filesystem::exists(ascending)) {
        std::printf("searching the trees in %s again\n", options.dir.c_str());
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(mixed, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
            ++mixedEntries;
    } else {
        std::printf("generating in %s ...\n", options.dir.c_str());
        mixedEntries = generate(mixed, options.entries, options.minBytes);
        ascendingEntries = generateAscending(ascending, options.minBytes);
    }
    std::printf("threshold %lld bytes; %d rounds each\n", static_cast<long long>(options.minBytes),
                options.runs);

    compare("generated tree, " + std::to_string(mixedEntries) + " entries", mixed, options.minBytes,
            options.runs, wholeProcess);
    compare(options.usr.native(), options.usr, options.minBytes, options.runs, wholeProcess);
    compare("ascending sizes, " + std::to_string(ascendingEntries) + " entries (300,000 qualifying files)",
            ascending, options.minBytes, options.runs, wholeProcess);
    compareLists(options.minBytes);

    return g_checksPassed ? 0 : 1;
}
