#include "app/qml/design/SymbolCatalog.h"

#include "app/qml/design/Symbols.h"

#include <QFontDatabase>

namespace qm {
namespace {

QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Registers the symbol font from its TrueType file, also when the system lists the family already: the
// system may list it from a WOFF2 copy too, and Qt may pick that one, which FreeType then decompresses
// in every thread that draws a symbol (the GUI thread for layout, the render thread for glyphs) before
// the first frame. Without the file, the system's family is used as it is.
void ensureGlyphFont()
{
    static const bool loaded = QFontDatabase::addApplicationFont(toQString(Symbols::fontFile)) >= 0 ||
                               QFontDatabase::families().contains(toQString(Symbols::fontFamily));
    (void)loaded;
}

} // namespace

SymbolCatalog::SymbolCatalog(QObject* parent) : QObject(parent)
{
    ensureGlyphFont();
}

QString SymbolCatalog::fontFamily() const
{
    return toQString(Symbols::fontFamily);
}

QStringList SymbolCatalog::names() const
{
    QStringList result;
    for (const SymbolGlyph& entry : Symbols::all())
        result.append(toQString(entry.systemName));
    return result;
}

QString SymbolCatalog::glyph(const QString& systemName) const
{
    return Symbols::glyph(systemName.toStdString());
}

QString SymbolCatalog::materialName(const QString& systemName) const
{
    const std::optional<SymbolGlyph> entry = Symbols::find(systemName.toStdString());
    return entry ? toQString(entry->materialName) : QString();
}

} // namespace qm
