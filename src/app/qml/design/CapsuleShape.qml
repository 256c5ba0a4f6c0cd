import QtQuick
import QtQuick.Shapes

// A capsule the size of this item (round ends of radius half the height; a square or narrower item
// gives a circle), filled with `fill`. Effects drawn as the capsule's own fill stay inside the capsule
// exactly, with no clipping mask. Lengths are logical pixels.
Shape {
    id: capsule

    // The fill: a ShapeGradient, or null for none.
    property alias fill: path.fillGradient

    readonly property real radius: Math.min(width, height) / 2

    ShapePath {
        id: path
        strokeColor: "transparent"
        strokeWidth: 0
        startX: capsule.radius
        startY: 0
        PathLine { x: capsule.width - capsule.radius; y: 0 }
        PathArc {
            x: capsule.width - capsule.radius
            y: capsule.height
            radiusX: capsule.radius
            radiusY: capsule.height / 2
        }
        PathLine { x: capsule.radius; y: capsule.height }
        PathArc {
            x: capsule.radius
            y: 0
            radiusX: capsule.radius
            radiusY: capsule.height / 2
        }
    }
}
