// Measures the browser privacy scan against du -s -B1 over the same paths (every cache folder and
// database the scan reports), side by side in every round with a warm cache, and prints the time
// ratio. The generated home holds three Chromium-family browsers, each with two profiles (History,
// Cookies and Network/Cookies in both) and a cache; the caches hold the requested number of files in
// all, in folders of 500. Totals differ by design: du also counts the folders themselves.
//
// Usage: qm_privacy_scan_bench [--files N] [--runs R] [--dir DIR]
//   --files  cache files over the three browsers together (default 100000)
//   --runs   rounds; each round runs both peers once (default 5)
//   --dir    an existing empty-or-absent folder to build in (default: a new folder in /tmp, removed at
//            the end)

#include "../support/BenchSupport.h"
#include "core/privacy/PrivacyScanner.h"
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
    const char* dataFolder;  // below Library/Application Support
    const char* cacheFolder; // below Library/Caches
};

constexpr std::array<Browser, 3> kBrowsers{{
    {"Google/Chrome", "Google/Chrome"},
    {"BraveSoftware/Brave-Browser", "BraveSoftware/Brave-Browser"},
    {"Microsoft Edge", "Microsoft Edge"},
}};

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

} // namespace

int main(int argc, char** argv)
{
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--files")
            options.files = std::max(3, std::atoi(argv[i + 1]));
        else if (flag == "--runs")
            options.runs = std::max(1, std::atoi(argv[i + 1]));
        else if (flag == "--dir")
            options.dir = argv[i + 1];
    }

    const bool ownDir = options.dir.empty();
    if (ownDir) {
        char pattern[] = "/tmp/qm-privacy-bench-XXXXXX";
        if (!::mkdtemp(pattern))
            fail("mkdtemp");
        options.dir = std::filesystem::path(pattern) / "home";
    }
    const std::filesystem::path home = options.dir;
    std::printf("generating 3 browsers with %d cache files in all in %s ...\n", options.files, home.c_str());
    for (std::size_t b = 0; b < kBrowsers.size(); ++b) {
        const int share = options.files / 3 + (int(b) < options.files % 3 ? 1 : 0);
        generateCache(home / "Library/Caches" / kBrowsers[b].cacheFolder, share);
        for (const char* profile : {"Default", "Profile 1"})
            generateProfile(home / "Library/Application Support" / kBrowsers[b].dataFolder / profile);
    }

    const qm::PrivacyScanner scanner(home);
    std::vector<qm::PrivacyItem> items;
    const auto scanOnce = [&](double& secs, long long& total) {
        const auto start = Clock::now();
        items = scanner.scan();
        secs = seconds(Clock::now() - start);
        total = 0;
        for (const qm::PrivacyItem& item : items)
            total += item.bytes;
    };
    // 3 caches + 2 profiles x 3 databases per browser.
    double s = 0;
    long long scanTotal = 0;
    scanOnce(s, scanTotal);
    if (items.size() != kBrowsers.size() * 7) {
        std::fprintf(stderr, "qm_privacy_scan_bench: found %zu items, expected %zu\n", items.size(),
                     kBrowsers.size() * 7);
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

    std::vector<double> scanSeconds;
    std::vector<double> duSeconds;
    for (int round = 0; round < options.runs; ++round) {
        scanOnce(s, scanTotal);
        scanSeconds.push_back(s);
        duOnce(s, duTotal);
        duSeconds.push_back(s);
    }

    const double m = median(scanSeconds);
    const double d = median(duSeconds);
    std::printf("\n%-30s %12s %18s\n", "peer", "median s", "total bytes");
    std::printf("%-30s %12.4f %18lld\n", "privacy scan (21 items)", m, scanTotal);
    std::printf("%-30s %12.4f %18lld\n", "du -s -B1 (same 21 paths)", d, duTotal);
    std::printf("\nscan / du = %.2f (goal: at most 1.10)\n", m / d);

    if (ownDir) {
        std::error_code ec;
        std::filesystem::remove_all(options.dir.parent_path(), ec);
    }
    return 0;
}
