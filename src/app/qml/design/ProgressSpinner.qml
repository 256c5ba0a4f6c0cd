import QtQuick
import QtQuick.Shapes
import Quillmere.Design as Design

// A small indeterminate progress indicator, the platform's spinner at its small size: a three-quarter
// ring `size` across (16 unless set), 2 wide with round ends, in the secondary text colour, turning
// once a second for as long as it is visible. Takes no input.
Item {
    id: spinner

    // Width and height, logical pixels.
    property real size: 16
    property color color: Design.Palette.textSecondary
    readonly property real lineWidth: 2
    readonly property bool spinning: turn.running

    implicitWidth: size
    implicitHeight: size

    Shape {
        id: ring
        anchors.fill: parent
        // Smooth edges at this small size.
        layer.enabled: true
        layer.samples: 4

        ShapePath {
            strokeColor: spinner.color
            strokeWidth: spinner.lineWidth
            fillColor: "transparent"
            capStyle: ShapePath.RoundCap
            PathAngleArc {
                centerX: spinner.size / 2
                centerY: spinner.size / 2
                radiusX: (spinner.size - spinner.lineWidth) / 2
                radiusY: (spinner.size - spinner.lineWidth) / 2
                startAngle: -90
                sweepAngle: 270
            }
        }
    }
    RotationAnimator {
        id: turn
        target: ring
        from: 0
        to: 360
        duration: 1000
        loops: Animation.Infinite
        running: spinner.visible
    }
}
