import QtQuick
import Quillmere.Design
import Quillmere.Design as Design

// One labelled bar of the statistics card: the label (bodyMedium) and, at the trailing end, the value
// (12), both in the secondary colour; 6 below them the bar, 8 high: the track across the whole width
// and, only when `known`, the fill from the leading edge, `fraction` of the width but at least 4, in
// the warning colour when `fraction` is above `warnAbove` (equal is not above) and the accent colour
// otherwise. As a placeholder the texts give way to grey blocks.
Column {
    id: bar

    property string label
    property string value
    property real fraction: 0
    property bool known: false
    property real warnAbove: 1
    property bool placeholder: false

    readonly property bool warning: fraction > warnAbove
    readonly property alias track: track
    readonly property alias fill: fill
    readonly property alias labelText: labelText
    readonly property alias valueText: valueText

    spacing: 6

    Item {
        width: bar.width
        height: Math.max(labelText.implicitHeight, valueText.implicitHeight)

        Text {
            id: labelText
            objectName: "barLabel"
            anchors.left: parent.left
            anchors.verticalCenter: parent.verticalCenter
            text: bar.label
            textFormat: Text.PlainText
            font: Typo.bodyMedium
            color: bar.placeholder ? "transparent" : Design.Palette.textSecondary
            PlaceholderBlock { visible: bar.placeholder }
        }
        Text {
            id: valueText
            objectName: "barValue"
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            width: Math.min(implicitWidth, parent.width - labelText.implicitWidth - 12)
            horizontalAlignment: Text.AlignRight
            text: bar.value
            textFormat: Text.PlainText
            elide: Text.ElideLeft
            font: Typo.system(12)
            color: bar.placeholder ? "transparent" : Design.Palette.textSecondary
            PlaceholderBlock { visible: bar.placeholder }
        }
    }
    Rectangle {
        id: track
        objectName: "barTrack"
        width: bar.width
        height: 8
        radius: 4
        color: Design.Palette.fillSubtle

        Rectangle {
            id: fill
            objectName: "barFill"
            visible: bar.known
            width: Math.max(4, track.width * Math.max(0, Math.min(1, bar.fraction)))
            height: parent.height
            radius: 4
            color: bar.warning ? Theme.warning : Theme.accent
        }
    }
}
