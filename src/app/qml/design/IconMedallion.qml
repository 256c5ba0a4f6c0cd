import QtQuick
import Quillmere.Design

// A small rounded-square symbol tile, `size` square: `tint` at 0.16 with a 1-pixel `tint` 0.40 line
// inside its edge (corner radius 12 at every size) and the symbol centred in `tint` at 0.47 × size.
Item {
    id: medallion

    property string symbol
    property color tint: Theme.accent
    // Width and height, logical pixels.
    property real size: 36

    readonly property real cornerRadius: 12
    readonly property real symbolSize: 0.47 * size
    readonly property color fillColor: Theme.withOpacity(tint, 0.16)
    readonly property color lineColor: Theme.withOpacity(tint, 0.40)
    readonly property alias symbolItem: glyph

    implicitWidth: size
    implicitHeight: size

    Rectangle {
        anchors.fill: parent
        radius: medallion.cornerRadius
        color: medallion.fillColor
        border.width: 1
        border.color: medallion.lineColor
        antialiasing: true
    }
    SymbolImage {
        id: glyph
        anchors.centerIn: parent
        name: medallion.symbol
        size: medallion.symbolSize
        color: medallion.tint
    }
}
