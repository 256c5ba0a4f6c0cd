import QtQuick
import QtQuick.Controls.Basic
import Quillmere.Design

// A menu of the menu bar, drawn dark: a rounded, nearly opaque panel with a faint border.
Menu {
    id: menu

    padding: 5
    delegate: CommandMenuItem {}

    background: Rectangle {
        implicitWidth: 220
        radius: 8
        color: Qt.rgba(24 / 255, 27 / 255, 42 / 255, 0.98)
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, 0.12)
    }
}
