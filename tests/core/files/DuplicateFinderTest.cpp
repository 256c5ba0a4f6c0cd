#include "core/files/DuplicateFinder.h"

#include "core/files/FileScanner.h"
#include "platform/ProcessRunner.h"
#include "support/DigestOracle.h"
#include "support/PrivilegeDrop.h"
#include "support/TempTree.h"

#include <QFile>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace qm {
namespace {

using test::TempTree;

constexpr qint64 kTwoMb = 2'000'000;

QByteArray randomBytes(qint64 size, unsigned seed)
{
    std::mt19937 rng(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes)
        c = char(rng() & 0xFF);
    return bytes;
}

QDateTime at(int seconds)
{
    return QDateTime::fromSecsSinceEpoch(1'600'000'000 + seconds, Qt::UTC);
}

qint64 allocated(const Path& path)
{
    struct stat st;
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return qint64(st.st_blocks) * 512;
}

// One search over a fixture: what the finder gave, every progress text and every open it made.
struct Fixture
{
    TempTree tree;
    Path data = tree.folder("data");
    qint64 minBytes = 1'000'000;
    FileScanner::Services services;
    std::function<void(const Path& path, int openCount)> onOpen; // called on each FsStep::Open
    std::map<std::string, int> opens;                            // by name
    std::vector<QString> texts;
    DuplicateFinder::Search search;

    Fixture()
    {
        services.home = tree.folder("home");
        services.systemRoot = tree.folder("system");
    }

    Path file(const std::string& name, const QByteArray& content, int mtime = 0)
    {
        const Path path = tree.fileWithContent(data / name, content);
        tree.setMtime(path, at(mtime));
        return path;
    }

    void run()
    {
        std::mutex mutex;
        services.fileSystem = FileSystem([this, &mutex](FsStep step, const Path& path) {
            if (step != FsStep::Open)
                return;
            const std::lock_guard lock(mutex);
            const int count = ++opens[path.filename().native()];
            if (onOpen)
                onOpen(path, count);
        });
        search = DuplicateFinder::find(FileScanner(services), data, minBytes,
                                       [&](const QString& text) { texts.push_back(text); });
    }

    std::vector<std::string> names(std::size_t group) const
    {
        std::vector<std::string> out;
        for (const FileEntry& entry : search.groups.at(group).files)
            out.push_back(entry.name.native());
        return out;
    }
    std::vector<bool> selected(std::size_t group) const
    {
        std::vector<bool> out;
        for (const FileEntry& entry : search.groups.at(group).files)
            out.push_back(entry.isSelected);
        return out;
    }
    std::vector<bool> shared(std::size_t group) const
    {
        std::vector<bool> out;
        for (const FileEntry& entry : search.groups.at(group).files)
            out.push_back(entry.sharesInode);
        return out;
    }
};

using Names = std::vector<std::string>;
using Flags = std::vector<bool>;

struct Row
{
    const char* name;
    std::function<void(Fixture&)> build;
    std::function<void(Fixture&)> check;
};

TEST(DuplicateFinderTest, EdgeCases)
{
    const QString twoMb = QStringLiteral("Comparing files of 2 MB") + QChar(0x2026);
    const std::vector<Row> rows{
        {"two identical 2 MB files: the older is kept, the other preselected",
         [](Fixture& f) {
             const QByteArray content = randomBytes(kTwoMb, 1);
             f.file("zeta-older", content, 10);
             f.file("alpha-newer", content, 20);
             f.file("same-size-other", randomBytes(kTwoMb, 2), 5);
         },
         [&](Fixture& f) {
             ASSERT_EQ(f.search.groups.size(), 1u);
             EXPECT_EQ(f.names(0), (Names{"zeta-older", "alpha-newer"}));
             EXPECT_EQ(f.selected(0), (Flags{false, true}));
             EXPECT_EQ(f.search.groups[0].wastedBytes(), allocated(f.data / "alpha-newer"));
             EXPECT_EQ(f.search.groups[0].hash, test::opensslSha256(f.data / "zeta-older"));
             EXPECT_FALSE(f.search.incomplete);
             EXPECT_EQ(f.texts, std::vector<QString>{twoMb});
         }},
        {"a file and its hard link: one text, one head hash, no group",
         [](Fixture& f) {
             f.file("f", randomBytes(kTwoMb, 3));
             f.tree.hardLink(f.data / "f", f.data / "g");
         },
         [&](Fixture& f) {
             EXPECT_TRUE(f.search.groups.empty());
             EXPECT_EQ(f.texts, std::vector<QString>{twoMb});
             EXPECT_EQ(f.opens, (std::map<std::string, int>{{"f", 1}}));
             EXPECT_FALSE(f.search.incomplete);
         }},
        {"A independent, B1 and B2 links of one file: [B1, A], B2 not listed",
         [](Fixture& f) {
             const QByteArray content = randomBytes(kTwoMb, 4);
             f.file("a", content, 10);
             f.file("b1", content, 20);
             f.tree.hardLink(f.data / "b1", f.data / "b2");
         },
         [](Fixture& f) {
             ASSERT_EQ(f.search.groups.size(), 1u);
             EXPECT_EQ(f.names(0), (Names{"b1", "a"}));
             EXPECT_EQ(f.shared(0), (Flags{true, false}));
             EXPECT_EQ(f.selected(0), (Flags{false, true}));
         }},
        {"[C, A, A2] with A2 a clone of A becomes [A, C, A2]",
         [](Fixture& f) {
             const QByteArray content = randomBytes(kTwoMb, 5);
             f.file("c", content, 10);
             f.file("a", content, 20);
             f.file("a2", content, 30);
             f.services.extentKey = [](const Path& path) -> std::optional<QString> {
                 if (path.filename() == "a" || path.filename() == "a2")
                     return QStringLiteral("9:4096");
                 return std::nullopt;
             };
         },
         [](Fixture& f) {
             ASSERT_EQ(f.search.groups.size(), 1u);
             EXPECT_EQ(f.names(0), (Names{"a", "c", "a2"}));
             EXPECT_EQ(f.shared(0), (Flags{true, false, true}));
             EXPECT_EQ(f.selected(0), (Flags{false, true, false}));
             EXPECT_EQ(f.search.groups[0].wastedBytes(), allocated(f.data / "c"));
         }},
        {"all copies clones of one another: no group",
         [](Fixture& f) {
             const QByteArray content = randomBytes(kTwoMb, 6);
             f.file("a", content);
             f.file("b", content);
             f.services.extentKey = [](const Path&) { return std::optional<QString>(QStringLiteral("9:0")); };
         },
         [](Fixture& f) {
             EXPECT_TRUE(f.search.groups.empty());
             EXPECT_FALSE(f.search.incomplete);
         }},
        {"a cloud placeholder is never a candidate",
         [](Fixture& f) {
             const QByteArray content = randomBytes(kTwoMb, 7);
             f.file("a", content);
             f.file("b", content);
             f.services.isDataless = [](std::string_view path, const DirectoryWalk::Status&) {
                 return path.ends_with("/b");
             };
         },
         [](Fixture& f) {
             EXPECT_TRUE(f.search.groups.empty());
             EXPECT_TRUE(f.texts.empty());
         }},
        {"a .bundle file is no candidate and a .photoslibrary folder is never entered",
         [](Fixture& f) {
             const QByteArray content = randomBytes(kTwoMb, 8);
             f.file("orig", content, 10);
             f.file("orig2", content, 20);
             f.file("copy.Bundle", content);
             f.file("lib.photoslibrary/copy", content);
         },
         [](Fixture& f) {
             ASSERT_EQ(f.search.groups.size(), 1u);
             EXPECT_EQ(f.names(0), (Names{"orig", "orig2"}));
             EXPECT_EQ(f.opens.count("copy.Bundle") + f.opens.count("copy"), 0u);
         }},
        {"sparse and dense copies group, each with its own allocation",
         [](Fixture& f) {
             f.tree.file(f.data / "dense", kTwoMb, '\0');
             f.tree.sparseFile(f.data / "sparse", kTwoMb);
         },
         [](Fixture& f) {
             ASSERT_EQ(f.search.groups.size(), 1u);
             std::map<std::string, qint64> bytes;
             for (const FileEntry& entry : f.search.groups[0].files)
                 bytes[entry.name.native()] = entry.bytes;
             EXPECT_EQ(bytes, (std::map<std::string, qint64>{{"dense", allocated(f.data / "dense")},
                                                             {"sparse", allocated(f.data / "sparse")}}));
             EXPECT_LT(bytes["sparse"], bytes["dense"]);
         }},
        {"minimum 0: the bucket of empty files says 0 KB",
         [](Fixture& f) {
             f.minBytes = 0;
             f.file("e1", {});
             f.file("e2", {});
         },
         [](Fixture& f) {
             EXPECT_EQ(f.texts,
                       std::vector<QString>{QStringLiteral("Comparing files of 0 KB") + QChar(0x2026)});
         }},
        {"a file swapped for a link before its hash is dropped: incomplete",
         [](Fixture& f) {
             const QByteArray content = randomBytes(kTwoMb, 9);
             f.file("a", content);
             f.file("b", content);
             f.onOpen = [&f](const Path& path, int count) {
                 if (path.filename() == "b" && count == 1) {
                     ::unlink(path.c_str());
                     f.tree.symlink(f.data / "a", path);
                 }
             };
         },
         [](Fixture& f) {
             EXPECT_TRUE(f.search.groups.empty());
             EXPECT_TRUE(f.search.incomplete);
         }},
        {"the candidate cap: incomplete, groups from the first candidates in walk order",
         [](Fixture& f) {
             f.services.maxDuplicateCandidates = 3;
             const QByteArray content = randomBytes(kTwoMb, 10);
             for (const char* name : {"a", "b", "c", "d"})
                 f.file(name, content);
         },
         [](Fixture& f) {
             ASSERT_EQ(f.search.groups.size(), 1u);
             const Names names = f.names(0);
             EXPECT_EQ(std::set<std::string>(names.begin(), names.end()),
                       (std::set<std::string>{"a", "b", "c"}));
             EXPECT_TRUE(f.search.incomplete);
         }},
        {"a name that is not UTF-8 and its copy, under their raw paths",
         [](Fixture& f) {
             f.tree.nonUtf8File(f.data, kTwoMb);
             f.tree.file(f.data / "copy", kTwoMb);
         },
         [](Fixture& f) {
             ASSERT_EQ(f.search.groups.size(), 1u);
             std::set<std::string> urls;
             for (const FileEntry& entry : f.search.groups[0].files)
                 urls.insert(entry.url.native());
             EXPECT_EQ(urls, (std::set<std::string>{(f.data / TempTree::nonUtf8Name()).native(),
                                                    (f.data / "copy").native()}));
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Fixture fixture;
        row.build(fixture);
        fixture.run();
        row.check(fixture);
    }
}

TEST(DuplicateFinderTest, FifoSwappedInBeforeAssemblyGetsNoKeyAndNeverBlocks)
{
    // Runs under the test's CTest TIMEOUT: a blocking open would hang here for good.
    for (const bool throughLink : {false, true}) {
        SCOPED_TRACE(throughLink ? "a link to a FIFO" : "a FIFO");
        Fixture f;
        const QByteArray content = randomBytes(kTwoMb, 12);
        f.file("a", content, 10);
        f.file("b", content, 20);
        f.onOpen = [&f, throughLink](const Path& path, int count) {
            // Head and whole hash done: the third open is the shared-storage key's.
            if (path.filename() == "b" && count == 3) {
                ::unlink(path.c_str());
                if (throughLink) {
                    f.tree.fifo(f.tree.path("pipe"));
                    f.tree.symlink(f.tree.path("pipe"), path);
                } else {
                    f.tree.fifo(path);
                }
            }
        };
        f.run();
        EXPECT_EQ(f.opens["b"], 3);
        ASSERT_EQ(f.search.groups.size(), 1u);
        EXPECT_EQ(f.names(0), (Names{"a", "b"}));
        EXPECT_EQ(f.shared(0), (Flags{false, false}));
    }
}

TEST(DuplicateFinderTest, CancelledBeforeHashingGivesNoGroupsAndStaysComplete)
{
    Fixture f;
    const QByteArray content = randomBytes(kTwoMb, 13);
    f.file("a", content);
    f.file("b", content);
    std::stop_source source;
    source.request_stop();
    const DuplicateFinder::Search search =
        DuplicateFinder::find(FileScanner(f.services), f.data, f.minBytes, {}, source.get_token());
    EXPECT_TRUE(search.groups.empty());
    EXPECT_FALSE(search.incomplete);
}

TEST(DuplicateFinderTest, WhatCannotBeReadMakesTheResultIncomplete)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    struct Case
    {
        const char* name;
        std::function<void(Fixture&, const QByteArray&)> close;
    };
    const std::vector<Case> cases{
        {"a folder closed to the user",
         [](Fixture& f, const QByteArray& content) {
             f.file("closed/c", content);
             f.tree.chmod(f.data / "closed", 0700);
         }},
        {"a candidate the user cannot open",
         [](Fixture& f, const QByteArray& content) { f.tree.chmod(f.file("c", content), 0600); }},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        Fixture f;
        const QByteArray content = randomBytes(kTwoMb, 14);
        f.file("a", content, 10);
        f.file("b", content, 20);
        row.close(f, content);
        {
            const test::DroppedPrivileges nobody;
            f.run();
        }
        // The readable copies still group: the denial is no reason to give up the search.
        ASSERT_EQ(f.search.groups.size(), 1u);
        EXPECT_EQ(f.names(0), (Names{"a", "b"}));
        EXPECT_TRUE(f.search.incomplete);
    }
}

// rdfind's groups from its results file, each as the set of (device, inode) of its files.
std::set<std::set<std::pair<quint64, quint64>>> rdfindGroups(const Path& results)
{
    QFile file(QString::fromStdString(results.native()));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    std::map<long, std::set<std::pair<quint64, quint64>>> byId;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        std::istringstream fields(line.toStdString());
        std::string type;
        long id = 0, depth = 0;
        qint64 size = 0;
        quint64 device = 0, inode = 0;
        fields >> type >> id >> depth >> size >> device >> inode;
        byId[std::labs(id)].insert({device, inode});
    }
    std::set<std::set<std::pair<quint64, quint64>>> groups;
    for (auto& [id, members] : byId) {
        if (members.size() >= 2)
            groups.insert(members);
    }
    return groups;
}

std::set<std::set<std::pair<quint64, quint64>>> identities(const std::vector<DuplicateGroup>& groups)
{
    std::set<std::set<std::pair<quint64, quint64>>> out;
    for (const DuplicateGroup& group : groups) {
        std::set<std::pair<quint64, quint64>> members;
        for (const FileEntry& entry : group.files) {
            struct stat st;
            EXPECT_EQ(::lstat(entry.url.c_str(), &st), 0);
            members.insert({quint64(st.st_dev), quint64(st.st_ino)});
        }
        out.insert(members);
    }
    return out;
}

TEST(DuplicateFinderTest, GroupsEqualRdfindsOnAGeneratedTree)
{
    TempTree tree;
    const Path data = tree.folder("data");
    std::mt19937 rng(2024);
    const std::vector<qint64> sizes{1'000, 4'096, 70'000, 65'536, 150'001};
    const std::vector<std::string> folders{"", "x", "x/y", "z", "z/\xc3\xa9t\xc3\xa9", "w/v/u"};
    int serial = 0;
    const auto place = [&] {
        return data / folders[rng() % folders.size()] / ("f" + std::to_string(serial++));
    };
    for (int source = 0; source < 60; ++source) {
        const qint64 size = sizes[rng() % sizes.size()];
        QByteArray content = randomBytes(size, unsigned(source + 100));
        if (source % 7 == 0 && size > 65'536)
            content[size - 1] = char(content[size - 1] ^ 1); // same head as nothing else, different tail
        const int copies = int(rng() % 4);                   // 0 .. 3 written copies besides the first
        std::vector<Path> paths;
        for (int i = 0; i <= copies; ++i)
            paths.push_back(tree.fileWithContent(place(), content));
        // A hard link on at most one member, so no group consists only of shared storage.
        if (rng() % 3 == 0)
            tree.hardLink(paths[rng() % paths.size()], place());
        // A same-head twin: equal size and first 65,536 bytes, another last byte.
        if (size > 65'536 && rng() % 4 == 0) {
            QByteArray twin = content;
            twin[size - 1] = char(twin[size - 1] ^ 0x80);
            tree.fileWithContent(place(), twin);
        }
    }

    // Enough entries for the walk to take helper threads (it does after 2048), all below the minimum;
    // and one date for every file, so that the order of each group is the walk's order alone.
    for (int i = 0; i < 6000; ++i)
        tree.file(data / folders[std::size_t(i) % folders.size()] / ("e" + std::to_string(i % 97)) /
                  ("empty" + std::to_string(i)));
    for (const auto& item : std::filesystem::recursive_directory_iterator(data)) {
        if (item.is_regular_file())
            tree.setMtime(item.path(), at(0));
    }

    FileScanner::Services services;
    services.home = tree.folder("home");
    services.systemRoot = tree.folder("system");
    services.extentKey = [](const Path&) { return std::optional<QString>(); };
    services.hashThreads = 1;
    const DuplicateFinder::Search one = DuplicateFinder::find(FileScanner(services), data, 1, {});
    services.hashThreads = 8;
    const DuplicateFinder::Search many = DuplicateFinder::find(FileScanner(services), data, 1, {});
    ASSERT_FALSE(one.incomplete);

    const Path results = tree.path("results.txt");
    ProcessRequest request;
    request.program = "/usr/bin/rdfind";
    request.arguments = {"-makeresultsfile", "true", "-outputname", results.native(),
                         "-minsize",         "1",    data.native()};
    const Result<ProcessOutcome> outcome = ProcessRunner().run(request);
    if (!outcome.ok() || !outcome->succeeded())
        GTEST_SKIP() << "rdfind is not available";
    const auto expected = rdfindGroups(results);
    ASSERT_GE(expected.size(), 10u) << "the generated tree should hold many groups";
    EXPECT_EQ(identities(one.groups), expected);

    // Several walking and hashing threads give exactly what one gives: groups, order, keepers and
    // selections.
    ASSERT_EQ(many.groups.size(), one.groups.size());
    for (std::size_t g = 0; g < one.groups.size(); ++g) {
        ASSERT_EQ(many.groups[g].files.size(), one.groups[g].files.size()) << "group " << g;
        EXPECT_EQ(many.groups[g].hash, one.groups[g].hash) << "group " << g;
        for (std::size_t i = 0; i < one.groups[g].files.size(); ++i) {
            EXPECT_EQ(many.groups[g].files[i].url, one.groups[g].files[i].url)
                << "group " << g << " file " << i;
            EXPECT_EQ(many.groups[g].files[i].isSelected, one.groups[g].files[i].isSelected);
        }
    }
}

} // namespace
} // namespace qm
