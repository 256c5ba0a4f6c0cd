// The main window worked by keys alone: every control that takes focus shows the design system's focus
// ring, the sidebar's rows take focus, move with Up and Down and open with Return or Space (so the modules
// without a shortcut are reached too), a scan starts from the keyboard, and a confirmation takes Return
// for its default button and Escape for Cancel.
#include "ShellHarness.h"
#include "app/navigation/QuillmereModule.h"
#include "app/shell/ModuleModels.h"
#include "platform/FileSystem.h"

#include <QQuickItem>
#include <QSet>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace qm::test {
namespace {

// What names a focus stop in a failure message: its object name, else its type.
std::string describe(const QQuickItem* item)
{
    if (item == nullptr)
        return "<nothing>";
    const QString name = item->objectName();
    return (name.isEmpty() ? QString::fromLatin1(item->metaObject()->className()) : name).toStdString();
}

// Every module's id, in sidebar order.
QStringList moduleIds()
{
    QStringList ids;
    for (const QuillmereModule module : QuillmereModules::allCases)
        ids.append(QuillmereModules::id(module));
    return ids;
}

// Whether the item shows the focus ring: its own, or the one its frame (a parent up to three levels
// up) draws for it.
bool showsFocusRing(const QQuickItem* item)
{
    if (item == nullptr)
        return false;
    const QQuickItem* holder = item;
    for (int level = 0; level < 4 && holder != nullptr; ++level, holder = holder->parentItem()) {
        for (const QQuickItem* child : holder->childItems()) {
            if (child->objectName() == QLatin1String("focusRing") &&
                child->property("control").value<QQuickItem*>() == item)
                return child->isVisible() && child->opacity() > 0;
        }
    }
    return false;
}

class KeyboardShellTest : public ::testing::Test
{
protected:
    QQuickItem* focused() const { return shell.window()->activeFocusItem(); }
    QString selection() const { return shell.app().navigator()->selectionId(); }
    ModuleModels* models() const { return shell.models(); }
    QQuickItem* page() const { return shell.stageScreen(); }
    // Whether the page shown has come in whole (its slot's slide and fade ended) and every other page has
    // gone out of view.
    bool pageSettled() const
    {
        QQuickItem* screen = page();
        QQuickItem* slot = screen != nullptr && screen->parentItem() != nullptr
                               ? screen->parentItem()->parentItem()
                               : nullptr;
        if (slot == nullptr || slot->opacity() < 1 || slot->x() != 0 || slot->parentItem() == nullptr)
            return false;
        for (const QQuickItem* other : slot->parentItem()->childItems()) {
            if (other != slot && other->isVisible() && other->property("module").isValid())
                return false;
        }
        return true;
    }
    // Presses Tab until the focused item's name starts with `prefix` (at most 200 presses), expecting
    // every stop on the way to show the focus ring; the item reached, or null.
    QQuickItem* tabTo(const QString& prefix)
    {
        for (int i = 0; i < 200; ++i) {
            shell.key(Qt::Key_Tab);
            QQuickItem* item = focused();
            EXPECT_TRUE(showsFocusRing(item)) << "Tab stop " << describe(item) << " shows no focus ring";
            if (item != nullptr && item->objectName().startsWith(prefix))
                return item;
        }
        ADD_FAILURE() << "Tab never reached " << prefix.toStdString();
        return nullptr;
    }

    ShellHarness shell;
};

// From the first Tab, every module is reached through the sidebar with Up, Down, Return and Space, the
// two without a shortcut (Disk, Cloud Cleanup) included; the focused row shows the ring.
TEST_F(KeyboardShellTest, EveryModuleIsReachedThroughTheSidebarByKeys)
{
    shell.answers().fullDiskAccess = true;
    ASSERT_TRUE(shell.launch());
    ASSERT_NE(tabTo(QStringLiteral("sidebarRow:")), nullptr);
    const QStringList modules = moduleIds();
    for (int i = 0; i < modules.size(); ++i)
        shell.key(Qt::Key_Up);
    ASSERT_EQ(focused(), shell.item(("sidebarRow:" + modules.first().toStdString()).c_str()))
        << "Up stops at the first row";

    for (int i = 0; i < modules.size(); ++i) {
        const QString& module = modules[i];
        ASSERT_EQ(describe(focused()), "sidebarRow:" + module.toStdString());
        EXPECT_TRUE(showsFocusRing(focused())) << module.toStdString();
        shell.key(i % 2 == 0 ? Qt::Key_Return : Qt::Key_Space);
        EXPECT_EQ(selection(), module) << "the row opens its module";
        EXPECT_EQ(describe(focused()), "sidebarRow:" + module.toStdString()) << "the row keeps the focus";
        shell.key(Qt::Key_Down);
    }
    EXPECT_EQ(describe(focused()), "sidebarRow:" + modules.last().toStdString())
        << "Down stops at the last row";
}

// On every module's page as it first shows, each stop of the Tab chain (the whole circle from the
// page's sidebar row back to it) shows the one focus ring.
TEST_F(KeyboardShellTest, EveryFocusStopOfEveryPageShowsTheFocusRing)
{
    shell.answers().fullDiskAccess = true;
    ASSERT_TRUE(shell.launch());
    for (const QString& module : moduleIds()) {
        QQuickItem* row = shell.item(("sidebarRow:" + module.toStdString()).c_str());
        ASSERT_NE(row, nullptr) << module.toStdString();
        row->forceActiveFocus(Qt::TabFocusReason);
        shell.key(Qt::Key_Space);
        ASSERT_EQ(selection(), module);
        ASSERT_TRUE(waitFor([&] { return pageSettled(); }))
            << module.toStdString() << "'s page never settled";
        QSet<QQuickItem*> seen;
        for (int i = 0; i < 200; ++i) {
            shell.key(Qt::Key_Tab);
            QQuickItem* item = focused();
            if (item == row || seen.contains(item))
                break;
            seen.insert(item);
            EXPECT_TRUE(showsFocusRing(item))
                << module.toStdString() << ": focus stop " << describe(item) << " shows no focus ring";
        }
        EXPECT_GT(seen.size(), 0) << module.toStdString();
    }
}

// On the Cleanup page: a scan started with Space on the focused Scan button; the Trash's confirmation
// opened with Space, closed by Escape without emptying, opened again and confirmed with Return.
TEST_F(KeyboardShellTest, AScanAndAConfirmationByKeysAlone)
{
    shell.answers().fullDiskAccess = true;
    const Path files = shell.home().dataHome() / "Trash" / "files";
    ASSERT_TRUE(FileSystem().createDirectories(files).ok());
    ASSERT_TRUE(FileSystem().createExclusive(files / "old.txt", QByteArray("x")).ok());
    ASSERT_TRUE(shell.launch());
    ModuleModels* m = models();
    ASSERT_NE(m, nullptr);

    QQuickItem* row = tabTo(QStringLiteral("sidebarRow:"));
    ASSERT_NE(row, nullptr);
    while (focused() != shell.item("sidebarRow:Cleanup")) {
        const QString before = describe(focused()).c_str();
        shell.key(Qt::Key_Down);
        ASSERT_NE(describe(focused()), before.toStdString()) << "Down never reached Cleanup";
    }
    shell.key(Qt::Key_Return);
    ASSERT_EQ(selection(), QStringLiteral("Cleanup"));

    ASSERT_NE(tabTo(QStringLiteral("idleScanButton")), nullptr);
    shell.key(Qt::Key_Space);
    EXPECT_EQ(m->cleanup()->generation(), 1) << "Space on the Scan button starts the scan";
    ASSERT_TRUE(waitFor([&] { return m->cleanup()->phase() != CleanupViewModel::Phase::scanning; }));
    ASSERT_TRUE(waitFor([&] { return !m->cleanup()->trashIsEmpty(); }));

    ASSERT_NE(tabTo(QStringLiteral("emptyTrashButton")), nullptr);
    shell.key(Qt::Key_Space);
    ASSERT_TRUE(waitFor([&] { return m->cleanup()->showEmptyConfirm(); }));
    ASSERT_TRUE(waitFor([&] { return describe(focused()) == "destructiveButton"; }))
        << "the default button takes the focus: " << describe(focused());
    EXPECT_TRUE(showsFocusRing(focused()));
    shell.key(Qt::Key_Escape);
    EXPECT_TRUE(waitFor([&] { return !m->cleanup()->showEmptyConfirm(); })) << "Escape cancels";
    EXPECT_TRUE(std::filesystem::exists(files / "old.txt"));

    ASSERT_NE(tabTo(QStringLiteral("emptyTrashButton")), nullptr);
    shell.key(Qt::Key_Space);
    ASSERT_TRUE(waitFor([&] { return m->cleanup()->showEmptyConfirm(); }));
    ASSERT_TRUE(waitFor([&] { return describe(focused()) == "destructiveButton"; }));
    shell.key(Qt::Key_Return);
    EXPECT_TRUE(waitFor([&] { return !std::filesystem::exists(files / "old.txt"); }))
        << "Return on the default button empties the Trash";
    EXPECT_FALSE(m->cleanup()->showEmptyConfirm());
}

// Return and Enter press the focused button, as Space does: a page's button, and a confirmation's Cancel
// even though Return is the confirmation's key for its default button. Once the confirmation is gone,
// the button that opened it has the focus again and shows its ring.
TEST_F(KeyboardShellTest, ReturnAndEnterPressTheFocusedButton)
{
    shell.answers().fullDiskAccess = true;
    const Path files = shell.home().dataHome() / "Trash" / "files";
    ASSERT_TRUE(FileSystem().createDirectories(files).ok());
    ASSERT_TRUE(FileSystem().createExclusive(files / "old.txt", QByteArray("x")).ok());
    ASSERT_TRUE(shell.launch());
    ModuleModels* m = models();
    ASSERT_NE(m, nullptr);
    shell.app().navigator()->select(QStringLiteral("Cleanup"));

    QQuickItem* scan = tabTo(QStringLiteral("idleScanButton"));
    ASSERT_NE(scan, nullptr);
    shell.key(Qt::Key_Return);
    EXPECT_EQ(m->cleanup()->generation(), 1) << "Return on the Scan button starts the scan";
    ASSERT_TRUE(waitFor([&] { return m->cleanup()->phase() != CleanupViewModel::Phase::scanning; }));
    ASSERT_TRUE(waitFor([&] { return !m->cleanup()->trashIsEmpty(); }));

    for (const Qt::Key key : {Qt::Key_Enter, Qt::Key_Return}) {
        QQuickItem* opener = tabTo(QStringLiteral("emptyTrashButton"));
        ASSERT_NE(opener, nullptr);
        shell.key(key);
        ASSERT_TRUE(waitFor([&] { return m->cleanup()->showEmptyConfirm(); }))
            << "the key opens the confirmation";
        ASSERT_TRUE(waitFor([&] { return describe(focused()) == "destructiveButton"; }));
        if (key == Qt::Key_Enter) {
            shell.key(Qt::Key_Escape);
        } else {
            shell.key(Qt::Key_Tab);
            ASSERT_EQ(describe(focused()), "cancelButton");
            shell.key(Qt::Key_Return);
        }
        EXPECT_TRUE(waitFor([&] { return !m->cleanup()->showEmptyConfirm(); }));
        EXPECT_TRUE(std::filesystem::exists(files / "old.txt")) << "Cancel empties nothing";
        EXPECT_TRUE(waitFor([&] { return focused() == opener; })) << "the focus is back on the button";
        EXPECT_TRUE(showsFocusRing(opener)) << "the button that opened the confirmation shows its ring";
    }
}

// A Go menu shortcut pressed while a sidebar row holds the focus takes the focus and its ring to the row
// it selects: one row is highlighted, never two.
TEST_F(KeyboardShellTest, TheFocusFollowsASelectionMadeByShortcut)
{
    shell.answers().fullDiskAccess = true;
    ASSERT_TRUE(shell.launch());
    QQuickItem* first = tabTo(QStringLiteral("sidebarRow:"));
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(describe(first), "sidebarRow:Smart Scan");
    const QStringList modules = moduleIds();
    for (const int digit : {3, 9, 1}) {
        shell.key(Qt::Key(Qt::Key_0 + digit), Qt::ControlModifier);
        const QString module = modules[digit - 1];
        ASSERT_EQ(selection(), module);
        EXPECT_EQ(describe(focused()), "sidebarRow:" + module.toStdString()) << "Ctrl+" << digit;
        for (const QString& other : modules) {
            QQuickItem* row = shell.item(("sidebarRow:" + other.toStdString()).c_str());
            EXPECT_EQ(showsFocusRing(row), other == module)
                << "Ctrl+" << digit << ": " << other.toStdString();
        }
    }
}

} // namespace
} // namespace qm::test
