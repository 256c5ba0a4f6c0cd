#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

namespace qm {

// The symbol table for QML, where it is the singleton `Symbols`. Creating it makes sure the glyph
// font is available to the application (it loads the installed font file when fontconfig does not
// list the family).
class SymbolCatalog : public QObject
{
    Q_OBJECT
    QML_NAMED_ELEMENT(Symbols)
    QML_SINGLETON
    // The family to draw glyphs with.
    Q_PROPERTY(QString fontFamily READ fontFamily CONSTANT)
    // Every system name the table knows, sorted.
    Q_PROPERTY(QStringList names READ names CONSTANT)

public:
    explicit SymbolCatalog(QObject* parent = nullptr);

    QString fontFamily() const;
    QStringList names() const;
    // The glyph for `systemName` as text of one character, or an empty text for an unknown name.
    Q_INVOKABLE QString glyph(const QString& systemName) const;
    // The Material Icons name drawn for `systemName`, or an empty text for an unknown name.
    Q_INVOKABLE QString materialName(const QString& systemName) const;
};

} // namespace qm
