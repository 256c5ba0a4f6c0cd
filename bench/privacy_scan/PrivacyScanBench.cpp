// Measures the browser privacy scan against du -s -B1 over the same paths (every cache folder and
// database the scan reports), side by side in every round with a warm cache, and prints du's time over
// the scan's (above 1: the scan is faster), medians first. The generated home is laid out as this
// platform lays it out: Google Chrome and Chromium in the config and cache homes, Brave as a Flatpak
// under ~/.var/app, each with two profiles (History, Cookies and Network/Cookies in both) and a cache,
// and Firefox with "profiles.ini", one profile (places.sqlite, cookies.sqlite, each with its -wal) and
// its cache in the cache home. The caches hold the requested number of files in all, in folders of 500.
// Totals differ by design: du also counts the folders themselves. With --whole-process the scan also
// runs as a process of its own (start-up included, as du's time includes its own).
//
// Usage: qm_privacy_scan_bench [--files N] [--runs R] [--dir DIR] [--whole-process]
//   --files  cache files over the four browsers together (default 100000)
//   --runs   rounds; each round runs both peers once (default 5)
//   --dir    the folder to build the home in, made if absent and kept (default: a new folder in the
//            system's temporary folder, removed at the end)
//   --whole-process  also time the scan as a process of its own

#include "../support/BenchSupport.h"
#include "core/privacy/PrivacyScanner.h"
#include "platform/Places.h"
#include "platform/ProcessRunner.h"

#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace qm::bench;

struct Options
{
    int files = 100'000;
    int runs = 5;
    std::filesystem::path dir;
};

struct Browser
{
    const char* dataFolder;  // below the home
    const char* cacheFolder; // below the home
};

constexpr std::array<Browser, 3> kChromiumBrowsers{{
    {".config/google-chrome", ".cache/google-chrome"},
    {".config/chromium", ".cache/chromium"},
    {".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser",
     ".var/app/com.brave.Browser/cache/BraveSoftware/Brave-Browser"},
}};
constexpr const char* kFirefoxProfile = "k3x9.default-release";
// Three Chromium-family browsers with a cache and 2 profiles x 3 databases, and Firefox's cache and two
// databases.
constexpr std::size_t kExpectedItems = 3 * 7 + 3;

void makeFolders(const std::filesystem::path& path)
{
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec) {
        errno = ec.value();
        fail("mkdir " + path.native());
    }
}

// A cache of `files` files under Cache/Cache_Data/dN, 500 to a folder; every tenth file holds 4 KiB,
// the others 200 bytes.
void generateCache(const std::filesystem::path& cache, int files)
{
    const std::string big(4096, 'c');
    const std::string small(200, 's');
    std::filesystem::path folder;
    for (int f = 0; f < files; ++f) {
        if (f % 500 == 0) {
            folder = cache / "Cache/Cache_Data" / ("d" + std::to_string(f / 500));
            makeFolders(folder);
        }
        writeFile((folder / ("f_" + std::to_string(f))).native(), f % 10 == 0 ? big : small);
    }
}

// A profile folder with the three databases (plain files of database size; the scan never opens them).
void generateProfile(const std::filesystem::path& profile)
{
    makeFolders(profile / "Network");
    writeFile((profile / "History").native(), std::string(160 * 1024, 'h'));
    writeFile((profile / "Cookies").native(), std::string(48 * 1024, 'k'));
    writeFile((profile / "Network/Cookies").native(), std::string(64 * 1024, 'n'));
}

// The scan as a process of its own: `--ours-once HOME` prints the items found and their bytes.
int oursOnce(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: qm_privacy_scan_bench --ours-once HOME\n");
        return 2;
    }
    long long total = 0;
    const std::vector<qm::PrivacyItem> items = qm::PrivacyScanner(qm::Places::resolve(argv[2], {})).scan();
    for (const qm::PrivacyItem& item : items)
        total += item.bytes;
    std::printf("%zu %lld\n", items.size(), total);
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
        if (flag == "--files")
            options.files = std::max(4, std::atoi(argv[i + 1]));
        else if (flag == "--runs")
            options.runs = std::max(1, std::atoi(argv[i + 1]));
        else if (flag == "--dir")
            options.dir = argv[i + 1];
    }

    const WorkDir work(options.dir, "privacy");
    options.dir = work.path();
    const std::filesystem::path home = options.dir;
    std::printf("generating 4 browsers with %d cache files in all in %s ...\n", options.files, home.c_str());
    for (std::size_t b = 0; b < kChromiumBrowsers.size(); ++b) {
        const int share = options.files / 4 + (int(b) < options.files % 4 ? 1 : 0);
        generateCache(home / kChromiumBrowsers[b].cacheFolder, share);
        for (const char* profile : {"Default", "Profile 1"})
            generateProfile(home / kChromiumBrowsers[b].dataFolder / profile);
    }
    const std::filesystem::path firefox = home / ".mozilla/firefox";
    makeFolders(firefox / kFirefoxProfile);
    writeFile((firefox / "profiles.ini").native(),
              std::string("[Install4F96D1932A9F858E]\nDefault=") + kFirefoxProfile +
                  "\nLocked=1\n\n[Profile0]\nName=default-release\nIsRelative=1\nPath=" + kFirefoxProfile +
                  "\nDefault=1\n\n[General]\nStartWithLastProfile=1\nVersion=2\n");
    for (const char* database : {"places.sqlite", "cookies.sqlite"}) {
        writeFile((firefox / kFirefoxProfile / database).native(), std::string(512 * 1024, 'f'));
        writeFile((firefox / kFirefoxProfile / (std::string(database) + "-wal")).native(),
                  std::string(96 * 1024, 'w'));
    }
    generateCache(home / ".cache/mozilla/firefox" / kFirefoxProfile / "cache2",
                  options.files / 4 + (3 < options.files % 4 ? 1 : 0));

    const qm::PrivacyScanner scanner(qm::Places::resolve(home, {}));
    std::vector<qm::PrivacyItem> items;
    const auto scanOnce = [&](double& secs, long long& total) {
        const auto start = Clock::now();
        items = scanner.scan();
        secs = seconds(Clock::now() - start);
        total = 0;
        for (const qm::PrivacyItem& item : items)
            total += item.bytes;
    };
    double s = 0;
    long long scanTotal = 0;
    scanOnce(s, scanTotal);
    if (items.size() != kExpectedItems) {
        std::fprintf(stderr, "qm_privacy_scan_bench: found %zu items, expected %zu\n", items.size(),
                     kExpectedItems);
        return 1;
    }

    qm::ProcessRequest du;
    du.program = "/usr/bin/du";
    du.arguments = {"-s", "-B1"};
    for (const qm::PrivacyItem& item : items)
        du.arguments.push_back(item.url.native());
    long long duTotal = 0;
    const auto duOnce = [&](double& secs, long long& total) {
        const auto start = Clock::now();
        const auto outcome = qm::ProcessRunner().run(du);
        secs = seconds(Clock::now() - start);
        if (!outcome || !outcome->succeeded()) {
            std::fprintf(stderr, "qm_privacy_scan_bench: du failed\n");
            std::exit(1);
        }
        total = 0;
        for (const QByteArray& line : outcome->standardOutput.split('\n')) {
            if (!line.isEmpty())
                total += std::atoll(line.constData());
        }
    };
    duOnce(s, duTotal); // the scan above warmed the cache; this warms du's start

    const auto scanAsProcess = [&] {
        const ChildRun child = runOursOnce({home.native()});
        std::size_t count = 0;
        long long total = 0;
        if (std::sscanf(child.output.c_str(), "%zu %lld", &count, &total) != 2 || count != items.size() ||
            total != scanTotal)
            fail("the scan as a process found other items");
        return child.seconds;
    };
    if (wholeProcess)
        scanAsProcess();

    std::vector<double> scanSeconds;
    std::vector<double> processSeconds;
    std::vector<double> duSeconds;
    for (int round = 0; round < options.runs; ++round) {
        scanOnce(s, scanTotal);
        scanSeconds.push_back(s);
        if (wholeProcess)
            processSeconds.push_back(scanAsProcess());
        duOnce(s, duTotal);
        duSeconds.push_back(s);
    }

    std::printf("\ntotal bytes: privacy scan %lld (%zu items), du -s -B1 %lld (same paths)\n", scanTotal,
                items.size(), duTotal);
    printComparison("quiet", "privacy scan", scanSeconds, "du -s -B1", duSeconds);
    if (wholeProcess) {
        printSide("privacy scan as a process (start included)", processSeconds);
        printRatio("du -s -B1", duSeconds, "privacy scan as a process", processSeconds);
    }

    return 0;
}
