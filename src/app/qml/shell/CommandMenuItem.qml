import QtQuick
import QtQuick.Controls.Basic
import Quillmere.Design
import Quillmere.Design as Design

// One item of the menu bar's menus, drawn dark: an optional symbol, the action's text and, at the
// right, the action's shortcut in portable text. Disabled items are dimmed.
MenuItem {
    id: item

    // Optional system symbol before the text; empty for none.
    property string symbol: ""
    // The shortcut as shown; empty for none.
    property string shortcutText: ""

    implicitWidth: Math.max(220, row.implicitWidth + leftPadding + rightPadding)
    implicitHeight: 26
    leftPadding: 10
    rightPadding: 12
    font: Typo.body

    contentItem: Item {
        implicitWidth: row.implicitWidth
        implicitHeight: row.implicitHeight
        opacity: item.enabled ? 1 : 0.38

        Row {
            id: row
            anchors.verticalCenter: parent.verticalCenter
            spacing: 8

            SymbolImage {
                anchors.verticalCenter: parent.verticalCenter
                width: 16
                horizontalAlignment: Text.AlignHCenter
                name: item.symbol
                size: 14
                color: Design.Palette.textSecondary
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: item.text
                textFormat: Text.PlainText
                font: item.font
                color: Design.Palette.textPrimary
            }
        }
        Text {
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            text: item.shortcutText
            textFormat: Text.PlainText
            font: Typo.callout
            color: Design.Palette.textTertiary
        }
    }
    background: Rectangle {
        implicitHeight: 26
        radius: 5
        color: item.highlighted && item.enabled ? Theme.withOpacity(Theme.accent, 0.55) : "transparent"
    }
}
