import QtQuick
import Quillmere.App
import Quillmere.Design

// The Mac Health screen: its header for now; the score and recommendations come with the health
// assessment. `navigate` takes a module id and selects that module.
Item {
    id: screen

    required property var navigate
    required property MacHealthViewModel model

    PageHeader {
        objectName: "pageHeader"
        width: screen.width
        title: "Mac Health"
        subtitle: "A single score for your Mac, with one-tap fixes for anything that needs attention."
        icon: "heart.text.square"
    }
}
