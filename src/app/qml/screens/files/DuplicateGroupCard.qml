import QtQuick
import QtQuick.Layouts
import Quillmere.Design
import Quillmere.Design as Design

// One group of identical files on the Duplicates screen, on the faint fill (corner radius 12): a header
// of the "doc.on.doc" symbol (14, accent), the number of files (linked copies included), " copies · ",
// the first file's size and " each", a flexible space and the group's reclaimable bytes; a divider
// indented 12; then one selectable row per file, in order, whose subtitle is the file's folder. A
// row's toggle emits `toggled` with the file's id. It holds no state.
Item {
    id: card

    // One row of DuplicateGroupListModel, by its role names: how many files the group holds, the first
    // file's size text, the reclaimable bytes' text and the files as maps (fileId, name, folder,
    // sizeText, isSelected, linked).
    required property int fileCount
    required property string copySize
    required property string wastedText
    required property var files

    readonly property string headerText: fileCount + " copies \u00b7 " + copySize + " each"
    readonly property alias headerLabel: headerLabel
    readonly property alias wastedLabel: wastedLabel

    // The user toggled the file `fileId` (its UUID text).
    signal toggled(string fileId)

    implicitHeight: column.implicitHeight

    Rectangle {
        anchors.fill: parent
        radius: 12
        color: Design.Palette.fillFaint
        antialiasing: true
    }
    Column {
        id: column
        width: parent.width

        Item {
            width: parent.width
            implicitHeight: header.implicitHeight + 20
            height: implicitHeight
            RowLayout {
                id: header
                anchors.fill: parent
                anchors.leftMargin: 12
                anchors.rightMargin: 12
                anchors.topMargin: 10
                anchors.bottomMargin: 10
                spacing: 8
                SymbolImage {
                    Layout.alignment: Qt.AlignVCenter
                    name: "doc.on.doc"
                    size: 14
                    color: Theme.accent
                }
                Text {
                    id: headerLabel
                    objectName: "groupHeader"
                    Layout.fillWidth: true
                    text: card.headerText
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    font: Typo.bodyMedium
                    color: Design.Palette.textPrimary
                }
                Text {
                    id: wastedLabel
                    objectName: "groupWasted"
                    text: card.wastedText + " reclaimable"
                    textFormat: Text.PlainText
                    font: Typo.callout
                    color: Design.Palette.textSecondary
                }
            }
        }
        Rectangle {
            x: 12
            width: parent.width - 12
            height: 1
            color: Design.Palette.hairline
        }
        Repeater {
            model: card.files
            SelectableFileRow {
                required property var modelData
                objectName: "fileRow"
                width: column.width
                name: modelData.name
                subtitle: modelData.folder
                size: modelData.sizeText
                isSelected: modelData.isSelected
                linked: modelData.linked
                onToggled: card.toggled(modelData.fileId)
            }
        }
    }
}
