import QtQuick

// Lifts the item it is declared in (its parent) into place when it appears: the item starts
// transparent and 16 lower, then after `index` × 0.06 s rises to full opacity in place with a 0.45 s
// ease-out, so the items of a list arrive one after another. It plays again each time the item is
// shown after being hidden. It drives the parent's `opacity` and adds one translation to its
// `transform`; it takes no space and no input, so it may sit in a layout.
Item {
    id: appear

    // Position of the item in its list; 0 starts at once. There is no cap; a negative position (an
    // item a list view is removing) counts as 0.
    property int index: 0

    // The wait before the rise, milliseconds.
    readonly property int delay: Math.max(index, 0) * 60
    readonly property int duration: 450
    // How far below its place the item starts, logical pixels.
    readonly property real distance: 16
    // 0 before the rise, 1 in place.
    property real progress: 0
    readonly property bool running: rise.running

    visible: false

    function play() {
        rise.stop()
        progress = 0
        rise.start()
    }

    Translate {
        id: shift
        y: appear.distance * (1 - appear.progress)
    }
    Binding {
        target: appear.parent
        when: appear.parent !== null
        property: "opacity"
        value: appear.progress
    }
    Connections {
        target: appear.parent
        function onVisibleChanged() {
            if (appear.parent.visible)
                appear.play()
            else
                rise.stop()
        }
    }

    SequentialAnimation {
        id: rise
        PauseAnimation { duration: appear.delay }
        NumberAnimation {
            target: appear
            property: "progress"
            from: 0
            to: 1
            duration: appear.duration
            easing.type: Easing.Bezier
            easing.bezierCurve: [0, 0, 0.58, 1, 1, 1]
        }
    }

    Component.onCompleted: {
        if (parent === null)
            return
        const transforms = []
        for (let i = 0; i < parent.transform.length; ++i)
            transforms.push(parent.transform[i])
        transforms.push(shift)
        parent.transform = transforms
        if (parent.visible)
            play()
    }
}
