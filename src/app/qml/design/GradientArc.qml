import QtQuick
import Quillmere.Design

// An arc of a circle centred in this item, stroked `lineWidth` wide with round caps and shaded with an
// angular gradient: it starts at 3 o'clock and runs clockwise over `fraction` of a turn, and its colour
// runs from `startColor` at 3 o'clock clockwise round the whole turn to `endColor` just before
// 3 o'clock again, so only the first `fraction` of the gradient shows. The stroke is painted smooth
// into a texture once, so turning the item redraws nothing. Lengths are logical pixels; rotate the
// item to turn the arc and its gradient together. The line may reach past the item's edges.
Item {
    id: arc

    // Radius of the arc's centre line.
    property real radius: 50
    property real lineWidth: 10
    // Part of the turn covered, 0 < fraction < 1.
    property real fraction: 0.25
    property color startColor: "white"
    property color endColor: "transparent"

    readonly property real outer: radius + lineWidth / 2
    // The drawing's frame: the outer circle and a pixel to spare, centred on the item.
    readonly property real reach: outer + 1

    // Qt's conical gradient runs anticlockwise from its angle, so the colours are mirrored to run
    // clockwise: position p of the turn anticlockwise is 1 - p of it clockwise.
    ArcStroke {
        x: arc.width / 2 - arc.reach
        y: arc.height / 2 - arc.reach
        width: 2 * arc.reach
        height: 2 * arc.reach
        radius: arc.radius
        strokeWidth: arc.lineWidth
        capStyle: Qt.RoundCap
        startAngle: 0
        sweepAngle: 360 * arc.fraction
        conical: true
        gradientStart: arc.endColor
        gradientEnd: arc.startColor
    }
}
