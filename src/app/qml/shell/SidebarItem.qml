import QtQuick
import Quillmere.App
import Quillmere.Design

// One module row of the sidebar: the module's symbol (16, in a 24-wide frame) and title (13), 12
// apart, padded 12 left and right and 9 above and below; the whole row takes the click. The selected
// row shows both in white, the title medium, on a plate (white 0.12, corner radius 10) with a 1-wide
// border of the module tint at 0.55 inside its edge and a glow of the tint at 0.5 (blur 10); the
// others show the symbol at 0.55 and the title at 0.7, regular, without a plate. Changes of selection
// ease out over 0.2 s. It has no hover look. It takes keyboard focus (Tab), shows it with the design
// system's focus ring, opens with Return, Enter or Space, and asks for the next or previous row with
// Down and Up.
Item {
    id: row

    // The module's id (its raw value); the row shows its title.
    required property string module
    required property bool isSelected
    // Emitted on a click, Return, Enter or Space, whether or not the row is selected.
    signal activated()
    // Up (-1) or Down (+1) was pressed while the row had focus.
    signal stepRequested(int step)

    readonly property color tint: QuillmereModule.tint(module)
    readonly property color symbolColor: isSelected ? Qt.rgba(1, 1, 1, 1) : Qt.rgba(1, 1, 1, 0.55)
    readonly property color titleColor: isSelected ? Qt.rgba(1, 1, 1, 1) : Qt.rgba(1, 1, 1, 0.7)
    readonly property alias plate: plate
    readonly property alias titleText: title
    readonly property alias symbolItem: symbol

    implicitHeight: Math.max(symbol.implicitHeight, title.implicitHeight) + 18
    implicitWidth: 12 + 24 + 12 + title.implicitWidth + 12

    activeFocusOnTab: true
    Keys.onReturnPressed: row.activated()
    Keys.onEnterPressed: row.activated()
    Keys.onSpacePressed: row.activated()
    Keys.onUpPressed: row.stepRequested(-1)
    Keys.onDownPressed: row.stepRequested(1)

    Accessible.role: Accessible.Button
    Accessible.name: QuillmereModule.title(module)
    Accessible.selectable: true
    Accessible.selected: isSelected

    Item {
        id: plate
        anchors.fill: parent
        opacity: row.isSelected ? 1 : 0
        visible: opacity > 0
        Behavior on opacity {
            NumberAnimation { duration: 200; easing.type: Easing.Bezier; easing.bezierCurve: [0, 0, 0.58, 1, 1, 1] }
        }

        RoundedShadow {
            anchors.fill: parent
            cornerRadius: 10
            color: Theme.withOpacity(row.tint, 0.5)
            blurRadius: 10
        }
        Rectangle {
            anchors.fill: parent
            radius: 10
            color: Qt.rgba(1, 1, 1, 0.12)
            border.width: 1
            border.color: Theme.withOpacity(row.tint, 0.55)
            antialiasing: true
        }
    }

    SymbolImage {
        id: symbol
        x: 12
        anchors.verticalCenter: parent.verticalCenter
        width: 24
        horizontalAlignment: Text.AlignHCenter
        name: QuillmereModule.systemImage(row.module)
        size: 16
        color: row.symbolColor
        Behavior on color {
            ColorAnimation { duration: 200; easing.type: Easing.Bezier; easing.bezierCurve: [0, 0, 0.58, 1, 1, 1] }
        }
    }
    Text {
        id: title
        x: symbol.x + symbol.width + 12
        anchors.verticalCenter: parent.verticalCenter
        width: Math.max(0, row.width - x - 12)
        elide: Text.ElideRight
        text: QuillmereModule.title(row.module)
        textFormat: Text.PlainText
        font: Typo.system(13, row.isSelected ? Font.Medium : Font.Normal)
        color: row.titleColor
        Behavior on color {
            ColorAnimation { duration: 200; easing.type: Easing.Bezier; easing.bezierCurve: [0, 0, 0.58, 1, 1, 1] }
        }
    }

    MouseArea {
        anchors.fill: parent
        onClicked: row.activated()
    }

    FocusRing {
        cornerRadius: 10
    }
}
