import QtQuick
import QtQuick.Layouts
import Quillmere.Design
import Quillmere.Design as Design

// The alert with which the window says that nothing opened what the user asked for (a link, the
// release page, a folder, an item to show in the file manager): the application's alert look with the
// `title`, the `message` and, under it, the address or path (`subject`) as plain text the user can
// select and copy, over a single "OK". `show` opens it; "OK" and Escape close it.
AlertPopup {
    id: alert

    // The address or path that did not open.
    property string subject: ""
    readonly property alias subjectText: subjectText
    readonly property alias okButton: okButton

    // Opens the alert with these texts; an alert already up takes the new ones.
    function show(title, message, subject) {
        alert.title = title
        alert.message = message
        alert.subject = subject
        open()
    }

    objectName: "openFailureAlert"
    defaultButton: okButton

    TextEdit {
        id: subjectText
        objectName: "openFailureSubject"
        Layout.fillWidth: true
        Layout.bottomMargin: 4
        text: alert.subject
        textFormat: TextEdit.PlainText
        readOnly: true
        selectByMouse: true
        selectByKeyboard: true
        activeFocusOnPress: true
        wrapMode: TextEdit.WrapAnywhere
        horizontalAlignment: TextEdit.AlignHCenter
        font: Typo.caption
        color: Design.Palette.textPrimary
        selectionColor: Theme.accent
        selectedTextColor: "white"
    }
    AlertButton {
        id: okButton
        objectName: "okButton"
        text: "OK"
        onClicked: alert.close()
    }
}
