import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.Design
import Quillmere.Design as Design

// One item of the Cloud Cleanup list: the selector (a cloud for an item without a local copy, which
// cannot be chosen, else a check circle), the folder or document symbol, the name (plain text, cut in
// the middle) with its local size or "In the cloud", and, for an item with a local copy, a bar of its
// share of everything stored here. A tap anywhere on the row toggles it when it has a local copy.
// Padded 12 left and right and 9 above and below.
Item {
    id: row

    // One map of CloudCleanupViewModel.items.
    property var item: ({})
    property bool isSelected: false
    property color tint: ModuleTint.resolved

    readonly property bool hasLocalCopy: item.localBytes !== undefined && item.localBytes >= 1
    readonly property alias nameText: nameText
    readonly property alias sizeText: sizeText
    readonly property alias bar: barRow
    readonly property alias selector: selectorLoader
    readonly property real barFillWidth: Math.max(track.width * (item.fraction !== undefined ? item.fraction : 0), 2)

    // The user asked to add the item to the selection or take it out.
    signal toggled()

    implicitWidth: content.implicitWidth + 24
    implicitHeight: content.implicitHeight + 18

    MouseArea {
        anchors.fill: parent
        onClicked: {
            if (row.hasLocalCopy)
                row.toggled()
        }
    }

    RowLayout {
        id: content
        anchors.fill: parent
        anchors.leftMargin: 12
        anchors.rightMargin: 12
        anchors.topMargin: 9
        anchors.bottomMargin: 9
        spacing: 12

        Loader {
            id: selectorLoader
            Layout.preferredWidth: 20
            Layout.alignment: Qt.AlignVCenter
            sourceComponent: row.hasLocalCopy ? checkButton : cloudOnly
        }
        SymbolImage {
            objectName: "kindSymbol"
            Layout.preferredWidth: 22
            Layout.alignment: Qt.AlignVCenter
            horizontalAlignment: Text.AlignHCenter
            name: row.item.isDirectory ? "folder.fill" : "doc"
            size: 14
            color: row.hasLocalCopy ? row.tint : Design.Palette.textSecondary
        }
        ColumnLayout {
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignVCenter
            spacing: 3

            RowLayout {
                Layout.fillWidth: true
                spacing: 6
                Text {
                    id: nameText
                    objectName: "itemName"
                    Layout.fillWidth: true
                    text: row.item.name !== undefined ? row.item.name : ""
                    textFormat: Text.PlainText
                    maximumLineCount: 1
                    elide: Text.ElideMiddle
                    font: Typo.body
                    color: Design.Palette.textPrimary
                }
                Text {
                    id: sizeText
                    objectName: "itemSize"
                    Layout.leftMargin: 6
                    text: row.hasLocalCopy ? row.item.localText : "In the cloud"
                    textFormat: Text.PlainText
                    font: row.hasLocalCopy ? Typo.system(12, Font.Normal) : Typo.caption
                    color: row.hasLocalCopy ? Design.Palette.textPrimary : Design.Palette.textTertiary
                }
            }
            RowLayout {
                id: barRow
                objectName: "shareBar"
                visible: row.hasLocalCopy
                Layout.fillWidth: true
                spacing: 6
                Item {
                    id: track
                    Layout.fillWidth: true
                    Layout.preferredHeight: 4
                    Rectangle {
                        anchors.fill: parent
                        radius: height / 2
                        color: Design.Palette.fillSubtle
                    }
                    Rectangle {
                        objectName: "shareFill"
                        width: row.barFillWidth
                        height: parent.height
                        radius: height / 2
                        color: Theme.withOpacity(row.tint, 0.8)
                    }
                }
                Text {
                    Layout.preferredWidth: 64
                    horizontalAlignment: Text.AlignRight
                    text: row.hasLocalCopy ? row.item.localText : ""
                    textFormat: Text.PlainText
                    font: Typo.system(10, Font.Normal)
                    color: Design.Palette.textTertiary
                }
            }
        }
    }

    Component {
        id: cloudOnly
        SymbolImage {
            id: cloudSymbol
            objectName: "cloudOnlySymbol"
            horizontalAlignment: Text.AlignHCenter
            name: "icloud"
            size: Typo.pixelSize(Typo.callout)
            color: Design.Palette.textTertiary

            HoverHandler { id: cloudHover }
            HelpTip {
                text: "Already in the cloud only \u2014 no local copy to free"
                visible: cloudHover.hovered
            }
        }
    }
    Component {
        id: checkButton
        T.AbstractButton {
            FocusRing {}
            objectName: "selectButton"
            padding: 0
            implicitWidth: 20
            implicitHeight: implicitContentHeight
            Accessible.name: row.isSelected ? "Deselect" : "Select"
            contentItem: SymbolImage {
                horizontalAlignment: Text.AlignHCenter
                name: row.isSelected ? "checkmark.circle.fill" : "circle"
                size: 16
                color: row.isSelected ? row.tint : Theme.withOpacity(Design.Palette.textSecondary, Design.Palette.textSecondary.a * 0.45)
            }
            onClicked: row.toggled()
        }
    }
}
