import QtQuick
import Quillmere.Design

// A ring of `count` dots 7 across flying out from the centre of this item: dot i sits at the angle
// i / count of a turn, measured clockwise from straight right, and is filled with `tint` when i is even
// and white when odd. When it appears the dots move out to a radius of 96 while shrinking to 0.3 and
// fading to nothing, over 0.9 s with an ease-out. It plays once.
Item {
    id: burst

    property color tint: Theme.accent
    // Number of dots, at least 0.
    property int count: 16

    readonly property real dotDiameter: 7
    readonly property real reach: 96
    readonly property int duration: 900
    // 0 gathered in the centre, 1 spread out and faded.
    property real go: 0
    readonly property bool running: fly.running

    // Dot `index`, or null.
    function dot(index) {
        return dots.itemAt(index)
    }

    implicitWidth: 2 * (reach + dotDiameter)
    implicitHeight: implicitWidth

    Repeater {
        id: dots
        model: Math.max(burst.count, 0)

        Rectangle {
            required property int index
            readonly property real angle: index / burst.count * 2 * Math.PI

            x: burst.width / 2 - width / 2 + burst.go * burst.reach * Math.cos(angle)
            y: burst.height / 2 - height / 2 + burst.go * burst.reach * Math.sin(angle)
            width: burst.dotDiameter
            height: burst.dotDiameter
            radius: width / 2
            antialiasing: true
            color: index % 2 === 0 ? burst.tint : "white"
            opacity: 1 - burst.go
            scale: 1 - 0.7 * burst.go
        }
    }

    NumberAnimation {
        id: fly
        target: burst
        property: "go"
        from: 0
        to: 1
        duration: burst.duration
        easing.type: Easing.Bezier
        easing.bezierCurve: [0, 0, 0.58, 1, 1, 1]
    }
    Component.onCompleted: fly.start()
}
