// The desktop's folder chooser opened over the real main window under a private X server, with the
// desktop's default palette (no platform theme) and with a dark one (what a dark platform theme
// gives): its title, its buttons and its selected row must read against what lies behind them, measured
// on the window's picture. The pictures go to the folder named by QM_SCREENSHOTS as chooser-<case>.png.
#include "ShellHarness.h"
#include "app/platform/GuiFolderPicker.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPalette>
#include <QQuickItem>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <utility>

namespace qm {
namespace {

// Relative luminance of an sRGB colour (0 black to 1 white).
double luminance(QRgb pixel)
{
    const auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(pixel)) + 0.7152 * channel(qGreen(pixel)) + 0.0722 * channel(qBlue(pixel));
}

// The contrast ratio (1 to 21) between the lightest and the darkest pixel inside `rect` of `image`:
// for a text on a plain ground, the text's contrast with its ground.
double contrastIn(const QImage& image, QRect rect)
{
    rect = rect.intersected(image.rect());
    double lightest = 0;
    double darkest = 1;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const double l = luminance(image.pixel(x, y));
            lightest = std::max(lightest, l);
            darkest = std::min(darkest, l);
        }
    }
    return rect.isEmpty() ? 1 : (lightest + 0.05) / (darkest + 0.05);
}

// Items of the window's scene, depth first, also those of popups (which sit in the overlay).
void collect(QQuickItem* under, QList<QQuickItem*>& into)
{
    for (QQuickItem* child : under->childItems()) {
        into.append(child);
        collect(child, into);
    }
}

QQuickItem* visibleItemWithText(QQuickWindow* window, const QString& text, const char* className)
{
    QList<QQuickItem*> items;
    collect(window->contentItem()->parentItem() ? window->contentItem()->parentItem() : window->contentItem(),
            items);
    for (QQuickItem* item : items) {
        if (item->isVisible() && item->inherits(className) && item->property("text").toString() == text &&
            item->width() > 0)
            return item;
    }
    return nullptr;
}

QQuickItem* visibleItemWithProperty(QQuickWindow* window, const char* property, const QString& value,
                                    const char* className)
{
    QList<QQuickItem*> items;
    collect(window->contentItem()->parentItem() ? window->contentItem()->parentItem() : window->contentItem(),
            items);
    for (QQuickItem* item : items) {
        if (item->isVisible() && item->inherits(className) && item->property(property).toString() == value &&
            item->width() > 0)
            return item;
    }
    return nullptr;
}

// The part of the window's picture an item covers, in the picture's pixels.
QRect pictureRect(const QQuickItem* item, const QImage& picture, const QQuickWindow* window)
{
    const QRectF scene = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
    const double scale = double(picture.width()) / window->width();
    return QRect(
        QPoint(int(scene.left() * scale), int(scene.top() * scale)),
        QPoint(int(std::ceil(scene.right() * scale)) - 1, int(std::ceil(scene.bottom() * scale)) - 1));
}

struct Case
{
    const char* name;
    bool darkDesktop;
};

// What a dark platform theme hands the application: every role of a dark scheme.
QPalette darkDesktopPalette()
{
    QPalette palette;
    const std::pair<QPalette::ColorRole, QColor> roles[] = {
        {QPalette::Window, QColor(53, 53, 53)},
        {QPalette::WindowText, QColor(238, 238, 238)},
        {QPalette::Base, QColor(35, 35, 35)},
        {QPalette::AlternateBase, QColor(45, 45, 45)},
        {QPalette::Text, QColor(238, 238, 238)},
        {QPalette::Button, QColor(60, 60, 60)},
        {QPalette::ButtonText, QColor(238, 238, 238)},
        {QPalette::BrightText, QColor(255, 90, 90)},
        {QPalette::Light, QColor(75, 75, 75)},
        {QPalette::Midlight, QColor(66, 66, 66)},
        {QPalette::Mid, QColor(45, 45, 45)},
        {QPalette::Dark, QColor(30, 30, 30)},
        {QPalette::Shadow, QColor(10, 10, 10)},
        {QPalette::Highlight, QColor(42, 130, 218)},
        {QPalette::HighlightedText, Qt::white},
        {QPalette::ToolTipBase, QColor(60, 60, 60)},
        {QPalette::ToolTipText, QColor(238, 238, 238)},
        {QPalette::PlaceholderText, QColor(150, 150, 150)},
        {QPalette::Link, QColor(90, 160, 240)},
        {QPalette::LinkVisited, QColor(170, 130, 230)},
    };
    for (const auto& [role, colour] : roles)
        palette.setColor(role, colour);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(130, 130, 130));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(130, 130, 130));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(130, 130, 130));
    return palette;
}

class FolderChooserPictureTest : public ::testing::TestWithParam<Case>
{
};

TEST_P(FolderChooserPictureTest, TitleAndButtonsReadAgainstTheirGround)
{
    const Case& c = GetParam();
    if (c.darkDesktop)
        QGuiApplication::setPalette(darkDesktopPalette());
    test::ShellHarness h;
    h.answers().fullDiskAccess = true;
    // Folders to list; "Music" is clicked, so it is the selected row.
    for (const char* folder : {"Documents", "Music"})
        std::filesystem::create_directories(h.home().home() / folder);
    ASSERT_TRUE(h.launch());
    const QString title = QStringLiteral("Choose a folder to scan");
    GuiFolderPicker picker;
    bool answered = false;
    picker.choose(title, h.home().home(), [&](const std::optional<Path>&) { answered = true; });

    QQuickItem* titleLabel = nullptr;
    QQuickItem* scan = nullptr;
    QQuickItem* cancel = nullptr;
    ASSERT_TRUE(test::waitFor([&] {
        titleLabel = visibleItemWithText(h.window(), title, "QQuickText");
        scan = visibleItemWithText(h.window(), QStringLiteral("Scan"), "QQuickAbstractButton");
        cancel = visibleItemWithText(h.window(), QStringLiteral("Cancel"), "QQuickAbstractButton");
        return titleLabel != nullptr && scan != nullptr && cancel != nullptr;
    })) << "the chooser with its title, Scan and Cancel did not show";
    QQuickItem* music = nullptr;
    ASSERT_TRUE(test::waitFor([&] {
        return (music = visibleItemWithProperty(h.window(), "fileName", QStringLiteral("Music"),
                                                "QQuickFileDialogDelegate")) != nullptr;
    })) << "the list never showed its rows";
    h.click(music);
    ASSERT_TRUE(test::waitFor([&] { return music->property("highlighted").toBool(); }))
        << "the clicked row is selected";
    // The picture is taken once the popup's opening has ended and the selected row is drawn.
    QObject* chooser = nullptr;
    ASSERT_TRUE(test::waitFor([&] {
        QQuickItem* bar =
            visibleItemWithProperty(h.window(), "objectName", QString(), "QQuickFolderBreadcrumbBar");
        chooser = bar != nullptr ? bar->property("dialog").value<QObject*>() : nullptr;
        return chooser != nullptr && chooser->property("opened").toBool();
    })) << "the chooser never finished opening";
    QQuickItem* rowLook = music->property("background").value<QQuickItem*>();
    ASSERT_NE(rowLook, nullptr);
    ASSERT_TRUE(test::waitFor([&] { return rowLook->isVisible(); }));
    const QImage picture = h.window()->grabWindow();
    ASSERT_FALSE(picture.isNull());
    if (const QByteArray folder = qgetenv("QM_SCREENSHOTS"); !folder.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(folder));
        picture.save(QString::fromLocal8Bit(folder) + QStringLiteral("/chooser-") + QLatin1String(c.name) +
                     QStringLiteral(".png"));
    }

    QQuickItem* pathBar = nullptr;
    QList<QQuickItem*> sceneItems;
    collect(h.window()->contentItem(), sceneItems);
    for (QQuickItem* item : sceneItems) {
        if (item->inherits("QQuickFolderBreadcrumbBar") && item->isVisible())
            pathBar = item->property("contentItem").value<QQuickItem*>();
    }
    ASSERT_NE(pathBar, nullptr) << "the path bar";
    // WCAG's 4.5:1 for body text; the darkest and lightest pixels of a text's box are its ink and its ground.
    const struct
    {
        const char* what;
        QQuickItem* item;
    } parts[] = {{"title", titleLabel},
                 {"path", pathBar},
                 {"Scan", scan->property("contentItem").value<QQuickItem*>()},
                 {"Cancel", cancel->property("contentItem").value<QQuickItem*>()},
                 {"selected row", music->property("contentItem").value<QQuickItem*>()}};
    EXPECT_TRUE(scan->isEnabled()) << "a folder is selected";
    for (const auto& part : parts) {
        ASSERT_NE(part.item, nullptr) << part.what;
        const double contrast = contrastIn(picture, pictureRect(part.item, picture, h.window()));
        EXPECT_GE(contrast, 4.5) << c.name << ": " << part.what << " reads at " << contrast << ":1";
    }
    EXPECT_FALSE(answered);
}

INSTANTIATE_TEST_SUITE_P(Palettes, FolderChooserPictureTest,
                         ::testing::Values(Case{"default", false}, Case{"dark-desktop", true}),
                         [](const auto& info) {
                             return std::string(info.param.darkDesktop ? "DarkDesktop" : "Default");
                         });

} // namespace
} // namespace qm
