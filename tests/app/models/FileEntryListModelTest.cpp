#include "app/models/FileEntryListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <string>

namespace qm {
namespace {

std::vector<FileEntry> numbered(int count)
{
    std::vector<FileEntry> rows(std::size_t(count), FileEntry{});
    for (int i = 0; i < count; ++i) {
        rows[std::size_t(i)].id = QUuid::createUuid();
        rows[std::size_t(i)].url = Path("/d") / std::to_string(i);
        rows[std::size_t(i)].name = Path(std::to_string(i));
    }
    return rows;
}

// Dropping rows removes each run of them, or resets once when the runs are many; the rows left keep
// their order either way.
TEST(FileEntryListModelTest, RemoveIfAnnouncesRunsOrResetsOnce)
{
    struct Case
    {
        const char* what;
        int rows;
        std::function<bool(int)> drop;
        int removals;
        int resets;
    };
    const std::vector<Case> cases = {
        {"nothing dropped", 10, [](int) { return false; }, 0, 0},
        {"three runs", 10, [](int i) { return i == 0 || i == 4 || i == 5 || i == 9; }, 3, 0},
        {"everything, one run", 10, [](int) { return true; }, 1, 0},
        {"every other of 200", 200, [](int i) { return i % 2 == 1; }, 0, 1},
    };
    for (const Case& c : cases) {
        FileEntryListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        model.replace(numbered(c.rows));
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        const auto dropped = [&](const FileEntry& file) { return c.drop(std::stoi(file.name.native())); };
        model.removeIf(dropped);
        EXPECT_EQ(removed.size(), c.removals) << c.what;
        EXPECT_EQ(reset.size(), c.resets) << c.what;
        std::vector<std::string> left;
        for (const FileEntry& file : model.rows())
            left.push_back(file.name.native());
        std::vector<std::string> expected;
        for (int i = 0; i < c.rows; ++i) {
            if (!c.drop(i))
                expected.push_back(std::to_string(i));
        }
        EXPECT_EQ(left, expected) << c.what;
        EXPECT_EQ(model.count(), int(expected.size())) << c.what;
    }
}

} // namespace
} // namespace qm
