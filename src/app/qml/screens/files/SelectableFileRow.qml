import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.Design
import Quillmere.Design as Design

// One file of a file tool's result list: the leading mark, the name (plain text, one line, cut in the
// middle) over the subtitle (caption, tertiary colour, cut at its head), a flexible space and the size
// (12, rounded design, secondary colour). A linked copy shows the "link" symbol (14, secondary at 0.5,
// 16 wide, not a control) and "Linked copy — frees no space" in place of its subtitle, and ignores every
// tap; any other row shows a check circle ("checkmark.circle.fill" in the accent when selected, else
// "circle" in secondary at 0.45, 16) and a tap anywhere on it, mark included, emits `toggled`. Padded 12
// left and right and 7 above and below. Every text is given already formatted; it holds no state.
Item {
    id: row

    property string name
    property string subtitle
    property string size
    property bool isSelected: false
    property bool linked: false

    readonly property string linkedText: "Linked copy \u2014 frees no space"
    readonly property alias nameText: nameText
    readonly property alias subtitleText: subtitleText
    readonly property alias sizeText: sizeText
    readonly property alias mark: markLoader

    // The user asked to tick or untick the file.
    signal toggled()

    implicitWidth: content.implicitWidth + 24
    implicitHeight: content.implicitHeight + 14

    MouseArea {
        objectName: "rowTapArea"
        anchors.fill: parent
        enabled: !row.linked
        onClicked: row.toggled()
    }

    RowLayout {
        id: content
        anchors.fill: parent
        anchors.leftMargin: 12
        anchors.rightMargin: 12
        anchors.topMargin: 7
        anchors.bottomMargin: 7
        spacing: 12

        Loader {
            id: markLoader
            Layout.alignment: Qt.AlignVCenter
            sourceComponent: row.linked ? linkMark : checkMark
        }
        ColumnLayout {
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignVCenter
            spacing: 1
            Text {
                id: nameText
                objectName: "fileName"
                Layout.fillWidth: true
                text: row.name
                textFormat: Text.PlainText
                maximumLineCount: 1
                elide: Text.ElideMiddle
                font: Typo.body
                color: Design.Palette.textPrimary
            }
            Text {
                id: subtitleText
                objectName: "fileSubtitle"
                Layout.fillWidth: true
                text: row.linked ? row.linkedText : row.subtitle
                textFormat: Text.PlainText
                maximumLineCount: 1
                elide: Text.ElideLeft
                font: Typo.caption
                color: Design.Palette.textTertiary
            }
        }
        Text {
            id: sizeText
            objectName: "fileSize"
            Layout.alignment: Qt.AlignVCenter
            text: row.size
            textFormat: Text.PlainText
            font: Typo.system(12, Font.Normal)
            color: Design.Palette.textSecondary
        }
    }

    Component {
        id: linkMark
        SymbolImage {
            objectName: "linkMark"
            width: 16
            horizontalAlignment: Text.AlignHCenter
            name: "link"
            size: 14
            color: Design.Palette.textSecondary
            opacity: 0.5
        }
    }
    Component {
        id: checkMark
        T.AbstractButton {
            FocusRing {}
            objectName: "checkMark"
            implicitWidth: glyph.implicitWidth
            implicitHeight: glyph.implicitHeight
            onClicked: row.toggled()
            contentItem: SymbolImage {
                id: glyph
                name: row.isSelected ? "checkmark.circle.fill" : "circle"
                size: 16
                color: row.isSelected ? Theme.accent : Design.Palette.textSecondary
                opacity: row.isSelected ? 1 : 0.45
            }
        }
    }
}
