import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.Design
import Quillmere.Design as Design

// One junk category on the Cleanup results: a glass card (corner radius 12) with a header row and,
// once expanded, the category's items (ItemRow) separated by dividers inset 44, under a divider inset
// 14. The header, padded 14 and 12 apart: the category checkbox ("square" when nothing is selected,
// "minus.square.fill" when part is, "checkmark.square.fill" when all is; 17), the kind's icon (16,
// accent, in a frame 22 wide), the title (14, medium) with a warning triangle when the scan was
// incomplete, over the selection summary (caption, secondary colour); a flexible space; the size (14,
// semibold; tertiary colour when nothing is selected); and a chevron (11, tertiary colour). Clicking
// the checkbox emits `toggleCategory` (true unless all is selected); clicking anywhere else on the
// header expands or collapses the card. The section holds no selection of its own: the page hands it
// each new category.
Item {
    id: section

    // The category as the Cleanup model publishes it: `id`, `kind`, `title`, `incomplete`, `count`,
    // `selectionState`, `selectionSummary`, `sizeText` and `items`.
    property var category: ({})
    // The item list is shown; starts collapsed.
    property bool expanded: false

    readonly property string kind: category && category.kind !== undefined ? String(category.kind) : ""
    readonly property var items: category && category.items ? category.items : []
    readonly property string selectionState: category && category.selectionState ? category.selectionState : "none"
    readonly property bool incomplete: category ? category.incomplete === true : false
    readonly property var info: Object.prototype.hasOwnProperty.call(kindInfo, kind) ? kindInfo[kind] : null
    readonly property string checkboxSymbol: selectionState === "all" ? "checkmark.square.fill"
                                           : selectionState === "some" ? "minus.square.fill" : "square"
    readonly property color checkboxColor: selectionState === "none"
                                           ? Theme.withOpacity(Design.Palette.textSecondary, Design.Palette.textSecondary.a * 0.5)
                                           : Theme.accent
    readonly property string incompleteHelp: "Couldn't fully scan this \u2014 some items may be missing (a location couldn't be read, or the installed-app list was incomplete)."
    readonly property real cornerRadius: 12
    readonly property alias header: header
    readonly property alias checkbox: checkbox
    readonly property alias iconItem: iconItem
    readonly property alias titleText: titleText
    readonly property alias warningItem: warningItem
    readonly property alias summaryText: summaryText
    readonly property alias sizeText: sizeText
    readonly property alias chevron: chevron
    readonly property alias headerTip: headerTip
    readonly property alias warningTip: warningTip
    // How many item rows are shown (0 while collapsed).
    readonly property int rowCount: rowsRepeater.count

    // The item row at `index` (ItemRow), or null.
    function rowAt(index) {
        const entry = rowsRepeater.itemAt(index)
        return entry !== null ? entry.row : null
    }
    // The divider under the item row at `index`, or null.
    function dividerAt(index) {
        const entry = rowsRepeater.itemAt(index)
        return entry !== null ? entry.divider : null
    }

    // Asks to select (true) or deselect (false) every item of the category.
    signal toggleCategory(bool selected)
    // Asks to flip the selection of the item with this id.
    signal toggleItem(string itemId)

    // The header's symbol and hover help per kind.
    readonly property var kindInfo: ({
        userCaches: {
            icon: "internaldrive",
            help: "Per-app cache files. Apps rebuild these automatically on next launch."
        },
        logs: {
            icon: "doc.text",
            help: "Diagnostic logs written by apps. Safe to remove; not needed for normal use."
        },
        savedState: {
            icon: "macwindow",
            help: "Saved window/state data apps recreate when you reopen them."
        },
        developerCaches: {
            icon: "hammer",
            help: "Xcode DerivedData and package-manager caches (npm, pnpm, Yarn, Gradle, Maven, Go, Cargo). Rebuilt or re-downloaded on demand \u2014 the next build is slower."
        },
        appLeftovers: {
            icon: "archivebox",
            help: "Settings, support files and Flatpak data folders still on disk for apps that are no longer installed and haven't been written to in 60 days. Off by default: unlike caches, nothing rebuilds these, so reinstalling the app later starts it fresh."
        }
    })

    implicitWidth: column.implicitWidth
    implicitHeight: column.implicitHeight

    GlassCard {
        anchors.fill: parent
        cornerRadius: section.cornerRadius
    }
    ColumnLayout {
        id: column
        anchors.left: parent.left
        anchors.right: parent.right
        spacing: 0

        T.AbstractButton {
            id: header
            FocusRing {}
            objectName: "sectionHeader"
            Layout.fillWidth: true
            hoverEnabled: true
            padding: 14
            implicitWidth: implicitContentWidth + leftPadding + rightPadding
            implicitHeight: implicitContentHeight + topPadding + bottomPadding
            onClicked: section.expanded = !section.expanded

            background: Item {}
            contentItem: RowLayout {
                spacing: 12

                T.AbstractButton {
                    id: checkbox
                    FocusRing {}
                    objectName: "categoryCheckbox"
                    Layout.alignment: Qt.AlignVCenter
                    hoverEnabled: true
                    padding: 0
                    implicitWidth: implicitContentWidth
                    implicitHeight: implicitContentHeight
                    contentItem: SymbolImage {
                        name: section.checkboxSymbol
                        size: 17
                        color: section.checkboxColor
                    }
                    onClicked: section.toggleCategory(section.selectionState !== "all")
                }
                SymbolImage {
                    id: iconItem
                    Layout.alignment: Qt.AlignVCenter
                    Layout.preferredWidth: 22
                    horizontalAlignment: Text.AlignHCenter
                    name: section.info ? section.info.icon : ""
                    size: 16
                    color: Theme.accent
                }
                ColumnLayout {
                    Layout.alignment: Qt.AlignVCenter
                    Layout.fillWidth: true
                    spacing: 2

                    RowLayout {
                        spacing: 5
                        Text {
                            id: titleText
                            objectName: "sectionTitle"
                            text: section.category && section.category.title !== undefined ? String(section.category.title) : ""
                            textFormat: Text.PlainText
                            font: Typo.system(14, Font.Medium)
                            color: Design.Palette.textPrimary
                        }
                        SymbolImage {
                            id: warningItem
                            objectName: "sectionWarning"
                            Layout.alignment: Qt.AlignVCenter
                            visible: section.incomplete
                            name: "exclamationmark.triangle"
                            size: 10
                            color: Theme.warning

                            HoverHandler { id: warningHover }
                            HelpTip {
                                id: warningTip
                                text: section.incompleteHelp
                                visible: warningHover.hovered
                            }
                        }
                    }
                    Text {
                        id: summaryText
                        objectName: "sectionSummary"
                        Layout.fillWidth: true
                        text: section.category && section.category.selectionSummary !== undefined ? String(section.category.selectionSummary) : ""
                        textFormat: Text.PlainText
                        elide: Text.ElideRight
                        font: Typo.caption
                        color: Design.Palette.textSecondary
                    }
                }
                Text {
                    id: sizeText
                    objectName: "sectionSize"
                    Layout.alignment: Qt.AlignVCenter
                    text: section.items.length === 0 ? "0 KB"
                          : section.category.sizeText !== undefined ? String(section.category.sizeText) : ""
                    textFormat: Text.PlainText
                    font: Typo.system(14, Font.DemiBold)
                    color: section.selectionState === "none" ? Design.Palette.textTertiary : Design.Palette.textPrimary
                }
                SymbolImage {
                    id: chevron
                    Layout.alignment: Qt.AlignVCenter
                    name: section.expanded ? "chevron.up" : "chevron.down"
                    size: 11
                    color: Design.Palette.textTertiary
                }
            }

            HelpTip {
                id: headerTip
                text: section.info ? section.info.help : ""
                visible: header.hovered && !checkbox.hovered && !warningHover.hovered
            }
        }

        // The item list, made while expanded and faded in over 0.18 s.
        Rectangle {
            objectName: "listDivider"
            Layout.fillWidth: true
            Layout.leftMargin: 14
            Layout.preferredHeight: 1
            visible: section.expanded
            color: Design.Palette.hairline
        }
        ColumnLayout {
            id: list
            objectName: "itemList"
            Layout.fillWidth: true
            Layout.topMargin: 4
            Layout.bottomMargin: 4
            visible: section.expanded
            spacing: 0
            opacity: section.expanded ? 1 : 0
            Behavior on opacity {
                NumberAnimation { duration: 180; easing.type: Easing.InOutQuad }
            }

            Repeater {
                id: rowsRepeater
                model: section.expanded ? section.items : []

                ColumnLayout {
                    id: entry
                    required property var modelData
                    required property int index
                    readonly property alias row: row
                    readonly property alias divider: divider
                    Layout.fillWidth: true
                    spacing: 0

                    ItemRow {
                        id: row
                        objectName: "itemRow"
                        Layout.fillWidth: true
                        item: entry.modelData
                        onToggle: section.toggleItem(String(entry.modelData.id))
                    }
                    Rectangle {
                        id: divider
                        objectName: "itemDivider"
                        Layout.fillWidth: true
                        Layout.leftMargin: 44
                        Layout.preferredHeight: 1
                        visible: entry.index < section.items.length - 1
                        color: Design.Palette.hairline
                    }
                }
            }
        }
    }
}
