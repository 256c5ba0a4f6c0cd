import QtQuick
import Quillmere.App
import Quillmere.Design

// The Smart Scan home: its header for now; the scan ring, results and the other modules' sections
// come with the quick scan. `navigate` takes a module id and selects that module.
Item {
    id: screen

    required property SmartScanViewModel model
    required property MacHealthViewModel health
    required property DiskViewModel disk
    required property LargeFilesViewModel largeFiles
    required property DuplicatesViewModel duplicates
    required property CloudCleanupViewModel cloud
    required property MalwareViewModel malware
    required property var navigate

    PageHeader {
        objectName: "pageHeader"
        width: screen.width
        title: "Smart Scan"
        icon: "sparkles"
    }
}
