import QtQuick
import QtQuick.Templates as T
import Quillmere.Design

// The glass surface cards sit on: its content (one child, sized by its implicit size) over a
// translucent fill standing in for the platform's ultra-thin blur material, a 1-pixel border inside the
// edge fading from white 0.20 at the top to white 0.05 at the bottom, and a shadow of black 0.22,
// blur 10, moved 3 down. Adds no padding of its own; a content child that should stretch with the card
// binds `width: parent.width`.
T.Pane {
    id: card

    // Corner radius of the surface, logical pixels.
    property real cornerRadius: 16
    // The stand-in for the blur material: white at 0.06.
    readonly property color materialFill: Qt.rgba(1, 1, 1, 0.06)
    readonly property color borderTop: Qt.rgba(1, 1, 1, 0.20)
    readonly property color borderBottom: Qt.rgba(1, 1, 1, 0.05)
    readonly property color shadowColor: Qt.rgba(0, 0, 0, 0.22)
    readonly property real shadowBlur: 10
    readonly property real shadowOffsetY: 3

    padding: 0
    implicitWidth: Math.max(implicitBackgroundWidth, contentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight, contentHeight + topPadding + bottomPadding)

    background: Item {
        RoundedShadow {
            anchors.fill: parent
            cornerRadius: card.cornerRadius
            color: card.shadowColor
            blurRadius: card.shadowBlur
            offsetY: card.shadowOffsetY
        }
        Rectangle {
            anchors.fill: parent
            radius: card.cornerRadius
            color: card.materialFill
            antialiasing: true
        }
        GradientBorder {
            anchors.fill: parent
            cornerRadius: card.cornerRadius
            topColor: card.borderTop
            bottomColor: card.borderBottom
        }
    }
}
