#include "ShellHarness.h"
#include "app/shell/ModuleModels.h"

#include <QQuickItem>

#include <gtest/gtest.h>

namespace qm::test {
namespace {

// The Smart Scan page as the root view shows it first: fed the container's models and the application's
// activity source, and wired to its Full Disk Access settings.
class SmartScanPageInShellTest : public ::testing::Test
{
protected:
    QQuickItem* page() const { return shell.stageScreen(); }
    ModuleModels* models() const { return shell.models(); }

    ShellHarness shell;
};

TEST_F(SmartScanPageInShellTest, TheFirstPageScansAndComingBackToTheApplicationRefreshesHealth)
{
    shell.answers().fullDiskAccess = true;
    ASSERT_TRUE(shell.launch());
    ASSERT_NE(page(), nullptr);
    ModuleModels* m = models();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->smartScan()->generation(), 1) << "the page scans when it first appears";
    EXPECT_EQ(m->health()->generation(), 1);
    EXPECT_EQ(page()->property("model").value<QObject*>(), m->smartScan());
    EXPECT_EQ(page()->property("malware").value<QObject*>(), m->malware());

    shell.reactivate();
    EXPECT_EQ(m->health()->generation(), 2) << "becoming active refreshes the health model";
    EXPECT_EQ(m->smartScan()->generation(), 1) << "and scans nothing";
}

TEST_F(SmartScanPageInShellTest, MadeBeforeTheWindowsFirstFrameThePageStartsItsWorkRightAfterIt)
{
    FirstFrame firstFrame(false);
    ShellHarness waiting;
    waiting.setFirstFrame(&firstFrame);
    waiting.answers().fullDiskAccess = true;
    ASSERT_TRUE(waiting.launch());
    QQuickItem* root = waiting.item("rootView");
    ASSERT_NE(root, nullptr);
    auto* m = root->property("models").value<ModuleModels*>();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->smartScan()->generation(), 0) << "no scan before the first frame";
    EXPECT_EQ(m->health()->generation(), 0);
    EXPECT_EQ(m->storage(), nullptr);

    firstFrame.markShown();
    EXPECT_EQ(m->smartScan()->generation(), 1) << "the scan starts right after it";
    EXPECT_EQ(m->health()->generation(), 1);
    EXPECT_NE(m->storage(), nullptr);
    waiting.quit();
}

} // namespace
} // namespace qm::test
