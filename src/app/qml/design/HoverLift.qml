import QtQuick
import Quillmere.Design

// Lifts the item it is declared in (its parent) while the pointer is over it: the item is scaled about
// its centre by `liftScale` and casts a shadow of the module tint at 0.35, blur 16, 6 down, shaped as
// a rounded rectangle of `cornerRadius`; at rest the scale is 1 and there is no shadow. Entering and
// leaving ease out over 0.18 s. It fills its parent beneath the parent's other children and takes no
// clicks. Declare it in a plain item, not in a layout or a control's content (those would place it).
// It drives the parent's `scale`.
Item {
    id: lift

    // Scale factor while hovered (1.025 grows by 2.5 %).
    property real liftScale: 1.025
    // Corner radius of the lifted shape, logical pixels.
    property real cornerRadius: 0
    // Holds the lifted look without a pointer, for previews; false in screens.
    property bool pinned: false

    // True while the pointer is over the parent (or `pinned`).
    readonly property bool hovered: hover.hovered || pinned
    // 0 at rest, 1 lifted, easing between the two.
    property real amount: hovered ? 1 : 0
    Behavior on amount {
        NumberAnimation { duration: 180; easing.type: Easing.Bezier; easing.bezierCurve: [0, 0, 0.58, 1, 1, 1] }
    }

    readonly property real shownScale: 1 + (liftScale - 1) * amount
    readonly property color shadowColor: Theme.withOpacity(ModuleTint.resolved, 0.35 * amount)
    readonly property real shadowRadius: 16 * amount
    readonly property real shadowOffsetY: 6 * amount

    anchors.fill: parent
    z: -2

    Binding {
        target: lift.parent
        when: lift.parent !== null
        property: "scale"
        value: lift.shownScale
    }

    HoverHandler {
        id: hover
    }

    RoundedShadow {
        anchors.fill: parent
        visible: lift.amount > 0
        cornerRadius: lift.cornerRadius
        color: lift.shadowColor
        blurRadius: lift.shadowRadius
        offsetY: lift.shadowOffsetY
    }
}
