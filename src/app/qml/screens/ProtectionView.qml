import QtQuick
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design
import "protection"

// The Protection page: its header ("Protection", with the tab picker under the title row), a divider
// and the screen of the chosen tab (PrivacyCleanerView or MalwareScannerView) filling the rest. The page
// owns only the choice of tab; switching makes the tab's screen anew, while both view models live on in
// the container, so a privacy scan or clean goes on while the Malware tab shows. It publishes the scan
// command of the visible tab (target the tab's raw value) when it is made, on every switch and each time
// it appears again; it never withdraws it, since by the time a page goes the root view has published
// the next module's.
Item {
    id: screen

    required property PrivacyViewModel privacy
    required property MalwareViewModel malware
    // Where the menu bar reads the scan command; null publishes nothing.
    required property FocusedValues focused
    // The tab shown, as a raw value of ProtectionTab; its creator gives the first, the picker the rest.
    property string tab: ProtectionTab.privacy

    readonly property alias header: header
    readonly property alias divider: divider
    // The loader of the tab's screen.
    readonly property alias content: tabLoader
    // The picker, once the header has made it.
    readonly property Item picker: header.accessoryItem.item !== null ? header.accessoryItem.item.picker : null

    // Publishes the scan of the visible tab's model. The action holds the model, never this page.
    function publishScanCommand() {
        if (focused === null)
            return
        const model = tab === ProtectionTab.malware ? malware : privacy
        focused.publishScanCommand(tab, function() { model.scan() })
    }

    // The tab the page was made with, which every later appearance opens on again.
    property string openingTab: ""

    // What the page does each time it comes into view again: it opens on the tab it was made with (a tab
    // switch makes that tab's screen anew; else the tab's screen is told it appears) and publishes that
    // tab's scan command.
    function appear() {
        const item = tabLoader.item
        if (tab !== openingTab) {
            tab = openingTab
            return
        }
        if (item !== null && typeof item.appear === "function")
            item.appear()
        publishScanCommand()
    }
    // The page goes out of view, and its tab's screen with it.
    function disappear() {
        const item = tabLoader.item
        if (item !== null && typeof item.disappear === "function")
            item.disappear()
    }

    onTabChanged: publishScanCommand()
    Component.onCompleted: {
        openingTab = tab
        publishScanCommand()
    }

    PageHeader {
        id: header
        objectName: "pageHeader"
        width: screen.width
        title: "Protection"
        subtitle: "Clear browsing data and keep an eye on threats."
        icon: "checkmark.shield"
        accessory: Component {
            // Leading, at the picker's natural size, whatever width the header gives this row.
            Item {
                readonly property alias picker: picker
                implicitWidth: picker.implicitWidth
                implicitHeight: picker.implicitHeight
                TabPicker {
                    id: picker
                    objectName: "tabPicker"
                    options: ProtectionTab.allCases
                    current: screen.tab
                    onPicked: value => screen.tab = value
                }
            }
        }
    }
    Rectangle {
        id: divider
        objectName: "pageDivider"
        y: header.height
        width: screen.width
        height: 1
        color: Design.Palette.hairline
    }
    Loader {
        id: tabLoader
        objectName: "tabContent"
        y: divider.y + divider.height
        width: screen.width
        height: Math.max(0, screen.height - y)
        sourceComponent: screen.tab === ProtectionTab.malware ? malwareTab : privacyTab
    }

    Component {
        id: privacyTab
        PrivacyCleanerView {
            objectName: "privacyCleaner"
            model: screen.privacy
        }
    }
    Component {
        id: malwareTab
        MalwareScannerView {
            objectName: "malwareScanner"
            model: screen.malware
        }
    }
}
