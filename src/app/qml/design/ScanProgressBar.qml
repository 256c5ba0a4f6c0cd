import QtQuick
import Quillmere.Design

// The determinate progress bar of a running scan: a capsule as wide as it is laid out and exactly its
// `height` tall (8 unless set). Back to front: the track (white 0.10, full width); the fill from the
// leading edge, shaded left to right from `tint` at 0.75 through `tint` to white at 0.85; a shimmer
// band 120 wide; and, only while 0 < progress < 1, a glowing head centred on the end of the fill.
// Progress is clamped to 0..1 and a value that is not a number counts as 1; a started bar's fill is
// never narrower than the bar is tall. The fill and head follow a rise of progress with a 0.35 s
// ease-out; a fall (a new scan) shows at once. The shimmer and the head loop unless `reduceMotion` is set. Takes no pointer input.
Item {
    id: bar

    // Fraction done; meaningful from 0 to 1.
    property real progress: 0
    property color tint: Theme.accent
    // Whether the looping shimmer and pulse stand still; the desktop's preference unless set.
    property bool reduceMotion: MotionSettings.reduceMotion

    // The progress as drawn: clamped to 0..1, not-a-number as 1.
    readonly property real clampedProgress: isNaN(progress) ? 1 : Math.min(Math.max(progress, 0), 1)
    // Width of the fill once any animation has settled, logical pixels.
    readonly property real fillWidth: Math.max(clampedProgress * width, clampedProgress > 0 ? height : 0)
    readonly property bool headShown: clampedProgress > 0 && clampedProgress < 1
    // Where the head's frame starts once settled: its centre on the end of the fill.
    readonly property real headX: fillWidth - height / 2
    readonly property real shimmerBand: 120
    readonly property int followDuration: 350

    // The clamped progress as it eases toward a new value; layout changes apply at once.
    property real shownProgress: clampedProgress
    Behavior on shownProgress {
        id: follow
        // Only forward: a scan's progress never falls, so a lower value is a new scan, whose bar starts
        // there at once instead of running back from the last scan's end.
        enabled: follow.targetValue > bar.shownProgress
        NumberAnimation { duration: bar.followDuration; easing.type: Easing.Bezier; easing.bezierCurve: [0, 0, 0.58, 1, 1, 1] }
    }
    readonly property real shownFillWidth: Math.max(shownProgress * width, shownProgress > 0 ? height : 0)

    readonly property alias track: track
    readonly property alias fill: fill
    readonly property alias shimmer: shimmer
    readonly property alias head: head

    implicitWidth: 240
    implicitHeight: 8

    Rectangle {
        id: track
        width: bar.width
        height: bar.height
        radius: height / 2
        color: Qt.rgba(1, 1, 1, 0.1)
        antialiasing: true
    }
    Rectangle {
        id: fill
        visible: width > 0
        width: bar.shownFillWidth
        height: bar.height
        radius: height / 2
        antialiasing: true
        gradient: Gradient {
            orientation: Gradient.Horizontal
            GradientStop { position: 0; color: Theme.withOpacity(bar.tint, 0.75) }
            GradientStop { position: 0.5; color: bar.tint }
            GradientStop { position: 1; color: Qt.rgba(1, 1, 1, 0.85) }
        }
    }
    ShimmerBand {
        id: shimmer
        width: bar.width
        height: bar.height
        band: bar.shimmerBand
        animated: !bar.reduceMotion
    }
    ScanHead {
        id: head
        visible: bar.headShown
        width: bar.width
        height: bar.height
        centerX: bar.shownFillWidth
        animated: !bar.reduceMotion
    }
}
