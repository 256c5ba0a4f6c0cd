#include "app/models/JunkSelection.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace qm {
namespace {

ScanItem item(const std::string& path, qint64 bytes, bool selected)
{
    ScanItem scanItem;
    scanItem.url = Path(path);
    scanItem.name = QString::fromStdString(path);
    scanItem.bytes = bytes;
    scanItem.isSelected = selected;
    return scanItem;
}

// Two categories: caches with one of two items selected, logs with one unselected item, and an
// empty complete category that is never shown.
JunkSelection sample()
{
    JunkCategory caches{JunkKind::userCaches, {item("/h/a", 100, true), item("/h/b", 20, false)}, false};
    JunkCategory logs{JunkKind::logs, {item("/h/l", 3, false)}, false};
    JunkCategory empty{JunkKind::savedState, {}, false};
    JunkSelection selection;
    selection.setShown({caches, logs, empty});
    return selection;
}

TEST(JunkSelection, SumsAndSelectionOperationsAgreeWithTheItemsThemselves)
{
    JunkSelection selection = sample();
    ASSERT_EQ(selection.categories().size(), 2u) << "a complete empty category is not shown";
    EXPECT_EQ(selection.list().size(), 2);
    EXPECT_EQ(selection.totalItems(), 3);
    EXPECT_EQ(selection.totalBytes(), 123);
    EXPECT_EQ(selection.selectedCount(), 1);
    EXPECT_EQ(selection.selectedBytes(), 100);

    const QString caches = JunkKinds::toRaw(JunkKind::userCaches);
    const QString logs = JunkKinds::toRaw(JunkKind::logs);
    EXPECT_TRUE(selection.toggleCategory(caches)) << "part selected: all get selected";
    EXPECT_EQ(selection.selectedBytes(), 120);
    EXPECT_TRUE(selection.toggleCategory(caches)) << "all selected: none stays selected";
    EXPECT_EQ(selection.selectedCount(), 0);
    EXPECT_FALSE(selection.toggleCategory(QStringLiteral("nothing")));
    EXPECT_FALSE(selection.toggleItem(logs, QUuid::createUuid()));
    EXPECT_TRUE(selection.toggleItem(logs, selection.categories()[1].items[0].id));
    EXPECT_EQ(selection.selectedItems().size(), 1u);
    EXPECT_EQ(selection.selectedItems()[0].url, Path("/h/l"));
    EXPECT_TRUE(selection.setCategory(caches, true));
    EXPECT_EQ(selection.selectedCount(), 3);
    EXPECT_TRUE(selection.selectAll(false));
    EXPECT_EQ(selection.selectedCount(), 0);
    EXPECT_TRUE(selection.list()[0].toMap().value(QStringLiteral("selectionState")) ==
                QStringLiteral("none"));
}

TEST(JunkSelection, PruningDropsTrashedItemsAndTheCategoriesLeftEmpty)
{
    JunkSelection selection = sample();
    EXPECT_FALSE(selection.prune({"/h/a", "/h/b"}));
    ASSERT_EQ(selection.categories().size(), 1u);
    EXPECT_EQ(selection.categories()[0].kind, JunkKind::logs);
    EXPECT_TRUE(selection.prune({"/h/l"})) << "nothing is left";
    EXPECT_TRUE(selection.empty());
    EXPECT_FALSE(JunkSelection().selectAll(true));
}

} // namespace
} // namespace qm
