import QtQuick
import QtQuick.Shapes
import "Gaussian.js" as Gaussian

// A circle stroked `lineWidth` wide in one colour and blurred, centred in this item, drawn as a radial
// gradient (a live blur is too slow on this platform). `radius` is the stroke's centre line; the blur
// spreads three deviations past each edge of the stroke. The blur radius is taken as twice the
// Gaussian deviation. Lengths are logical pixels.
Item {
    id: ring

    property real radius: 50
    property real lineWidth: 10
    property color color: "white"
    property real blurRadius: 0

    readonly property real deviation: Math.max(blurRadius / 2, 0.5)
    readonly property real innerEdge: Math.max(radius - lineWidth / 2, 0)
    readonly property real outerEdge: radius + lineWidth / 2
    // Distance from the centre to where the drawn gradient ends.
    readonly property real reach: outerEdge + 3 * deviation
    readonly property real bandStart: Math.max(innerEdge - 3 * deviation, 0)

    // The blurred stroke's opacity at `r` from the centre, as a fraction of the colour's own.
    function coverage(r) {
        const inside = r <= 0 ? 0 : Gaussian.edgeCoverage(r - innerEdge, deviation)
        return Math.max(Gaussian.edgeCoverage(r - outerEdge, deviation) - inside, 0)
    }
    // Twelve stops spread evenly over the blurred band, as fractions of the reach.
    function stopAt(index) {
        return (bandStart + (reach - bandStart) * index / 11) / reach
    }
    function stopColor(position) {
        return Qt.rgba(color.r, color.g, color.b, color.a * coverage(position * reach))
    }

    Shape {
        x: ring.width / 2 - ring.reach
        y: ring.height / 2 - ring.reach
        width: 2 * ring.reach
        height: 2 * ring.reach

        ShapePath {
            strokeColor: "transparent"
            strokeWidth: 0
            fillGradient: RadialGradient {
                centerX: ring.reach
                centerY: ring.reach
                centerRadius: ring.reach
                focalX: ring.reach
                focalY: ring.reach
                GradientStop { position: 0; color: ring.stopColor(0) }
                GradientStop { position: ring.stopAt(0); color: ring.stopColor(ring.stopAt(0)) }
                GradientStop { position: ring.stopAt(1); color: ring.stopColor(ring.stopAt(1)) }
                GradientStop { position: ring.stopAt(2); color: ring.stopColor(ring.stopAt(2)) }
                GradientStop { position: ring.stopAt(3); color: ring.stopColor(ring.stopAt(3)) }
                GradientStop { position: ring.stopAt(4); color: ring.stopColor(ring.stopAt(4)) }
                GradientStop { position: ring.stopAt(5); color: ring.stopColor(ring.stopAt(5)) }
                GradientStop { position: ring.stopAt(6); color: ring.stopColor(ring.stopAt(6)) }
                GradientStop { position: ring.stopAt(7); color: ring.stopColor(ring.stopAt(7)) }
                GradientStop { position: ring.stopAt(8); color: ring.stopColor(ring.stopAt(8)) }
                GradientStop { position: ring.stopAt(9); color: ring.stopColor(ring.stopAt(9)) }
                GradientStop { position: ring.stopAt(10); color: ring.stopColor(ring.stopAt(10)) }
                GradientStop { position: ring.stopAt(11); color: ring.stopColor(ring.stopAt(11)) }
            }
            startX: 0
            startY: 0
            PathLine { x: 2 * ring.reach; y: 0 }
            PathLine { x: 2 * ring.reach; y: 2 * ring.reach }
            PathLine { x: 0; y: 2 * ring.reach }
            PathLine { x: 0; y: 0 }
        }
    }
}
