import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.Design
import Quillmere.Design as Design

// One browser's card on the privacy screen: a glass card (radius 12) holding the browser's name (14,
// semibold), a divider indented 12 and one row per item in the given order. A row holds the selection
// circle ("checkmark.circle.fill" in the accent when selected, else "circle" in the secondary colour at
// 0.45; 16), the kind's symbol (13, secondary colour) centred in 20, the kind text (body), a flexible
// space and the size (12, secondary colour; "0 KB" below 1 byte). A click anywhere on a row, its circle
// included, emits `toggle` once with the item's id. Names and kinds, which carry profile folder names
// from disk, show as plain text. Holds no state: the screen hands in new items on every change.
GlassCard {
    id: card

    // The browser's display name.
    property string browser
    // The browser's items as the privacy model publishes them (`id`, `kind`, `systemImage`, `bytes`,
    // `bytesText`, `isSelected`).
    property var items: []

    readonly property alias nameText: nameText
    readonly property alias divider: divider
    readonly property alias rows: rowRepeater

    // Asks to flip the selection of the item `itemId`.
    signal toggle(string itemId)

    cornerRadius: 12

    contentItem: ColumnLayout {
        width: card.width
        spacing: 0

        Text {
            id: nameText
            objectName: "browserName"
            Layout.fillWidth: true
            Layout.leftMargin: 12
            Layout.rightMargin: 12
            Layout.topMargin: 10
            Layout.bottomMargin: 6
            text: card.browser
            textFormat: Text.PlainText
            elide: Text.ElideRight
            font: Typo.system(14, Font.DemiBold)
            color: Design.Palette.textPrimary
        }
        Rectangle {
            id: divider
            objectName: "browserDivider"
            Layout.fillWidth: true
            Layout.leftMargin: 12
            Layout.preferredHeight: 1
            color: Design.Palette.hairline
        }
        Repeater {
            id: rowRepeater
            // By position: a row keeps its place while its item's selection changes.
            model: card.items.length
            T.AbstractButton {
                id: row
                FocusRing {}
                required property int index
                readonly property var item: card.items[index] !== undefined ? card.items[index] : ({})
                readonly property bool selected: item.isSelected === true
                readonly property real bytes: item.bytes !== undefined ? Number(item.bytes) : 0
                readonly property color secondary: Design.Palette.textSecondary
                readonly property alias selectButton: selectButton
                readonly property alias checkSymbol: checkSymbol
                readonly property alias kindSymbol: kindSymbol
                readonly property alias kindText: kindText
                readonly property alias sizeText: sizeText

                objectName: "privacyRow"
                Layout.fillWidth: true
                hoverEnabled: true
                leftPadding: 12
                rightPadding: 12
                topPadding: 7
                bottomPadding: 7
                implicitWidth: implicitContentWidth + leftPadding + rightPadding
                implicitHeight: implicitContentHeight + topPadding + bottomPadding
                onClicked: card.toggle(String(row.item.id))

                background: Item {}
                contentItem: RowLayout {
                    spacing: 12

                    T.AbstractButton {
                        id: selectButton
                        FocusRing {}
                        objectName: "selectButton"
                        Layout.alignment: Qt.AlignVCenter
                        padding: 0
                        implicitWidth: implicitContentWidth
                        implicitHeight: implicitContentHeight
                        Accessible.name: row.selected ? "Deselect" : "Select"
                        contentItem: SymbolImage {
                            id: checkSymbol
                            name: row.selected ? "checkmark.circle.fill" : "circle"
                            size: 16
                            color: row.selected ? Theme.accent
                                                : Theme.withOpacity(row.secondary, row.secondary.a * 0.45)
                        }
                        onClicked: card.toggle(String(row.item.id))
                    }
                    Item {
                        Layout.alignment: Qt.AlignVCenter
                        Layout.preferredWidth: 20
                        implicitHeight: kindSymbol.implicitHeight
                        SymbolImage {
                            id: kindSymbol
                            objectName: "kindSymbol"
                            anchors.centerIn: parent
                            name: row.item.systemImage !== undefined ? String(row.item.systemImage) : ""
                            size: 13
                            color: row.secondary
                        }
                    }
                    Text {
                        id: kindText
                        objectName: "kindText"
                        Layout.alignment: Qt.AlignVCenter
                        Layout.fillWidth: true
                        text: row.item.kind !== undefined ? String(row.item.kind) : ""
                        textFormat: Text.PlainText
                        elide: Text.ElideMiddle
                        font: Typo.body
                        color: Design.Palette.textPrimary
                    }
                    Text {
                        id: sizeText
                        objectName: "sizeText"
                        Layout.alignment: Qt.AlignVCenter
                        text: row.bytes < 1 || row.item.bytesText === undefined ? "0 KB" : String(row.item.bytesText)
                        textFormat: Text.PlainText
                        font: Typo.system(12, Font.Normal)
                        color: row.secondary
                    }
                }
            }
        }
    }
}
