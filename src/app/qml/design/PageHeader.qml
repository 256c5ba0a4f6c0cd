import QtQuick
import QtQuick.Layouts
import Quillmere.Design
import Quillmere.Design as Design

// The header every module screen opens with, padded 24 on all sides: a row of the optional icon tile
// (IconMedallion, 36, in the module tint), the title block (title in screenTitle and textPrimary; the
// optional subtitle under it, 4 apart, in body and textSecondary, wrapped and never cut off), a
// spacer of at least 12 and the trailing controls; under the row, 12 apart, the optional accessory.
// Absent parts take no space and add no spacing.
Item {
    id: header

    // Shown as it is.
    property string title
    // One explanatory sentence; an empty text shows none.
    property string subtitle: ""
    // System symbol of the icon tile; an empty text shows no tile.
    property string icon: ""
    // Controls at the right end of the title row; null for none.
    property Component trailing: null
    // Content on its own row under the title row; null for none.
    property Component accessory: null

    readonly property color tint: ModuleTint.resolved
    readonly property real padding: 24
    readonly property alias iconTile: iconTile
    readonly property alias titleBlock: titleBlock
    readonly property alias titleText: titleText
    readonly property alias subtitleText: subtitleText
    readonly property alias trailingItem: trailingLoader
    readonly property alias accessoryItem: accessoryLoader

    implicitWidth: column.implicitWidth + 2 * padding
    implicitHeight: column.implicitHeight + 2 * padding

    ColumnLayout {
        id: column
        anchors.fill: parent
        anchors.margins: header.padding
        spacing: 12

        RowLayout {
            id: titleRow
            Layout.fillWidth: true
            spacing: 12

            IconMedallion {
                id: iconTile
                visible: header.icon !== ""
                symbol: header.icon
                tint: header.tint
                size: 36
                Layout.alignment: Qt.AlignVCenter
            }
            ColumnLayout {
                id: titleBlock
                spacing: 4
                Layout.alignment: Qt.AlignVCenter
                Layout.fillWidth: true

                Text {
                    id: titleText
                    Layout.fillWidth: true
                    text: header.title
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font: Typo.screenTitle
                    color: Design.Palette.textPrimary
                }
                Text {
                    id: subtitleText
                    Layout.fillWidth: true
                    visible: header.subtitle !== ""
                    text: header.subtitle
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font: Typo.body
                    color: Design.Palette.textSecondary
                }
            }
            Item {
                Layout.fillWidth: true
                Layout.minimumWidth: 12
            }
            Loader {
                id: trailingLoader
                visible: header.trailing !== null
                sourceComponent: header.trailing
                Layout.alignment: Qt.AlignVCenter
            }
        }
        Loader {
            id: accessoryLoader
            visible: header.accessory !== null
            sourceComponent: header.accessory
            Layout.fillWidth: true
        }
    }
}
