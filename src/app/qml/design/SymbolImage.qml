import QtQuick
import Quillmere.Design
import Quillmere.Design as Design

// A system symbol, named as the design names it ("trash", "checkmark.circle.fill"), drawn with its
// glyph from the symbol table. An unknown name draws nothing.
Text {
    // The system symbol name.
    property string name
    // The glyph's size in logical pixels, fractions kept.
    property real size: 13

    text: Symbols.glyph(name)
    textFormat: Text.PlainText
    font.family: Symbols.fontFamily
    font.pointSize: Math.max(size, 0.01) * Typo.pointsPerPixel
    color: Design.Palette.textPrimary
}
