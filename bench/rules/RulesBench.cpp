// Measures the pattern-rule engine against the yara command with equivalent rules on the same
// bytes: 100 rules of mixed text (plain, nocase, wide, both) and hex patterns over 16,000,000
// random bytes, some of the patterns planted so that rules hit. Every round runs every peer once;
// median times and ratios are printed, and the two sets of hits are compared. Our `wide` is yara's
// "ascii wide". yara's times include its process start and rule compilation, so the bench also
// times yara on an empty file and our engine with its compilation and the file read.
//
// The second part scans the files of /usr/bin larger than 1 MB with the same rules: yara -w RULES
// --scan-list LIST (its default threads) against our compile + read + scan of the list with one thread
// per processor; min and median of both sides and both ratios are printed.
//
// Usage: qm_rules_bench [--rules N] [--bytes B] [--runs R] [--dir DIR] [--load N]
//   --rules  number of rules (default 100)
//   --bytes  size of the scanned file (default 16000000)
//   --runs   rounds (default 5)
//   --dir    folder for the generated files (default: a new folder in /tmp, removed at the end)
//   --load   run the real-binaries rounds again with N busy loops running (default 0)

#include "../support/BenchSupport.h"
#include "core/cleaning/DirectoryWalk.h"
#include "core/malware/ContentScanner.h"
#include "core/malware/YaraLiteEngine.h"
#include "platform/ProcessRunner.h"

#include <QSet>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace qm::bench;
using Quantifier = qm::YaraCondition::Quantifier;

struct Options
{
    int rules = 100;
    long long bytes = 16'000'000;
    int runs = 5;
    int load = 0;
    std::string dir;
};

std::string yaraSource(const qm::YaraRule& rule)
{
    std::string out = "rule " + rule.name.toStdString() + " {\n  strings:\n";
    for (std::size_t i = 0; i < rule.patterns.size(); ++i) {
        const qm::YaraPattern& p = rule.patterns[i];
        out += "    $p" + std::to_string(i) + " = ";
        if (p.kind() == qm::YaraPattern::Kind::hex) {
            out += "{";
            for (const qm::HexByte& b : p.bytes()) {
                char token[4];
                std::snprintf(token, sizeof token, " %02X", unsigned(b.value()));
                out += b.isWildcard() ? " ??" : token;
            }
            out += " }";
        } else {
            // Letters and digits only, so nothing needs escaping.
            out += '"';
            out += p.text().toStdString();
            out += '"';
            if (p.wide())
                out += " ascii wide";
            if (p.nocase())
                out += " nocase";
        }
        out += "\n";
    }
    const qm::YaraCondition& c = rule.condition;
    out += "  condition:\n    ";
    out += c.quantifier == Quantifier::any   ? std::string("any of them")
           : c.quantifier == Quantifier::all ? std::string("all of them")
                                             : std::to_string(*c.count) + " of them";
    return out + "\n}\n";
}

qm::ProcessOutcome run(const char* program, const std::vector<std::string>& arguments)
{
    qm::ProcessRequest request;
    request.program = program;
    request.arguments = arguments;
    const qm::Result<qm::ProcessOutcome> outcome = qm::ProcessRunner().run(request);
    if (!outcome.ok() || !outcome->succeeded()) {
        std::fprintf(stderr, "qm_rules_bench: %s failed: %s\n", program,
                     outcome.ok() ? outcome->standardError.constData() : "cannot start");
        std::exit(1);
    }
    return *outcome;
}

double timeRun(const char* program, const std::vector<std::string>& arguments)
{
    const auto start = Clock::now();
    run(program, arguments);
    return seconds(Clock::now() - start);
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const char* value = argv[i + 1];
        if (key == "--rules")
            o.rules = std::max(1, std::atoi(value));
        else if (key == "--bytes")
            o.bytes = std::max(1LL, std::atoll(value));
        else if (key == "--runs")
            o.runs = std::max(1, std::atoi(value));
        else if (key == "--load")
            o.load = std::max(0, std::atoi(value));
        else if (key == "--dir")
            o.dir = value;
        else {
            std::fprintf(stderr, "unknown option %s\n", key.c_str());
            return 2;
        }
    }
    const bool ownDir = o.dir.empty();
    if (ownDir) {
        char pattern[] = "/tmp/qm-rules-bench-XXXXXX";
        if (!::mkdtemp(pattern))
            fail("mkdtemp");
        o.dir = pattern;
    }

    std::mt19937_64 rng(1234);
    const auto pick = [&](int lo, int hi) { return lo + int(rng() % std::uint64_t(hi - lo + 1)); };
    const std::string letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

    std::vector<std::uint8_t> data(std::size_t(o.bytes));
    for (std::uint8_t& b : data)
        b = std::uint8_t(rng());

    // Plants one occurrence of `p` (in a form it matches) at a random place.
    const auto plant = [&](const qm::YaraPattern& p) {
        std::vector<std::uint8_t> bytes;
        if (p.kind() == qm::YaraPattern::Kind::hex) {
            for (const qm::HexByte& b : p.bytes())
                bytes.push_back(b.isWildcard() ? std::uint8_t(rng()) : b.value());
        } else {
            for (const char c : p.text().toStdString()) {
                const char flipped =
                    p.nocase() && std::isalpha(static_cast<unsigned char>(c)) ? char(c ^ 0x20) : c;
                bytes.push_back(std::uint8_t(flipped));
                if (p.wide())
                    bytes.push_back(0);
            }
        }
        if (bytes.size() >= data.size())
            return;
        const std::size_t at = std::size_t(rng() % (data.size() - bytes.size()));
        std::copy(bytes.begin(), bytes.end(), data.begin() + std::ptrdiff_t(at));
    };

    std::vector<qm::YaraRule> rules;
    for (int i = 0; i < o.rules; ++i) {
        qm::YaraRule rule;
        rule.name = QStringLiteral("rule_%1").arg(i);
        rule.severity = "adware";
        for (int n = pick(1, 4); n > 0; --n) {
            const int kind = pick(0, 4); // plain, nocase, wide, nocase wide, hex
            if (kind == 4) {
                std::vector<qm::HexByte> bytes;
                for (int k = pick(6, 12); k > 0; --k)
                    bytes.push_back(pick(0, 7) == 0 && !bytes.empty()
                                        ? qm::HexByte::wildcard()
                                        : qm::HexByte::byte(std::uint8_t(rng())));
                rule.patterns.push_back(qm::YaraPattern::hex(bytes));
            } else {
                std::string text;
                for (int k = pick(6, 14); k > 0; --k)
                    text += letters[std::size_t(pick(0, int(letters.size()) - 1))];
                rule.patterns.push_back(qm::YaraPattern::ascii(
                    QString::fromStdString(text), kind == 1 || kind == 3, kind == 2 || kind == 3));
            }
        }
        rule.condition.quantifier = Quantifier(pick(0, 2));
        if (rule.condition.quantifier == Quantifier::n)
            rule.condition.count = pick(1, int(rule.patterns.size()));
        if (i % 5 == 0) { // every fifth rule gets all its patterns planted
            for (const qm::YaraPattern& p : rule.patterns)
                plant(p);
        }
        rules.push_back(rule);
    }

    const std::string dataFile = o.dir + "/data.bin";
    const std::string emptyFile = o.dir + "/empty.bin";
    const std::string ruleFile = o.dir + "/rules.yar";
    const std::string compiledFile = o.dir + "/rules.compiled";
    writeFile(dataFile, std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
    writeFile(emptyFile, {});
    std::string source;
    for (const qm::YaraRule& r : rules)
        source += yaraSource(r);
    writeFile(ruleFile, source);
    run("/usr/bin/yarac", {"-w", ruleFile, compiledFile});

    qm::MalwareDefinitions definitions;
    definitions.rules = rules;
    const qm::YaraLiteEngine engine(rules);
    const std::span<const std::uint8_t> window(data.data(), data.size());

    // Both must report the same rules.
    QSet<QString> ours;
    for (const qm::YaraRule& r : engine.scan(window, qint64(data.size())))
        ours.insert(r.name);
    QSet<QString> theirs;
    for (const QByteArray& line :
         run("/usr/bin/yara", {"-w", ruleFile, dataFile}).standardOutput.split('\n')) {
        if (const qsizetype space = line.indexOf(' '); space > 0)
            theirs.insert(QString::fromUtf8(line.left(space)));
    }

    std::vector<double> scanOnly, endToEnd, yaraSource, yaraCompiled, yaraEmpty;
    std::size_t sink = 0;
    for (int r = 0; r < o.runs; ++r) {
        auto start = Clock::now();
        sink += engine.scan(window, qint64(data.size())).size();
        scanOnly.push_back(seconds(Clock::now() - start));

        start = Clock::now();
        const qm::ContentScanner scanner(definitions, 0, 16'000'000); // compile, read, scan; no hashing
        sink += scanner.examine(dataFile).matches.size();
        endToEnd.push_back(seconds(Clock::now() - start));

        yaraSource.push_back(timeRun("/usr/bin/yara", {"-w", ruleFile, dataFile}));
        yaraCompiled.push_back(timeRun("/usr/bin/yara", {"-w", "-C", compiledFile, dataFile}));
        yaraEmpty.push_back(timeRun("/usr/bin/yara", {"-w", "-C", compiledFile, emptyFile}));
    }

    std::printf("rules: %d, bytes: %lld, runs: %d, rules hit: ours %lld, yara %lld, same: %s\n", o.rules,
                o.bytes, o.runs, (long long)ours.size(), (long long)theirs.size(),
                ours == theirs ? "yes" : "NO");
    const double reference = median(yaraCompiled);
    const struct
    {
        const char* name;
        double seconds;
    } rows[] = {
        {"engine scan (in memory)", median(scanOnly)},
        {"compile + read + scan (ContentScanner)", median(endToEnd)},
        {"yara -C compiled rules", median(yaraCompiled)},
        {"yara from rule source", median(yaraSource)},
        {"yara -C on an empty file (start-up)", median(yaraEmpty)},
    };
    std::printf("%-40s %10s %20s\n", "peer", "median ms", "time / yara -C");
    for (const auto& row : rows)
        std::printf("%-40s %10.2f %20.3f\n", row.name, row.seconds * 1e3, row.seconds / reference);
    std::printf("yara -C scan time less its start-up: %.2f ms; engine scan / that: %.3f\n",
                (median(yaraCompiled) - median(yaraEmpty)) * 1e3,
                median(scanOnly) / std::max(1e-9, median(yaraCompiled) - median(yaraEmpty)));
    printComparison("quiet, generated bytes", "compile + read + scan (ContentScanner)", endToEnd,
                    "yara from rule source", yaraSource);
    printComparison("quiet, generated bytes", "compile + read + scan (ContentScanner)", endToEnd,
                    "yara -C compiled rules", yaraCompiled);

    // Real binaries: the files of /usr/bin larger than 1 MB, where machine code makes some byte
    // pairs very common. yara scans the list with its default threads; ours compiles the rules, then
    // reads and scans every file with one thread per processor.
    std::vector<std::string> binaries;
    {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/usr/bin", error)) {
            if (entry.is_regular_file(error) && !entry.is_symlink(error) &&
                entry.file_size(error) > 1'000'000)
                binaries.push_back(entry.path().native());
        }
        std::sort(binaries.begin(), binaries.end());
    }
    const std::string listFile = o.dir + "/list.txt";
    {
        std::string list;
        for (const std::string& b : binaries)
            list += b + "\n";
        writeFile(listFile, list);
    }
    long long binaryBytes = 0;
    for (const std::string& b : binaries)
        binaryBytes += (long long)std::filesystem::file_size(b);
    const auto oursOverList = [&](QSet<QString>& hits) {
        const auto start = Clock::now();
        const qm::ContentScanner scanner(definitions, 0, qint64(1) << 40); // whole files, no hashing
        std::vector<std::vector<qm::ContentMatch>> found(binaries.size());
        std::atomic<std::size_t> next{0};
        const auto work = [&] {
            for (std::size_t i; (i = next.fetch_add(1)) < binaries.size();)
                found[i] = scanner.examine(binaries[i]).matches;
        };
        {
            std::vector<std::jthread> threads;
            for (int t = 1; t < qm::DirectoryWalk::processors(); ++t)
                threads.emplace_back(work);
            work();
        }
        const double s = seconds(Clock::now() - start);
        hits.clear();
        for (std::size_t i = 0; i < binaries.size(); ++i) {
            for (const qm::ContentMatch& m : found[i])
                hits.insert(m.ruleName.value_or(m.name) + QStringLiteral(" ") +
                            QString::fromStdString(binaries[i]));
        }
        return s;
    };
    const auto yaraOverList = [&](QSet<QString>& hits) {
        const auto start = Clock::now();
        const qm::ProcessOutcome outcome = run("/usr/bin/yara", {"-w", ruleFile, "--scan-list", listFile});
        const double s = seconds(Clock::now() - start);
        hits.clear();
        for (const QByteArray& line : outcome.standardOutput.split('\n')) {
            if (!line.isEmpty())
                hits.insert(QString::fromUtf8(line));
        }
        return s;
    };
    if (!binaries.empty()) {
        QSet<QString> ourHits, yaraHits;
        oursOverList(ourHits); // warm the page cache
        yaraOverList(yaraHits);
        const auto rounds = [&](const char* condition) {
            std::vector<double> oursSeconds, yaraSeconds;
            for (int r = 0; r < o.runs; ++r) {
                oursSeconds.push_back(oursOverList(ourHits));
                yaraSeconds.push_back(yaraOverList(yaraHits));
            }
            std::printf(
                "\n/usr/bin files over 1 MB: %zu files, %lld bytes; load average %.1f; hits: ours %lld, "
                "yara %lld, same: %s\n",
                binaries.size(), binaryBytes, loadAverage(), (long long)ourHits.size(),
                (long long)yaraHits.size(), ourHits == yaraHits ? "yes" : "NO");
            printComparison(condition, "ours: compile + read + scan, 1 thread per CPU", oursSeconds,
                            "yara -w RULES --scan-list LIST", yaraSeconds);
        };
        rounds("quiet");
        if (o.load > 0) {
            const BusyLoops busy(o.load);
            const std::string condition = std::to_string(o.load) + " busy loops";
            rounds(condition.c_str());
        }
    }

    if (ownDir)
        ::unlink(listFile.c_str());
    if (ownDir) {
        for (const std::string& f : {dataFile, emptyFile, ruleFile, compiledFile})
            ::unlink(f.c_str());
        ::rmdir(o.dir.c_str());
    }
    return (ours == theirs && sink > 0) ? 0 : 1;
}
