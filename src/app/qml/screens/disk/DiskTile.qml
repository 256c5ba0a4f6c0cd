import QtQuick
import Quillmere.Design

// One folder of the Disk page's treemap, drawn inside its `frame` inset by 3 on each side: the
// category colour under a white sheen, a border and a shadow that grow while hovered, the symbol, name
// and size line where the frame has room for them (the name on one line at 13 semibold, at 11 where that
// is too wide, and cut at its end where even that is). It fades and grows in when `revealed` turns true,
// `index` × 0.04 s after the first tile, and dims while another category is hovered. Hovering reports
// the name to the page (the page keeps the last writer), a click asks for the folder to be shown.
Item {
    id: tile

    required property string name
    required property color tileColor
    required property string symbol
    required property bool hasFolder
    required property string sizeLine
    required property string helpText
    // The treemap's rectangle for this tile, logical pixels.
    property rect frame: Qt.rect(0, 0, 0, 0)
    property int index: 0
    // The page's hovered category name ("" for none), whether tiles show in their final state, and
    // whether animations are off.
    property string hovered: ""
    property bool revealed: false
    property bool reduceMotion: false
    // Changes of the frame glide (ease-out, 0.25 s) while true, as when the list of folders changes.
    property bool animatesFrame: false

    signal hoverEntered(string name)
    signal hoverLeft(string name)
    signal activated(string name)

    readonly property bool isHovered: hovered === name
    readonly property bool otherHovered: hovered !== "" && !isHovered
    readonly property bool showsIcon: frame.height >= 64 && frame.width >= 72
    readonly property bool showsName: frame.height >= 26 && frame.width >= 56
    readonly property bool showsSizeLine: showsName && frame.height >= 46 && frame.width >= 110
    readonly property color ink: Qt.rgba(11 / 255, 18 / 255, 32 / 255, 1)
    // 0 before the entrance, 1 once it has played.
    property real entrance: 0
    // 1, or 0.55 while another category is hovered.
    property real hoverShade: otherHovered ? 0.55 : 1
    readonly property alias hoverHandler: hover
    readonly property alias nameText: nameText
    readonly property alias sizeText: sizeText
    readonly property alias icon: icon

    x: frame.x + 3
    y: frame.y + 3
    width: Math.max(0, frame.width - 6)
    height: Math.max(0, frame.height - 6)
    opacity: entrance * hoverShade
    scale: 0.94 + 0.06 * entrance
    transformOrigin: Item.Center

    Behavior on x {
        enabled: tile.animatesFrame && !tile.reduceMotion
        NumberAnimation { duration: 250; easing.type: Easing.OutCubic }
    }
    Behavior on y {
        enabled: tile.animatesFrame && !tile.reduceMotion
        NumberAnimation { duration: 250; easing.type: Easing.OutCubic }
    }
    Behavior on width {
        enabled: tile.animatesFrame && !tile.reduceMotion
        NumberAnimation { duration: 250; easing.type: Easing.OutCubic }
    }
    Behavior on height {
        enabled: tile.animatesFrame && !tile.reduceMotion
        NumberAnimation { duration: 250; easing.type: Easing.OutCubic }
    }
    Behavior on hoverShade {
        enabled: !tile.reduceMotion
        NumberAnimation { duration: 150; easing.type: Easing.OutCubic }
    }

    function playEntrance() {
        appear.stop()
        if (!revealed) {
            entrance = 0
        } else if (reduceMotion) {
            entrance = 1
        } else {
            entrance = 0
            appear.restart()
        }
    }
    onRevealedChanged: playEntrance()
    Component.onCompleted: entrance = revealed ? 1 : 0

    SequentialAnimation {
        id: appear
        PauseAnimation { duration: tile.index * 40 }
        NumberAnimation {
            target: tile
            property: "entrance"
            from: 0
            to: 1
            duration: 300
            easing.type: Easing.OutCubic
        }
    }

    Accessible.role: hasFolder ? Accessible.Button : Accessible.StaticText
    Accessible.name: helpText

    RoundedShadow {
        anchors.fill: parent
        cornerRadius: 12
        color: Qt.rgba(0, 0, 0, tile.isHovered ? 0.3 : 0.16)
        blurRadius: tile.isHovered ? 9 : 5
        offsetY: 2
    }
    Rectangle {
        objectName: "tileBody"
        anchors.fill: parent
        radius: 12
        color: tile.tileColor
        antialiasing: true
    }
    Rectangle {
        anchors.fill: parent
        radius: 12
        antialiasing: true
        gradient: Gradient {
            GradientStop { position: 0; color: Qt.rgba(1, 1, 1, 0.22) }
            GradientStop { position: 1; color: Qt.rgba(1, 1, 1, 0.02) }
        }
    }
    // Brightness raised by 0.05 while hovered.
    Rectangle {
        anchors.fill: parent
        radius: 12
        antialiasing: true
        color: Qt.rgba(1, 1, 1, tile.isHovered ? 0.05 : 0)
    }
    Rectangle {
        objectName: "tileBorder"
        anchors.fill: parent
        radius: 12
        antialiasing: true
        color: "transparent"
        border.width: tile.isHovered ? 2 : 1
        border.color: Qt.rgba(1, 1, 1, tile.isHovered ? 0.9 : 0.15)
    }

    SymbolImage {
        id: icon
        objectName: "tileIcon"
        visible: tile.showsIcon
        x: 12
        y: 12
        name: tile.symbol
        size: 15
        color: Qt.rgba(tile.ink.r, tile.ink.g, tile.ink.b, 0.5)
        Accessible.ignored: true
    }
    Column {
        visible: tile.showsName
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 12
        spacing: 1

        FittingText {
            id: nameText
            objectName: "tileName"
            width: parent.width
            text: tile.name
            largeFont: Typo.cardTitle
            smallFont: Typo.system(11, Font.DemiBold)
            color: Qt.rgba(tile.ink.r, tile.ink.g, tile.ink.b, 0.88)
            Accessible.ignored: true
        }
        Text {
            id: sizeText
            objectName: "tileSizeLine"
            visible: tile.showsSizeLine
            width: parent.width
            text: tile.sizeLine
            textFormat: Text.PlainText
            elide: Text.ElideRight
            maximumLineCount: 1
            font: Typo.system(11, Font.Medium)
            color: Qt.rgba(tile.ink.r, tile.ink.g, tile.ink.b, 0.62)
            Accessible.ignored: true
        }
    }

    HoverHandler {
        id: hover
        cursorShape: tile.hasFolder ? Qt.PointingHandCursor : Qt.ArrowCursor
        onHoveredChanged: hovered ? tile.hoverEntered(tile.name) : tile.hoverLeft(tile.name)
    }
    TapHandler {
        onTapped: tile.activated(tile.name)
    }
    HelpTip {
        text: tile.helpText
        visible: hover.hovered
    }
}
