import QtQuick
import Quillmere.Design

// The confirmation every permanent or bulk action goes through: the `title` (always shown), the
// `message`, the destructive button (`destructiveText`, in red) first and "Cancel" second. It is up
// while `shown` is true. The destructive button (also the default one, which Return presses) emits
// `confirmed`, then closes; "Cancel" and Escape only close. Every close emits `dismissed`, on which the owner sets its `shown` source back to false.
AlertPopup {
    id: dialog

    // Bound to the owner's flag: true opens the dialog, false closes it.
    property bool shown: false
    property string destructiveText

    readonly property alias destructiveButton: destructiveButton
    readonly property alias cancelButton: cancelButton

    // The destructive button was pressed (emitted before `dismissed`).
    signal confirmed()
    // The dialog closed, whichever way.
    signal dismissed()

    defaultButton: destructiveButton
    onShownChanged: shown ? open() : close()
    onClosed: dismissed()
    Component.onCompleted: if (shown) open()

    AlertButton {
        id: destructiveButton
        objectName: "destructiveButton"
        text: dialog.destructiveText
        destructive: true
        onClicked: {
            dialog.confirmed()
            dialog.close()
        }
    }
    AlertButton {
        id: cancelButton
        objectName: "cancelButton"
        text: "Cancel"
        onClicked: dialog.close()
    }
}
