#include "ShellHarness.h"
#include "platform/FileSystem.h"

#include <QPointer>
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

// The page is kept across visits: each return measures the Trash again, and a confirmation left up
// closes with the page, leaving the model's flag as it is, and opens again when the page returns.
TEST_F(CleanupPageInShellTest, AKeptPageMeasuresTheTrashOnEveryVisitAndKeepsItsConfirmationForTheReturn)
{
    shell.answers().fullDiskAccess = true;
    ASSERT_TRUE(shell.launch());
    shell.key(Qt::Key_3, Qt::ControlModifier);
    const QPointer<QQuickItem> cleanup = page();
    ASSERT_NE(cleanup, nullptr);
    ASSERT_TRUE(
        waitFor([&] { return trashSubtitle() == QStringLiteral("Empty \u2014 nothing to reclaim"); }));
    QObject* model = cleanup->property("model").value<QObject*>();
    QObject* confirm = cleanup->property("cleanConfirm").value<QObject*>();
    ASSERT_NE(model, nullptr);
    ASSERT_NE(confirm, nullptr);
    model->setProperty("showConfirm", true);
    ASSERT_TRUE(waitFor([&] { return confirm->property("opened").toBool(); }));

    QMetaObject::invokeMethod(shell.object("goAction:Protection"), "trigger");
    ASSERT_TRUE(waitFor([&] { return !cleanup->isVisible(); }));
    EXPECT_TRUE(waitFor([&] { return !confirm->property("visible").toBool(); }))
        << "no dialog over another module";
    EXPECT_TRUE(model->property("showConfirm").toBool()) << "closing with the page is no answer";

    // Something reaches the Trash while the page is away; the next visit measures it.
    const Path files = shell.home().dataHome() / "Trash" / "files";
    ASSERT_TRUE(FileSystem().createDirectories(files).ok());
    ASSERT_TRUE(FileSystem().createExclusive(files / "old.txt", QByteArray()).ok());
    QMetaObject::invokeMethod(shell.object("goAction:Cleanup"), "trigger");
    EXPECT_EQ(page(), cleanup.data()) << "the same page comes back";
    EXPECT_TRUE(waitFor([&] {
        return trashSubtitle() == QStringLiteral("1 item \u00b7 0 KB \u2014 frees space permanently");
    })) << trashSubtitle().toStdString();
    EXPECT_TRUE(waitFor([&] { return confirm->property("opened").toBool(); })) << "the dialog is up again";
}

} // namespace
} // namespace qm::test
