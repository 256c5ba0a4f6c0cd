import QtQuick
import QtQuick.Layouts
import Quillmere.Design
import Quillmere.Design as Design

// The row that says a result may be partial: the symbol "exclamationmark.triangle.fill" (11,
// Theme.warning) and, 8 after it, the `message` (caption, secondary colour, plain text), wrapped so a
// long message grows the note instead of being cut. Padded 12 left and right and 7 above and below on
// Theme.warning at 0.1 (corner radius 10). No state or animation of its own.
Item {
    id: note

    // Shown as it is.
    property string message

    readonly property real horizontalPadding: 12
    readonly property real verticalPadding: 7
    readonly property real cornerRadius: 10
    readonly property color fillColor: Theme.withOpacity(Theme.warning, 0.1)
    readonly property alias symbolItem: symbol
    readonly property alias messageText: messageText

    implicitWidth: row.implicitWidth + 2 * horizontalPadding
    implicitHeight: row.implicitHeight + 2 * verticalPadding

    Rectangle {
        anchors.fill: parent
        radius: note.cornerRadius
        color: note.fillColor
        antialiasing: true
    }
    RowLayout {
        id: row
        anchors.fill: parent
        anchors.leftMargin: note.horizontalPadding
        anchors.rightMargin: note.horizontalPadding
        anchors.topMargin: note.verticalPadding
        anchors.bottomMargin: note.verticalPadding
        spacing: 8

        SymbolImage {
            id: symbol
            Layout.alignment: Qt.AlignVCenter
            name: "exclamationmark.triangle.fill"
            size: Typo.pixelSize(Typo.caption)
            color: Theme.warning
        }
        Text {
            id: messageText
            Layout.alignment: Qt.AlignVCenter
            Layout.fillWidth: true
            text: note.message
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Typo.caption
            color: Design.Palette.textSecondary
        }
    }
}
