import QtQuick
import Quillmere.App
import Quillmere.Design

// The Performance screen: its header for now; login items, launch agents and the maintenance actions
// come with the launch-item listing. `helper` is the shared helper client.
Item {
    id: screen

    required property PerformanceViewModel model
    required property HelperClient helper

    PageHeader {
        objectName: "pageHeader"
        width: screen.width
        title: "Performance"
        subtitle: "See what runs at login and how your Mac is doing right now."
        icon: "bolt"
    }
}
