import QtQuick
import Quillmere.App
import Quillmere.Design

// The Protection screen with its two tabs, malware and privacy: its header for now. Once its tabs exist
// it publishes its own scan command; the root view publishes none for it.
Item {
    id: screen

    required property PrivacyViewModel privacy
    required property MalwareViewModel malware

    PageHeader {
        objectName: "pageHeader"
        width: screen.width
        title: "Protection"
        subtitle: "Clear browsing data and keep an eye on threats."
        icon: "checkmark.shield"
    }
}
