import QtQuick
import Quillmere.Design

// A small capsule label in one colour: the optional symbol at 10 and, 4 after it, the text in
// captionMedium, both in `color`, padded 8 left and right and 3 above and below, on `color` at 0.15
// with a 1-pixel `color` 0.35 line inside the edge.
Item {
    id: badge

    // Shown as it is.
    property string text
    // Optional system symbol; an empty text shows none.
    property string systemImage: ""
    property color color: Theme.accent

    readonly property real horizontalPadding: 8
    readonly property real verticalPadding: 3
    readonly property color fillColor: Theme.withOpacity(color, 0.15)
    readonly property color lineColor: Theme.withOpacity(color, 0.35)
    readonly property alias symbolItem: symbol
    readonly property alias label: label

    implicitWidth: row.implicitWidth + 2 * horizontalPadding
    implicitHeight: row.implicitHeight + 2 * verticalPadding
    baselineOffset: row.y + label.y + label.baselineOffset

    Rectangle {
        anchors.fill: parent
        radius: height / 2
        color: badge.fillColor
        border.width: 1
        border.color: badge.lineColor
        antialiasing: true
    }
    Row {
        id: row
        anchors.centerIn: parent
        spacing: 4

        SymbolImage {
            id: symbol
            anchors.verticalCenter: parent.verticalCenter
            visible: badge.systemImage !== ""
            name: badge.systemImage
            size: 10
            color: badge.color
        }
        Text {
            id: label
            anchors.verticalCenter: parent.verticalCenter
            text: badge.text
            textFormat: Text.PlainText
            font: Typo.captionMedium
            color: badge.color
        }
    }
}
