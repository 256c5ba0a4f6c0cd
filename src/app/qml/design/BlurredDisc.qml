import QtQuick
import QtQuick.Shapes
import "Gaussian.js" as Gaussian

// A disc filled with one colour and blurred, drawn as a radial gradient (a live blur is too slow on
// this platform). The item is the disc's frame, `diameter` square; the blur spreads beyond it, to
// three deviations past the rim, and takes no layout space. The blur radius is taken as twice the
// Gaussian deviation. Sizes are logical pixels.
Item {
    id: disc

    // Width and height of the unblurred disc.
    property real diameter: 100
    // Fill colour with its opacity.
    property color color: "white"
    // Blur radius; 0 draws a sharp-edged disc.
    property real blurRadius: 0

    readonly property real deviation: Math.max(blurRadius / 2, 0.5)
    // Distance from the centre to where the drawn gradient ends.
    readonly property real reach: diameter / 2 + 3 * deviation

    // The blurred disc's opacity at `r` from the centre, as a fraction of the colour's own.
    function coverage(r) {
        return Gaussian.edgeCoverage(r - diameter / 2, deviation)
    }
    // Ten stops spread evenly over the blurred rim, from three deviations inside it to the end.
    function stopAt(index) {
        const r = diameter / 2 + deviation * (-3 + 6 * index / 9)
        return Math.max(r, 0) / reach
    }
    function stopColor(position) {
        return Qt.rgba(color.r, color.g, color.b, color.a * coverage(position * reach))
    }

    implicitWidth: diameter
    implicitHeight: diameter
    width: diameter
    height: diameter

    Shape {
        x: disc.width / 2 - disc.reach
        y: disc.height / 2 - disc.reach
        width: 2 * disc.reach
        height: 2 * disc.reach

        ShapePath {
            strokeColor: "transparent"
            strokeWidth: 0
            fillGradient: RadialGradient {
                centerX: disc.reach
                centerY: disc.reach
                centerRadius: disc.reach
                focalX: disc.reach
                focalY: disc.reach
                GradientStop { position: 0; color: disc.stopColor(0) }
                GradientStop { position: disc.stopAt(0); color: disc.stopColor(disc.stopAt(0)) }
                GradientStop { position: disc.stopAt(1); color: disc.stopColor(disc.stopAt(1)) }
                GradientStop { position: disc.stopAt(2); color: disc.stopColor(disc.stopAt(2)) }
                GradientStop { position: disc.stopAt(3); color: disc.stopColor(disc.stopAt(3)) }
                GradientStop { position: disc.stopAt(4); color: disc.stopColor(disc.stopAt(4)) }
                GradientStop { position: disc.stopAt(5); color: disc.stopColor(disc.stopAt(5)) }
                GradientStop { position: disc.stopAt(6); color: disc.stopColor(disc.stopAt(6)) }
                GradientStop { position: disc.stopAt(7); color: disc.stopColor(disc.stopAt(7)) }
                GradientStop { position: disc.stopAt(8); color: disc.stopColor(disc.stopAt(8)) }
                GradientStop { position: disc.stopAt(9); color: disc.stopColor(disc.stopAt(9)) }
            }
            startX: 0
            startY: 0
            PathLine { x: 2 * disc.reach; y: 0 }
            PathLine { x: 2 * disc.reach; y: 2 * disc.reach }
            PathLine { x: 0; y: 2 * disc.reach }
            PathLine { x: 0; y: 0 }
        }
    }
}
