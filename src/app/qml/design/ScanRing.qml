import QtQuick
import Quillmere.Design
import Quillmere.Design as Design

// The circular progress gauge: the circle inscribed in this item's frame (square in use) stroked
// `lineWidth` wide, centred on the frame's edge as the platform strokes it, so half the line lies
// outside the frame. Back to front: the track (white 0.12); the progress arc in the module tint from
// 12 o'clock clockwise, round-capped, over the progress clamped to at most 1 and at least 0.001 (a
// sliver shows even at 0, below 0 or for a value that is not a number), easing out over 0.6 s when
// `progress` changes; the title (30, semibold) over the subtitle (12, secondary colour), 2 apart,
// centred; and, only while `isScanning`, the sweep layer, whose dots orbit at half the frame's smaller
// side less half the line width. The sweep turns unless `reduceMotion` is set. The ring reads to
// accessibility as one element named by the title and the subtitle; it takes no pointer input.
Item {
    id: ring

    // Fraction of the ring to fill; 0 to 1 in normal use.
    property real progress: 0
    // Width of the ring's line, logical pixels.
    property real lineWidth: 12
    // Shown as it is, large, in the centre.
    property string centerTitle
    // Shown as it is, small, under the title.
    property string centerSubtitle
    // Whether the sweep layer shows.
    property bool isScanning: false
    // Whether the sweep stands still; the desktop's preference unless set.
    property bool reduceMotion: MotionSettings.reduceMotion

    readonly property color tint: ModuleTint.resolved
    // The fraction drawn once any animation has settled.
    readonly property real drawnProgress: isNaN(progress) ? 0.001 : Math.max(Math.min(progress, 1), 0.001)
    readonly property real ringRadius: Math.min(width, height) / 2
    // Radius of the sweep layer's orbit.
    readonly property real orbitRadius: Math.min(width, height) * 0.5 - lineWidth * 0.5
    readonly property int progressDuration: 600
    // The drawn fraction as it eases toward a new value.
    property real shownProgress: drawnProgress
    Behavior on shownProgress {
        NumberAnimation { duration: ring.progressDuration; easing.type: Easing.Bezier; easing.bezierCurve: [0, 0, 0.58, 1, 1, 1] }
    }

    readonly property alias track: trackPath
    readonly property alias progressArc: progressPath
    readonly property alias titleText: titleText
    readonly property alias subtitleText: subtitleText
    // The sweep layer while scanning, else null.
    readonly property alias sweep: sweepLoader.item

    implicitWidth: 200
    implicitHeight: 200

    Accessible.role: Accessible.ProgressBar
    Accessible.name: centerTitle + " " + centerSubtitle

    // Each stroke is painted smooth into a texture of its own that reaches a line's width past the frame,
    // so the outer half of the line is kept.
    ArcStroke {
        id: trackPath
        x: -ring.lineWidth
        y: -ring.lineWidth
        width: ring.width + 2 * ring.lineWidth
        height: ring.height + 2 * ring.lineWidth
        radius: ring.ringRadius
        strokeColor: Qt.rgba(1, 1, 1, 0.12)
        strokeWidth: ring.lineWidth
        startAngle: 0
        sweepAngle: 360
    }
    ArcStroke {
        id: progressPath
        x: -ring.lineWidth
        y: -ring.lineWidth
        width: ring.width + 2 * ring.lineWidth
        height: ring.height + 2 * ring.lineWidth
        radius: ring.ringRadius
        strokeColor: ring.tint
        strokeWidth: ring.lineWidth
        capStyle: Qt.RoundCap
        startAngle: -90
        sweepAngle: 360 * ring.shownProgress
    }

    Column {
        anchors.centerIn: parent
        spacing: 2

        Text {
            id: titleText
            anchors.horizontalCenter: parent.horizontalCenter
            text: ring.centerTitle
            textFormat: Text.PlainText
            font: Typo.system(30, Font.DemiBold)
            color: Design.Palette.textPrimary
            Accessible.ignored: true
        }
        Text {
            id: subtitleText
            anchors.horizontalCenter: parent.horizontalCenter
            text: ring.centerSubtitle
            textFormat: Text.PlainText
            font: Typo.system(12)
            color: Design.Palette.textSecondary
            Accessible.ignored: true
        }
    }

    Loader {
        id: sweepLoader
        anchors.fill: parent
        active: ring.isScanning
        sourceComponent: SweepLayer {
            tint: ring.tint
            lineWidth: ring.lineWidth
            radius: ring.orbitRadius
            animated: !ring.reduceMotion
        }
    }
}
