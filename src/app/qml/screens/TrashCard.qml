import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// The Trash card at the top of the Cleanup page: on a glass card (corner radius 12) padded 14, 12
// apart, the icon ("lock.fill" in orange when the Trash may not be read, else "trash.fill" in the
// secondary colour when empty or red when not; 16, in a frame 24 wide), "Trash" (14, medium) over the
// model's subtitle (caption, secondary colour, wrapped), a space of at least 8 and the actions: a
// spinner while emptying; "Open in File Manager" when the Trash may not be read (no setting grants
// access here, so there is no button for one); else the red "Empty Trash" capsule (faint while the
// Trash is empty). It reads and calls the Cleanup model only.
GlassCard {
    id: card

    required property CleanupViewModel model

    // The platform's orange and red (dark appearance), and its secondary label colour.
    readonly property color orange: Qt.rgba(255 / 255, 159 / 255, 10 / 255, 1)
    readonly property color red: Qt.rgba(255 / 255, 69 / 255, 58 / 255, 1)
    readonly property color secondary: Design.Palette.textSecondary

    readonly property bool restricted: model.trashRestricted
    readonly property bool empty: model.trashIsEmpty
    readonly property color iconColor: restricted ? orange : empty ? secondary : red
    // Empty Trash waits while a clean or an undo is moving items.
    readonly property bool canEmpty: !empty && model.bottomBar !== "cleaning" && !model.anyRestoring
    readonly property string emptyHelp: "Permanently delete everything in the Trash to reclaim disk space"
    readonly property alias iconItem: iconItem
    readonly property alias titleText: titleText
    readonly property alias subtitleText: subtitleText
    readonly property alias spinner: spinner
    readonly property alias openInFileManagerButton: openInFileManagerButton
    readonly property alias emptyTrashButton: emptyTrashButton
    readonly property alias emptyTrashTip: emptyTrashTip

    cornerRadius: 12
    padding: 14

    contentItem: RowLayout {
        spacing: 12

        SymbolImage {
            id: iconItem
            objectName: "trashIcon"
            Layout.alignment: Qt.AlignVCenter
            Layout.preferredWidth: 24
            horizontalAlignment: Text.AlignHCenter
            name: card.restricted ? "lock.fill" : "trash.fill"
            size: 16
            color: card.iconColor
        }
        ColumnLayout {
            Layout.alignment: Qt.AlignVCenter
            Layout.fillWidth: true
            spacing: 2

            Text {
                id: titleText
                Layout.fillWidth: true
                text: "Trash"
                textFormat: Text.PlainText
                font: Typo.system(14, Font.Medium)
                color: Design.Palette.textPrimary
            }
            Text {
                id: subtitleText
                objectName: "trashSubtitle"
                Layout.fillWidth: true
                text: card.model.trashSubtitle
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: Typo.caption
                color: Design.Palette.textSecondary
            }
        }
        Item {
            Layout.minimumWidth: 8
            Layout.preferredWidth: 8
        }

        ProgressSpinner {
            id: spinner
            objectName: "trashSpinner"
            Layout.alignment: Qt.AlignVCenter
            visible: card.model.emptyingTrash
        }
        RowLayout {
            Layout.alignment: Qt.AlignVCenter
            visible: !card.model.emptyingTrash && card.restricted
            spacing: 8

            QuillmereButtonStyle {
                id: openInFileManagerButton
                objectName: "openInFileManagerButton"
                kind: QuillmereButtonStyle.Secondary
                text: "Open in File Manager"
                onClicked: card.model.revealTrashInFileManager()
            }
        }
        T.Button {
            id: emptyTrashButton
            FocusRing {}
            objectName: "emptyTrashButton"
            Layout.alignment: Qt.AlignVCenter
            visible: !card.model.emptyingTrash && !card.restricted
            enabled: card.canEmpty
            hoverEnabled: true
            text: "Empty Trash"
            font: Typo.calloutMedium
            leftPadding: 13
            rightPadding: 13
            topPadding: 7
            bottomPadding: 7
            implicitWidth: implicitContentWidth + leftPadding + rightPadding
            implicitHeight: implicitContentHeight + topPadding + bottomPadding
            onClicked: card.model.requestEmptyTrash()

            readonly property real fillOpacity: card.empty ? 0.28 : 0.85

            contentItem: Row {
                spacing: 5
                SymbolImage {
                    anchors.verticalCenter: parent.verticalCenter
                    name: "trash.slash.fill"
                    size: Typo.pixelSize(emptyTrashButton.font)
                    color: "white"
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: emptyTrashButton.text
                    textFormat: Text.PlainText
                    font: emptyTrashButton.font
                    color: "white"
                }
            }
            background: Rectangle {
                radius: height / 2
                color: Theme.withOpacity(card.red, emptyTrashButton.fillOpacity)
                antialiasing: true
            }

            HelpTip {
                id: emptyTrashTip
                text: card.emptyHelp
                visible: emptyTrashButton.hovered
            }
        }
    }
}
