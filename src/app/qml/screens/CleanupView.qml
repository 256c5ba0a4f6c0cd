import QtQuick
import Quillmere.App
import Quillmere.Design

// The Cleanup page: its header for now, with the Trash-first badge; the Trash card, the scan states and
// the bottom bars come with the junk scanner.
Item {
    id: screen

    required property CleanupViewModel model

    PageHeader {
        objectName: "pageHeader"
        width: screen.width
        title: "Cleanup"
        subtitle: "Remove system junk — caches, logs, build caches, and files left behind by apps you removed."
        icon: "trash"
        // The badge keeps its own width; the header stretches only the space it sits in.
        accessory: Component {
            Item {
                implicitWidth: badge.implicitWidth
                implicitHeight: badge.implicitHeight
                StatusBadge {
                    id: badge
                    objectName: "trashFirstBadge"
                    text: "Trash-first · everything is reversible"
                    systemImage: "arrow.uturn.backward.circle"
                    color: Theme.accent
                }
            }
        }
    }
}
