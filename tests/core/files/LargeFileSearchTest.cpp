#include "core/files/FileScanner.h"
#include "platform/ProcessRunner.h"
#include "support/FakeClock.h"
#include "support/PrivilegeDrop.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace qm {
namespace {

constexpr qint64 kMin = 100'000;

FileScanner::Services at(const Path& home, const Path& systemRoot)
{
    FileScanner::Services services;
    services.home = home;
    services.systemRoot = systemRoot;
    return services;
}

// The find(1) expression of the search: hidden names, packages (any letter case) and the library roots
// pruned below the start point (-mindepth 1: find would prune a start point the search walks).
std::vector<std::string> findArguments(const Path& root, const FileScanner& scanner)
{
    std::vector<std::string> args{root.native(), "-mindepth", "1", "(", "-name", ".*"};
    for (const std::string& extension : FileScanner::packageExtensions()) {
        args.insert(args.end(), {"-o", "-iname", "*." + extension});
    }
    for (const std::string& library : scanner.libraryRoots())
        args.insert(args.end(), {"-o", "-path", library});
    args.insert(args.end(), {")", "-prune", "-o"});
    return args;
}

QByteArray runFind(std::vector<std::string> args)
{
    ProcessRequest request;
    request.program = "/usr/bin/find";
    request.arguments = std::move(args);
    const auto outcome = ProcessRunner().run(request);
    if (!outcome || !outcome->succeeded()) {
        ADD_FAILURE() << "find failed: " << (outcome ? outcome->standardError.toStdString() : "not run");
        return {};
    }
    return outcome->standardOutput;
}

struct Found
{
    qint64 bytes = 0;
    bool sharesInode = false;
    bool operator==(const Found&) const = default;
};
using Listing = std::map<std::string, Found>; // raw path -> what is shown

std::ostream& operator<<(std::ostream& out, const Found& f)
{
    return out << f.bytes << (f.sharesInode ? " shared" : "");
}

// find's answer: "%b %n %p\0" for each regular file of at least `minBytes`, blocks times 512.
Listing findLarge(const Path& root, const FileScanner& scanner, qint64 minBytes)
{
    std::vector<std::string> args = findArguments(root, scanner);
    args.insert(args.end(),
                {"-type", "f", "-size", "+" + std::to_string(minBytes - 1) + "c", "-printf", "%b %n %p\\0"});
    Listing listing;
    for (const QByteArray& record : runFind(args).split('\0')) {
        if (record.isEmpty())
            continue;
        const qsizetype first = record.indexOf(' ');
        const qsizetype second = record.indexOf(' ', first + 1);
        listing[record.mid(second + 1).toStdString()] =
            Found{record.left(first).toLongLong() * 512,
                  record.mid(first + 1, second - first - 1).toLongLong() > 1};
    }
    return listing;
}

// How many paths find visits with the same pruning.
qint64 findVisited(const Path& root, const FileScanner& scanner)
{
    std::vector<std::string> args = findArguments(root, scanner);
    args.insert(args.end(), {"-printf", "x"});
    return runFind(args).size();
}

Listing listingOf(const FileScanner::LargeFiles& found)
{
    Listing listing;
    for (const FileEntry& e : found.entries)
        listing[e.url.native()] = Found{e.bytes, e.sharesInode};
    return listing;
}

void expectLargestFirst(const std::vector<FileEntry>& entries)
{
    for (std::size_t i = 1; i < entries.size(); ++i)
        EXPECT_GE(entries[i - 1].bytes, entries[i].bytes) << "at " << i;
}

TEST(LargeFileSearchTest, FindsWhatFindFindsOnAMixedTree)
{
    test::TempTree tree;
    // The system's programs lie at tree/usr; the home's data homes are hidden.
    const FileScanner scanner(at(tree.path("home"), tree.root()));
    const Path big = tree.file("docs/big", kMin + 5000);
    tree.file("docs/exact", kMin);
    tree.file("docs/below", kMin - 1);
    tree.file("docs/small", 10);
    tree.symlink(big, "docs/link-to-big");
    tree.symlink("../docs", "links/folder-link");
    tree.hardLink(big, "other/second-name");
    tree.sparseFile("sparse/huge", 50 * kMin);
    tree.sparseFile("sparse/short", kMin - 1);
    tree.fifo("docs/pipe");
    tree.nonUtf8File(tree.folder("odd"), kMin + 1);
    tree.file(".hidden/big", 2 * kMin);
    tree.file(".big-dotfile", 2 * kMin);
    tree.file("shown/.inner/big", 2 * kMin);
    tree.file("Photos.PhotosLibrary/masters/big", 2 * kMin);
    tree.file("Tool.APP/Contents/big", 2 * kMin);
    tree.file("deep/Plug.Bundle/big", 2 * kMin);
    tree.file("Regular.app", 2 * kMin); // a package name on a plain file: pruned all the same
    tree.file("app/big", 2 * kMin);     // a folder merely named like an extension is walked
    tree.file("usr/big", 3 * kMin);
    tree.file("usr/lib/big", 3 * kMin);
    tree.file("System/other/big", 3 * kMin);
    tree.file("home/.local/share/big", 3 * kMin);
    tree.file("home/docs/big", 3 * kMin);
    tree.file("sub/usr/big", 3 * kMin); // not a pruned root

    struct Row
    {
        const char* root;
        std::size_t expectedCount; // guards the fixture: what the row is about is really there
    };
    const std::vector<Row> rows{
        {"", 9},    // docs/big, exact, second-name, sparse/huge, odd/a\xff, app, System/other, home/docs, sub
        {"usr", 2}, // a pruned root chosen as the root itself is walked
        {"System", 1}, // nothing of the other platform's is pruned
        {"home", 1},   {"docs", 2},
    };
    for (const Row& row : rows) {
        const Path root = *row.root ? tree.path(row.root) : tree.root();
        const Listing expected = findLarge(root, scanner, kMin);
        const FileScanner::LargeFiles found = scanner.scanLargeFiles(root, kMin, std::nullopt);
        EXPECT_EQ(listingOf(found), expected) << root;
        EXPECT_EQ(expected.size(), row.expectedCount) << root;
        EXPECT_FALSE(found.incomplete) << root;
        expectLargestFirst(found.entries);
    }

    const Listing all = findLarge(tree.root(), scanner, kMin);
    const std::string odd = (tree.path("odd") / test::TempTree::nonUtf8Name()).native();
    EXPECT_TRUE(all.count(odd)) << "the raw name";
    EXPECT_TRUE(all.at(tree.path("docs/big").native()).sharesInode);
    EXPECT_LT(all.at(tree.path("sparse/huge").native()).bytes, kMin)
        << "listed by length, shown by allocation";

    // Every field of an entry, beside lstat.
    const FileScanner::LargeFiles found = scanner.scanLargeFiles(tree.root(), kMin, 0);
    for (const FileEntry& e : found.entries) {
        struct stat st;
        ASSERT_EQ(::lstat(e.url.c_str(), &st), 0) << e.url;
        EXPECT_EQ(e.name, e.url.filename()) << e.url;
        EXPECT_EQ(e.bytes, qint64(st.st_blocks) * 512) << e.url;
        ASSERT_TRUE(e.modified) << e.url;
        EXPECT_EQ(e.modified->toMSecsSinceEpoch(),
                  qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1'000'000)
            << e.url;
        EXPECT_EQ(e.sharesInode, st.st_nlink > 1) << e.url;
        EXPECT_FALSE(e.isSelected) << e.url;
    }

    // Fresh random identifiers, none shared within a search or with another search of the same tree.
    std::set<QUuid> ids;
    for (const FileEntry& e : found.entries) {
        EXPECT_EQ(e.id.version(), QUuid::Random) << e.url;
        EXPECT_EQ(e.id.variant(), QUuid::DCE) << e.url;
        ids.insert(e.id);
    }
    for (const FileEntry& e : scanner.scanLargeFiles(tree.root(), kMin, {}).entries)
        ids.insert(e.id);
    EXPECT_EQ(ids.size(), 2 * found.entries.size());

    // A cloud placeholder is never listed.
    FileScanner::Services placeholders = at(tree.path("home"), tree.root());
    placeholders.isDataless = [&](std::string_view path, const DirectoryWalk::Status&) {
        return path == big.native();
    };
    const Listing withoutPlaceholder =
        listingOf(FileScanner(placeholders).scanLargeFiles(tree.root(), kMin, {}));
    EXPECT_EQ(withoutPlaceholder.size(), all.size() - 1);
    EXPECT_FALSE(withoutPlaceholder.count(big.native()));
}

// Sets TZ for the life of the object (POSIX rules: no time-zone database needed) and restores it.
class ZoneForTest
{
public:
    explicit ZoneForTest(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ZoneForTest()
    {
        if (m_old)
            ::setenv("TZ", m_old->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    ZoneForTest(const ZoneForTest&) = delete;
    ZoneForTest& operator=(const ZoneForTest&) = delete;

private:
    std::optional<std::string> m_old;
};

QDateTime utc(const char* iso)
{
    QDateTime t = QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate);
    t.setTimeSpec(Qt::UTC);
    return t;
}

TEST(LargeFileSearchTest, AgeCutoffIsCalendarMonthsInLocalTime)
{
    // Central European time: UTC+1, and UTC+2 from the last Sunday of March to the last of October.
    const ZoneForTest zone("CET-1CEST,M3.5.0,M10.5.0/3");
    struct Row
    {
        const char* what;
        const char* now; // UTC
        std::optional<int> months;
        const char* cutoff; // UTC, worked out by hand; nullptr: every age passes
    };
    const std::vector<Row> rows{
        {"absent", "2024-05-31T10:00:00", std::nullopt, nullptr},
        {"zero", "2024-05-31T10:00:00", 0, nullptr},
        {"negative", "2024-05-31T10:00:00", -3, nullptr},
        // 31 May 12:00 CEST less 3 months: 29 February (a leap year) 12:00 CET.
        {"end of February, leap year", "2024-05-31T10:00:00", 3, "2024-02-29T11:00:00"},
        {"end of February, common year", "2023-05-31T10:00:00", 3, "2023-02-28T11:00:00"},
        // 29 February 12:00 CET less 12 months: 28 February 12:00 CET.
        {"a year before 29 February", "2024-02-29T11:00:00", 12, "2023-02-28T11:00:00"},
        // 15 July 12:00 CEST less 6 months: 15 January 12:00 CET, an hour later in UTC than six
        // months of UTC would say.
        {"across the change to summer time", "2024-07-15T10:00:00", 6, "2024-01-15T11:00:00"},
        {"across the change to winter time", "2024-11-15T11:00:00", 1, "2024-10-15T10:00:00"},
        // 31 July 02:30 CEST less 4 months: 31 March 02:30 does not exist there (the clocks jump
        // from 02:00 to 03:00); the cutoff is 03:30 CEST.
        {"into the skipped hour", "2024-07-31T00:30:00", 4, "2024-03-31T01:30:00"},
        {"within one month of 31 days", "2024-03-31T10:00:00", 1, "2024-02-29T11:00:00"},
    };
    // Month counts so large that the calendar arithmetic of local time wraps: nothing is that old.
    for (const int months : {1'200'000'000, std::numeric_limits<int>::max()}) {
        test::TempTree tree;
        tree.fileWithMtime("old", utc("1901-12-14T00:00:00"), kMin);
        tree.fileWithMtime("recent", utc("2024-01-01T00:00:00"), kMin);
        FileScanner::Services services = at(tree.path("home"), tree.path("sys"));
        services.clock = std::make_shared<test::FakeClock>(utc("2024-05-31T10:00:00"));
        const FileScanner::LargeFiles found = FileScanner(services).scanLargeFiles(tree.root(), kMin, months);
        EXPECT_TRUE(found.entries.empty()) << months << " months";
    }
    for (const Row& row : rows) {
        const QDateTime now = utc(row.now);
        const QDateTime cutoff = row.cutoff ? utc(row.cutoff) : now;
        test::TempTree tree;
        tree.fileWithMtime("at-cutoff", cutoff, kMin);
        tree.fileWithMtime("a-second-newer", cutoff.addSecs(1), kMin);
        tree.fileWithMtime("a-second-older", cutoff.addSecs(-1), kMin);
        tree.fileWithMtime("old", utc("1999-12-31T23:59:59"), kMin);
        tree.fileWithMtime("future", now.addDays(400), kMin);
        FileScanner::Services services = at(tree.path("home"), tree.path("sys"));
        services.clock = std::make_shared<test::FakeClock>(now);
        const FileScanner::LargeFiles found =
            FileScanner(services).scanLargeFiles(tree.root(), kMin, row.months);
        std::set<std::string> names;
        for (const FileEntry& e : found.entries)
            names.insert(e.name.native());
        const std::set<std::string> expected =
            row.cutoff
                ? std::set<std::string>{"a-second-older", "at-cutoff", "old"}
                : std::set<std::string>{"a-second-newer", "a-second-older", "at-cutoff", "future", "old"};
        EXPECT_EQ(names, expected) << row.what;
        EXPECT_FALSE(found.incomplete) << row.what;
    }
}

TEST(LargeFileSearchTest, DatesBeyondTheNanosecondRangeStayInTheirDirection)
{
    // 2400 is past what a signed 64-bit count of nanoseconds holds (2262): such a file must not
    // wrap round to look old.
    test::TempTree tree;
    const Path far = tree.fileWithMtime("far-future", utc("2400-01-01T00:00:00"), kMin);
    tree.fileWithMtime("old", utc("2000-01-01T00:00:00"), kMin);
    FileScanner::Services services = at(tree.path("home"), tree.path("sys"));
    services.clock = std::make_shared<test::FakeClock>(utc("2024-05-31T10:00:00"));
    const FileScanner scanner(services);
    const FileScanner::LargeFiles aged = scanner.scanLargeFiles(tree.root(), kMin, 3);
    ASSERT_EQ(aged.entries.size(), 1u);
    EXPECT_EQ(aged.entries[0].name, "old");

    struct stat st;
    ASSERT_EQ(::lstat(far.c_str(), &st), 0);
    if (st.st_mtim.tv_sec > 9'300'000'000) { // the file system kept the year
        for (const FileEntry& e : scanner.scanLargeFiles(tree.root(), kMin, {}).entries) {
            if (e.name == "far-future") {
                ASSERT_TRUE(e.modified);
                EXPECT_GE(e.modified->date().year(), 2262);
            }
        }
    }
}

TEST(LargeFileSearchTest, CapOfThreeDropsAnEqualNewcomerAndMarksTheList)
{
    test::TempTree tree;
    // Met in name order: the fourth file equals the smallest of the first three.
    tree.file("a", 3 * kMin);
    tree.file("b", 1 * kMin);
    tree.file("c", 2 * kMin);
    tree.file("d", 1 * kMin);
    FileScanner::Services services = at(tree.path("home"), tree.path("sys"));
    services.maxLargeFileResults = 3;
    const FileScanner scanner(services);
    const auto names = [](const FileScanner::LargeFiles& found) {
        std::vector<std::string> out;
        for (const FileEntry& e : found.entries)
            out.push_back(e.name.native());
        return out;
    };

    FileScanner::LargeFiles found = scanner.scanLargeFiles(tree.root(), kMin, {});
    EXPECT_EQ(names(found), (std::vector<std::string>{"a", "c", "b"}));
    EXPECT_TRUE(found.incomplete) << "an equal newcomer marks the list even though nothing changed";

    // Exactly as many files as the cap: complete.
    ::unlink(tree.path("d").c_str());
    found = scanner.scanLargeFiles(tree.root(), kMin, {});
    EXPECT_EQ(names(found), (std::vector<std::string>{"a", "c", "b"}));
    EXPECT_FALSE(found.incomplete);

    // A larger newcomer replaces the smallest.
    tree.file("e", 4 * kMin);
    found = scanner.scanLargeFiles(tree.root(), kMin, {});
    EXPECT_EQ(names(found), (std::vector<std::string>{"e", "a", "c"}));
    EXPECT_TRUE(found.incomplete);
}

TEST(LargeFileSearchTest, VisitedCountHoldsEverythingButPrunedPaths)
{
    test::TempTree tree;
    const FileScanner scanner(at(tree.path("h"), tree.root()));
    // Pruned, with their contents: none of these count.
    for (int i = 0; i < 30; ++i) {
        const std::string n = std::to_string(i);
        tree.file("Pkg.app/Contents/f" + n, 10);
        tree.file("d0/Pkg.Framework/f" + n, 10);
        tree.file(".hidden/f" + n, 10);
        tree.file("usr/f" + n, 10);
        tree.file("h/.config/f" + n, 10);
    }
    // Counted: h, 10 folders, each with 36 small files, a large file and a link, and 8 pipes: 399.
    for (int d = 0; d < 10; ++d) {
        const std::string folder = "d" + std::to_string(d) + "/";
        for (int i = 0; i < 36; ++i)
            tree.file(folder + "f" + std::to_string(i), 10);
        tree.file(folder + "large", kMin);
        tree.symlink("large", folder + "link");
        if (d > 1)
            tree.fifo(folder + "pipe");
    }
    const auto progressOf = [&] {
        std::vector<qint64> calls;
        const FileScanner::LargeFiles found =
            scanner.scanLargeFiles(tree.root(), kMin, {}, [&](qint64 visited) { calls.push_back(visited); });
        EXPECT_EQ(found.entries.size(), 10u);
        return calls;
    };
    ASSERT_EQ(findVisited(tree.root(), scanner), 399) << "the fixture";
    EXPECT_EQ(progressOf(), (std::vector<qint64>{200}));
    tree.fifo("d1/pipe");
    ASSERT_EQ(findVisited(tree.root(), scanner), 400) << "the fixture";
    EXPECT_EQ(progressOf(), (std::vector<qint64>{200, 400}));
}

TEST(LargeFileSearchTest, UnreadableFolderMarksTheListWhileReadableSiblingsAreListed)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    test::TempTree tree;
    tree.file("open/big", kMin);
    tree.file("closed/big", kMin);
    tree.chown(tree.path("closed"));
    tree.chmod(tree.path("closed"), 0700);
    const FileScanner scanner(at(tree.path("home"), tree.path("sys")));

    FileScanner::LargeFiles found = scanner.scanLargeFiles(tree.root(), kMin, {});
    EXPECT_EQ(found.entries.size(), 2u) << "as root both are read";
    EXPECT_FALSE(found.incomplete);

    const test::DroppedPrivileges dropped(1000, 1000);
    found = scanner.scanLargeFiles(tree.root(), kMin, {});
    ASSERT_EQ(found.entries.size(), 1u);
    EXPECT_EQ(found.entries[0].url, tree.path("open/big")); // the positive control
    EXPECT_TRUE(found.incomplete);

    // A root that cannot be opened: nothing, incomplete.
    found = scanner.scanLargeFiles(tree.path("closed"), kMin, {});
    EXPECT_TRUE(found.entries.empty());
    EXPECT_TRUE(found.incomplete);
}

TEST(LargeFileSearchTest, MissingRootGivesAnEmptyIncompleteList)
{
    test::TempTree tree;
    const Path file = tree.file("plain", kMin);
    const FileScanner scanner(at(tree.path("home"), tree.path("sys")));
    for (const Path& root : {tree.path("missing"), file}) {
        const FileScanner::LargeFiles found = scanner.scanLargeFiles(root, kMin, {});
        EXPECT_TRUE(found.entries.empty()) << root;
        EXPECT_TRUE(found.incomplete) << root;
    }
}

TEST(LargeFileSearchTest, CancellationReturnsThePartialListSorted)
{
    test::TempTree tree;
    // 600 files in one folder, met in name order, with sizes in no order and many ties.
    std::vector<Path> files;
    for (int i = 0; i < 600; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%03d", i);
        files.push_back(tree.file(name, 1000 + (i * 7919 % 600) * 20));
    }
    const FileScanner scanner(at(tree.path("home"), tree.path("sys")));
    std::stop_source stop;
    const FileScanner::LargeFiles found = scanner.scanLargeFiles(
        tree.root(), 1000, {},
        [&](qint64 visited) {
            if (visited == 200)
                stop.request_stop();
        },
        stop.get_token());

    // The first 200 files, largest first by their allocation, ties in name order.
    std::vector<std::pair<qint64, std::string>> expected;
    for (int i = 0; i < 200; ++i) {
        struct stat st;
        ASSERT_EQ(::lstat(files[std::size_t(i)].c_str(), &st), 0);
        expected.emplace_back(qint64(st.st_blocks) * 512, files[std::size_t(i)].native());
    }
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::pair<qint64, std::string>> got;
    for (const FileEntry& e : found.entries)
        got.emplace_back(e.bytes, e.url.native());
    EXPECT_EQ(got, expected);
    EXPECT_FALSE(found.incomplete);
}

} // namespace
} // namespace qm
