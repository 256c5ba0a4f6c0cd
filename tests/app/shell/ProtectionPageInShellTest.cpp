#include "ShellHarness.h"
#include "app/shell/ModuleModels.h"

#include <QPointer>
#include <QQuickItem>

#include <gtest/gtest.h>

namespace qm::test {
namespace {

QString text(const QObject* object, const char* property = "text")
{
    return object != nullptr ? object->property(property).toString() : QStringLiteral("<missing>");
}

// The Protection page as the root view shows it: with the container's privacy and malware models and
// the focused values the menu bar reads.
class ProtectionPageInShellTest : public ::testing::Test
{
protected:
    QQuickItem* page() const { return shell.stageScreen(); }
    ModuleModels* models() const { return shell.models(); }
    QObject* scanAction() const { return shell.object("scanAction"); }
    QString tab() const { return text(page(), "tab"); }

    ShellHarness shell;
};

TEST_F(ProtectionPageInShellTest, TheMenusScanFollowsTheTabAndEveryVisitOpensOnPrivacy)
{
    shell.answers().fullDiskAccess = true;
    ASSERT_TRUE(shell.launch());
    ModuleModels* m = models();
    ASSERT_NE(m, nullptr);

    shell.key(Qt::Key_4, Qt::ControlModifier);
    ASSERT_NE(page(), nullptr);
    EXPECT_EQ(page()->property("privacy").value<QObject*>(), m->privacy());
    EXPECT_EQ(page()->property("malware").value<QObject*>(), m->malware());
    EXPECT_EQ(tab(), QStringLiteral("Privacy"));
    EXPECT_EQ(text(scanAction()), QStringLiteral("Scan Privacy"));
    EXPECT_TRUE(scanAction()->property("enabled").toBool());
    shell.key(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(m->privacy()->generation(), 1);
    EXPECT_EQ(m->malware()->generation(), 0);

    shell.click(shell.item("tabSegment:Malware"));
    ASSERT_EQ(tab(), QStringLiteral("Malware"));
    EXPECT_EQ(text(scanAction()), QStringLiteral("Scan Malware"));
    shell.key(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(m->malware()->generation(), 1);
    EXPECT_EQ(m->privacy()->generation(), 1);

    // Back to Privacy on the same visit: the menu and Ctrl+R follow.
    shell.click(shell.item("tabSegment:Privacy"));
    ASSERT_EQ(tab(), QStringLiteral("Privacy"));
    EXPECT_EQ(text(scanAction()), QStringLiteral("Scan Privacy"));
    shell.key(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(m->privacy()->generation(), 2);
    EXPECT_EQ(m->malware()->generation(), 1);
    shell.click(shell.item("tabSegment:Malware"));
    ASSERT_EQ(tab(), QStringLiteral("Malware"));

    // Left on its Malware tab: once the page has faded out, the next module's command still stands.
    const QPointer<QQuickItem> left = page();
    shell.key(Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(text(scanAction()), QStringLiteral("Scan Cleanup"));
    ASSERT_TRUE(waitFor([&] { return !left->isVisible(); }));
    EXPECT_EQ(text(scanAction()), QStringLiteral("Scan Cleanup"));

    // The next visit opens on Privacy again, with its command.
    shell.key(Qt::Key_4, Qt::ControlModifier);
    ASSERT_NE(page(), nullptr);
    EXPECT_EQ(tab(), QStringLiteral("Privacy"));
    EXPECT_EQ(text(scanAction()), QStringLiteral("Scan Privacy"));
}

} // namespace
} // namespace qm::test
