import QtQuick
import QtQuick.Layouts
import Quillmere.Design
import Quillmere.Design as Design

// The folder a file tool searches, with a button to choose another: the "folder" symbol in the accent,
// the folder's path (plain text, one line, cut at its head so its end stays visible), a flexible space
// and the secondary button "Choose…", which emits `chooseRequested`. Padded 12 left and right and 8
// above and below on the faint fill (corner radius 8). It holds no state.
Item {
    id: bar

    // The folder's path as display text.
    property string path

    readonly property alias pathText: pathText
    readonly property alias chooseButton: chooseButton

    signal chooseRequested()

    implicitWidth: row.implicitWidth + 24
    implicitHeight: row.implicitHeight + 16

    Rectangle {
        anchors.fill: parent
        radius: 8
        color: Design.Palette.fillFaint
        antialiasing: true
    }
    RowLayout {
        id: row
        anchors.fill: parent
        anchors.leftMargin: 12
        anchors.rightMargin: 12
        anchors.topMargin: 8
        anchors.bottomMargin: 8
        spacing: 8

        SymbolImage {
            objectName: "folderSymbol"
            Layout.alignment: Qt.AlignVCenter
            name: "folder"
            size: Typo.pixelSize(Typo.body)
            color: Theme.accent
        }
        Text {
            id: pathText
            objectName: "folderPath"
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignVCenter
            text: bar.path
            textFormat: Text.PlainText
            maximumLineCount: 1
            elide: Text.ElideLeft
            font: Typo.callout
            color: Design.Palette.textSecondary
        }
        QuillmereButtonStyle {
            id: chooseButton
            objectName: "chooseButton"
            kind: QuillmereButtonStyle.Secondary
            text: "Choose\u2026"
            onClicked: bar.chooseRequested()
        }
    }
}
