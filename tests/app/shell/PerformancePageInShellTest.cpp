#include "ShellHarness.h"
#include "app/models/StatisticsLoop.h"

#include <QPointer>
#include <QQuickItem>

#include <gtest/gtest.h>

namespace qm::test {
namespace {

// The Performance page as the root view shows it: with the application's activity source and a
// statistics loop on the application's clock that the page owns.
class PerformancePageInShellTest : public ::testing::Test
{
protected:
    QQuickItem* page() const
    {
        QQuickItem* root = shell.item("rootView");
        QObject* stage = root ? root->property("stage").value<QObject*>() : nullptr;
        return stage ? stage->property("screen").value<QQuickItem*>() : nullptr;
    }

    ShellHarness shell;
};

TEST_F(PerformancePageInShellTest, ThePageOwnsARunningStatisticsLoopThatEndsWithIt)
{
    shell.answers().fullDiskAccess = true;
    ASSERT_TRUE(shell.launch());
    shell.key(Qt::Key_5, Qt::ControlModifier);
    ASSERT_TRUE(waitFor([&] { return page() != nullptr && page()->property("statsLoop").isValid(); }));
    QQuickItem* performance = page();
    EXPECT_EQ(performance->property("activity").value<QObject*>(), &shell.activity());
    QPointer<StatisticsLoop> loop = performance->property("statsLoop").value<StatisticsLoop*>();
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->parent(), performance);
    EXPECT_TRUE(loop->running());
    EXPECT_EQ(loop->samplesStarted(), 1) << "a sample at once";

    shell.key(Qt::Key_3, Qt::ControlModifier);
    EXPECT_TRUE(waitFor([&] { return loop.isNull(); })) << "the loop ends when its page goes";

    // The page is kept; coming back makes it a new loop that samples at once.
    shell.key(Qt::Key_5, Qt::ControlModifier);
    EXPECT_EQ(page(), performance);
    QPointer<StatisticsLoop> again = performance->property("statsLoop").value<StatisticsLoop*>();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->parent(), performance);
    EXPECT_TRUE(again->running());
    EXPECT_EQ(again->samplesStarted(), 1);
}

} // namespace
} // namespace qm::test
