import QtQuick

Window {
    width: 1040
    height: 700
    visible: true
    title: "Quillmere"
    color: "#0b0d1a"

    // The brand's dark backdrop, deepening towards the bottom. Literal geometry for now: every script
    // binding becomes generated C++ that the project's warning flags reject.
    Rectangle {
        width: 1040
        height: 700
        gradient: Gradient {
            GradientStop { position: 0.0; color: "#0b0d1a" }
            GradientStop { position: 1.0; color: "#141833" }
        }
    }

    // The product name in the secondary text colour (white at 0.64).
    Text {
        x: 24
        y: 24
        text: "Quillmere"
        color: "#a3ffffff"
        font.pixelSize: 15
        font.weight: 600
    }
}
