#include "core/files/DuplicateGroup.h"
#include "core/files/FileEntry.h"
#include "core/files/SizedEntry.h"

#include <gtest/gtest.h>

#include <unordered_set>

namespace qm {
namespace {

FileEntry entry(qint64 bytes, bool sharesInode)
{
    FileEntry e;
    e.url = "/data/f";
    e.name = "f";
    e.bytes = bytes;
    e.modified = QDateTime::fromMSecsSinceEpoch(1'700'000'000'000, Qt::UTC);
    e.sharesInode = sharesInode;
    return e;
}

TEST(DuplicateGroupTest, WastedBytesCountsIndependentCopiesAfterTheFirst)
{
    struct Case
    {
        const char* what;
        std::vector<std::pair<qint64, bool>> files; // bytes, sharesInode
        qint64 wasted;
    };
    const std::vector<Case> cases{
        {"shared third copy frees nothing", {{100, false}, {100, false}, {100, true}}, 100},
        {"shared first, independent second", {{100, true}, {70, false}}, 70},
        {"first never counts", {{500, false}, {20, false}, {30, false}}, 50},
        {"all share storage", {{100, true}, {100, true}, {100, true}}, 0},
        {"one file", {{100, false}}, 0},
        {"no files", {}, 0},
    };
    for (const Case& c : cases) {
        DuplicateGroup group;
        group.hash = QString(64, QLatin1Char('0'));
        for (const auto& [bytes, shares] : c.files)
            group.files.push_back(entry(bytes, shares));
        EXPECT_EQ(group.wastedBytes(), c.wasted) << c.what;
    }
}

TEST(FileEntryTest, EqualityAndHashCoverEverySevenFields)
{
    const FileEntry base = entry(4096, false);
    FileEntry same = base;
    EXPECT_EQ(same, base);
    EXPECT_EQ(qHash(same), qHash(base));
    EXPECT_EQ(std::hash<FileEntry>()(same), std::hash<FileEntry>()(base));

    const std::vector<std::pair<const char*, std::function<void(FileEntry&)>>> changes{
        {"id", [](FileEntry& e) { e.id = QUuid::createUuid(); }},
        {"url", [](FileEntry& e) { e.url = "/data/g"; }},
        {"name", [](FileEntry& e) { e.name = "a\xff"; }},
        {"bytes", [](FileEntry& e) { e.bytes = 8192; }},
        {"modified", [](FileEntry& e) { e.modified = e.modified->addMSecs(1); }},
        {"modified absent", [](FileEntry& e) { e.modified.reset(); }},
        {"sharesInode", [](FileEntry& e) { e.sharesInode = true; }},
        {"isSelected", [](FileEntry& e) { e.isSelected = true; }},
    };
    for (const auto& [what, change] : changes) {
        FileEntry other = base;
        change(other);
        EXPECT_NE(other, base) << what;
        EXPECT_NE(qHash(other), qHash(base)) << what;
    }

    // Two absent dates are equal; two scans of one file never are (fresh ids).
    FileEntry a = base;
    FileEntry b = base;
    a.modified.reset();
    b.modified.reset();
    EXPECT_EQ(a, b);
    EXPECT_EQ(qHash(a), qHash(b));
    EXPECT_NE(FileEntry{}, FileEntry{});

    std::unordered_set<FileEntry> set{base, same};
    EXPECT_EQ(set.size(), 1u);
}

TEST(FileIdTest, KeysWriteTheDeviceInFull)
{
    // A 64-bit device number cut to 32 bits would give "1:42" and merge two devices' files.
    EXPECT_EQ(FileId({(quint64(1) << 32) + 1, 42}).toText(), QStringLiteral("4294967297:42"));
    EXPECT_EQ(FileId({16777232, 42}).toText(), QStringLiteral("16777232:42"));
    EXPECT_EQ(FileId({~quint64(0), ~quint64(0)}).toText(),
              QStringLiteral("18446744073709551615:18446744073709551615"));
}

} // namespace
} // namespace qm
