import QtQuick
import Quillmere.Design
import Quillmere.Design as Design

// The placeholder a screen shows while a scan runs: pulsing rings in `tint` behind `symbol`, and under
// them, 18 apart, the `title` (16, semibold) above the `subtitle` (12, secondary colour), 4 apart, all
// centred. Callers pass their live progress text as the subtitle. The rings loop unless
// `reduceMotion` is set.
Item {
    id: indicator

    // System symbol name.
    property string symbol
    // Shown as it is.
    property string title
    // Shown as it is; usually the live progress text.
    property string subtitle
    property color tint: Theme.accent
    // Whether the rings stand still; the desktop's preference unless set.
    property bool reduceMotion: MotionSettings.reduceMotion

    readonly property alias rings: rings
    readonly property alias titleText: titleText
    readonly property alias subtitleText: subtitleText

    implicitWidth: column.implicitWidth
    implicitHeight: column.implicitHeight

    Column {
        id: column
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.verticalCenter: parent.verticalCenter
        spacing: 18

        PulseRings {
            id: rings
            anchors.horizontalCenter: parent.horizontalCenter
            tint: indicator.tint
            symbol: indicator.symbol
            animated: !indicator.reduceMotion
        }
        Column {
            anchors.horizontalCenter: parent.horizontalCenter
            spacing: 4

            Text {
                id: titleText
                anchors.horizontalCenter: parent.horizontalCenter
                text: indicator.title
                textFormat: Text.PlainText
                font: Typo.system(16, Font.DemiBold)
                color: Design.Palette.textPrimary
            }
            // This platform's system font draws its digits at one width, so the text does not jitter
            // as the numbers change.
            Text {
                id: subtitleText
                anchors.horizontalCenter: parent.horizontalCenter
                text: indicator.subtitle
                textFormat: Text.PlainText
                font: Typo.system(12)
                color: Design.Palette.textSecondary
            }
        }
    }
}
