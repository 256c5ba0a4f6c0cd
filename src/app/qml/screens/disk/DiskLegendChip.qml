import QtQuick
import QtQuick.Layouts
import Quillmere.Design
import Quillmere.Design as Design

// One chip of the Disk page's legend: the symbol (11, 14 wide), the name (12 medium; 11 medium, then on
// two lines, where the chip is narrow), a flexible space and the size line, padded 10 by 6 on a rounded rectangle of radius 8, muted while hovered and faint otherwise.
// The free-space chip (`isFree`) draws its symbol in the tertiary colour and never lights up. Hovering
// and clicking are reported to the page.
Item {
    id: chip

    property string name
    property color symbolColor: Design.Palette.textTertiary
    property string symbol
    property string sizeLine
    property string helpText
    property bool isFree: false
    property bool reduceMotion: false

    signal hoverEntered(string name)
    signal hoverLeft(string name)
    signal activated(string name)

    readonly property alias hoverHandler: hover
    readonly property alias sizeText: sizeText
    readonly property alias nameText: nameText
    readonly property alias background: background

    implicitWidth: row.implicitWidth + 20
    implicitHeight: row.implicitHeight + 12
    Accessible.role: isFree ? Accessible.StaticText : Accessible.Button
    Accessible.name: helpText

    Rectangle {
        id: background
        anchors.fill: parent
        radius: 8
        antialiasing: true
        color: hover.hovered && !chip.isFree ? Design.Palette.fillMuted : Design.Palette.fillFaint
        Behavior on color {
            enabled: !chip.reduceMotion
            ColorAnimation { duration: 150; easing.type: Easing.OutCubic }
        }
    }
    RowLayout {
        id: row
        anchors.fill: parent
        anchors.leftMargin: 10
        anchors.rightMargin: 10
        anchors.topMargin: 6
        anchors.bottomMargin: 6
        spacing: 7

        SymbolImage {
            Layout.preferredWidth: 14
            horizontalAlignment: Text.AlignHCenter
            name: chip.symbol
            size: 11
            color: chip.symbolColor
        }
        // The name is what the chip means: a narrow chip shows it one step down the type scale, then
        // over a second line, before it is cut.
        FittingText {
            id: nameText
            objectName: "chipName"
            Layout.fillWidth: true
            Layout.minimumWidth: 0
            Layout.preferredWidth: 0
            text: chip.name
            // The chip's width less the padding, the symbol, the size line and the gaps (the row's two
            // and the size line's own margin).
            availableWidth: chip.width - 20 - 14 - 2 * row.spacing - sizeText.implicitWidth - sizeText.Layout.leftMargin
            largeFont: Typo.calloutMedium
            smallFont: Typo.captionMedium
            maximumLineCount: 2
            color: Design.Palette.textPrimary
        }
        Text {
            id: sizeText
            objectName: "chipSizeLine"
            Layout.leftMargin: 4 + row.spacing
            text: chip.sizeLine
            textFormat: Text.PlainText
            font: Typo.caption
            color: Design.Palette.textSecondary
        }
    }

    HoverHandler {
        id: hover
        cursorShape: chip.isFree ? Qt.ArrowCursor : Qt.PointingHandCursor
        onHoveredChanged: {
            if (chip.isFree)
                return
            if (hovered)
                chip.hoverEntered(chip.name)
            else
                chip.hoverLeft(chip.name)
        }
    }
    TapHandler {
        onTapped: {
            if (!chip.isFree)
                chip.activated(chip.name)
        }
    }
    HelpTip {
        text: chip.helpText
        visible: hover.hovered
    }
}
