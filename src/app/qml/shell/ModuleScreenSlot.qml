import QtQuick
import Quillmere.App
import Quillmere.Design

// Holds one module's screen on the stage, with the module's tint in scope. Made with `animated`, it
// slides in 22 from the right while fading in; `leave` fades it out and then hides it; `enter` shows it
// again with the same slide. Both take 0.28 s, eased in and out. A leaving or hidden slot takes no
// input, and a hidden one is not drawn.
//
// The screen is made once, with the slot; making it is its first appearance. On every later `enter` the
// slot calls the screen's `appear()` when it has one, once the screen shows again, and on every hiding
// its `disappear()`: what a screen does when it comes into view and when it goes out of it.
Item {
    id: slot

    // The module id (its title).
    required property string module
    // The address of the screen's file and the properties it is made with.
    required property url screen
    required property var screenProperties
    required property bool animated

    readonly property real insertionOffset: 22
    readonly property int duration: 280
    readonly property alias screenItem: loader.item
    property bool leaving: false
    // True from the end of a leave until the next enter.
    property bool hidden: false

    ModuleTint.tint: QuillmereModule.tint(module)
    enabled: !leaving && !hidden
    visible: !hidden
    x: animated ? insertionOffset : 0
    opacity: animated ? 0 : 1

    // Fades out, then hides this slot; at once when not `animated`.
    function leave(animated) {
        leaving = true
        enterAnimation.stop()
        if (animated)
            exit.start()
        else
            hide()
    }

    // Shows this slot's screen again and tells it that it appears, with the slide when `animated`. A
    // slot still fading out is hidden first, so its screen goes out of view before it comes back.
    function enter(animated) {
        if (exit.running) {
            exit.stop()
            hide()
        }
        enterAnimation.stop()
        leaving = false
        x = animated ? insertionOffset : 0
        opacity = animated ? 0 : 1
        hidden = false
        const item = loader.item
        if (item !== null && typeof item.appear === "function")
            item.appear()
        if (animated)
            enterAnimation.start()
    }

    // Tells the screen it goes (while it still counts as shown, so what it closes closes as when the
    // user closes it), then stops drawing it.
    function hide() {
        if (hidden)
            return
        const item = loader.item
        if (item !== null && typeof item.disappear === "function")
            item.disappear()
        hidden = true
    }

    Loader {
        id: loader
        anchors.fill: parent
    }

    ParallelAnimation {
        id: enterAnimation
        NumberAnimation {
            target: slot
            property: "x"
            to: 0
            duration: slot.duration
            easing.type: Easing.Bezier
            easing.bezierCurve: [0.42, 0, 0.58, 1, 1, 1]
        }
        NumberAnimation {
            target: slot
            property: "opacity"
            to: 1
            duration: slot.duration
            easing.type: Easing.Bezier
            easing.bezierCurve: [0.42, 0, 0.58, 1, 1, 1]
        }
    }
    SequentialAnimation {
        id: exit
        NumberAnimation {
            target: slot
            property: "opacity"
            to: 0
            duration: slot.duration
            easing.type: Easing.Bezier
            easing.bezierCurve: [0.42, 0, 0.58, 1, 1, 1]
        }
        ScriptAction {
            script: slot.hide()
        }
    }

    Component.onCompleted: {
        loader.setSource(screen, screenProperties)
        if (animated)
            enterAnimation.start()
    }
}
