#include "ShellHarness.h"
#include "platform/FileSystem.h"

#include <QQuickItem>

#include <gtest/gtest.h>

namespace qm::test {
namespace {

// The Cleanup page as the root view shows it: fed the application's activity source and wired to its
// Full Disk Access settings.
class CleanupPageInShellTest : public ::testing::Test
{
protected:
    QQuickItem* page() const
    {
        QQuickItem* root = shell.item("rootView");
        QObject* stage = root ? root->property("stage").value<QObject*>() : nullptr;
        return stage ? stage->property("screen").value<QQuickItem*>() : nullptr;
    }
    QString trashSubtitle() const
    {
        QQuickItem* p = page();
        QObject* card = p ? p->property("trashCard").value<QObject*>() : nullptr;
        QObject* subtitle = card ? card->property("subtitleText").value<QObject*>() : nullptr;
        return subtitle ? subtitle->property("text").toString() : QString();
    }

    ShellHarness shell;
};

TEST_F(CleanupPageInShellTest, ComingBackToTheApplicationRemeasuresTheTrash)
{
    shell.answers().fullDiskAccess = true;
    ASSERT_TRUE(shell.launch());
    shell.key(Qt::Key_3, Qt::ControlModifier);
    ASSERT_NE(page(), nullptr);
    ASSERT_TRUE(waitFor([&] { return trashSubtitle() == QStringLiteral("Empty \u2014 nothing to reclaim"); }))
        << trashSubtitle().toStdString();

    const Path files = shell.home().dataHome() / "Trash" / "files";
    ASSERT_TRUE(FileSystem().createDirectories(files).ok());
    ASSERT_TRUE(FileSystem().createExclusive(files / "old.txt", QByteArray()).ok());
    shell.reactivate();
    EXPECT_TRUE(waitFor([&] {
        return trashSubtitle() == QStringLiteral("1 item \u00b7 0 KB \u2014 frees space permanently");
    })) << trashSubtitle().toStdString();
}

} // namespace
} // namespace qm::test
