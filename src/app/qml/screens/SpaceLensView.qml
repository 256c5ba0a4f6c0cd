import QtQuick
import Quillmere.App
import Quillmere.Design

// The Space Lens screen: its header for now; the bubble map comes with the folder measurement.
Item {
    id: screen

    required property SpaceLensViewModel model

    PageHeader {
        objectName: "pageHeader"
        width: screen.width
        title: "Space Lens"
        subtitle: "A live map of what's using your disk. The bigger the bubble, the more space — click to dive in."
        icon: "circle.hexagongrid.fill"
    }
}
