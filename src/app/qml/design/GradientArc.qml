import QtQuick
import QtQuick.Shapes

// An arc of a circle centred in this item, stroked `lineWidth` wide with round caps and shaded with an
// angular gradient: it starts at 3 o'clock and runs clockwise over `fraction` of a turn, and its colour
// runs from `startColor` at 3 o'clock clockwise round the whole turn to `endColor` just before
// 3 o'clock again, so only the first `fraction` of the gradient shows. Qt Quick strokes only in one
// colour, so the stroke's outline is filled instead, on a multisampled layer for smooth edges. Lengths
// are logical pixels; rotate the item to turn the arc and its gradient together. The line may reach
// past the item's edges.
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
    readonly property real centerX: reach
    readonly property real centerY: reach
    readonly property real inner: Math.max(radius - lineWidth / 2, 0)
    readonly property real endAngle: fraction * 2 * Math.PI
    readonly property real cap: lineWidth / 2

    Shape {
        x: arc.width / 2 - arc.reach
        y: arc.height / 2 - arc.reach
        width: 2 * arc.reach
        height: 2 * arc.reach
        layer.enabled: true
        layer.samples: 4
        layer.smooth: true

        ShapePath {
            strokeColor: "transparent"
            strokeWidth: 0
            // Qt's conical gradient runs anticlockwise from its angle, so the stops are mirrored to run
            // clockwise: position p of the turn anticlockwise is 1 - p of it clockwise.
            fillGradient: ConicalGradient {
                centerX: arc.centerX
                centerY: arc.centerY
                angle: 0
                GradientStop { position: 0; color: arc.endColor }
                GradientStop { position: 1; color: arc.startColor }
            }
            startX: arc.centerX + arc.outer
            startY: arc.centerY
            PathArc {
                x: arc.centerX + arc.outer * Math.cos(arc.endAngle)
                y: arc.centerY + arc.outer * Math.sin(arc.endAngle)
                radiusX: arc.outer
                radiusY: arc.outer
                useLargeArc: arc.fraction > 0.5
            }
            PathArc {
                x: arc.centerX + arc.inner * Math.cos(arc.endAngle)
                y: arc.centerY + arc.inner * Math.sin(arc.endAngle)
                radiusX: arc.cap
                radiusY: arc.cap
            }
            PathArc {
                x: arc.centerX + arc.inner
                y: arc.centerY
                radiusX: arc.inner
                radiusY: arc.inner
                direction: PathArc.Counterclockwise
                useLargeArc: arc.fraction > 0.5
            }
            PathArc {
                x: arc.centerX + arc.outer
                y: arc.centerY
                radiusX: arc.cap
                radiusY: arc.cap
            }
        }
    }
}
