import QtQuick
import Quillmere.Design
import Quillmere.Design as Design

// The Battery page's charge ring, 150 across: a 13-wide track in the stroke colour, the charge's share
// of the circle (at least 0.001) shaded from `color` to `color` at 0.6 with its glow, easing out over
// 0.6 s when the charge changes, and in the centre, 2 apart, the bolt while charging (16, in `color`)
// over the charge text (40, bold). Takes no input.
Item {
    id: chargeRing

    // Part of the circle to fill, 0 to 1.
    property real fraction: 0
    property color color: Design.Palette.textSecondary
    property bool charging: false
    // "87%" or "—".
    property string text

    readonly property alias ring: gauge
    readonly property alias chargeText: chargeText
    readonly property alias bolt: bolt

    implicitWidth: 150
    implicitHeight: 150

    Accessible.role: Accessible.ProgressBar
    Accessible.name: "Charge " + text

    GradientRing {
        id: gauge
        anchors.fill: parent
        fraction: chargeRing.fraction
        color: chargeRing.color
        trackColor: Design.Palette.stroke
        lineWidth: 13
        duration: 600
    }
    Column {
        anchors.centerIn: parent
        spacing: 2

        SymbolImage {
            id: bolt
            objectName: "bolt"
            anchors.horizontalCenter: parent.horizontalCenter
            visible: chargeRing.charging
            name: "bolt.fill"
            size: 16
            color: chargeRing.color
        }
        Text {
            id: chargeText
            anchors.horizontalCenter: parent.horizontalCenter
            text: chargeRing.text
            textFormat: Text.PlainText
            font: Typo.system(40, Font.Bold)
            color: Design.Palette.textPrimary
            Accessible.ignored: true
        }
    }
}
