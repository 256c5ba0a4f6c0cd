import QtQuick
import Quillmere.Design

// The large glowing symbol badge of idle and empty states, `size` square, four layers back to front:
// a glow (the frame-filling disc in `tint` at 0.45, blur 28); a disc shaded from `tint` at 0.95 to
// `tint` at 0.40 with a white 0.25 ring inside its edge, casting a `tint` 0.50 shadow (blur 28, 10
// down); a white 0.18 highlight 0.62 × size wide, blurred 14 and raised by 0.22 × size; and the symbol
// in white at 0.40 × size with a black 0.25 shadow (blur 5, 2 down). Blurs spread past the frame.
Item {
    id: medallion

    property string symbol
    property color tint: Theme.accent
    // Width and height of the frame, logical pixels.
    property real size: 120

    readonly property real highlightSize: 0.62 * size
    readonly property real highlightOffsetY: -0.22 * size
    readonly property real symbolSize: 0.40 * size
    readonly property alias symbolItem: glyph

    implicitWidth: size
    implicitHeight: size
    width: size
    height: size

    BlurredDisc {
        objectName: "glow"
        anchors.centerIn: parent
        diameter: medallion.size
        color: Theme.withOpacity(medallion.tint, 0.45)
        blurRadius: 28
    }
    BlurredDisc {
        objectName: "discShadow"
        anchors.centerIn: parent
        anchors.verticalCenterOffset: 10
        diameter: medallion.size
        color: Theme.withOpacity(medallion.tint, 0.50)
        blurRadius: 28
    }
    Rectangle {
        objectName: "disc"
        anchors.fill: parent
        radius: width / 2
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, 0.25)
        antialiasing: true
        gradient: Gradient {
            GradientStop { position: 0; color: Theme.withOpacity(medallion.tint, 0.95) }
            GradientStop { position: 1; color: Theme.withOpacity(medallion.tint, 0.40) }
        }
    }
    BlurredDisc {
        id: highlight
        objectName: "highlight"
        anchors.centerIn: parent
        anchors.verticalCenterOffset: medallion.highlightOffsetY
        diameter: medallion.highlightSize
        color: Qt.rgba(1, 1, 1, 0.18)
        blurRadius: 14
    }

    // The symbol's soft shadow: copies of the glyph around the 2-down offset, together about black 0.25.
    Repeater {
        model: [[0, 2, 0.12], [-1, 2, 0.05], [1, 2, 0.05], [0, 1, 0.05], [0, 3, 0.05]]

        SymbolImage {
            required property var modelData
            anchors.centerIn: parent
            anchors.horizontalCenterOffset: modelData[0]
            anchors.verticalCenterOffset: modelData[1]
            name: medallion.symbol
            size: medallion.symbolSize
            color: Qt.rgba(0, 0, 0, modelData[2])
        }
    }
    SymbolImage {
        id: glyph
        objectName: "symbol"
        anchors.centerIn: parent
        name: medallion.symbol
        size: medallion.symbolSize
        color: "white"
    }
}
