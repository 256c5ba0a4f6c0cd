import QtQuick
import Quillmere.App
import Quillmere.Design

// The Applications screen: its header for now; the list of installed applications comes with the
// application inventory.
Item {
    id: screen

    required property ApplicationsViewModel model

    PageHeader {
        objectName: "pageHeader"
        width: screen.width
        title: "Applications"
        subtitle: "Uninstall apps completely, along with their leftover files."
        icon: "square.grid.2x2"
    }
}
