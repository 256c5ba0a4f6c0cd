import QtQuick
import Quillmere.App
import Quillmere.Design

// One bubble of the Space Lens map: a disc shaded from its tint at 0.95 (top) to 0.55 (bottom), a rim
// inside its edge (white 3 when selected, else white 0.9 at 2 while hovered, else white 0.18 at 1), a
// shadow 3 below in its tint (0.6 when hovered or selected, else 0.3; blur 18 hovered, else 9, drawn
// as a gradient), the name and size label, and the check mark of a selected bubble. Grows by 1.05
// while hovered; scale, rim and shadow follow the hover with a 0.15 s ease-out. Its place and size
// follow `targetX`, `targetY` and `targetDiameter`, which move with a 0.45 s ease-out only while
// `animatesLayout` is true. Pointer input counts only inside the disc.
Item {
    id: bubble

    required property string entryId
    required property string name
    required property string sizeText
    required property int colorIndex
    required property bool removable
    required property bool selected
    // The shared hover identifier ("" for none).
    property string hovered: ""
    // Where the centre lies in the map's item, and the drawn diameter, logical pixels.
    property real targetX: 0
    property real targetY: 0
    property real targetDiameter: 0
    property bool animatesLayout: false

    readonly property color tint: SpaceLensDisplay.entryColor(colorIndex)
    readonly property bool isHovered: hovered === entryId
    readonly property string toolTipText: name + " \u2014 " + sizeText
    readonly property bool showsLabel: SpaceLensDisplay.showsLabel(diameter)
    readonly property bool showsSizeLine: SpaceLensDisplay.showsSizeLine(diameter)
    readonly property bool showsCheck: selected && SpaceLensDisplay.showsCheck(diameter)
    readonly property real rimWidth: selected ? 3 : 1 + hoverLevel
    readonly property color rimColor: Qt.rgba(1, 1, 1, selected ? 1 : 0.18 + 0.72 * hoverLevel)
    readonly property real shadowOpacity: selected ? 0.6 : 0.3 + 0.3 * hoverLevel
    readonly property real shadowBlur: 9 + 9 * hoverLevel
    // True while a layout move of this bubble plays.
    readonly property bool moving: moveX.running || moveY.running || grow.running
    readonly property alias hoverHandler: hover
    readonly property alias nameLabel: nameLabel
    readonly property alias sizeLabel: sizeLabel
    readonly property alias checkMark: check
    readonly property alias rim: rim
    readonly property alias toolTip: tip

    // The pointer entered or left the disc; the user clicked it or asked for its menu.
    signal hoverEntered(string entryId)
    signal hoverLeft(string entryId)
    signal opened(string entryId)
    signal menuRequested(string entryId)

    // The animated place and size.
    property real drawnX: targetX
    property real drawnY: targetY
    property real diameter: targetDiameter
    Behavior on drawnX {
        enabled: bubble.animatesLayout
        NumberAnimation { id: moveX; duration: 450; easing.type: Easing.Bezier; easing.bezierCurve: [0, 0, 0.58, 1, 1, 1] }
    }
    Behavior on drawnY {
        enabled: bubble.animatesLayout
        NumberAnimation { id: moveY; duration: 450; easing.type: Easing.Bezier; easing.bezierCurve: [0, 0, 0.58, 1, 1, 1] }
    }
    Behavior on diameter {
        enabled: bubble.animatesLayout
        NumberAnimation { id: grow; duration: 450; easing.type: Easing.Bezier; easing.bezierCurve: [0, 0, 0.58, 1, 1, 1] }
    }

    // 0 at rest, 1 while hovered.
    property real hoverLevel: isHovered ? 1 : 0
    Behavior on hoverLevel {
        NumberAnimation { duration: 150; easing.type: Easing.Bezier; easing.bezierCurve: [0, 0, 0.58, 1, 1, 1] }
    }

    x: drawnX - diameter / 2
    y: drawnY - diameter / 2
    width: diameter
    height: diameter
    scale: 1 + 0.05 * hoverLevel
    transformOrigin: Item.Center

    containmentMask: QtObject {
        function contains(point: point): bool {
            const r = bubble.width / 2
            const dx = point.x - r
            const dy = point.y - r
            return dx * dx + dy * dy <= r * r
        }
    }

    Accessible.role: Accessible.Button
    Accessible.name: toolTipText

    BlurredDisc {
        objectName: "bubbleShadow"
        anchors.centerIn: parent
        anchors.verticalCenterOffset: 3
        diameter: bubble.diameter
        color: Theme.withOpacity(bubble.tint, bubble.shadowOpacity)
        blurRadius: bubble.shadowBlur
    }
    Rectangle {
        objectName: "bubbleDisc"
        anchors.fill: parent
        radius: width / 2
        antialiasing: true
        gradient: Gradient {
            GradientStop { position: 0; color: Theme.withOpacity(bubble.tint, 0.95) }
            GradientStop { position: 1; color: Theme.withOpacity(bubble.tint, 0.55) }
        }
    }
    Rectangle {
        id: rim
        objectName: "bubbleRim"
        anchors.fill: parent
        radius: width / 2
        antialiasing: true
        color: "transparent"
        border.width: bubble.rimWidth
        border.color: bubble.rimColor
    }

    // The label: the name over the size line, white with a faint shadow below, 6 padding at the
    // sides, at most 0.92 of the diameter wide.
    Column {
        id: label
        visible: bubble.showsLabel
        anchors.centerIn: parent
        width: Math.max(0, SpaceLensDisplay.labelMaxWidth(bubble.diameter) - 12)
        spacing: 2

        Text {
            id: nameLabel
            objectName: "bubbleName"
            width: parent.width
            text: bubble.name
            textFormat: Text.PlainText
            horizontalAlignment: Text.AlignHCenter
            maximumLineCount: 1
            elide: Text.ElideMiddle
            font: Typo.system(Math.max(SpaceLensDisplay.nameFontSize(bubble.diameter), 1), Font.DemiBold)
            color: "white"
            style: Text.Raised
            styleColor: Qt.rgba(0, 0, 0, 0.25)
        }
        Text {
            id: sizeLabel
            objectName: "bubbleSize"
            visible: bubble.showsSizeLine
            width: parent.width
            text: bubble.sizeText
            textFormat: Text.PlainText
            horizontalAlignment: Text.AlignHCenter
            maximumLineCount: 1
            elide: Text.ElideRight
            opacity: 0.85
            font: Typo.system(Math.max(SpaceLensDisplay.sizeFontSize(bubble.diameter), 1), Font.Normal)
            color: "white"
            style: Text.Raised
            styleColor: Qt.rgba(0, 0, 0, 0.25)
        }
    }

    // The check mark: a white disc with the check in the tint.
    Item {
        id: check
        objectName: "bubbleCheck"
        visible: bubble.showsCheck
        readonly property real size: SpaceLensDisplay.checkSize(bubble.diameter)
        readonly property point offset: SpaceLensDisplay.checkOffset(bubble.diameter)
        width: size
        height: size
        x: bubble.diameter / 2 + offset.x - size / 2
        y: bubble.diameter / 2 + offset.y - size / 2

        Rectangle {
            anchors.centerIn: parent
            width: parent.size * 0.7
            height: width
            radius: width / 2
            color: bubble.tint
        }
        SymbolImage {
            anchors.centerIn: parent
            name: "checkmark.circle.fill"
            size: parent.size
            color: "white"
        }
    }

    HoverHandler {
        id: hover
        onHoveredChanged: hovered ? bubble.hoverEntered(bubble.entryId) : bubble.hoverLeft(bubble.entryId)
    }
    TapHandler {
        acceptedButtons: Qt.LeftButton
        onTapped: {
            if (tapCount === 1)
                bubble.opened(bubble.entryId)
        }
    }
    TapHandler {
        acceptedButtons: Qt.RightButton
        onTapped: bubble.menuRequested(bubble.entryId)
    }
    HelpTip {
        id: tip
        text: bubble.toolTipText
        visible: hover.hovered
    }
}
