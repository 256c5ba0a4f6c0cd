import QtQuick
import Quillmere.Design

// The motion laid over a scan ring while a scan runs, filling the ring's frame. Back to front: a halo
// (the ring's circle stroked `lineWidth` × 1.8 in `tint` at 0.16, blur 9) that never moves; the sweep
// arc (0.32 of a turn from 3 o'clock, `lineWidth` wide, shading from clear to `tint` at 0.95 round the
// turn) that turns clockwise once every 1.6 s; the counter arc (0.16 of a turn, `lineWidth` × 0.4 but
// at least 2 wide, shading from white 0.9 to clear, on a circle `lineWidth` × 0.9 inside the ring)
// that turns anticlockwise once every 2.6 s; and three white dots 6 across with a `tint` 0.9 glow at
// 12, 4 and 8 o'clock on a circle of `radius`, turning anticlockwise once every 3.0 s. Each turn runs
// at constant speed. Unless `animated`, all four rest in those positions. Takes no pointer input.
Item {
    id: sweepLayer

    property color tint: Theme.accent
    property real lineWidth: 12
    // Radius of the dots' orbit, logical pixels.
    property real radius: 50
    // Whether the arcs and dots turn; false leaves them at rest.
    property bool animated: true

    // Radius of the ring's own circle: the one inscribed in the frame.
    readonly property real ringRadius: Math.min(width, height) / 2
    readonly property real counterRadius: ringRadius - lineWidth * 0.9
    readonly property real counterLineWidth: Math.max(lineWidth * 0.4, 2)
    readonly property int spinPeriod: 1600
    readonly property int counterPeriod: 2600
    readonly property int orbitPeriod: 3000
    readonly property alias halo: halo
    readonly property alias sweepArc: sweepArc
    readonly property alias counterArc: counterArc
    readonly property alias orbit: orbit
    readonly property bool turning: spin.running || counter.running || circle.running

    // Dot `index` (0, 1 or 2) of the orbit.
    function dot(index) {
        return dots.itemAt(index)
    }

    BlurredRing {
        id: halo
        anchors.fill: parent
        radius: sweepLayer.ringRadius
        lineWidth: sweepLayer.lineWidth * 1.8
        color: Theme.withOpacity(sweepLayer.tint, 0.16)
        blurRadius: 9
    }
    GradientArc {
        id: sweepArc
        anchors.fill: parent
        radius: sweepLayer.ringRadius
        lineWidth: sweepLayer.lineWidth
        fraction: 0.32
        startColor: Theme.withOpacity(sweepLayer.tint, 0)
        endColor: Theme.withOpacity(sweepLayer.tint, 0.95)
    }
    GradientArc {
        id: counterArc
        anchors.fill: parent
        radius: sweepLayer.counterRadius
        lineWidth: sweepLayer.counterLineWidth
        fraction: 0.16
        startColor: Qt.rgba(1, 1, 1, 0.9)
        endColor: Theme.withOpacity(sweepLayer.tint, 0)
    }
    Item {
        id: orbit
        anchors.fill: parent

        Repeater {
            id: dots
            model: 3

            Item {
                required property int index
                readonly property real angle: index * 2 * Math.PI / 3
                // Straight up from the centre by the orbit's radius, then turned by index × 120°.
                readonly property real centerX: orbit.width / 2 + sweepLayer.radius * Math.sin(angle)
                readonly property real centerY: orbit.height / 2 - sweepLayer.radius * Math.cos(angle)

                x: centerX - 3
                y: centerY - 3
                width: 6
                height: 6

                BlurredDisc {
                    anchors.centerIn: parent
                    diameter: 6
                    color: Theme.withOpacity(sweepLayer.tint, 0.9)
                    blurRadius: 4
                }
                Rectangle {
                    anchors.fill: parent
                    radius: 3
                    color: "white"
                    antialiasing: true
                }
            }
        }
    }

    NumberAnimation {
        id: spin
        target: sweepArc
        property: "rotation"
        from: 0
        to: 360
        duration: sweepLayer.spinPeriod
        loops: Animation.Infinite
        running: sweepLayer.animated && sweepLayer.visible
        onRunningChanged: if (!running) sweepArc.rotation = 0
    }
    NumberAnimation {
        id: counter
        target: counterArc
        property: "rotation"
        from: 0
        to: -360
        duration: sweepLayer.counterPeriod
        loops: Animation.Infinite
        running: sweepLayer.animated && sweepLayer.visible
        onRunningChanged: if (!running) counterArc.rotation = 0
    }
    NumberAnimation {
        id: circle
        target: orbit
        property: "rotation"
        from: 0
        to: -360
        duration: sweepLayer.orbitPeriod
        loops: Animation.Infinite
        running: sweepLayer.animated && sweepLayer.visible
        onRunningChanged: if (!running) orbit.rotation = 0
    }
}
