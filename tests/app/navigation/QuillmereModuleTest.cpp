#include "app/navigation/QuillmereModule.h"

#include "app/navigation/ModuleCatalog.h"
#include "app/navigation/QuillmereCommands.h"

#include <QColor>
#include <QKeySequence>

#include <gtest/gtest.h>

#include <optional>

namespace qm {
namespace {

struct ModuleRow
{
    QuillmereModule module;
    const char* raw;   // the id, which never follows the title
    const char* title; // the shown name
    const char* symbol;
    const char* hex;      // the tint, written as hex to check the component table independently
    const char* shortcut; // portable text, or nullptr for none
};

// Sidebar order.
const ModuleRow kModules[] = {
    {QuillmereModule::smartScan, "Smart Scan", "Smart Scan", "sparkles", "#8E7CF3", "Ctrl+1"},
    {QuillmereModule::health, "Mac Health", "System Health", "heart.text.square", "#7C8CF5", "Ctrl+2"},
    {QuillmereModule::cleanup, "Cleanup", "Cleanup", "trash", "#3ECF8E", "Ctrl+3"},
    {QuillmereModule::protection, "Protection", "Protection", "checkmark.shield", "#F06A9B", "Ctrl+4"},
    {QuillmereModule::performance, "Performance", "Performance", "bolt", "#4FA0F5", "Ctrl+5"},
    {QuillmereModule::battery, "Battery", "Battery", "battery.100", "#67CD84", "Ctrl+6"},
    {QuillmereModule::applications, "Applications", "Applications", "square.grid.2x2", "#5E8BF0", "Ctrl+7"},
    {QuillmereModule::files, "Files", "Files", "folder", "#3EC9BA", "Ctrl+8"},
    {QuillmereModule::spaceLens, "Space Lens", "Space Lens", "circle.hexagongrid.fill", "#46B8DE", "Ctrl+9"},
    {QuillmereModule::disk, "Disk", "Disk", "internaldrive", "#E9A94F", nullptr},
    {QuillmereModule::cloud, "Cloud Cleanup", "Cloud Cleanup", "icloud", "#5CB8F2", nullptr},
};

TEST(QuillmereModuleTest, ModulesComeInSidebarOrderWithTheirTitlesSymbolsAndTints)
{
    ASSERT_EQ(QuillmereModules::allCases.size(), std::size(kModules));
    for (std::size_t i = 0; i < std::size(kModules); ++i) {
        const ModuleRow& row = kModules[i];
        SCOPED_TRACE(row.title);
        const QuillmereModule module = QuillmereModules::allCases[i];
        EXPECT_EQ(module, row.module);
        EXPECT_EQ(QuillmereModules::index(module), static_cast<int>(i));
        EXPECT_EQ(QuillmereModules::rawValue(module), QString::fromUtf8(row.raw));
        EXPECT_EQ(QuillmereModules::id(module), QString::fromUtf8(row.raw));
        EXPECT_EQ(QuillmereModules::title(module), QString::fromUtf8(row.title));
        EXPECT_EQ(QuillmereModules::systemImage(module), QString::fromUtf8(row.symbol));

        const QColor tint = QuillmereModules::tint(module);
        const QColor expected(QString::fromLatin1(row.hex));
        EXPECT_EQ(tint, expected);
        EXPECT_EQ(tint.spec(), QColor::Rgb);
        // Stored exactly: each 16-bit component is the 8-bit integer times 257, i.e. exactly n / 255.
        const QRgba64 wide = tint.rgba64();
        EXPECT_EQ(wide.red(), expected.red() * 257);
        EXPECT_EQ(wide.green(), expected.green() * 257);
        EXPECT_EQ(wide.blue(), expected.blue() * 257);
        EXPECT_EQ(wide.alpha(), 65535);
    }
}

TEST(QuillmereModuleTest, RawValuesAreExactAndStayWhenATitleChanges)
{
    for (QuillmereModule module : QuillmereModules::allCases)
        EXPECT_EQ(QuillmereModules::fromRawValue(QuillmereModules::rawValue(module)), module);

    EXPECT_EQ(QuillmereModules::fromRawValue(QStringLiteral("Cloud Cleanup")), QuillmereModule::cloud);
    EXPECT_EQ(QuillmereModules::fromRawValue(QStringLiteral("Space Lens")), QuillmereModule::spaceLens);
    EXPECT_EQ(QuillmereModules::fromRawValue(QStringLiteral("Mac Health")), QuillmereModule::health);

    // A shown title that differs from the raw value identifies nothing.
    const char* const notRawValues[] = {"cloud",    "smartScan",     "cleanup",     "CLEANUP",
                                        " Cleanup", "Cleanup ",      "Cloud",       "Cloud  Cleanup",
                                        "",         "System Health", "Mac Health\n"};
    for (const char* text : notRawValues) {
        SCOPED_TRACE(text);
        EXPECT_EQ(QuillmereModules::fromRawValue(QString::fromUtf8(text)), std::nullopt);
    }
}

TEST(QuillmereModuleTest, CleanupTintIsTheSuccessColour)
{
    EXPECT_EQ(QuillmereModules::tint(QuillmereModule::cleanup), QColor(62, 207, 142));
}

TEST(QuillmereCommandsTest, OnlyTheFirstNineModulesHaveShortcuts)
{
    for (std::size_t i = 0; i < std::size(kModules); ++i) {
        SCOPED_TRACE(kModules[i].title);
        const std::optional<QKeySequence> shortcut = QuillmereCommands::shortcut(static_cast<int>(i));
        if (kModules[i].shortcut == nullptr) {
            EXPECT_EQ(shortcut, std::nullopt);
            continue;
        }
        ASSERT_TRUE(shortcut.has_value());
        EXPECT_EQ(shortcut->count(), 1);
        EXPECT_EQ(*shortcut, QKeySequence::fromString(QString::fromLatin1(kModules[i].shortcut),
                                                      QKeySequence::PortableText));
    }
    EXPECT_EQ(QuillmereCommands::shortcut(8), QKeySequence(Qt::CTRL | Qt::Key_9));
    EXPECT_EQ(QuillmereCommands::shortcut(-1), std::nullopt);
    EXPECT_EQ(QuillmereCommands::shortcut(100), std::nullopt);
}

TEST(ModuleCatalogTest, AnswersByIdAndEmptyForUnknownIds)
{
    const ModuleCatalog catalog;
    QStringList ids;
    for (const ModuleRow& row : kModules)
        ids.append(QString::fromUtf8(row.raw));
    EXPECT_EQ(catalog.allCases(), ids);

    EXPECT_TRUE(catalog.isModule(QStringLiteral("Cloud Cleanup")));
    EXPECT_EQ(catalog.indexOf(QStringLiteral("Space Lens")), 8);
    EXPECT_EQ(catalog.systemImage(QStringLiteral("Protection")), QStringLiteral("checkmark.shield"));
    EXPECT_EQ(catalog.tint(QStringLiteral("Protection")), QColor(240, 106, 155));
    EXPECT_EQ(catalog.shortcut(8), QStringLiteral("Ctrl+9"));
    EXPECT_EQ(catalog.shortcut(9), QString());
    EXPECT_EQ(catalog.title(QStringLiteral("Mac Health")), QStringLiteral("System Health"));
    EXPECT_EQ(catalog.title(QStringLiteral("Disk")), QStringLiteral("Disk"));
    EXPECT_EQ(catalog.indexOf(QStringLiteral("Mac Health")), 1);

    EXPECT_FALSE(catalog.isModule(QStringLiteral("cloud")));
    EXPECT_EQ(catalog.indexOf(QStringLiteral("cloud")), -1);
    EXPECT_EQ(catalog.systemImage(QStringLiteral("cloud")), QString());
    EXPECT_FALSE(catalog.tint(QStringLiteral("cloud")).isValid());
    EXPECT_EQ(catalog.title(QStringLiteral("cloud")), QString());
    EXPECT_FALSE(catalog.isModule(QStringLiteral("System Health")));
    EXPECT_EQ(catalog.title(QStringLiteral("System Health")), QString());
}

} // namespace
} // namespace qm
