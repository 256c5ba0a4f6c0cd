import QtQuick
import QtQuick.Shapes
import Quillmere.App
import Quillmere.Design

// The window's backdrop, coloured by the module on screen. Five layers back to front: a diagonal
// gradient from sRGB (19, 22, 37) at the top-left to (7, 8, 15) at the bottom-right; three blurred
// discs in the module tint (420 at 0.28, blur 110, centred 230 left of and 250 above the middle; 360
// at 0.15, blur 120, 270 right and 260 below; 300 at 0.14, blur 100, 170 right and 110 below); and a
// radial wash from the tint at 0.22 to clear, centred at (0.5, -0.05) of the size with radius 650.
// When `module` changes the tint eases in and out to the new colour over 0.45 s; the base gradient
// stays. Fill the window with it; lengths are logical pixels.
Item {
    id: background

    // The module id (its raw value, as the navigator's selection); an unknown id draws the accent.
    property string module: "Smart Scan"

    readonly property color moduleColor: QuillmereModule.isModule(module) ? QuillmereModule.tint(module)
                                                                         : Theme.accent
    // The tint being drawn: follows moduleColor through the 0.45 s transition.
    property color tint: moduleColor
    Behavior on tint {
        ColorAnimation { duration: 450; easing.type: Easing.Bezier; easing.bezierCurve: [0.42, 0, 0.58, 1, 1, 1] }
    }

    readonly property color baseTop: Qt.rgba(19 / 255, 22 / 255, 37 / 255, 1)
    readonly property color baseBottom: Qt.rgba(7 / 255, 8 / 255, 15 / 255, 1)
    readonly property alias glowA: glowA
    readonly property alias glowB: glowB
    readonly property alias glowC: glowC
    readonly property alias wash: washGradient

    clip: true

    Shape {
        anchors.fill: parent

        ShapePath {
            strokeColor: "transparent"
            strokeWidth: 0
            fillGradient: LinearGradient {
                x1: 0
                y1: 0
                x2: background.width
                y2: background.height
                GradientStop { position: 0; color: background.baseTop }
                GradientStop { position: 1; color: background.baseBottom }
            }
            startX: 0
            startY: 0
            PathLine { x: background.width; y: 0 }
            PathLine { x: background.width; y: background.height }
            PathLine { x: 0; y: background.height }
            PathLine { x: 0; y: 0 }
        }
    }

    BlurredDisc {
        id: glowA
        anchors.centerIn: parent
        anchors.horizontalCenterOffset: -230
        anchors.verticalCenterOffset: -250
        diameter: 420
        color: Theme.withOpacity(background.tint, 0.28)
        blurRadius: 110
    }
    BlurredDisc {
        id: glowB
        anchors.centerIn: parent
        anchors.horizontalCenterOffset: 270
        anchors.verticalCenterOffset: 260
        diameter: 360
        color: Theme.withOpacity(background.tint, 0.15)
        blurRadius: 120
    }
    BlurredDisc {
        id: glowC
        anchors.centerIn: parent
        anchors.horizontalCenterOffset: 170
        anchors.verticalCenterOffset: 110
        diameter: 300
        color: Theme.withOpacity(background.tint, 0.14)
        blurRadius: 100
    }

    Shape {
        anchors.fill: parent

        ShapePath {
            strokeColor: "transparent"
            strokeWidth: 0
            fillGradient: RadialGradient {
                id: washGradient
                centerX: 0.5 * background.width
                centerY: -0.05 * background.height
                centerRadius: 650
                focalX: centerX
                focalY: centerY
                GradientStop { position: 0; color: Theme.withOpacity(background.tint, 0.22) }
                GradientStop { position: 1; color: Theme.withOpacity(background.tint, 0) }
            }
            startX: 0
            startY: 0
            PathLine { x: background.width; y: 0 }
            PathLine { x: background.width; y: background.height }
            PathLine { x: 0; y: background.height }
            PathLine { x: 0; y: 0 }
        }
    }
}
