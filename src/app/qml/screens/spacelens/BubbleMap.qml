import QtQuick
import Quillmere.App
import Quillmere.Design

// The Space Lens bubble map: one shaded, labelled disc per row of `model`, fitted into the map's area
// less 18 on every side (the fit keeps 14 more free beside the layout's bounding box), bubbles of a
// higher `order` drawn over lower ones. A bubble keeps its item while its row stays, so when the model
// publishes a new layout the bubbles move and grow to their new places with a 0.45 s ease-out; a resize
// of the map places them at once. When the area inside the inset is 28 or less on an axis, nothing is
// drawn. Holds no state of its own beyond the fit: hover, selection and actions go to the screen
// through its signals.
Item {
    id: map

    // The layout: a list model with the roles `entryId` (text), `centerX`, `centerY` and `radius` (the
    // packed circle, layout units), `order`, `colorIndex` (−1 for gray), `name` and `sizeText` (shown as
    // they are), `removable` and `selected` (the space lens model's `layout`).
    property var model: null
    // The shared hover identifier ("" for none).
    property string hovered: ""

    readonly property real inset: SpaceLensDisplay.mapInset
    // The area inside the inset; set on resize, while layout moves are not animated.
    property real areaWidth: 0
    property real areaHeight: 0
    // Grows with every change of the model's rows, so the fit follows them.
    property int revision: 0
    // The fit of the layout into the area: `scale`, `midX`, `midY`.
    readonly property var fit: {
        revision
        return SpaceLensDisplay.fitModel(areaWidth, areaHeight, model)
    }
    readonly property bool drawable: fit.scale > 0
    // False only while a resize places the bubbles.
    property bool animatesLayout: true
    readonly property alias bubbleItems: repeater
    readonly property alias menu: menu

    // The pointer entered or left the bubble of `entryId`; the user clicked it, toggled its selection
    // or asked to reveal it.
    signal hoverEntered(string entryId)
    signal hoverLeft(string entryId)
    signal opened(string entryId)
    signal toggleSelectRequested(string entryId)
    signal revealRequested(string entryId)

    // The bubble item of `entryId`, or null.
    function bubbleItem(entryId) {
        for (let i = 0; i < repeater.count; ++i) {
            const each = repeater.itemAt(i)
            if (each !== null && each.entryId === entryId)
                return each
        }
        return null
    }
    // How many bubbles are moving to a new place now.
    function movingCount() {
        let n = 0
        for (let i = 0; i < repeater.count; ++i) {
            const each = repeater.itemAt(i)
            if (each !== null && each.moving)
                ++n
        }
        return n
    }
    function resized() {
        animatesLayout = false
        areaWidth = Math.max(0, width - 2 * inset)
        areaHeight = Math.max(0, height - 2 * inset)
        animatesLayout = true
    }

    onWidthChanged: resized()
    onHeightChanged: resized()
    Component.onCompleted: resized()

    Connections {
        target: map.model
        ignoreUnknownSignals: true
        function onDataChanged() { map.revision += 1 }
        function onRowsInserted() { map.revision += 1 }
        function onRowsRemoved() { map.revision += 1 }
        function onRowsMoved() { map.revision += 1 }
        function onModelReset() { map.revision += 1 }
        function onLayoutChanged() { map.revision += 1 }
    }

    Item {
        id: area
        objectName: "bubbleArea"
        x: map.inset
        y: map.inset
        width: map.areaWidth
        height: map.areaHeight
        visible: map.drawable

        Repeater {
            id: repeater
            model: map.model

            MapBubble {
                required property real centerX
                required property real centerY
                required property real radius
                required property int order
                readonly property point place: SpaceLensDisplay.placeIn(map.fit, map.areaWidth, map.areaHeight,
                                                                         centerX, centerY)
                objectName: "bubble:" + entryId
                z: order
                hovered: map.hovered
                animatesLayout: map.animatesLayout
                targetX: place.x
                targetY: place.y
                targetDiameter: 2 * radius * map.fit.scale
                onHoverEntered: id => map.hoverEntered(id)
                onHoverLeft: id => map.hoverLeft(id)
                onOpened: id => map.opened(id)
                onMenuRequested: id => menu.show(id, removable, selected)
            }
        }
    }

    BubbleMenu {
        id: menu
        onToggleSelectRequested: id => map.toggleSelectRequested(id)
        onRevealRequested: id => map.revealRequested(id)
    }
}
