import QtQuick
import QtQuick.Controls.Basic
import Quillmere.Design

// A menu of the menu bar, drawn dark: a rounded, nearly opaque panel with a faint border. It closes
// on a press outside its title; Escape is the menu bar's. Its items are made on request, not with it.
Menu {
    id: menu

    // What `entries` makes: the menu's items in order, and whatever else goes with them (an
    // Instantiator that adds items itself, say), which stays here.
    component Entries: QtObject {
        default property list<QtObject> contents
    }

    // Makes the menu's items; its root is an Entries.
    property Component entries: null
    // The Entries made from `entries`; null until makeEntries().
    property Entries madeEntries: null

    // Makes the items from `entries`; only the first call does anything.
    function makeEntries() {
        if (madeEntries !== null || entries === null)
            return
        madeEntries = entries.createObject(menu)
        for (let i = 0; i < madeEntries.contents.length; ++i) {
            const each = madeEntries.contents[i]
            if (each instanceof Item)
                menu.addItem(each)
        }
    }

    padding: 5
    // Not on Escape: the menu bar's item closes it then (see MainWindow), so the bar knows.
    closePolicy: Popup.CloseOnPressOutsideParent | Popup.CloseOnReleaseOutsideParent
    delegate: CommandMenuItem {}

    background: Rectangle {
        implicitWidth: 220
        radius: 8
        color: Qt.rgba(24 / 255, 27 / 255, 42 / 255, 0.98)
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, 0.12)
    }
}
