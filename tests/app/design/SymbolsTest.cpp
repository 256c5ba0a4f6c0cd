#include "app/qml/design/Symbols.h"

#include "app/navigation/QuillmereModule.h"
#include "app/qml/design/SymbolCatalog.h"

#include <QFile>
#include <QFontDatabase>
#include <QHash>
#include <QRawFont>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <string>

namespace qm {
namespace {

// The font package's own list of glyph names and code points (its SCSS variables), read as the oracle
// for the table's code points.
QHash<QString, char32_t> packagedCodepoints()
{
    QFile file(QStringLiteral("/usr/share/fonts-material-design-icons-iconfont/scss/_variables.scss"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    QHash<QString, char32_t> codepoints;
    static const QRegularExpression entry(QStringLiteral(R"re("([a-z0-9_]+)":\s*([0-9a-f]+),)re"));
    for (auto it = entry.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        codepoints.insert(match.captured(1), match.captured(2).toUInt(nullptr, 16));
    }
    return codepoints;
}

QString qs(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

TEST(SymbolsTest, EveryGlyphIsTheNamedIconOfTheInstalledFont)
{
    const QHash<QString, char32_t> codepoints = packagedCodepoints();
    ASSERT_GT(codepoints.size(), 1000) << "the icon font package's code point list is missing";
    const QRawFont font(qs(Symbols::fontFile), 24);
    ASSERT_TRUE(font.isValid()) << "the icon font file is missing";

    ASSERT_FALSE(Symbols::all().empty());
    for (const SymbolGlyph& entry : Symbols::all()) {
        SCOPED_TRACE(std::string(entry.systemName));
        const QString material = qs(entry.materialName);
        ASSERT_TRUE(codepoints.contains(material)) << "no icon named " << material.toStdString();
        EXPECT_EQ(entry.codepoint, codepoints.value(material));
        EXPECT_TRUE(font.supportsCharacter(static_cast<uint>(entry.codepoint)));
        EXPECT_EQ(Symbols::glyph(entry.systemName), QString::fromUcs4(&entry.codepoint, 1));
    }
}

TEST(SymbolsTest, LookupIsExactAndSortedWithoutRepeats)
{
    const auto all = Symbols::all();
    for (std::size_t i = 1; i < all.size(); ++i)
        EXPECT_LT(all[i - 1].systemName, all[i].systemName);

    ASSERT_TRUE(Symbols::find("trash").has_value());
    EXPECT_EQ(Symbols::find("trash")->materialName, "delete_outline");
    EXPECT_EQ(Symbols::find("trash.fill")->materialName, "delete");
    for (const char* unknown : {"", "Trash", "trash ", "trash.", "trash.circle", "zzz"}) {
        SCOPED_TRACE(unknown);
        EXPECT_FALSE(Symbols::find(unknown).has_value());
        EXPECT_TRUE(Symbols::glyph(unknown).isEmpty());
    }
}

TEST(SymbolsTest, EveryModuleSymbolHasAGlyph)
{
    for (QuillmereModule module : QuillmereModules::allCases) {
        const QString symbol = QuillmereModules::systemImage(module);
        EXPECT_TRUE(Symbols::find(symbol.toStdString()).has_value()) << symbol.toStdString();
    }
}

TEST(SymbolCatalogTest, MakesTheGlyphFontAvailable)
{
    const SymbolCatalog catalog;
    EXPECT_TRUE(QFontDatabase::families().contains(catalog.fontFamily()));
    EXPECT_EQ(catalog.names().size(), static_cast<qsizetype>(Symbols::all().size()));
    EXPECT_EQ(catalog.glyph(QStringLiteral("sparkles")), QString(QChar(0xE65F)));
    EXPECT_EQ(catalog.materialName(QStringLiteral("sparkles")), QStringLiteral("auto_awesome"));
    EXPECT_EQ(catalog.glyph(QStringLiteral("no.such.symbol")), QString());
}

} // namespace
} // namespace qm
