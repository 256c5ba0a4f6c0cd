#include "app/models/SizedEntryListModel.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <vector>

namespace qm {
namespace {

SizedEntryListModel::Row row(const QString& name, qint64 bytes)
{
    SizedEntryListModel::Row r;
    r.entry.name = Path(name.toStdString());
    r.entry.url = Path("/f") / r.entry.name;
    r.entry.bytes = bytes;
    return r;
}

QStringList names(const SizedEntryListModel& model)
{
    QStringList result;
    for (int i = 0; i < model.rowCount(); ++i)
        result.append(model.data(model.index(i), SizedEntryListModel::NameRole).toString());
    return result;
}

// The same entries sorted anew move as one layout change (a list keeps its place); other entries
// reset the rows.
TEST(SizedEntryListModel, ReorderingIsALayoutChangeAndAnythingElseAReset)
{
    SizedEntryListModel model;
    const std::vector<SizedEntryListModel::Row> rows = {row("a", 1), row("b", 2), row("c", 3)};
    model.reset(rows);
    const QPersistentModelIndex held = model.index(0); // "a"
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy layouts(&model, &QAbstractItemModel::layoutChanged);

    model.reset({rows[2], rows[1], rows[0]});
    EXPECT_EQ(names(model), (QStringList{"c", "b", "a"}));
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(layouts.count(), 1);
    EXPECT_EQ(held.row(), 2) << "a persistent index follows its entry";

    model.reset({rows[2], rows[1], row("a", 1)});
    EXPECT_EQ(resets.count(), 1) << "another entry named alike is another entry";
}

// A layout update keeps the row of every entry that stays, in place, drops the others and appends the
// newcomers; only the selection role is announced when the selection changes.
TEST(SizedEntryListModel, UpdateKeepsTheRowsOfEntriesThatStay)
{
    SizedEntryListModel model;
    std::vector<SizedEntryListModel::Row> rows = {row("a", 1), row("b", 2), row("c", 3)};
    model.update(rows);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

    rows[2].order = 0;
    rows[0].order = 1;
    const SizedEntryListModel::Row d = row("d", 4);
    model.update({rows[2], rows[0], d});
    EXPECT_EQ(names(model), (QStringList{"a", "c", "d"}));
    EXPECT_EQ(model.data(model.index(1), SizedEntryListModel::OrderRole).toInt(), 0);
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(model.count(), 3);

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.setSelected([](const SizedEntry& e) { return e.name.native() == "c"; });
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex().row(), 1);
    EXPECT_EQ(changed[0][2].value<QList<int>>(), QList<int>{SizedEntryListModel::SelectedRole});
    EXPECT_TRUE(model.data(model.index(1), SizedEntryListModel::SelectedRole).toBool());
}

TEST(SizedEntryListModel, SizeTextOfUnreadableEmptyAndSizedEntries)
{
    SizedEntry entry;
    entry.unreadable = true;
    EXPECT_EQ(SizedEntryListModel::sizeText(entry), QStringLiteral("\u2014 can't read"));
    entry.unreadable = false;
    EXPECT_EQ(SizedEntryListModel::sizeText(entry), QStringLiteral("0 KB"));
    entry.bytes = 12'000;
    EXPECT_EQ(SizedEntryListModel::sizeText(entry), QStringLiteral("12 KB"));
}

} // namespace
} // namespace qm
