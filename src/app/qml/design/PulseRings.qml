import QtQuick
import Quillmere.Design

// The pulsing badge of a running scan, 160 square: three rings 72 across (a 2-wide line in `tint` at
// 0.45) behind a disc 66 across shaded from `tint` to `tint` at 0.6 with `symbol` on it (26, semibold,
// white) and a `tint` 0.5 glow under it (blur 14, 4 down). While `animated`, ring i waits i × 0.8 s,
// then grows from scale 0.75 at opacity 0.6 to scale 2.1 at opacity 0 over 2.4 s (ease-out) and starts
// again, so the rings leave the centre one after another; otherwise they rest at 0.75 and 0.6.
Item {
    id: rings

    property color tint: Theme.accent
    property string symbol
    // Whether the rings move; false leaves them at rest.
    property bool animated: true

    readonly property int ringCount: 3
    readonly property real ringDiameter: 72
    readonly property int ringDuration: 2400
    readonly property int ringStagger: 800
    readonly property real discDiameter: 66
    readonly property alias disc: disc
    readonly property alias symbolItem: glyph
    // True while the rings move.
    readonly property bool animating: ringRepeater.count > 0 && ringRepeater.itemAt(0) !== null
                                      && ringRepeater.itemAt(0).moving

    // Ring `index` (0, 1 or 2).
    function ring(index) {
        return ringRepeater.itemAt(index)
    }

    implicitWidth: 160
    implicitHeight: 160

    Repeater {
        id: ringRepeater
        model: rings.ringCount

        Rectangle {
            id: ringItem
            required property int index
            // 0 at rest, 1 fully spread.
            property real spread: 0
            readonly property int delay: index * rings.ringStagger
            readonly property bool moving: pulse.running

            anchors.centerIn: parent
            // The line is centred on the 72 circle: 2 wide, 1 each side.
            width: rings.ringDiameter + 2
            height: width
            radius: width / 2
            color: "transparent"
            border.width: 2
            border.color: Theme.withOpacity(rings.tint, 0.45)
            antialiasing: true
            scale: 0.75 + (2.1 - 0.75) * spread
            opacity: 0.6 * (1 - spread)

            SequentialAnimation {
                id: pulse
                running: rings.animated && rings.visible
                onRunningChanged: if (!running) ringItem.spread = 0

                PauseAnimation { duration: ringItem.delay }
                NumberAnimation {
                    target: ringItem
                    property: "spread"
                    from: 0
                    to: 1
                    duration: rings.ringDuration
                    loops: Animation.Infinite
                    easing.type: Easing.Bezier
                    easing.bezierCurve: [0, 0, 0.58, 1, 1, 1]
                }
            }
        }
    }

    BlurredDisc {
        objectName: "glow"
        anchors.centerIn: parent
        anchors.verticalCenterOffset: 4
        diameter: rings.discDiameter
        color: Theme.withOpacity(rings.tint, 0.5)
        blurRadius: 14
    }
    Rectangle {
        id: disc
        anchors.centerIn: parent
        width: rings.discDiameter
        height: width
        radius: width / 2
        antialiasing: true
        gradient: Gradient {
            GradientStop { position: 0; color: rings.tint }
            GradientStop { position: 1; color: Theme.withOpacity(rings.tint, 0.6) }
        }
    }
    SymbolImage {
        id: glyph
        anchors.centerIn: parent
        name: rings.symbol
        size: 26
        color: "white"
    }
}
