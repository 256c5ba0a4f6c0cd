import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// One child in the Space Lens list, 8 between its parts: the select column (18 wide: a check circle
// for a removable child, else a lock with the tooltip "Protected — drill in to remove individual
// items") and the main button: a 10-point swatch in the child's colour, the folder or document symbol,
// the name (plain text, cut in the middle), the size text, under them (unless unreadable) a 4-point
// share bar of at least 3 with the percentage, and a chevron for a folder. Padded 12 left and right and
// 8 above and below; white 0.1 behind it while `isHovered`. Holds no state: the screen sets the hover
// and the selection and acts on the signals.
Item {
    id: row

    property string name
    property string sizeText
    // The child's share of the folder, 0...1.
    property real fraction: 0
    property bool isDirectory: false
    property bool unreadable: false
    property color color: SpaceLensDisplay.unindexedColor
    property bool isHovered: false
    property bool isRemovable: false
    property bool isSelected: false

    readonly property alias selectButton: selectButton
    readonly property alias lock: lock
    readonly property alias mainButton: mainButton
    readonly property alias kindSymbol: kindSymbol
    readonly property alias nameText: nameText
    readonly property alias sizeLabel: sizeLabel
    readonly property alias shareLine: shareLine
    readonly property alias shareFill: shareFill
    readonly property alias percentText: percentText
    readonly property alias chevron: chevron
    readonly property alias lockTip: lockTip

    // The main button was pressed; the select control was pressed; the pointer entered (true) or left
    // (false) the row.
    signal opened()
    signal toggleSelectRequested()
    signal hoverReported(bool inside)

    implicitWidth: content.implicitWidth + 24
    implicitHeight: content.implicitHeight + 16

    Rectangle {
        objectName: "rowHighlight"
        anchors.fill: parent
        color: row.isHovered ? Qt.rgba(1, 1, 1, 0.1) : "transparent"
    }
    HoverHandler {
        onHoveredChanged: row.hoverReported(hovered)
    }

    RowLayout {
        id: content
        anchors.fill: parent
        anchors.leftMargin: 12
        anchors.rightMargin: 12
        anchors.topMargin: 8
        anchors.bottomMargin: 8
        spacing: 8

        Item {
            Layout.preferredWidth: 18
            Layout.alignment: Qt.AlignVCenter
            implicitHeight: Math.max(selectButton.implicitHeight, lock.implicitHeight)

            T.AbstractButton {
                id: selectButton
                FocusRing {}
                objectName: "selectButton"
                anchors.centerIn: parent
                visible: row.isRemovable
                padding: 0
                implicitWidth: implicitContentWidth
                implicitHeight: implicitContentHeight
                Accessible.name: row.isSelected ? "Deselect" : "Select for removal"
                contentItem: SymbolImage {
                    name: row.isSelected ? "checkmark.circle.fill" : "circle"
                    size: 15
                    color: row.isSelected ? row.color : Design.Palette.textSecondary
                    opacity: row.isSelected ? 1 : 0.45
                }
                onClicked: row.toggleSelectRequested()
            }
            SymbolImage {
                id: lock
                objectName: "lock"
                anchors.centerIn: parent
                visible: !row.isRemovable
                name: "lock.fill"
                size: 10
                color: Design.Palette.textTertiary

                HoverHandler {
                    id: lockHover
                }
                HelpTip {
                    id: lockTip
                    text: "Protected \u2014 drill in to remove individual items"
                    visible: lockHover.hovered
                }
            }
        }

        T.AbstractButton {
            id: mainButton
            FocusRing {}
            objectName: "mainButton"
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignVCenter
            padding: 0
            implicitWidth: implicitContentWidth
            implicitHeight: implicitContentHeight
            Accessible.name: row.name
            onClicked: row.opened()

            contentItem: RowLayout {
                spacing: 10

                Rectangle {
                    objectName: "swatch"
                    Layout.preferredWidth: 10
                    Layout.preferredHeight: 10
                    Layout.alignment: Qt.AlignVCenter
                    radius: 3
                    color: row.color
                }
                ColumnLayout {
                    Layout.fillWidth: true
                    Layout.alignment: Qt.AlignVCenter
                    spacing: 4

                    RowLayout {
                        Layout.fillWidth: true
                        spacing: 6

                        SymbolImage {
                            id: kindSymbol
                            objectName: "kindSymbol"
                            Layout.alignment: Qt.AlignVCenter
                            name: row.isDirectory ? "folder.fill" : "doc"
                            size: 11
                            color: row.isDirectory ? row.color : Design.Palette.textSecondary
                        }
                        Text {
                            id: nameText
                            objectName: "nameText"
                            Layout.fillWidth: true
                            Layout.alignment: Qt.AlignVCenter
                            text: row.name
                            textFormat: Text.PlainText
                            maximumLineCount: 1
                            elide: Text.ElideMiddle
                            font: Typo.body
                            color: Design.Palette.textPrimary
                        }
                        Text {
                            id: sizeLabel
                            objectName: "sizeText"
                            Layout.leftMargin: 6
                            Layout.alignment: Qt.AlignVCenter
                            text: row.sizeText
                            textFormat: Text.PlainText
                            font: Typo.system(12, Font.Normal)
                            color: Design.Palette.textSecondary
                        }
                    }
                    RowLayout {
                        id: shareLine
                        objectName: "shareLine"
                        Layout.fillWidth: true
                        visible: !row.unreadable
                        spacing: 6

                        Item {
                            id: shareBar
                            Layout.fillWidth: true
                            Layout.preferredHeight: 4
                            Layout.alignment: Qt.AlignVCenter

                            Rectangle {
                                objectName: "shareTrack"
                                width: parent.width
                                height: parent.height
                                radius: height / 2
                                color: Design.Palette.fillSubtle
                            }
                            Rectangle {
                                id: shareFill
                                objectName: "shareFill"
                                width: SpaceLensDisplay.shareBarWidth(shareBar.width, row.fraction)
                                height: parent.height
                                radius: height / 2
                                color: Theme.withOpacity(row.color, 0.85)
                            }
                        }
                        Text {
                            id: percentText
                            objectName: "percentText"
                            Layout.preferredWidth: 34
                            Layout.alignment: Qt.AlignVCenter
                            horizontalAlignment: Text.AlignRight
                            text: SpaceLensDisplay.percentText(row.fraction)
                            textFormat: Text.PlainText
                            font: Typo.system(10, Font.Normal)
                            color: Design.Palette.textTertiary
                        }
                    }
                }
                SymbolImage {
                    id: chevron
                    objectName: "chevron"
                    Layout.alignment: Qt.AlignVCenter
                    visible: row.isDirectory
                    name: "chevron.right"
                    size: 10
                    color: Design.Palette.textTertiary
                }
            }
        }
    }
}
