import QtQuick
import Quillmere.Design

// The success celebration laid over a screen: while `active`, the success mark (a check springing up
// in `tint` with a burst of sparks) shows centred over this item; 1.5 s after it shows, the overlay
// sets `active` back to false itself and fades out over 0.3 s (ease-out). Callers lay it over the page
// (anchors.fill), set `active` to true after a successful removal and never need to reset it; a caller
// that keeps its own flag follows `activeChanged`. Setting it to true again replays the mark. It takes
// no pointer input, so the screen beneath stays usable while it shows.
Item {
    id: overlay

    // True while the mark shows; the overlay clears it after `holdDuration`.
    property bool active: false
    property color tint: Theme.accent

    readonly property int holdDuration: 1500
    readonly property int fadeDuration: 300
    // The mark on screen, or null while hidden.
    readonly property alias mark: loader.item
    readonly property bool showing: loader.active

    // Never the target of a click or hover, nor are its children.
    enabled: false

    function show() {
        fade.stop()
        hold.stop()
        opacity = 1
        loader.active = false
        loader.active = true
        hold.start()
    }
    function hide() {
        hold.stop()
        if (loader.active)
            fade.restart()
    }

    onActiveChanged: active ? show() : hide()
    Component.onCompleted: if (active) show()

    Loader {
        id: loader
        anchors.centerIn: parent
        active: false
        sourceComponent: CleanCelebration {
            tint: overlay.tint
        }
    }

    SequentialAnimation {
        id: hold
        PauseAnimation { duration: overlay.holdDuration }
        ScriptAction { script: overlay.active = false }
    }
    SequentialAnimation {
        id: fade
        NumberAnimation {
            target: overlay
            property: "opacity"
            to: 0
            duration: overlay.fadeDuration
            easing.type: Easing.Bezier
            easing.bezierCurve: [0, 0, 0.58, 1, 1, 1]
        }
        ScriptAction { script: loader.active = false }
    }
}
