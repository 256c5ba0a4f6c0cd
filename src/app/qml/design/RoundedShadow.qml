import QtQuick
import "Gaussian.js" as Gaussian

// The soft shadow of a rounded rectangle the size of this item, moved by the offset, drawn as thin
// rings of falling opacity outside the moved shape (a live blur is too slow on this platform). Nothing
// is drawn inside the shape, so a translucent surface above it stays clear. The blur radius is taken
// as twice the Gaussian deviation; lengths are logical pixels.
Item {
    id: shadow

    property real cornerRadius: 0
    property color color: Qt.rgba(0, 0, 0, 0.22)
    property real blurRadius: 10
    property real offsetX: 0
    property real offsetY: 0

    readonly property real deviation: Math.max(blurRadius / 2, 0.5)
    readonly property int ringCount: 12
    readonly property real ringWidth: 3 * deviation / ringCount

    Repeater {
        model: shadow.ringCount

        Rectangle {
            required property int index
            readonly property real inner: index * shadow.ringWidth
            readonly property real outer: inner + shadow.ringWidth

            x: shadow.offsetX - outer
            y: shadow.offsetY - outer
            width: shadow.width + 2 * outer
            height: shadow.height + 2 * outer
            radius: shadow.cornerRadius + outer
            color: "transparent"
            border.width: shadow.ringWidth
            border.color: Qt.rgba(shadow.color.r, shadow.color.g, shadow.color.b,
                                  shadow.color.a * Gaussian.edgeCoverage(inner + shadow.ringWidth / 2, shadow.deviation))
            antialiasing: true
        }
    }
}
