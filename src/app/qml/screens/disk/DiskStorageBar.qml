import QtQuick
import Quillmere.Design
import Quillmere.Design as Design

// The Disk page's stacked bar, 10 high: one segment per category in its colour, as wide as its share
// of the whole volume but at least 2, 1 apart, then the free space in the muted fill, all inside one
// capsule. Segments other than the hovered category's fade to 0.35. With no volume size it is an empty
// capsule in the subtle fill.
Item {
    id: bar

    // The report's category maps (see DiskViewModel.categories) and the volume's size in bytes.
    property var categories: []
    property real total: 0
    property string hovered: ""
    property bool reduceMotion: false

    readonly property real spacing: 1
    readonly property bool empty: total < 1
    readonly property alias segments: segmentRepeater
    readonly property alias filler: filler

    implicitHeight: 10

    // The capsule is drawn on a canvas clipped to its outline, from the geometry and opacity of the
    // segment items below, which hold the layout and draw nothing themselves.
    Canvas {
        id: canvas
        anchors.fill: parent
        visible: !bar.empty
        onWidthChanged: requestPaint()
        onHeightChanged: requestPaint()
        onPaint: {
            const ctx = getContext("2d")
            ctx.reset()
            const r = height / 2
            ctx.beginPath()
            ctx.moveTo(r, 0)
            ctx.lineTo(width - r, 0)
            ctx.arc(width - r, r, r, -Math.PI / 2, Math.PI / 2, false)
            ctx.lineTo(r, height)
            ctx.arc(r, r, r, Math.PI / 2, 3 * Math.PI / 2, false)
            ctx.closePath()
            ctx.clip()
            for (let i = 0; i < segmentRepeater.count; ++i) {
                const s = segmentRepeater.itemAt(i)
                if (s === null)
                    continue
                ctx.fillStyle = Qt.rgba(s.color.r, s.color.g, s.color.b, s.opacity)
                ctx.fillRect(s.x, 0, s.width, height)
            }
            ctx.fillStyle = Design.Palette.fillMuted
            ctx.fillRect(filler.x, 0, filler.width, height)
        }
    }
    Row {
        id: row
        visible: !bar.empty
        height: bar.height
        spacing: bar.spacing

        Repeater {
            id: segmentRepeater
            model: bar.empty ? [] : bar.categories

            Item {
                required property var modelData
                readonly property color color: modelData.color
                readonly property string name: modelData.name
                objectName: "segment:" + name
                width: Math.max(2, bar.width * modelData.bytes / bar.total)
                height: bar.height
                opacity: bar.hovered !== "" && bar.hovered !== name ? 0.35 : 1
                Behavior on opacity {
                    enabled: !bar.reduceMotion
                    NumberAnimation { duration: 200; easing.type: Easing.OutCubic }
                }
                onOpacityChanged: canvas.requestPaint()
                onXChanged: canvas.requestPaint()
                onWidthChanged: canvas.requestPaint()
            }
        }
        Item {
            id: filler
            objectName: "freeSegment"
            width: Math.max(0, bar.width - x)
            height: bar.height
            onXChanged: canvas.requestPaint()
            onWidthChanged: canvas.requestPaint()
        }
    }
    Rectangle {
        objectName: "emptyBar"
        anchors.fill: parent
        visible: bar.empty
        radius: height / 2
        antialiasing: true
        color: Design.Palette.fillSubtle
    }
}
