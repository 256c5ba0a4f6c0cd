import QtQuick
import QtQuick.Shapes
import Quillmere.Design
import Quillmere.Design as Design
import "Gaussian.js" as Gaussian

// A gauge ring: the circle inscribed in this item's frame (square in use) stroked `lineWidth` wide,
// centred on the frame's edge, so half the line lies outside the frame. Back to front: the track, a
// full circle in `trackColor`; the arc's shadow, `color` at `shadowOpacity` blurred by `shadowRadius`
// with no offset; and the arc, from 12 o'clock clockwise over `fraction` of the circle (at least 0.001,
// at most all of it; a value that is not a number draws the minimum), with round ends, shaded by a
// linear gradient from `color` to `color` at 0.6 that runs from top to bottom before the arc is turned
// a quarter anticlockwise to start at 12 o'clock (so it runs from left to right as drawn). A change of
// `fraction` eases out over `duration`. The blur radius is taken as twice the Gaussian deviation.
// Qt Quick strokes only in one colour, so the arc's outline is filled instead, on a multisampled
// layer for smooth edges. Lengths are logical pixels; takes no input.
Item {
    id: ring

    // Part of the circle the arc covers, 0 to 1.
    property real fraction: 0
    property color color: Theme.accent
    property color trackColor: Design.Palette.fillMuted
    property real lineWidth: 13
    // Milliseconds of the ease-out that follows a change of `fraction`.
    property int duration: 600
    property real shadowRadius: 10
    property real shadowOpacity: 0.5

    // The fraction drawn once any animation has settled.
    readonly property real drawnFraction: isNaN(fraction) ? 0.001 : Math.max(Math.min(fraction, 1), 0.001)
    // The drawn fraction as it eases toward a new value.
    property real shownFraction: drawnFraction
    Behavior on shownFraction {
        NumberAnimation {
            duration: ring.duration
            easing.type: Easing.Bezier
            easing.bezierCurve: [0, 0, 0.58, 1, 1, 1]
        }
    }
    readonly property color arcStartColor: color
    readonly property color arcEndColor: Theme.withOpacity(color, 0.6)
    readonly property color shadowColor: Theme.withOpacity(color, shadowOpacity)
    // The arc closes into a full circle (the outline of a closed ring cannot be drawn as an arc).
    readonly property bool fullCircle: shownFraction >= 0.9999

    readonly property real radius: Math.min(width, height) / 2
    readonly property real outer: radius + lineWidth / 2
    readonly property real inner: Math.max(radius - lineWidth / 2, 0)
    readonly property real cap: lineWidth / 2
    readonly property real deviation: Math.max(shadowRadius / 2, 0.5)
    // The drawing's frame: the outer circle, the shadow's reach and a pixel to spare.
    readonly property real reach: outer + 3 * deviation + 1
    readonly property real endAngle: Math.min(shownFraction, 0.9999) * 2 * Math.PI

    implicitWidth: 150
    implicitHeight: 150

    // Opacity of each shadow band so that, stacked, they fall off as the blurred stroke's edge does:
    // bands go outwards 3 deviations past the line's edge; index 0 is the narrowest (widest stroke
    // drawn first).
    readonly property int shadowBands: 6
    readonly property var shadowAlphas: {
        const n = shadowBands
        const step = 3 * deviation / n
        const target = []
        for (let i = 0; i < n; ++i)
            target.push(shadowOpacity * Gaussian.edgeCoverage((i + 0.5) * step, deviation))
        const alphas = new Array(n)
        let outside = 0
        for (let i = n - 1; i >= 0; --i) {
            const wanted = Math.max(target[i], outside)
            alphas[i] = outside >= 1 ? 0 : 1 - (1 - wanted) / (1 - outside)
            outside = wanted
        }
        return alphas
    }

    Shape {
        id: track
        x: ring.width / 2 - ring.reach
        y: ring.height / 2 - ring.reach
        width: 2 * ring.reach
        height: 2 * ring.reach
        layer.enabled: true
        layer.samples: 4
        layer.smooth: true

        ShapePath {
            strokeColor: ring.trackColor
            strokeWidth: ring.lineWidth
            fillColor: "transparent"
            capStyle: ShapePath.FlatCap
            PathAngleArc {
                centerX: ring.reach
                centerY: ring.reach
                radiusX: ring.radius
                radiusY: ring.radius
                startAngle: 0
                sweepAngle: 360
            }
        }
    }

    // Drawn unturned, from 3 o'clock clockwise, then turned as a whole with its gradient and shadow.
    Item {
        id: turned
        anchors.fill: parent
        rotation: -90

        Repeater {
            model: ring.shadowBands

            Shape {
                required property int index
                x: ring.width / 2 - ring.reach
                y: ring.height / 2 - ring.reach
                width: 2 * ring.reach
                height: 2 * ring.reach

                ShapePath {
                    strokeColor: Theme.withOpacity(ring.color, ring.shadowAlphas[index])
                    strokeWidth: ring.lineWidth + 2 * (index + 1) * 3 * ring.deviation / ring.shadowBands
                    fillColor: "transparent"
                    capStyle: ShapePath.RoundCap
                    PathAngleArc {
                        centerX: ring.reach
                        centerY: ring.reach
                        radiusX: ring.radius
                        radiusY: ring.radius
                        startAngle: 0
                        sweepAngle: 360 * ring.shownFraction
                    }
                }
            }
        }

        Shape {
            id: arcShape
            objectName: "arc"
            x: ring.width / 2 - ring.reach
            y: ring.height / 2 - ring.reach
            width: 2 * ring.reach
            height: 2 * ring.reach
            layer.enabled: true
            layer.samples: 4
            layer.smooth: true

            ShapePath {
                strokeColor: "transparent"
                strokeWidth: 0
                fillRule: ShapePath.OddEvenFill
                fillGradient: LinearGradient {
                    x1: ring.reach
                    y1: ring.reach - ring.outer
                    x2: ring.reach
                    y2: ring.reach + ring.outer
                    GradientStop { position: 0; color: ring.arcStartColor }
                    GradientStop { position: 1; color: ring.arcEndColor }
                }
                startX: ring.reach + ring.outer
                startY: ring.reach
                // A partial arc: outer edge forward, round end, inner edge back, round start.
                PathArc {
                    x: ring.reach + ring.outer * Math.cos(ring.endAngle)
                    y: ring.reach + ring.outer * Math.sin(ring.endAngle)
                    radiusX: ring.outer
                    radiusY: ring.outer
                    useLargeArc: ring.endAngle > Math.PI
                }
                PathArc {
                    x: ring.reach + ring.inner * Math.cos(ring.endAngle)
                    y: ring.reach + ring.inner * Math.sin(ring.endAngle)
                    radiusX: ring.cap
                    radiusY: ring.cap
                }
                PathArc {
                    x: ring.reach + ring.inner
                    y: ring.reach
                    radiusX: ring.inner
                    radiusY: ring.inner
                    direction: PathArc.Counterclockwise
                    useLargeArc: ring.endAngle > Math.PI
                }
                PathArc {
                    x: ring.reach + ring.outer
                    y: ring.reach
                    radiusX: ring.cap
                    radiusY: ring.cap
                }
            }
            visible: !ring.fullCircle
        }

        // The closed ring: the band between the outer and the inner circle.
        Shape {
            id: fullShape
            objectName: "fullArc"
            x: ring.width / 2 - ring.reach
            y: ring.height / 2 - ring.reach
            width: 2 * ring.reach
            height: 2 * ring.reach
            visible: ring.fullCircle
            layer.enabled: true
            layer.samples: 4
            layer.smooth: true

            ShapePath {
                strokeColor: "transparent"
                strokeWidth: 0
                fillRule: ShapePath.OddEvenFill
                fillGradient: LinearGradient {
                    x1: ring.reach
                    y1: ring.reach - ring.outer
                    x2: ring.reach
                    y2: ring.reach + ring.outer
                    GradientStop { position: 0; color: ring.arcStartColor }
                    GradientStop { position: 1; color: ring.arcEndColor }
                }
                PathAngleArc {
                    centerX: ring.reach
                    centerY: ring.reach
                    radiusX: ring.outer
                    radiusY: ring.outer
                    startAngle: 0
                    sweepAngle: 360
                }
                PathAngleArc {
                    moveToStart: true
                    centerX: ring.reach
                    centerY: ring.reach
                    radiusX: ring.inner
                    radiusY: ring.inner
                    startAngle: 0
                    sweepAngle: 360
                }
            }
        }
    }
}
