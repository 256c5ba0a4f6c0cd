import QtQuick
import QtQuick.Controls.Basic
import Quillmere.Design
import Quillmere.Design as Design

// The context menu of a map bubble, drawn dark at the pointer: for a removable bubble "Deselect"
// (symbol "circle") when it is selected, else "Select for removal" ("checkmark.circle"); then always
// "Show in File Manager" ("magnifyingglass"). A protected bubble's menu holds only the last. The items
// only emit; the screen acts.
Menu {
    id: menu

    // The bubble the menu was opened for, and how it stood then.
    property string target: ""
    property bool targetRemovable: false
    property bool targetSelected: false
    // The select item while the menu has one, else null.
    readonly property var selectItem: count > 1 ? itemAt(0) : null
    readonly property alias revealItem: revealItem

    signal toggleSelectRequested(string id)
    signal revealRequested(string id)

    // Opens the menu for bubble `id` at the pointer.
    function show(id, removable, selected) {
        target = id
        targetRemovable = removable
        targetSelected = selected
        // The select item exists only for a removable bubble; it is made anew (owned by the menu's item) and
        // destroyed when not wanted, never taken out and kept aside.
        const hasSelect = selectItem !== null
        if (removable && !hasSelect)
            insertItem(0, selectComponent.createObject(menu.parent))
        else if (!removable && hasSelect)
            removeItem(itemAt(0))
        popup()
    }

    component LensMenuItem: MenuItem {
        id: item
        property string symbol: ""
        implicitWidth: Math.max(200, row.implicitWidth + leftPadding + rightPadding)
        implicitHeight: 26
        leftPadding: 10
        rightPadding: 12
        font: Typo.body

        contentItem: Item {
            implicitWidth: row.implicitWidth
            implicitHeight: row.implicitHeight

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
        }
        background: Rectangle {
            implicitHeight: 26
            radius: 5
            color: item.highlighted ? Theme.withOpacity(Theme.accent, 0.55) : "transparent"
        }
    }

    padding: 5
    background: Rectangle {
        implicitWidth: 200
        radius: 8
        color: Qt.rgba(24 / 255, 27 / 255, 42 / 255, 0.98)
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, 0.12)
    }

    Component {
        id: selectComponent
        LensMenuItem {
            objectName: "selectMenuItem"
            // The menu goes first when the page closes.
            readonly property bool deselects: menu !== null && menu.targetSelected
            text: deselects ? "Deselect" : "Select for removal"
            symbol: deselects ? "circle" : "checkmark.circle"
            onTriggered: menu.toggleSelectRequested(menu.target)
        }
    }
    LensMenuItem {
        id: revealItem
        objectName: "revealMenuItem"
        text: "Show in File Manager"
        symbol: "magnifyingglass"
        onTriggered: menu.revealRequested(menu.target)
    }
}
