import QtQuick
import QtQuick.Templates as T
import Quillmere.Design
import Quillmere.Design as Design

// The hover help of a control: `text` (shown as it is, in caption size, wrapped at 320) in a small dark
// rounded box under the item it is declared in, shown after the pointer has rested for 0.7 s while
// `visible` is bound true, hidden as soon as it turns false. An empty text never shows.
T.ToolTip {
    id: tip

    readonly property real maximumTextWidth: 320

    delay: 700
    margins: 6
    padding: 7
    leftPadding: 9
    rightPadding: 9
    x: 0
    y: parent ? parent.height + 4 : 0
    closePolicy: T.Popup.NoAutoClose
    implicitWidth: Math.min(implicitContentWidth, maximumTextWidth) + leftPadding + rightPadding
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    font: Typo.caption

    contentItem: Text {
        text: tip.text
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font: tip.font
        color: Design.Palette.textPrimary
    }
    background: Rectangle {
        radius: 6
        color: Qt.rgba(30 / 255, 32 / 255, 44 / 255, 0.96)
        border.width: 1
        border.color: Design.Palette.stroke
    }
}
