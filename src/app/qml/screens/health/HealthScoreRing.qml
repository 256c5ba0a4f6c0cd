import QtQuick
import Quillmere.Design
import Quillmere.Design as Design

// The System Health score as a ring: a 13-wide track in the muted fill, the score's share of the circle
// (at least 0.001, so a score of 0 still shows a dot) shaded from `color` to `color` at 0.6 with its
// glow, easing out over 0.7 s when the score changes, and in the centre the score (44, bold) over
// "out of 100" (caption, secondary colour). Takes no input.
Item {
    id: scoreRing

    // 0 to 100.
    property int score: 0
    property color color: HealthSeverityStyle.goodColor

    readonly property alias ring: gauge
    readonly property alias scoreText: scoreText
    readonly property alias captionText: captionText

    implicitWidth: 150
    implicitHeight: 150

    Accessible.role: Accessible.ProgressBar
    Accessible.name: "Health score " + score + " out of 100"

    GradientRing {
        id: gauge
        anchors.fill: parent
        fraction: Math.max(scoreRing.score / 100, 0.001)
        color: scoreRing.color
        trackColor: Design.Palette.fillMuted
        lineWidth: 13
        duration: 700
    }
    Column {
        anchors.centerIn: parent
        spacing: 0

        Text {
            id: scoreText
            anchors.horizontalCenter: parent.horizontalCenter
            text: String(scoreRing.score)
            textFormat: Text.PlainText
            font: Typo.system(44, Font.Bold)
            color: Design.Palette.textPrimary
            Accessible.ignored: true
        }
        Text {
            id: captionText
            anchors.horizontalCenter: parent.horizontalCenter
            text: "out of 100"
            textFormat: Text.PlainText
            font: Typo.caption
            color: Design.Palette.textSecondary
            Accessible.ignored: true
        }
    }
}
