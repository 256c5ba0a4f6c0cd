import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.Design
import Quillmere.Design as Design

// The look shared by alerts and confirmation dialogs: a modal card 300 wide centred over the window
// (the rest dimmed with black 0.35), holding the `title` (13, bold) and the `message` (11, secondary
// colour), both centred, wrapped and shown as plain text, and under them the buttons (this popup's
// children, AlertButton), stacked 8 apart across the card's width. Escape closes it; a click outside
// does not. Opening and closing are the owner's business. The keyboard works it alone: on opening the
// default button (`defaultButton`, else the first) takes the focus and shows its ring, Tab moves between
// the buttons, Space presses the focused one, and Return or Enter presses the default button.
T.Popup {
    id: popup

    property string title
    // An empty text shows no message line.
    property string message: ""
    // The buttons, top to bottom.
    default property alias buttons: buttonColumn.data
    // The button Return presses; null for the first button.
    property T.AbstractButton defaultButton: null
    readonly property Item effectiveDefaultButton: {
        if (defaultButton !== null)
            return defaultButton
        for (let i = 0; i < buttonColumn.children.length; ++i) {
            const child = buttonColumn.children[i]
            if (typeof child.clicked === "function" && child.visible)
                return child
        }
        return null
    }

    // Presses the default button, when it is enabled.
    function pressDefaultButton() {
        const button = effectiveDefaultButton
        if (button !== null && button.enabled && button.visible)
            button.clicked()
    }

    readonly property real cardWidth: 300
    readonly property alias titleText: titleText
    readonly property alias messageText: messageText
    readonly property alias buttonColumn: buttonColumn

    parent: T.Overlay.overlay
    anchors.centerIn: parent
    modal: true
    focus: true
    closePolicy: T.Popup.CloseOnEscape
    onOpened: {
        if (effectiveDefaultButton !== null)
            effectiveDefaultButton.forceActiveFocus(Qt.TabFocusReason)
    }
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
        Keys.onReturnPressed: popup.pressDefaultButton()
        Keys.onEnterPressed: popup.pressDefaultButton()

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
