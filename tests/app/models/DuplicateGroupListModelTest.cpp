#include "app/models/DuplicateGroupListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <string>

namespace qm {
namespace {

// `count` groups of three files named "<group>-<file>".
std::vector<DuplicateGroup> numbered(int count)
{
    std::vector<DuplicateGroup> groups{static_cast<std::size_t>(count)};
    for (int g = 0; g < count; ++g) {
        for (int f = 0; f < 3; ++f) {
            FileEntry file;
            file.name = Path(std::to_string(g) + "-" + std::to_string(f));
            file.url = Path("/d") / file.name;
            file.bytes = 1000;
            groups[std::size_t(g)].files.push_back(file);
        }
    }
    return groups;
}

int groupOf(const FileEntry& file)
{
    return std::stoi(file.name.native());
}

// Pruning drops files, announces the groups that lost some and removes the groups left with too few,
// as runs, or resets once when the runs are many; what is left keeps its order either way.
TEST(DuplicateGroupListModelTest, PruneAnnouncesTouchedGroupsAndRemovesRunsOrResetsOnce)
{
    struct Case
    {
        const char* what;
        int groups;
        std::function<bool(int)> emptied;   // the group loses two files and goes
        std::function<bool(int)> shortened; // the group loses one file and stays
        int removals;
        int resets;
        int changes;
    };
    const auto none = [](int) { return false; };
    const std::vector<Case> cases = {
        {"nothing", 5, none, none, 0, 0, 0},
        {"one shortened", 5, none, [](int g) { return g == 3; }, 0, 0, 1},
        {"two runs gone, one shortened", 8, [](int g) { return g == 0 || g == 5 || g == 6; },
         [](int g) { return g == 7; }, 2, 0, 1},
        {"every other of 200 gone", 200, [](int g) { return g % 2 == 0; }, none, 0, 1, 0},
    };
    for (const Case& c : cases) {
        DuplicateGroupListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        model.replace(numbered(c.groups));
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.prune(
            [&](const FileEntry& file) {
                const int g = groupOf(file);
                const int f = file.name.native().back() - '0';
                return (c.emptied(g) && f >= 1) || (c.shortened(g) && f == 2);
            },
            [](const DuplicateGroup& group) { return group.files.size() >= 2; });
        EXPECT_EQ(removed.size(), c.removals) << c.what;
        EXPECT_EQ(reset.size(), c.resets) << c.what;
        EXPECT_EQ(changed.size(), c.changes) << c.what;
        std::vector<int> left;
        for (const DuplicateGroup& group : model.groups())
            left.push_back(groupOf(group.files.front()));
        std::vector<int> expected;
        for (int g = 0; g < c.groups; ++g) {
            if (!c.emptied(g))
                expected.push_back(g);
        }
        EXPECT_EQ(left, expected) << c.what;
        for (int row = 0; row < model.count(); ++row) {
            const int g = left[std::size_t(row)];
            EXPECT_EQ(model.data(model.index(row), DuplicateGroupListModel::FileCountRole).toInt(),
                      c.shortened(g) ? 2 : 3)
                << c.what << " group " << g;
        }
    }
}

} // namespace
} // namespace qm
