import QtQuick
import QtQuick.Shapes
import Quillmere.Design

// The highlight that runs through a scan progress bar: a band `band` wide, shading from clear to white
// at 0.55 in its middle and back to clear, drawn as the bar's own capsule (this item is the whole bar)
// so it never shows outside it. The platform lightens with the band; here it is laid over with
// ordinary blending. While `animated`, the band's leading edge runs linearly from `band` before the
// bar's start to `band` past its end every 1.2 s and starts again; otherwise it rests at the leading
// edge (offset 0). Takes no pointer input.
CapsuleShape {
    id: shimmer

    // Width of the band, logical pixels.
    property real band: 120
    // Whether the band runs; false leaves it at rest.
    property bool animated: true

    // Fraction of one sweep done, 0..1.
    property real phase: 0
    // The band's leading edge, measured from the bar's leading edge.
    readonly property real offset: sweep.running ? -band + phase * (width + 2 * band) : 0
    readonly property int duration: 1200
    // True while the band runs.
    readonly property bool moving: sweep.running

    fill: LinearGradient {
        x1: shimmer.offset
        y1: 0
        x2: shimmer.offset + shimmer.band
        y2: 0
        GradientStop { position: 0; color: Qt.rgba(1, 1, 1, 0) }
        GradientStop { position: 0.5; color: Qt.rgba(1, 1, 1, 0.55) }
        GradientStop { position: 1; color: Qt.rgba(1, 1, 1, 0) }
    }

    NumberAnimation {
        id: sweep
        target: shimmer
        property: "phase"
        from: 0
        to: 1
        duration: shimmer.duration
        loops: Animation.Infinite
        running: shimmer.animated && shimmer.visible
    }
}
