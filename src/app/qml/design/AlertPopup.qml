import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.Design
import Quillmere.Design as Design

// The look shared by alerts and confirmation dialogs: a modal card 300 wide centred over the window
// (the rest dimmed with black 0.35), holding the `title` (13, bold) and the `message` (11, secondary
// colour), both centred, wrapped and shown as plain text, and under them the buttons (this popup's
// children, AlertButton), stacked 8 apart across the card's width. Escape closes it; a click outside
// does not. Opening and closing are the owner's business.
T.Popup {
    id: popup

    property string title
    // An empty text shows no message line.
    property string message: ""
    // The buttons, top to bottom.
    default property alias buttons: buttonColumn.data

    readonly property real cardWidth: 300
    readonly property alias titleText: titleText
    readonly property alias messageText: messageText
    readonly property alias buttonColumn: buttonColumn

    parent: T.Overlay.overlay
    anchors.centerIn: parent
    modal: true
    focus: true
    closePolicy: T.Popup.CloseOnEscape
    width: cardWidth
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    padding: 20
    topPadding: 22

    T.Overlay.modal: Rectangle {
        color: Qt.rgba(0, 0, 0, 0.35)
    }

    background: Rectangle {
        radius: 12
        color: Qt.rgba(30 / 255, 33 / 255, 46 / 255, 0.98)
        border.width: 1
        border.color: Design.Palette.stroke
        antialiasing: true
    }

    contentItem: ColumnLayout {
        spacing: 6

        Text {
            id: titleText
            Layout.fillWidth: true
            text: popup.title
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            font: Typo.system(13, Font.Bold)
            color: Design.Palette.textPrimary
        }
        Text {
            id: messageText
            Layout.fillWidth: true
            visible: popup.message !== ""
            text: popup.message
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            font: Typo.caption
            color: Design.Palette.textSecondary
        }
        ColumnLayout {
            id: buttonColumn
            Layout.fillWidth: true
            Layout.topMargin: 12
            spacing: 8
        }
    }
}
