import QtQuick
import Quillmere.App
import Quillmere.Design

// The Space Lens bubble map: one shaded, labelled disc per bubble, fitted into the map's area less 18
// on every side (the fit keeps 14 more free beside the layout's bounding box), later bubbles drawn
// over earlier ones. Each bubble keeps its item from one list to the next by its `id`. A new list (the
// screen passes one when the model publishes a layout) moves the bubbles to their places with a
// 0.45 s ease-out; a resize of the map places them at once. When the area inside the inset is 28 or
// less on an axis, nothing is drawn. Holds no state of its own beyond the fit: hover, selection and
// actions go to the screen through its signals.
Item {
    id: map

    // The bubbles in layout order: maps with `id` (text), `x`, `y` and `r` (the packed circle, layout
    // units), `colorIndex` (−1 for gray), `name` and `sizeText` (shown as they are), `removable` and
    // `selected`.
    property var bubbles: []
    // The shared hover identifier ("" for none).
    property string hovered: ""

    readonly property real inset: SpaceLensDisplay.mapInset
    // The fit of the last list or size, and the area it was made for.
    property var fit: ({ scale: 1, midX: 0, midY: 0 })
    property real areaWidth: 0
    property real areaHeight: 0
    readonly property bool drawable: fit.scale > 0
    // True from a new list until the next resize: bubble moves are animated.
    property bool animatesLayout: false
    readonly property alias bubbleItems: repeater
    readonly property alias menu: menu

    // The pointer entered or left bubble `id`; the user clicked it, toggled its selection or asked to
    // reveal it.
    signal hoverEntered(string id)
    signal hoverLeft(string id)
    signal opened(string id)
    signal toggleSelectRequested(string id)
    signal revealRequested(string id)

    // The bubble item of `id`, or null.
    function bubbleItem(id) {
        for (let i = 0; i < repeater.count; ++i) {
            const each = repeater.itemAt(i)
            if (each !== null && each.bid === id)
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

    function refit() {
        const w = Math.max(0, width - 2 * inset)
        const h = Math.max(0, height - 2 * inset)
        fit = SpaceLensDisplay.fitMap(w, h, bubbles)
        areaWidth = w
        areaHeight = h
    }
    function showList() {
        animatesLayout = true
        refit()
        const rows = []
        for (let i = 0; i < bubbles.length; ++i) {
            const b = bubbles[i]
            rows.push({
                bid: String(b.id), lx: b.x, ly: b.y, lr: b.r, colorIndex: b.colorIndex,
                name: String(b.name), sizeText: String(b.sizeText), removable: b.removable === true,
                selected: b.selected === true
            })
        }
        shown.sync(rows)
    }
    function resized() {
        animatesLayout = false
        refit()
    }

    onBubblesChanged: showList()
    onWidthChanged: resized()
    onHeightChanged: resized()
    Component.onCompleted: {
        showList()
        animatesLayout = false
    }

    KeyedListModel {
        id: shown
        key: "bid"
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
            model: shown

            MapBubble {
                required property int index
                required property real lx
                required property real ly
                required property real lr
                readonly property point place: SpaceLensDisplay.placeIn(map.fit, map.areaWidth, map.areaHeight, lx, ly)
                objectName: "bubble:" + bid
                z: index
                hovered: map.hovered
                animatesLayout: map.animatesLayout
                targetCentreX: place.x
                targetCentreY: place.y
                targetDiameter: 2 * lr * map.fit.scale
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
