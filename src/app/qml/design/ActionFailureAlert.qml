import QtQuick
import Quillmere.Design

// The one alert with which a screen reports that a removal did not move everything: titled
// "Couldn't remove everything", with the failure `message` and a single "OK" button. It is up exactly
// while `message` is present (any string, the empty one included; null or undefined is absent). "OK"
// and Escape close it and emit `dismissed`, on which the screen clears its message; a message that
// goes absent closes it without that signal. Takes no space on the page: the alert shows over the
// window.
Item {
    id: alert

    // The failure message, or null (or undefined) for none.
    property var message: null

    readonly property bool presented: message !== null && message !== undefined
    readonly property alias popup: popup
    readonly property alias okButton: okButton

    // The user closed the alert; the owner sets its message to absent.
    signal dismissed()


    onPresentedChanged: presented ? popup.open() : popup.close()
    Component.onCompleted: if (presented) popup.open()

    AlertPopup {
        id: popup
        title: "Couldn't remove everything"
        message: alert.presented ? String(alert.message) : ""
        onClosed: {
            if (alert.presented)
                alert.dismissed()
        }

        AlertButton {
            id: okButton
            objectName: "okButton"
            text: "OK"
            onClicked: popup.close()
        }
    }
}
