import QtQuick
import Quillmere.App
import Quillmere.Design

// The Battery screen: its header for now; the battery reading comes with the battery engine. It keeps
// its own state and publishes no scan command.
Item {
    id: screen

    PageHeader {
        objectName: "pageHeader"
        width: screen.width
        title: "Battery"
        subtitle: "Health, charge cycles and live charging status — straight from macOS."
        icon: "battery.100"
    }
}
