import QtQuick
import Quillmere.Design

// The success mark: a sparkle burst of 16 dots in `tint` behind the "checkmark.circle.fill" symbol
// at 70, its check white and its disc in `tint`, with a `tint` 0.6 glow (blur 24). When it appears the
// mark springs from scale 0.2 at opacity 0 to scale 1 at opacity 1 (a spring with a 0.45 s response
// and a damping fraction of 0.55, so it overshoots by about an eighth before settling) while the
// sparks fly out. It plays once.
Item {
    id: mark

    property color tint: Theme.accent

    readonly property real symbolSize: 70
    // Spring constants: the undamped period in seconds and the damping fraction.
    readonly property real response: 0.45
    readonly property real dampingFraction: 0.55
    // Seconds since the mark appeared, as far as the spring is concerned; it settles within 1 s.
    property real elapsed: 0
    readonly property real springValue: springAt(elapsed)
    readonly property real markScale: 0.2 + 0.8 * springValue
    readonly property real markOpacity: Math.min(Math.max(springValue, 0), 1)
    readonly property alias burst: burst
    readonly property alias symbolItem: glyph

    // Position of an underdamped spring released from 0 toward 1, `t` seconds in.
    function springAt(t) {
        const omega = 2 * Math.PI / response
        const zeta = dampingFraction
        const omegaD = omega * Math.sqrt(1 - zeta * zeta)
        return 1 - Math.exp(-zeta * omega * t) * (Math.cos(omegaD * t) + zeta * omega / omegaD * Math.sin(omegaD * t))
    }

    implicitWidth: burst.implicitWidth
    implicitHeight: burst.implicitHeight

    SparkleBurst {
        id: burst
        anchors.centerIn: parent
        tint: mark.tint
        count: 16
    }
    Item {
        anchors.centerIn: parent
        width: mark.symbolSize
        height: mark.symbolSize
        scale: mark.markScale
        opacity: mark.markOpacity

        // The glyph's disc spans 20 of its 24 units.
        BlurredDisc {
            anchors.centerIn: parent
            diameter: mark.symbolSize * 20 / 24
            color: Theme.withOpacity(mark.tint, 0.6)
            blurRadius: 24
        }
        // The check is cut out of the glyph; this shows white through it.
        Rectangle {
            anchors.centerIn: parent
            width: mark.symbolSize * 0.6
            height: width
            radius: width / 2
            color: "white"
            antialiasing: true
        }
        SymbolImage {
            id: glyph
            anchors.centerIn: parent
            name: "checkmark.circle.fill"
            size: mark.symbolSize
            color: mark.tint
        }
    }

    NumberAnimation {
        id: spring
        target: mark
        property: "elapsed"
        from: 0
        to: 1
        duration: 1000
    }
    Component.onCompleted: spring.start()
}
