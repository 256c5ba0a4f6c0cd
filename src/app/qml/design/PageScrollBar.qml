import QtQuick
import QtQuick.Templates as T

// The scroll indicator of a page's vertical scroll: a thin white 0.32 capsule, 6 wide in a 10-wide
// track padded 2, that shows while the page scrolls or the pointer is over it (fading over 0.2 s) and
// only when the content is taller than the page. Attach it as `T.ScrollBar.vertical` of a Flickable.
T.ScrollBar {
    id: scrollBar

    // The capsule shows now.
    readonly property bool shown: size < 1 && (active || hovered)

    policy: T.ScrollBar.AsNeeded
    padding: 2
    minimumSize: 0.08
    implicitWidth: 10
    contentItem: Rectangle {
        implicitWidth: 6
        radius: width / 2
        color: Qt.rgba(1, 1, 1, 0.32)
        opacity: scrollBar.shown ? 1 : 0
        Behavior on opacity {
            NumberAnimation { duration: 200 }
        }
    }
}
