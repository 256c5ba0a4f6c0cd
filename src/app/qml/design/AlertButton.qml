import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.Design
import Quillmere.Design as Design

// A button of an alert or confirmation dialog, as wide as the card: its text (13, medium, plain text)
// centred on a rounded rectangle (radius 7) of white 0.12, in red (sRGB 255, 69, 58) when
// `destructive`, else in the primary text colour; 0.85 opacity while pressed.
T.Button {
    id: control
    FocusRing {}

    // The button deletes or removes something.
    property bool destructive: false

    readonly property color destructiveColor: Qt.rgba(255 / 255, 69 / 255, 58 / 255, 1)
    readonly property color foregroundColor: destructive ? destructiveColor : Design.Palette.textPrimary

    Layout.fillWidth: true
    font: Typo.bodyMedium
    padding: 6
    leftPadding: 12
    rightPadding: 12
    implicitWidth: implicitContentWidth + leftPadding + rightPadding
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    opacity: down ? 0.85 : 1

    contentItem: Text {
        text: control.text
        textFormat: Text.PlainText
        horizontalAlignment: Text.AlignHCenter
        elide: Text.ElideRight
        font: control.font
        color: control.foregroundColor
    }
    background: Rectangle {
        radius: 7
        color: Qt.rgba(1, 1, 1, 0.12)
        antialiasing: true
    }
}
