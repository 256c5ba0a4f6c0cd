// Measures ContentScanner::examine (streamed SHA-256 plus the rule window) against
// `openssl dgst -sha256` and `sha256sum` on the same generated files: many small files and a few
// large ones. Every round runs every peer once over each set, after one warm-up pass; min and median
// times are printed with the ratio peer / examine (above 1: ours is faster) headed by the medians.
// The peers hash in one process per set; examine runs in this process on one thread, as the scan
// pipeline calls it, and with --whole-process also in a process of its own that loads the definitions
// from a file and examines the set on one thread (start-up included, as the peers' times include
// theirs).
//
// Usage: qm_hashing_bench [--small N] [--large N] [--large-bytes B] [--runs R] [--rules N] [--dir DIR]
//                         [--whole-process]
//   --small        files of 4096 bytes (default 5000)
//   --large        large files (default 10)
//   --large-bytes  size of each large file (default 100000000: the largest size the scan hashes)
//   --runs         rounds (default 3)
//   --rules        pattern rules in the definitions, 0 for hashing alone (default 0)
//   --dir          folder to generate the files in, made if absent and kept (default: a new folder in
//                  the system's temporary folder, removed at the end)
//   --whole-process  also time examine as a process of its own

#include "../support/BenchDefinitions.h"
#include "core/malware/ContentScanner.h"
#include "platform/FileSystem.h"
#include "platform/ProcessRunner.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace qm::bench;

struct Options
{
    long small = 5000;
    long large = 10;
    long long largeBytes = 100'000'000;
    int runs = 3;
    int rules = 0;
    std::string dir;
    bool wholeProcess = false;
};

void writeRandomFile(const std::string& path, long long size, std::mt19937_64& rng)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        fail("create " + path);
    std::vector<std::uint64_t> block(1 << 17); // 1 MiB
    for (long long written = 0; written < size;) {
        for (std::uint64_t& word : block)
            word = rng();
        const long long n = std::min<long long>(size - written, 1 << 20);
        if (::write(fd, block.data(), std::size_t(n)) != n)
            fail("write " + path);
        written += n;
    }
    ::close(fd);
}

// Runs `program` over every file in one process; the time of the whole run.
double runPeer(const char* program, const std::vector<std::string>& prefix,
               const std::vector<std::string>& files)
{
    qm::ProcessRequest request;
    request.program = program;
    request.arguments = prefix;
    request.arguments.insert(request.arguments.end(), files.begin(), files.end());
    const auto start = Clock::now();
    const qm::Result<qm::ProcessOutcome> outcome = qm::ProcessRunner().run(request);
    const auto end = Clock::now();
    if (!outcome.ok() || !outcome->succeeded()) {
        std::fprintf(stderr, "qm_hashing_bench: %s failed\n", program);
        std::exit(1);
    }
    return seconds(end - start);
}

std::string firstDigest(const std::string& file)
{
    qm::ProcessRequest request;
    request.program = "/usr/bin/openssl";
    request.arguments = {"dgst", "-sha256", "-r", file};
    const qm::Result<qm::ProcessOutcome> outcome = qm::ProcessRunner().run(request);
    if (!outcome.ok() || !outcome->succeeded())
        fail("openssl dgst");
    return outcome->standardOutput.left(64).toStdString();
}

qm::MalwareDefinitions definitions(const std::string& knownDigest, int ruleCount)
{
    qm::MalwareDefinitions d;
    std::mt19937_64 rng(7);
    for (int i = 0; i < 1000; ++i) {
        char digest[65];
        std::snprintf(digest, sizeof digest, "%016llx%016llx%016llx%016llx", (unsigned long long)rng(),
                      (unsigned long long)rng(), (unsigned long long)rng(), (unsigned long long)rng());
        d.hashSignatures.push_back({QString::fromLatin1(digest), "random", "malware", std::nullopt, false});
    }
    d.hashSignatures.push_back(
        {QString::fromStdString(knownDigest).toUpper(), "known", "malware", {}, false});
    for (int i = 0; i < ruleCount; ++i) {
        qm::YaraRule rule;
        rule.name = QStringLiteral("rule%1").arg(i);
        rule.severity = "adware";
        for (int p = 0; p < 3; ++p) {
            std::string text;
            for (int c = 0; c < 8; ++c)
                text += char('a' + rng() % 26);
            rule.patterns.push_back(qm::YaraPattern::ascii(QString::fromStdString(text), p == 1, p == 2));
        }
        d.rules.push_back(rule);
    }
    return d;
}

// The scanner every side of ours uses: hashes files up to 100 MB, rules see the first 16 MB.
qm::ContentScanner scannerOf(const qm::MalwareDefinitions& definitions)
{
    return qm::ContentScanner(definitions, 100'000'000, 16'000'000);
}

// Our side as a process of its own: `--ours-once DEFINITIONS LIST` loads the definitions, examines
// every file the list names on this thread and prints the number of matches.
int oursOnce(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: qm_hashing_bench --ours-once DEFINITIONS LIST\n");
        return 2;
    }
    const qm::ContentScanner scanner = scannerOf(readDefinitions(argv[2]));
    std::size_t matched = 0;
    const std::string list = readFile(argv[3]);
    for (std::size_t at = 0, end; (end = list.find('\n', at)) != std::string::npos; at = end + 1)
        matched += scanner.examine(list.substr(at, end - at)).matches.size();
    std::printf("%zu\n", matched);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (isOursOnce(argc, argv))
        return oursOnce(argc, argv);
    Options o;
    o.wholeProcess = takeFlag(argc, argv, kWholeProcess);
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const char* value = argv[i + 1];
        if (key == "--small")
            o.small = std::atol(value);
        else if (key == "--large")
            o.large = std::atol(value);
        else if (key == "--large-bytes")
            o.largeBytes = std::atoll(value);
        else if (key == "--runs")
            o.runs = std::max(1, std::atoi(value));
        else if (key == "--rules")
            o.rules = std::max(0, std::atoi(value));
        else if (key == "--dir")
            o.dir = value;
        else {
            std::fprintf(stderr, "unknown option %s\n", key.c_str());
            return 2;
        }
    }
    const WorkDir work(o.dir, "hashing");
    o.dir = work.path().native();

    std::mt19937_64 rng(42);
    std::vector<std::string> small, large;
    for (long i = 0; i < o.small; ++i) {
        small.push_back(o.dir + "/small-" + std::to_string(i));
        writeRandomFile(small.back(), 4096, rng);
    }
    for (long i = 0; i < o.large; ++i) {
        large.push_back(o.dir + "/large-" + std::to_string(i));
        writeRandomFile(large.back(), o.largeBytes, rng);
    }
    std::printf("files: %ld x 4096 B, %ld x %lld B in %s; rules: %d; runs: %d\n", o.small, o.large,
                o.largeBytes, o.dir.c_str(), o.rules, o.runs);

    const std::string known = firstDigest(large.empty() ? small.front() : large.front());
    const qm::MalwareDefinitions defs = definitions(known, o.rules);
    const qm::ContentScanner scanner = scannerOf(defs);
    const std::string definitionsFile = o.dir + "/definitions.json";
    writeDefinitions(definitionsFile, defs);
    std::size_t matched = 0;
    const auto examineAll = [&](const std::vector<std::string>& files) {
        const auto start = Clock::now();
        for (const std::string& f : files)
            matched += scanner.examine(f).matches.size();
        return seconds(Clock::now() - start);
    };

    for (const auto& [name, files, perFile] :
         {std::tuple{std::string("small"), &small, 4096.0},
          std::tuple{std::string("large"), &large, double(o.largeBytes)}}) {
        if (files->empty())
            continue;
        const std::string listFile = o.dir + "/" + name + ".list";
        std::string list;
        for (const std::string& f : *files)
            list += f + "\n";
        writeFile(listFile, list);
        const auto examineAsProcess = [&] {
            const ChildRun child = runOursOnce({definitionsFile, listFile});
            matched += std::size_t(std::atol(child.output.c_str()));
            return child.seconds;
        };
        std::vector<double> ours, asProcess, openssl, sha256sum;
        examineAll(*files); // warm the page cache and every code path once
        if (o.wholeProcess)
            examineAsProcess();
        runPeer("/usr/bin/openssl", {"dgst", "-sha256"}, *files);
        runPeer("/usr/bin/sha256sum", {}, *files);
        for (int r = 0; r < o.runs; ++r) {
            ours.push_back(examineAll(*files));
            if (o.wholeProcess)
                asProcess.push_back(examineAsProcess());
            openssl.push_back(runPeer("/usr/bin/openssl", {"dgst", "-sha256"}, *files));
            sha256sum.push_back(runPeer("/usr/bin/sha256sum", {}, *files));
        }
        const double bytes = perFile * double(files->size());
        std::printf(
            "\n%s set: %zu files, %.0f MB; MB/s by the medians: examine %.0f, openssl %.0f, sha256sum %.0f",
            name.c_str(), files->size(), bytes / 1e6, bytes / median(ours) / 1e6,
            bytes / median(openssl) / 1e6, bytes / median(sha256sum) / 1e6);
        if (o.wholeProcess)
            std::printf(", examine as a process %.0f", bytes / median(asProcess) / 1e6);
        std::printf("\n");
        const std::string condition = "quiet, " + name + " set";
        printComparison(condition.c_str(), "examine, 1 thread", ours, "openssl dgst -sha256", openssl);
        printSide("sha256sum", sha256sum);
        printRatio("sha256sum", sha256sum, "examine, 1 thread", ours);
        if (o.wholeProcess) {
            printSide("examine as a process (start included)", asProcess);
            printRatio("openssl dgst -sha256", openssl, "examine as a process", asProcess);
        }
        ::unlink(listFile.c_str());
    }

    std::printf("known digest matched: %s\n", matched > 0 ? "yes" : "NO");

    return matched > 0 ? 0 : 1;
}
