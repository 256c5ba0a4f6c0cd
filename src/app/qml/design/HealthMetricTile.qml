import QtQuick
import QtQuick.Layouts
import Quillmere.Design
import Quillmere.Design as Design

// One measured quantity of the health screens, on a glass card (corner radius 14) padded 14 that takes
// the width it is given: a row of the `icon` (14, secondary colour) and, at the far end, a dot 8 across
// in the severity's colour; then, 8 apart, the `value` (24, semibold), the `title` (calloutMedium) and
// the `caption` (10, tertiary colour, one line, shortened in the middle when too long). Hovering lifts
// it by 2.5 %. Texts are shown as they are.
Item {
    id: tile

    // System symbol name.
    property string icon
    property string title
    property string value
    property string caption
    // A HealthSeverity raw value (HealthSeverityStyle: 0 unknown .. 3 critical).
    property int severity: HealthSeverityStyle.unknown

    readonly property color severityColor: HealthSeverityStyle.color(severity)
    readonly property real padding: 14
    readonly property real cornerRadius: 14
    readonly property alias iconItem: iconItem
    readonly property alias dot: dot
    readonly property alias valueText: valueText
    readonly property alias titleText: titleText
    readonly property alias captionText: captionText
    readonly property alias lift: lift

    implicitWidth: column.implicitWidth + 2 * padding
    implicitHeight: column.implicitHeight + 2 * padding

    HoverLift {
        id: lift
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

        RowLayout {
            Layout.fillWidth: true
            spacing: 8
            SymbolImage {
                id: iconItem
                name: tile.icon
                size: 14
                color: Design.Palette.textSecondary
            }
            Item { Layout.fillWidth: true }
            Rectangle {
                id: dot
                implicitWidth: 8
                implicitHeight: 8
                radius: 4
                color: tile.severityColor
                antialiasing: true
            }
        }
        Text {
            id: valueText
            Layout.fillWidth: true
            text: tile.value
            textFormat: Text.PlainText
            font: Typo.system(24, Font.DemiBold)
            color: Design.Palette.textPrimary
        }
        Text {
            id: titleText
            Layout.fillWidth: true
            text: tile.title
            textFormat: Text.PlainText
            font: Typo.calloutMedium
            color: Design.Palette.textPrimary
        }
        Text {
            id: captionText
            Layout.fillWidth: true
            text: tile.caption
            textFormat: Text.PlainText
            font: Typo.system(10)
            color: Design.Palette.textTertiary
            maximumLineCount: 1
            elide: Text.ElideMiddle
        }
    }
}
