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
// the buttons, Space, Return or Enter presses the focused one (Return and Enter press the default button
// only when no button holds the focus). On closing, the focus goes back to what held it before the
// popup opened, with its ring when it showed one then.
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
    // What held the focus before the popup opened, and whether it showed its ring.
    property Item focusBeforeOpening: null
    property bool ringBeforeOpening: false
    onAboutToShow: {
        focusBeforeOpening = content.Window.activeFocusItem
        ringBeforeOpening = focusBeforeOpening !== null && focusBeforeOpening.visualFocus === true
    }
    // The popup gives the focus back by itself, but as a focus change of its own, for which a control
    // shows no ring: a control reached by the keyboard gets it back as from the keyboard.
    onClosed: {
        const item = focusBeforeOpening
        focusBeforeOpening = null
        if (item === null || !ringBeforeOpening || !item.visible || !item.enabled)
            return
        item.forceActiveFocus(Qt.TabFocusReason)
        // Already holding the focus again, a control keeps the popup's reason unless told.
        if (item.focusReason !== undefined)
            item.focusReason = Qt.TabFocusReason
    }
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
        id: content
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
