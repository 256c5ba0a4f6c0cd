// What "Scan" answers in the desktop's folder chooser, opened over the real main window under a private
// X server and worked by keys, by the pointer and by a typed path: the row the user chose in the list
// since the folder shown was entered, else the folder shown, also a folder without subfolders.
#include "ShellHarness.h"
#include "app/platform/GuiFolderPicker.h"

#include <QQuickItem>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace qm {
namespace {

// Items of the window's scene, depth first, also those of popups (which sit in the overlay).
void collect(QQuickItem* under, QList<QQuickItem*>& into)
{
    for (QQuickItem* child : under->childItems()) {
        into.append(child);
        collect(child, into);
    }
}

QList<QQuickItem*> sceneItems(QQuickWindow* window)
{
    QList<QQuickItem*> items;
    collect(window->contentItem()->parentItem() ? window->contentItem()->parentItem() : window->contentItem(),
            items);
    return items;
}

QQuickItem* visibleButton(QQuickWindow* window, const QString& text)
{
    for (QQuickItem* item : sceneItems(window)) {
        if (item->isVisible() && item->inherits("QQuickAbstractButton") &&
            item->property("text").toString() == text)
            return item;
    }
    return nullptr;
}

QQuickItem* pathBar(QQuickWindow* window)
{
    for (QQuickItem* item : sceneItems(window)) {
        if (item->inherits("QQuickFolderBreadcrumbBar") && item->isVisible())
            return item;
    }
    return nullptr;
}

// The list's row that shows `name`, or null.
QQuickItem* row(QQuickWindow* window, const QString& name)
{
    for (QQuickItem* item : sceneItems(window)) {
        if (item->isVisible() && item->inherits("QQuickFileDialogDelegate") &&
            item->property("fileName").toString() == name)
            return item;
    }
    return nullptr;
}

// One thing the user does in the chooser.
struct Step
{
    enum Kind { Key, Click, Type, Up } kind;
    Qt::Key key = Qt::Key_unknown;
    // The row clicked, or the path typed (below the home folder).
    const char* text = "";
};

struct Case
{
    const char* name;
    // Where the chooser opens, below the home folder.
    const char* start;
    std::vector<Step> steps;
    // What "Scan" answers, below the home folder ("" for the home folder itself).
    const char* expected;
};

class FolderChooserChoiceTest : public ::testing::TestWithParam<Case>
{
};

TEST_P(FolderChooserChoiceTest, ScanAnswersTheRowChosenElseTheFolderShown)
{
    const Case& c = GetParam();
    test::ShellHarness h;
    h.answers().fullDiskAccess = true;
    const Path home = h.home().home();
    for (const char* folder : {"Documents/Backup", "Documents/Notes", "Empty", "Music"})
        std::filesystem::create_directories(home / folder);
    ASSERT_TRUE(h.launch());
    GuiFolderPicker picker;
    bool answered = false;
    std::optional<Path> answer;
    const Path start = std::string(c.start).empty() ? home : home / c.start;
    picker.choose(QStringLiteral("Choose a folder to scan"), start, [&](const std::optional<Path>& folder) {
        answered = true;
        answer = folder;
    });
    QQuickItem* scan = nullptr;
    ASSERT_TRUE(test::waitFor([&] {
        scan = visibleButton(h.window(), QStringLiteral("Scan"));
        return scan != nullptr && pathBar(h.window()) != nullptr;
    })) << "the chooser did not show";
    // Whether the list shows the rows of the folder shown, and only those: a step has landed.
    const auto listed = [&] {
        QObject* chooser = pathBar(h.window())->property("dialog").value<QObject*>();
        const std::optional<Path> shown =
            chooser ? GuiFolderPicker::localPath(chooser->property("currentFolder").toUrl()) : std::nullopt;
        if (!shown)
            return false;
        int subfolders = 0;
        for (const auto& entry : std::filesystem::directory_iterator(*shown)) {
            if (!entry.is_directory() || entry.path().filename().native().front() == '.')
                continue;
            ++subfolders;
            if (row(h.window(), QString::fromStdString(entry.path().filename().native())) == nullptr)
                return false;
        }
        int rows = 0;
        for (QQuickItem* item : sceneItems(h.window())) {
            if (item->isVisible() && item->inherits("QQuickFileDialogDelegate"))
                ++rows;
        }
        return rows == subfolders;
    };
    ASSERT_TRUE(test::waitFor(listed)) << "the list never showed the start folder";

    for (const Step& step : c.steps) {
        switch (step.kind) {
        case Step::Key:
            h.key(step.key);
            break;
        case Step::Click: {
            QQuickItem* target = nullptr;
            ASSERT_TRUE(test::waitFor([&] {
                return (target = row(h.window(), QString::fromUtf8(step.text)));
            })) << "no row "
                << step.text;
            h.click(target);
            break;
        }
        case Step::Type: {
            h.key(Qt::Key_L, Qt::ControlModifier);
            auto* field = pathBar(h.window())->property("textField").value<QQuickItem*>();
            ASSERT_NE(field, nullptr);
            ASSERT_TRUE(test::waitFor([&] { return field->isVisible() && field->hasActiveFocus(); }))
                << "Ctrl+L shows no path field";
            field->setProperty("text", QString::fromStdString((home / step.text).native()));
            h.key(Qt::Key_Return);
            QObject* chooser = pathBar(h.window())->property("dialog").value<QObject*>();
            ASSERT_TRUE(test::waitFor([&] {
                return GuiFolderPicker::localPath(chooser->property("currentFolder").toUrl()) ==
                       home / step.text;
            })) << "the typed path was not taken";
            ASSERT_TRUE(test::waitFor([&] { return !field->isVisible(); }))
                << "the path field stays, focus " << field->hasActiveFocus();
            break;
        }
        case Step::Up: {
            auto* up = pathBar(h.window())->property("upButton").value<QQuickItem*>();
            ASSERT_NE(up, nullptr);
            h.click(up);
            break;
        }
        }
        ASSERT_TRUE(test::waitFor(listed))
            << "after a step of " << c.name << ", the list shows another folder";
    }
    ASSERT_TRUE(test::waitFor([&] { return scan->isEnabled(); })) << "Scan stays greyed out";
    h.click(scan);
    ASSERT_TRUE(test::waitFor([&] { return answered; })) << "Scan did not close the chooser";
    ASSERT_TRUE(answer.has_value());
    const Path expected = std::string(c.expected).empty() ? home : home / c.expected;
    EXPECT_EQ(answer->native(), expected.native()) << c.name;
}

const Case kCases[] = {
    {"AtOnce", "", {}, ""},
    {"ArrowDown", "", {{Step::Key, Qt::Key_Down}}, "Documents"},
    {"ArrowDownTwice", "", {{Step::Key, Qt::Key_Down}, {Step::Key, Qt::Key_Down}}, "Empty"},
    {"ClickedRow", "", {{Step::Click, {}, "Music"}}, "Music"},
    {"ClickedFirstRow", "", {{Step::Click, {}, "Documents"}}, "Documents"},
    {"TypedPath", "", {{Step::Type, {}, "Documents"}}, "Documents"},
    {"TypedPathThenArrow",
     "",
     {{Step::Type, {}, "Documents"}, {Step::Key, Qt::Key_Down}},
     "Documents/Backup"},
    {"TypedPathThenClick",
     "",
     {{Step::Type, {}, "Documents"}, {Step::Click, {}, "Notes"}},
     "Documents/Notes"},
    {"EmptyFolder", "Empty", {}, "Empty"},
    {"TypedEmptyFolder", "", {{Step::Type, {}, "Empty"}}, "Empty"},
    {"GoneUp", "Documents", {{Step::Up}}, ""},
    {"ClickedThenGoneUp", "Documents", {{Step::Click, {}, "Notes"}, {Step::Up}}, ""},
    {"GoneUpThenArrow", "Documents", {{Step::Up}, {Step::Key, Qt::Key_Down}}, "Documents"},
};

INSTANTIATE_TEST_SUITE_P(Choices, FolderChooserChoiceTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace qm
