import QtQuick
import QtQuick.Layouts
import Quillmere.Design
import Quillmere.Design as Design

// The Applications page's search field: the magnifying glass beside a plain text field with the
// prompt "Search apps", padded 10 left and right and 7 above and below on a faint rounded rectangle
// (radius 8). `text` follows what is typed exactly, blanks included; `edited` tells each edit. Tab
// reaches the text field, and the frame then shows the design system's focus ring.
Item {
    id: field

    property alias text: input.text
    readonly property alias input: input
    readonly property alias prompt: prompt

    // The user changed the text.
    signal edited(string text)

    implicitWidth: 220
    implicitHeight: row.implicitHeight + 14

    Rectangle {
        anchors.fill: parent
        radius: 8
        color: Design.Palette.fillFaint
        antialiasing: true
    }
    RowLayout {
        id: row
        anchors.fill: parent
        anchors.leftMargin: 10
        anchors.rightMargin: 10
        anchors.topMargin: 7
        anchors.bottomMargin: 7
        spacing: 6

        SymbolImage {
            Layout.alignment: Qt.AlignVCenter
            name: "magnifyingglass"
            size: Typo.pixelSize(Typo.callout) * 1.2
            color: Design.Palette.textSecondary
        }
        Item {
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignVCenter
            implicitHeight: input.implicitHeight
            TextInput {
                id: input
                objectName: "searchInput"
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                font: Typo.body
                color: Design.Palette.textPrimary
                selectionColor: Theme.withOpacity(Theme.accent, 0.5)
                selectedTextColor: Design.Palette.textPrimary
                clip: true
                selectByMouse: true
                activeFocusOnTab: true
                onTextEdited: field.edited(text)
            }
            Text {
                id: prompt
                anchors.fill: input
                visible: input.text === ""
                text: "Search apps"
                textFormat: Text.PlainText
                font: Typo.body
                color: Design.Palette.textTertiary
            }
        }
    }

    FocusRing {
        control: input
        cornerRadius: 8
    }
}
