#include "ShellHarness.h"
#include "app/shell/ModuleModels.h"

#include <QQuickItem>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace qm::test {
namespace {

namespace fs = std::filesystem;

// The Files page as the root view shows it: opened with Ctrl+8, its scan command on Ctrl+R, built anew
// on every visit over the container's two tool models.
class FilesPageInShellTest : public ::testing::Test
{
protected:
    ModuleModels* models() const { return shell.models(); }
    QQuickItem* page() const { return shell.stageScreen(); }
    // The item named `name` on the page on show (not on one still fading out).
    static QQuickItem* under(QQuickItem* item, const QString& name)
    {
        if (item == nullptr)
            return nullptr;
        for (QQuickItem* child : item->childItems()) {
            if (child->objectName() == name)
                return child;
            if (QQuickItem* found = under(child, name))
                return found;
        }
        return nullptr;
    }
    QString tool() const { return page() ? page()->property("tool").toString() : QString(); }
    QString toolScreenName() const
    {
        QObject* loader = page() ? page()->property("toolScreen").value<QObject*>() : nullptr;
        QObject* item = loader ? loader->property("item").value<QObject*>() : nullptr;
        return item ? item->objectName() : QString();
    }
    void writeFile(const std::string& name, std::size_t size, char fill)
    {
        const fs::path path = shell.home().home() / "Docs" / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << std::string(size, fill);
    }

    ShellHarness shell;
};

TEST_F(FilesPageInShellTest, OpensOnLargeAndOldScansTheToolInViewAndKeepsBothToolsAcrossVisits)
{
    writeFile("a1", 1'100'000, 'a');
    writeFile("a2", 1'100'000, 'a');
    writeFile("big", 1'300'000, 'b');
    shell.answers().fullDiskAccess = true;
    ASSERT_TRUE(shell.launch());
    ModuleModels* m = models();
    ASSERT_NE(m, nullptr);
    shell.key(Qt::Key_8, Qt::ControlModifier);
    ASSERT_NE(page(), nullptr);
    EXPECT_EQ(tool(), QStringLiteral("Large & Old"));
    EXPECT_EQ(toolScreenName(), QStringLiteral("largeFilesView"));
    EXPECT_EQ(page()->property("activity").value<QObject*>(), &shell.activity());
    EXPECT_EQ(shell.object("scanAction")->property("text").toString(), QStringLiteral("Scan Large & Old"));

    // Ctrl+R scans the tool in view.
    m->largeFiles()->setMinMB(1);
    // Large & Old looks in Docs, chosen through its folder bar.
    const fs::path docs = shell.home().home() / "Docs";
    shell.click(under(page(), QStringLiteral("chooseButton")));
    ASSERT_EQ(shell.folderPicker().requests().size(), 1u);
    shell.folderPicker().answer(docs);
    ASSERT_EQ(m->largeFiles()->rootPath(), QString::fromStdString(docs.native()));
    shell.key(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(m->largeFiles()->generation(), 2) << "one for the folder, one for the search";
    EXPECT_EQ(m->duplicates()->generation(), 0);
    ASSERT_TRUE(waitFor([&] { return m->largeFiles()->phaseName() == QStringLiteral("results"); }));
    ASSERT_EQ(m->largeFiles()->fileCount(), 3);
    m->largeFiles()->toggle(m->largeFiles()->files()[0].id);

    shell.click(under(page(), QStringLiteral("segment:Duplicates")));
    ASSERT_EQ(tool(), QStringLiteral("Duplicates"));
    EXPECT_EQ(toolScreenName(), QStringLiteral("duplicatesView"));
    EXPECT_EQ(shell.object("scanAction")->property("text").toString(), QStringLiteral("Scan Duplicates"));
    shell.key(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(m->duplicates()->generation(), 1) << "the duplicate search runs";
    EXPECT_EQ(m->largeFiles()->generation(), 2);
    ASSERT_TRUE(waitFor([&] { return m->duplicates()->phaseName() == QStringLiteral("results"); }));
    ASSERT_EQ(m->duplicates()->groupCount(), 1);
    ASSERT_EQ(m->duplicates()->selectedCount(), 1);
    m->duplicates()->toggle(m->duplicates()->selectedFiles()[0].id);

    // Away and back: the page opens on Large & Old again, and both tools kept what they had.
    shell.key(Qt::Key_3, Qt::ControlModifier);
    shell.key(Qt::Key_8, Qt::ControlModifier);
    ASSERT_NE(page(), nullptr);
    EXPECT_EQ(tool(), QStringLiteral("Large & Old"));
    EXPECT_EQ(toolScreenName(), QStringLiteral("largeFilesView"));
    EXPECT_EQ(shell.object("scanAction")->property("text").toString(), QStringLiteral("Scan Large & Old"));
    EXPECT_EQ(m->largeFiles()->rootPath(), QString::fromStdString(docs.native()));
    ASSERT_NE(under(page(), QStringLiteral("folderPath")), nullptr);
    EXPECT_EQ(under(page(), QStringLiteral("folderPath"))->property("text").toString(),
              QString::fromStdString(docs.native()))
        << "the folder bar shows the folder chosen before";
    EXPECT_EQ(m->largeFiles()->fileCount(), 3);
    EXPECT_EQ(m->largeFiles()->selectedCount(), 1);
    ASSERT_TRUE(waitFor([&] { return under(page(), QStringLiteral("fileRow")) != nullptr; }));
    EXPECT_TRUE(under(page(), QStringLiteral("selectionBar")) != nullptr) << "its selection shows";

    shell.click(under(page(), QStringLiteral("segment:Duplicates")));
    ASSERT_EQ(tool(), QStringLiteral("Duplicates"));
    EXPECT_EQ(m->duplicates()->phaseName(), QStringLiteral("results"));
    EXPECT_EQ(m->duplicates()->groupCount(), 1);
    EXPECT_EQ(m->duplicates()->selectedCount(), 0);
    EXPECT_EQ(m->duplicates()->rootPath(), QString::fromStdString(shell.home().home().native()))
        << "each tool keeps its own folder";
    ASSERT_TRUE(waitFor([&] { return under(page(), QStringLiteral("groupCard")) != nullptr; }));
    EXPECT_EQ(under(page(), QStringLiteral("selectionBar")), nullptr)
        << "the cleared selection stays cleared";
}

} // namespace
} // namespace qm::test
