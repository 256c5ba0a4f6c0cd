import QtQuick
import Quillmere.App
import Quillmere.Design

// The Disk screen: its header for now; the treemap and the volume bar come with the disk usage scanner.
Item {
    id: screen

    required property DiskViewModel model

    PageHeader {
        objectName: "pageHeader"
        width: screen.width
        title: "Disk"
        subtitle: "What's filling your disk — and where to look first."
        icon: "internaldrive"
    }
}
