import QtQuick
import Quillmere.App
import Quillmere.Design

// The Files screen with its two tools, Large & Old and Duplicates: its header for now. Once its tools
// exist it publishes its own scan command; the root view publishes none for it.
Item {
    id: screen

    required property LargeFilesViewModel largeFiles
    required property DuplicatesViewModel duplicates

    PageHeader {
        objectName: "pageHeader"
        width: screen.width
        title: "Files"
        subtitle: "Find your largest files and remove duplicate copies."
        icon: "folder"
    }
}
