import QtQuick
import QtQuick.Layouts
import Quillmere.Design
import Quillmere.Design as Design

// The frame every bottom action bar shares: its children in one row, vertically centred, `spacing`
// apart, padded 24 left and right and 12 above and below, as wide as it is laid out, on the bar
// material (a dark translucent fill standing in for the platform's bar material) with a 1-pixel
// divider laid over its top edge. Height follows the row. Children use Layout properties; an
// `Item { Layout.fillWidth: true }` is the flexible space.
Item {
    id: frame

    // The row's children.
    default property alias content: row.data
    // Space between the row's children, logical pixels.
    property real spacing: 12

    readonly property real horizontalPadding: 24
    readonly property real verticalPadding: 12
    // The stand-in for the bar material: the window's dark backdrop at 0.86.
    readonly property color materialFill: Qt.rgba(16 / 255, 18 / 255, 28 / 255, 0.86)
    readonly property color dividerColor: Design.Palette.stroke
    readonly property alias row: row
    readonly property alias divider: divider

    implicitWidth: row.implicitWidth + 2 * horizontalPadding
    implicitHeight: row.implicitHeight + 2 * verticalPadding

    // Given explicitly: the default property above is for the caller's children.
    data: [
        Rectangle {
            anchors.fill: parent
            color: frame.materialFill
        },
        RowLayout {
            id: row
            anchors.fill: parent
            anchors.leftMargin: frame.horizontalPadding
            anchors.rightMargin: frame.horizontalPadding
            anchors.topMargin: frame.verticalPadding
            anchors.bottomMargin: frame.verticalPadding
            spacing: frame.spacing
        },
        Rectangle {
            id: divider
            width: parent.width
            height: 1
            color: frame.dividerColor
        }
    ]
}
