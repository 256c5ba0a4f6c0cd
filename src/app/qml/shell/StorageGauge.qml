import QtQuick
import QtQuick.Layouts
import Quillmere.App
import Quillmere.Design

// The storage gauge at the foot of the sidebar, on a glass card (corner radius 12) padded 12: a header
// row of the label "Storage" with the "internaldrive" symbol and, at the right, the value text (both
// 11, white 0.55, the label medium; the label always shows whole, and so does the value: too long for
// the rest of the row it takes the next step of the type scale, 10, and too long even then it goes, at
// 11, onto a line of its own under the label, right-aligned), and 8 below it a 7-high bar: a white 0.12 capsule track
// and, while a total is known, a capsule fill shaded from sRGB (47, 207, 192) at its left to
// (77, 141, 246) at its right. The fill is as wide as the used fraction of the bar, rounded, never
// under 6, and eases out over 0.5 s to a new width; the text changes at once. Only this item follows
// the monitor; until there is one (it starts after the window's first frame) it shows what the monitor
// shows before its first reading, 0 of 0.
GlassCard {
    id: gauge

    required property StorageMonitor storage

    readonly property real usedBytes: storage !== null ? storage.usedBytes : 0
    readonly property real totalBytes: storage !== null ? storage.totalBytes : 0
    readonly property string valueText: StorageGaugeMetrics.valueText(usedBytes, totalBytes)
    readonly property bool hasFill: StorageGaugeMetrics.hasFill(totalBytes)
    // Where the fill is heading; its drawn width follows over 0.5 s.
    readonly property real targetFillWidth: StorageGaugeMetrics.fillWidth(bar.width, usedBytes, totalBytes)
    readonly property color fillStart: Qt.rgba(47 / 255, 207 / 255, 192 / 255, 1)
    readonly property color fillEnd: Qt.rgba(77 / 255, 141 / 255, 246 / 255, 1)
    readonly property alias valueLabel: value
    readonly property alias labelText: labelText
    readonly property alias bar: bar
    readonly property alias fill: fill

    cornerRadius: 12
    padding: 12

    ColumnLayout {
        width: parent.width
        spacing: 8

        Item {
            id: header
            Layout.fillWidth: true
            // The value beside the label takes what the label leaves of the row.
            readonly property real besideLabel: Math.max(0, width - label.implicitWidth - 8)
            // Neither size of the value fits beside the label: it takes a line of its own under it.
            readonly property bool valueOnOwnLine: smallValue.advanceWidth > besideLabel + 0.5
            TextMetrics {
                id: smallValue
                font: Typo.captionSmall
                text: gauge.valueText
            }
            implicitHeight: valueOnOwnLine ? label.implicitHeight + 2 + value.implicitHeight
                                           : Math.max(label.implicitHeight, value.implicitHeight)

            Row {
                id: label
                anchors.left: parent.left
                y: header.valueOnOwnLine ? 0 : (header.height - height) / 2
                spacing: 5
                SymbolImage {
                    anchors.verticalCenter: parent.verticalCenter
                    name: "internaldrive"
                    size: 11
                    color: Qt.rgba(1, 1, 1, 0.55)
                }
                Text {
                    id: labelText
                    anchors.verticalCenter: parent.verticalCenter
                    text: "Storage"
                    textFormat: Text.PlainText
                    font: Typo.captionMedium
                    color: Qt.rgba(1, 1, 1, 0.55)
                }
            }
            // This platform's system font is wide: the used and total sizes both carry the meaning, so
            // the value never gives way by a cut. It steps down the type scale to stay beside the label,
            // and where even that does not fit it goes whole onto a line of its own under the label.
            FittingText {
                id: value
                anchors.right: parent.right
                y: header.valueOnOwnLine ? label.implicitHeight + 2 : (header.height - height) / 2
                width: header.valueOnOwnLine ? header.width : Math.min(largeWidth, header.besideLabel)
                horizontalAlignment: Text.AlignRight
                largeFont: Typo.caption
                smallFont: Typo.captionSmall
                text: gauge.valueText
                color: Qt.rgba(1, 1, 1, 0.55)
            }
        }
        Item {
            id: bar
            Layout.fillWidth: true
            Layout.preferredHeight: 7

            Rectangle {
                anchors.fill: parent
                radius: height / 2
                color: Qt.rgba(1, 1, 1, 0.12)
                antialiasing: true
            }
            Rectangle {
                id: fill
                visible: gauge.hasFill
                height: parent.height
                width: gauge.targetFillWidth
                radius: height / 2
                antialiasing: true
                gradient: Gradient {
                    orientation: Gradient.Horizontal
                    GradientStop { position: 0; color: gauge.fillStart }
                    GradientStop { position: 1; color: gauge.fillEnd }
                }
                Behavior on width {
                    NumberAnimation { duration: 500; easing.type: Easing.Bezier; easing.bezierCurve: [0, 0, 0.58, 1, 1, 1] }
                }
            }
        }
    }
}
