import QtQuick
import QtQuick.Layouts
import Quillmere.Design
import Quillmere.Design as Design

// One figure of the battery on a glass card (corner radius 14) padded 14 that takes the width it is
// given: the icon (14, secondary colour), the value (metricSmall in `tint`, one line, shrinking to 70 %
// before it is cut) and the title (caption, secondary colour), 8 apart. Hovering lifts it by 2.5 %.
Item {
    id: tile

    // System symbol name.
    property string icon
    property string title
    property string value
    property color tint: Design.Palette.textPrimary

    readonly property real padding: 14
    readonly property real cornerRadius: 14
    readonly property alias valueText: valueText
    readonly property alias titleText: titleText
    readonly property alias iconItem: iconItem

    implicitWidth: column.implicitWidth + 2 * padding
    implicitHeight: column.implicitHeight + 2 * padding

    HoverLift {
        liftScale: 1.025
        cornerRadius: tile.cornerRadius
    }
    GlassCard {
        anchors.fill: parent
        cornerRadius: tile.cornerRadius
    }
    ColumnLayout {
        id: column
        anchors.fill: parent
        anchors.margins: tile.padding
        spacing: 8

        SymbolImage {
            id: iconItem
            name: tile.icon
            size: 14
            color: Design.Palette.textSecondary
        }
        Text {
            id: valueText
            Layout.fillWidth: true
            text: tile.value
            textFormat: Text.PlainText
            font: Typo.metricSmall
            color: tile.tint
            maximumLineCount: 1
            elide: Text.ElideRight
            fontSizeMode: Text.HorizontalFit
            minimumPointSize: Typo.metricSmall.pointSize * 0.7
        }
        Text {
            id: titleText
            Layout.fillWidth: true
            text: tile.title
            textFormat: Text.PlainText
            font: Typo.caption
            color: Design.Palette.textSecondary
        }
    }
}
