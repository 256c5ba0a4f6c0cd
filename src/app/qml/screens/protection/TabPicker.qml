import QtQuick
import QtQuick.Templates as T
import Quillmere.Design
import Quillmere.Design as Design

// The segmented tab picker of the Protection page, at its natural size: one segment per text of
// `options`, in their order, labelled with it; the segment equal to `current` is drawn chosen. Picking a
// segment emits `picked` with its text; the page changes `current`.
Item {
    id: picker

    // The segment labels, which are also their values.
    property var options: []
    // The chosen label.
    property string current: ""
    // The segment buttons in order.
    readonly property alias segments: segmentRepeater

    signal picked(string value)

    implicitWidth: row.implicitWidth + 4
    implicitHeight: row.implicitHeight + 4

    Rectangle {
        anchors.fill: parent
        radius: 7
        color: Design.Palette.fillFaint
        border.width: 1
        border.color: Design.Palette.hairline
        antialiasing: true
    }
    Row {
        id: row
        anchors.centerIn: parent
        spacing: 0
        Repeater {
            id: segmentRepeater
            model: picker.options
            T.AbstractButton {
                id: segment
                FocusRing {}
                required property string modelData
                readonly property bool chosen: modelData === picker.current
                objectName: "tabSegment:" + modelData
                text: modelData
                implicitWidth: label.implicitWidth + 24
                implicitHeight: label.implicitHeight + 8
                hoverEnabled: true
                background: Rectangle {
                    radius: 5
                    color: segment.chosen ? Qt.rgba(1, 1, 1, 0.16) : "transparent"
                    antialiasing: true
                }
                contentItem: Text {
                    id: label
                    text: segment.text
                    textFormat: Text.PlainText
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                    font: Typo.calloutMedium
                    color: segment.chosen ? Design.Palette.textPrimary : Design.Palette.textSecondary
                }
                onClicked: picker.picked(modelData)
            }
        }
    }
}
