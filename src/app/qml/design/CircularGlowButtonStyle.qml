import QtQuick
import QtQuick.Templates as T
import Quillmere.Design

// A round glowing button, `diameter` square: the label (text, or a symbol when one is given) in
// 15-pixel semibold white, centred on a disc shaded from `tint` at the top to `tint` at 0.65 at the
// bottom, a 1-pixel white 0.30 ring inside its edge and a glow of `tint` at 0.55 (blur 22, moved 3
// down). Pressing (`down`) shrinks it to 0.95 about the centre, eased out over 0.12 s; its opacity never
// changes and it has no hover or disabled look. Keyboard focus shows the design system's focus ring,
// round.
T.Button {
    id: control
    FocusRing {
        cornerRadius: control.diameter / 2
    }

    property color tint: Theme.accent
    // Width and height, logical pixels.
    property real diameter: 72
    // Optional system symbol drawn instead of the text; empty for none.
    property string symbol: ""

    readonly property color topColor: tint
    readonly property color bottomColor: Theme.withOpacity(tint, 0.65)
    readonly property color ringColor: Qt.rgba(1, 1, 1, 0.30)
    readonly property color glowColor: Theme.withOpacity(tint, 0.55)
    readonly property real glowBlur: 22
    readonly property real glowOffsetY: 3

    font: Typo.system(15, Font.DemiBold)
    padding: 0
    implicitWidth: diameter
    implicitHeight: diameter

    scale: down ? 0.95 : 1
    Behavior on scale {
        NumberAnimation { duration: 120; easing.type: Easing.Bezier; easing.bezierCurve: [0, 0, 0.58, 1, 1, 1] }
    }

    contentItem: Item {
        SymbolImage {
            anchors.centerIn: parent
            visible: control.symbol !== ""
            name: control.symbol
            size: Typo.pixelSize(control.font)
            color: "white"
        }
        Text {
            anchors.centerIn: parent
            visible: control.symbol === ""
            text: control.text
            textFormat: Text.PlainText
            font: control.font
            color: "white"
        }
    }

    background: Item {
        BlurredDisc {
            objectName: "glow"
            anchors.centerIn: parent
            anchors.verticalCenterOffset: control.glowOffsetY
            diameter: control.diameter
            color: control.glowColor
            blurRadius: control.glowBlur
        }
        Rectangle {
            objectName: "disc"
            anchors.fill: parent
            radius: width / 2
            border.width: 1
            border.color: control.ringColor
            antialiasing: true
            gradient: Gradient {
                GradientStop { position: 0; color: control.topColor }
                GradientStop { position: 1; color: control.bottomColor }
            }
        }
    }
}
