import QtQuick
import QtQuick.Shapes
import Quillmere.Design

// The glowing dot at the end of a scan progress bar's fill: a white disc as tall as the bar, centred at
// `centerX`, drawn as the bar's own capsule (this item is the whole bar) so it stays inside it. While
// `animated` it breathes between scale 0.7 at opacity 1 and scale 1.25 at opacity 0.45, easing in and
// out over 0.7 s each way; otherwise it rests at scale 0.7, opacity 1. The platform lightens with it;
// here it is laid over with ordinary blending.
CapsuleShape {
    id: head

    // Horizontal centre of the dot, from the bar's leading edge.
    property real centerX: 0
    // Whether it breathes; false leaves it at rest.
    property bool animated: true

    // 0 small and bright, 1 large and faint.
    property real pulse: 0
    readonly property real pulseScale: 0.7 + (1.25 - 0.7) * pulse
    readonly property real pulseOpacity: 1 + (0.45 - 1) * pulse
    readonly property real dotRadius: height / 2 * pulseScale
    readonly property int halfPeriod: 700
    // True while the dot breathes.
    readonly property bool breathing: breathe.running

    opacity: pulseOpacity
    fill: RadialGradient {
        centerX: head.centerX
        centerY: head.height / 2
        centerRadius: Math.max(head.dotRadius, 0.01)
        focalX: head.centerX
        focalY: head.height / 2
        GradientStop { position: 0; color: "white" }
        // A soft edge of about 0.75 pixel, standing in for antialiasing.
        GradientStop { position: Math.max(0, 1 - 0.75 / Math.max(head.dotRadius, 0.75)); color: "white" }
        GradientStop { position: 1; color: Qt.rgba(1, 1, 1, 0) }
    }

    SequentialAnimation {
        id: breathe
        loops: Animation.Infinite
        running: head.animated && head.visible
        onRunningChanged: if (!running) head.pulse = 0

        NumberAnimation {
            target: head
            property: "pulse"
            from: 0
            to: 1
            duration: head.halfPeriod
            easing.type: Easing.Bezier
            easing.bezierCurve: [0.42, 0, 0.58, 1, 1, 1]
        }
        NumberAnimation {
            target: head
            property: "pulse"
            from: 1
            to: 0
            duration: head.halfPeriod
            easing.type: Easing.Bezier
            easing.bezierCurve: [0.42, 0, 0.58, 1, 1, 1]
        }
    }
}
