import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// One leftover file or folder in the uninstall sheet: its check box ("checkmark.circle.fill" in the
// tint when selected, else "circle" dimmed), its name (one line, cut in the middle) over the label of
// the Library folder it lies in, and its size ("0 KB" below 1 byte). One tap anywhere on the row, the
// box included, emits `toggled` once; the row never changes its item itself.
Item {
    id: row

    property string name
    property string location
    property double bytes: 0
    property bool isSelected: false
    readonly property color tint: ModuleTint.resolved

    readonly property string sizeText: DisplayText.byteCount(bytes)
    readonly property alias checkBox: checkBox
    readonly property alias nameText: nameText
    readonly property alias locationText: locationText
    readonly property alias sizeLabel: sizeLabel

    // The user asked to flip the selection.
    signal toggled()

    implicitWidth: layout.implicitWidth + 36
    implicitHeight: layout.implicitHeight + 12

    // The row's own tap area, under the box (which takes its own taps).
    MouseArea {
        objectName: "rowTapArea"
        anchors.fill: parent
        onClicked: row.toggled()
    }

    RowLayout {
        id: layout
        anchors.fill: parent
        anchors.leftMargin: 18
        anchors.rightMargin: 18
        anchors.topMargin: 6
        anchors.bottomMargin: 6
        spacing: 12

        T.AbstractButton {
            id: checkBox
            FocusRing {}
            objectName: "checkBox"
            Layout.alignment: Qt.AlignVCenter
            implicitWidth: implicitContentWidth
            implicitHeight: implicitContentHeight
            Accessible.name: row.isSelected ? "Deselect" : "Select"
            contentItem: SymbolImage {
                name: row.isSelected ? "checkmark.circle.fill" : "circle"
                size: 15
                color: row.isSelected ? row.tint : Design.Palette.textTertiary
            }
            onClicked: row.toggled()
        }
        ColumnLayout {
            Layout.alignment: Qt.AlignVCenter
            Layout.fillWidth: true
            spacing: 1
            Text {
                id: nameText
                objectName: "nameText"
                Layout.fillWidth: true
                text: row.name
                textFormat: Text.PlainText
                elide: Text.ElideMiddle
                maximumLineCount: 1
                font: Typo.callout
                color: Design.Palette.textPrimary
            }
            Text {
                id: locationText
                objectName: "locationText"
                Layout.fillWidth: true
                text: row.location
                textFormat: Text.PlainText
                elide: Text.ElideRight
                font: Typo.system(10, Font.Normal)
                color: Design.Palette.textTertiary
            }
        }
        Text {
            id: sizeLabel
            objectName: "sizeText"
            Layout.alignment: Qt.AlignVCenter
            text: row.sizeText
            textFormat: Text.PlainText
            font: Typo.system(11, Font.Normal)
            color: Design.Palette.textSecondary
        }
    }
}
