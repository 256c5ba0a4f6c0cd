import QtQuick
import Quillmere.App
import Quillmere.Design

// The Cloud Cleanup screen: its header for now; the item list comes with the cloud scanner.
Item {
    id: screen

    required property CloudCleanupViewModel model

    PageHeader {
        objectName: "pageHeader"
        width: screen.width
        title: "Cloud Cleanup"
        subtitle: "Reclaim disk space by removing local copies of downloaded iCloud Drive files. They stay in iCloud and re-download on demand."
        icon: "icloud"
    }
}
