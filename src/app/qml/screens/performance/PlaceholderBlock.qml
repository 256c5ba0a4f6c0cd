import QtQuick
import Quillmere.Design as Design

// The grey block a text turns into while its card is a placeholder: as wide as the text's content (at
// least 24) and two thirds of its line height, rounded, centred on the line. A child of the text, whose
// owner makes the glyphs transparent meanwhile.
Rectangle {
    readonly property Text line: parent

    x: line.horizontalAlignment === Text.AlignRight ? line.width - width : 0
    y: line.height / 6
    width: Math.max(24, Math.min(line.width, line.contentWidth))
    height: line.height * 2 / 3
    radius: 3
    color: Design.Palette.fillMuted
}
