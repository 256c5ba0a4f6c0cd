import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.Design
import Quillmere.Design as Design

// The Name/Size segmented control of the Applications page, at its natural size: "Name" stands for
// false and "Size" for true. Picking a segment emits `picked` with its value; `bySize` shows the
// choice in force.
Item {
    id: picker

    property bool bySize: false
    readonly property alias nameSegment: nameSegment
    readonly property alias sizeSegment: sizeSegment

    signal picked(bool bySize)

    implicitWidth: row.implicitWidth + 4
    implicitHeight: row.implicitHeight + 4

    component Segment: T.AbstractButton {
        id: segment
        FocusRing {}
        property bool current: false
        implicitWidth: label.implicitWidth + 24
        implicitHeight: label.implicitHeight + 8
        hoverEnabled: true
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
        Segment {
            id: nameSegment
            objectName: "sortByName"
            text: "Name"
            current: !picker.bySize
            onClicked: picker.picked(false)
        }
        Segment {
            id: sizeSegment
            objectName: "sortBySize"
            text: "Size"
            current: picker.bySize
            onClicked: picker.picked(true)
        }
    }
}
