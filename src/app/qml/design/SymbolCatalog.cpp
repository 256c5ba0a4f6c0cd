#include "app/qml/design/SymbolCatalog.h"

#include "app/qml/design/Symbols.h"

#include <QFontDatabase>

namespace qm {
namespace {

QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void ensureGlyphFont()
{
    static const bool loaded = [] {
        const QString family = toQString(Symbols::fontFamily);
        if (QFontDatabase::families().contains(family))
            return true;
        return QFontDatabase::addApplicationFont(toQString(Symbols::fontFile)) >= 0;
    }();
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
