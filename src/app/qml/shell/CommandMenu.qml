import QtQuick
import QtQuick.Controls.Basic
import Quillmere.Design

// A menu of the menu bar, drawn dark: a rounded, nearly opaque panel with a faint border. It closes
// on a press outside its title; Escape is the menu bar's.
Menu {
    id: menu

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
