import QtQuick
import QtQuick.Templates as T
import Quillmere.Design

// A text button in the standard look: the label (with an optional symbol) in 13-pixel medium white,
// padded 16 left and right and 9 above and below, on a rounded rectangle (radius 9) filled with the
// module tint (Primary) or white 0.10 (Secondary), with a 1-pixel border inside the edge that only
// Secondary shows (white 0.18); both kinds therefore have the same size. Pressing (`down`, which
// follows the pointer unless set) dims it to 0.85 and shrinks it to 0.98 about the centre, each change
// eased out over 0.12 s. It has no hover or disabled look of its own; keyboard focus shows the design
// system's focus ring.
T.Button {
    id: control
    FocusRing {}

    enum Kind { Primary, Secondary }

    // QuillmereButtonStyle.Primary or QuillmereButtonStyle.Secondary.
    property int kind: QuillmereButtonStyle.Primary
    // Optional system symbol shown before the text; empty for none.
    property string symbol: ""

    readonly property bool isPrimary: kind !== QuillmereButtonStyle.Secondary
    readonly property color fillColor: isPrimary ? ModuleTint.resolved : Qt.rgba(1, 1, 1, 0.10)
    readonly property color borderColor: isPrimary ? Qt.rgba(1, 1, 1, 0) : Qt.rgba(1, 1, 1, 0.18)
    readonly property real cornerRadius: 9
    readonly property real borderWidth: 1
    readonly property color foregroundColor: "white"

    font: Typo.bodyMedium
    leftPadding: 16
    rightPadding: 16
    topPadding: 9
    bottomPadding: 9
    implicitWidth: implicitContentWidth + leftPadding + rightPadding
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    baselineOffset: contentItem.y + row.y + label.y + label.baselineOffset

    opacity: down ? 0.85 : 1
    scale: down ? 0.98 : 1
    Behavior on opacity {
        NumberAnimation { duration: 120; easing.type: Easing.Bezier; easing.bezierCurve: [0, 0, 0.58, 1, 1, 1] }
    }
    Behavior on scale {
        NumberAnimation { duration: 120; easing.type: Easing.Bezier; easing.bezierCurve: [0, 0, 0.58, 1, 1, 1] }
    }

    contentItem: Item {
        implicitWidth: row.implicitWidth
        implicitHeight: row.implicitHeight

        Row {
            id: row
            anchors.centerIn: parent
            spacing: 6

            SymbolImage {
                anchors.verticalCenter: parent.verticalCenter
                visible: control.symbol !== ""
                name: control.symbol
                size: Typo.pixelSize(control.font) * 1.2
                color: control.foregroundColor
            }
            Text {
                id: label
                anchors.verticalCenter: parent.verticalCenter
                text: control.text
                textFormat: Text.PlainText
                font: control.font
                color: control.foregroundColor
            }
        }
    }

    background: Rectangle {
        radius: control.cornerRadius
        color: control.fillColor
        border.width: control.borderWidth
        border.color: control.borderColor
        antialiasing: true
    }
}
