#include "app/models/NestedSelection.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

SizedEntry entryAt(const Path& path, qint64 bytes)
{
    SizedEntry entry;
    entry.url = path;
    entry.name = path.filename();
    entry.bytes = bytes;
    return entry;
}

TEST(NestedSelection, TheEffectiveSelectionLeavesOutWhatLiesInsideAnotherSelectedItem)
{
    // Paths that do not exist resolve to themselves.
    const struct
    {
        std::vector<const char*> selected;
        std::vector<const char*> effective;
        const char* formatted;
    } cases[] = {
        {{}, {}, "0 KB"},
        {{"/n/a"}, {"/n/a"}, "1 KB"},
        {{"/n/a/b", "/n/a"}, {"/n/a"}, "1 KB"},
        {{"/n/a/b/c", "/n/a", "/n/ab"}, {"/n/a", "/n/ab"}, "2 KB"},
        {{"/n/ab", "/n/a"}, {"/n/a", "/n/ab"}, "2 KB"},
        {{"/n/b", "/n/a/x", "/n/a/y"}, {"/n/a/x", "/n/a/y", "/n/b"}, "3 KB"},
    };
    for (const auto& c : cases) {
        NestedSelection selection;
        for (const char* path : c.selected)
            selection.toggle(entryAt(Path(path), 1000));
        std::vector<Path> effective;
        for (const SelectedItem& item : selection.effective())
            effective.push_back(item.url);
        EXPECT_EQ(effective, std::vector<Path>(c.effective.begin(), c.effective.end())) << c.selected.size();
        EXPECT_EQ(selection.formattedEffective(), QString::fromLatin1(c.formatted)) << c.selected.size();
    }
}

TEST(NestedSelection, ToggleRefreshAndClearKeepOneRecordPerPath)
{
    NestedSelection selection;
    selection.toggle(entryAt(Path("/n/a"), 10));
    EXPECT_TRUE(selection.contains(Path("/n/a")));
    EXPECT_TRUE(selection.refresh(entryAt(Path("/n/a"), 20)));
    EXPECT_EQ(selection.items().at("/n/a").bytes, 20);
    EXPECT_FALSE(selection.refresh(entryAt(Path("/n/b"), 20))) << "not selected";
    selection.toggle(entryAt(Path("/n/a"), 20));
    EXPECT_TRUE(selection.empty());
    EXPECT_FALSE(selection.clear());
    selection.toggle(entryAt(Path("/n/b"), 1));
    EXPECT_TRUE(selection.clear());
    EXPECT_EQ(selection.size(), 0);
}

TEST(NestedSelection, DropRemovedTakesWhatLayAtOrInsideATrashedItem)
{
    NestedSelection selection;
    for (const char* path : {"/n/a", "/n/a/b", "/n/ab", "/n/c"})
        selection.toggle(entryAt(Path(path), 1));
    CleanReport report;
    TrashedItem trashed;
    trashed.original = Path("/n/a");
    report.trashed.push_back(trashed);
    EXPECT_TRUE(selection.dropRemoved(report));
    std::vector<Path::string_type> left;
    for (const auto& [key, item] : selection.items())
        left.push_back(key);
    EXPECT_EQ(left, (std::vector<Path::string_type>{"/n/ab", "/n/c"}));
    EXPECT_FALSE(selection.dropRemoved(report));
}

} // namespace
} // namespace qm
