import QtQuick

// A line along the inside edge of a rounded rectangle the size of this item, its colour running from
// `topColor` at the top to `bottomColor` at the bottom. Qt Quick strokes only in one colour, so the
// border is drawn in horizontal bands, each clipped to its part of the height and stroked in the
// colour at its middle; at one pixel wide the steps do not show.
Item {
    id: frame

    property real cornerRadius: 0
    property real lineWidth: 1
    property color topColor: Qt.rgba(1, 1, 1, 0.20)
    property color bottomColor: Qt.rgba(1, 1, 1, 0.05)
    readonly property int bandCount: 12

    // The colour at `fraction` of the height (0 top, 1 bottom), each component interpolated linearly.
    function colorAt(fraction) {
        return Qt.rgba(topColor.r + (bottomColor.r - topColor.r) * fraction,
                       topColor.g + (bottomColor.g - topColor.g) * fraction,
                       topColor.b + (bottomColor.b - topColor.b) * fraction,
                       topColor.a + (bottomColor.a - topColor.a) * fraction)
    }

    Repeater {
        model: frame.bandCount

        Item {
            required property int index

            y: frame.height * index / frame.bandCount
            width: frame.width
            height: frame.height / frame.bandCount
            clip: true

            Rectangle {
                y: -parent.y
                width: frame.width
                height: frame.height
                radius: frame.cornerRadius
                color: "transparent"
                border.width: frame.lineWidth
                border.color: frame.colorAt((parent.index + 0.5) / frame.bandCount)
                antialiasing: true
            }
        }
    }
}
