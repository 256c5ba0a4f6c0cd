import QtQuick
import QtQuick.Templates as T
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// The segmented switch of the Files page at its natural size: one segment per tool, in order, labelled
// with its raw value. Picking a segment emits `picked` with that raw value; `tool` shows the choice in
// force.
Item {
    id: toolSwitch

    property string tool: FilesTool.large

    signal picked(string tool)

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
        Repeater {
            model: FilesTool.allCases
            T.AbstractButton {
                id: segment
                FocusRing {}
                required property string modelData
                readonly property bool current: toolSwitch.tool === modelData
                objectName: "segment:" + modelData
                text: modelData
                implicitWidth: label.implicitWidth + 24
                implicitHeight: label.implicitHeight + 8
                onClicked: toolSwitch.picked(modelData)
                background: Rectangle {
                    radius: 5
                    color: segment.current ? Qt.rgba(1, 1, 1, 0.16) : "transparent"
                    antialiasing: true
                }
                contentItem: Text {
                    id: label
                    text: segment.text
                    textFormat: Text.PlainText
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                    font: Typo.calloutMedium
                    color: segment.current ? Design.Palette.textPrimary : Design.Palette.textSecondary
                }
            }
        }
    }
}
