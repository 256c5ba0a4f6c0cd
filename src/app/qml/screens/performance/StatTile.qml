import QtQuick
import Quillmere.Design
import Quillmere.Design as Design

// One label/value box of the statistics card: the label (caption, secondary colour) over the value
// (15, semibold), 2 apart, padded 10 left and right and 8 above and below, on the faint fill with
// corners of 9. It takes the width it is laid out at. As a placeholder both texts give way to grey
// blocks of their size. Both texts are shown as they are.
Rectangle {
    id: tile

    property string label
    property string value
    property bool placeholder: false

    readonly property alias labelText: labelText
    readonly property alias valueText: valueText

    implicitWidth: Math.max(labelText.implicitWidth, valueText.implicitWidth) + 20
    implicitHeight: labelText.implicitHeight + 2 + valueText.implicitHeight + 16
    radius: 9
    color: Design.Palette.fillFaint

    Column {
        x: 10
        y: 8
        width: tile.width - 20
        spacing: 2

        Text {
            id: labelText
            objectName: "tileLabel"
            width: parent.width
            text: tile.label
            textFormat: Text.PlainText
            elide: Text.ElideRight
            font: Typo.caption
            color: tile.placeholder ? "transparent" : Design.Palette.textSecondary
            PlaceholderBlock { visible: tile.placeholder }
        }
        Text {
            id: valueText
            objectName: "tileValue"
            width: parent.width
            text: tile.value
            textFormat: Text.PlainText
            elide: Text.ElideRight
            font: Typo.system(15, Font.DemiBold)
            color: tile.placeholder ? "transparent" : Design.Palette.textPrimary
            PlaceholderBlock { visible: tile.placeholder }
        }
    }
}
