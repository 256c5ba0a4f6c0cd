import QtQuick
import Quillmere.Design

// The application's logo, `size` square: a rounded tile shaded diagonally from the accent to the
// gauge's blue, with a white quill stroke and dot drawn in it. Drawn here rather than loaded, so it is
// sharp at any scale. Lengths are logical pixels.
Item {
    id: logo

    property real size: 30

    implicitWidth: size
    implicitHeight: size
    width: size
    height: size

    Rectangle {
        anchors.fill: parent
        radius: logo.size * 0.24
        antialiasing: true
        gradient: Gradient {
            orientation: Gradient.Vertical
            GradientStop { position: 0; color: Qt.rgba(62 / 255, 207 / 255, 170 / 255, 1) }
            GradientStop { position: 1; color: Qt.rgba(77 / 255, 141 / 255, 246 / 255, 1) }
        }
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, 0.25)
    }
    // A ring open at the lower right with a short tail: the "Q" of the name.
    Rectangle {
        x: logo.size * 0.24
        y: logo.size * 0.22
        width: logo.size * 0.52
        height: logo.size * 0.52
        radius: width / 2
        color: "transparent"
        border.width: Math.max(1.5, logo.size * 0.09)
        border.color: "white"
        antialiasing: true
    }
    Rectangle {
        x: logo.size * 0.56
        y: logo.size * 0.62
        width: logo.size * 0.24
        height: Math.max(1.5, logo.size * 0.09)
        radius: height / 2
        rotation: 40
        color: "white"
        antialiasing: true
    }
}
