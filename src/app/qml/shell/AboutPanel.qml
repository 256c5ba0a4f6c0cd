import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// The About panel: the logo, the name, the version and the credits (the support and user-guide
// addresses as links, 11, centred), over the window. It closes on Escape or a click outside.
Popup {
    id: panel

    required property QuillmereApp app

    readonly property alias creditsText: credits

    anchors.centerIn: parent
    modal: true
    // Takes the keyboard while open: Escape closes only a popup that has the focus.
    focus: true
    padding: 28
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside

    background: Rectangle {
        radius: 12
        color: Qt.rgba(24 / 255, 27 / 255, 42 / 255, 0.98)
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, 0.12)
    }

    contentItem: ColumnLayout {
        spacing: 10

        AppLogo {
            Layout.alignment: Qt.AlignHCenter
            size: 64
        }
        Text {
            Layout.alignment: Qt.AlignHCenter
            text: "Quillmere"
            textFormat: Text.PlainText
            font: Typo.system(15, Font.Bold)
            color: Design.Palette.textPrimary
        }
        Text {
            Layout.alignment: Qt.AlignHCenter
            text: "Version " + panel.app.version
            textFormat: Text.PlainText
            font: Typo.caption
            color: Design.Palette.textSecondary
        }
        Text {
            id: credits
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 6
            text: panel.app.aboutCreditsHtml
            textFormat: Text.StyledText
            horizontalAlignment: Text.AlignHCenter
            font: Typo.system(11, Font.Normal)
            color: Design.Palette.textPrimary
            linkColor: Theme.accent
            onLinkActivated: link => panel.app.openLink(link)
        }
    }
}
