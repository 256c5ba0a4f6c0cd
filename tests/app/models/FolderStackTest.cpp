#include "app/models/FolderStack.h"

#include <QUrl>

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(FolderStack, CrumbsFollowTheFoldersOpenedAndNavigationStaysWithinThem)
{
    FolderStack stack(Path("/home/u"));
    EXPECT_EQ(stack.crumbLabels(), QStringList{QStringLiteral("Home")});
    EXPECT_FALSE(stack.back()) << "nothing before the home folder";
    stack.push(Path("/home/u/Music"));
    stack.push(Path("/home/u/Music/Old"));
    EXPECT_EQ(stack.crumbLabels(), (QStringList{"Home", "Music", "Old"}));
    EXPECT_EQ(stack.currentName(), QStringLiteral("Old"));
    EXPECT_EQ(stack.root(), Path("/home/u"));
    ASSERT_EQ(stack.urls().size(), 3);
    EXPECT_EQ(stack.urls()[2].toUrl(), QUrl::fromLocalFile(QStringLiteral("/home/u/Music/Old")));

    for (const int index : {-1, 2, 3})
        EXPECT_FALSE(stack.popTo(index)) << index;
    EXPECT_EQ(stack.depth(), 3);
    EXPECT_TRUE(stack.popTo(0));
    EXPECT_EQ(stack.current(), Path("/home/u"));

    stack.reset(Path("/"));
    EXPECT_EQ(stack.crumbLabels(), QStringList{QStringLiteral("/")});
    EXPECT_EQ(stack.root(), Path("/"));
}

} // namespace
} // namespace qm
