import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.Design
import Quillmere.Design as Design

// The tile of one scanned junk category, as wide as it is laid out: on a glass card (corner radius 12)
// padded 14, a column 10 apart of a header row (the kind's icon, 18, accent; at the far end the select
// button: "checkmark.circle.fill" in the accent when any item is selected, else "circle" in the
// secondary colour at half its opacity), the kind's title (body, secondary colour) followed, when the
// scan was incomplete, by a warning triangle (9, Theme.warning) 5 after it; the total of all items
// counting up (17, semibold); and the item count (caption, tertiary colour). A selected category is
// outlined 1.5 wide inside the edge in the accent at 0.6. Hovering lifts it by 2.5 %. The whole card,
// the select button and the triangle each carry their own hover help. Clicking the select button emits
// `toggle`; the owner changes the selection and hands the card the new category.
Item {
    id: card

    // The category: an object with `kind` (a junk kind's stored name: "userCaches", "logs",
    // "savedState", "developerCaches" or "appLeftovers"), `items` (a list of objects with `bytes`, a
    // whole number of bytes, and `isSelected`) and `incomplete` (true when part of it could not be read).
    property var category: ({ kind: "userCaches", items: [], incomplete: false })

    // The select button was clicked.
    signal toggle()

    readonly property string kind: category && category.kind ? category.kind : ""
    readonly property var items: category && category.items ? category.items : []
    readonly property int count: items.length
    readonly property int selectedCount: {
        let n = 0
        for (let i = 0; i < items.length; ++i) {
            if (items[i].isSelected)
                ++n
        }
        return n
    }
    // Bytes of every item, selected or not.
    readonly property double total: {
        let sum = 0
        for (let i = 0; i < items.length; ++i)
            sum += Number(items[i].bytes)
        return sum
    }
    // "none", "some" or "all"; the card only tells "none" from the other two.
    readonly property string selectionState: selectedCount === 0 ? "none" : selectedCount === count ? "all" : "some"
    readonly property bool selected: selectionState !== "none"
    readonly property bool incomplete: category ? category.incomplete === true : false

    readonly property string title: DisplayText.junkKindTitle(kind)
    // The table row of this card's kind, or null for a name that is not a kind.
    readonly property var info: Object.prototype.hasOwnProperty.call(kindInfo, kind) ? kindInfo[kind] : null
    readonly property string icon: info ? info.icon : ""
    // The hover help of the whole card.
    readonly property string helpText: info ? info.help : ""
    readonly property string toggleSymbol: selected ? "checkmark.circle.fill" : "circle"
    readonly property string toggleHelp: selected ? "Deselect" : "Select"
    readonly property string incompleteHelp: "Couldn't fully scan this location \u2014 some items may be missing (permission denied)."
    readonly property string countText: DisplayText.countedNoun(count, "item")
    readonly property color toggleColor: selected ? Theme.accent
                                                  : Theme.withOpacity(Design.Palette.textSecondary, Design.Palette.textSecondary.a * 0.5)
    readonly property color outlineColor: selected ? Theme.withOpacity(Theme.accent, 0.6) : "transparent"

    readonly property real padding: 14
    readonly property real cornerRadius: 12
    readonly property alias iconItem: iconItem
    readonly property alias toggleButton: toggleButton
    readonly property alias titleText: titleText
    readonly property alias warningItem: warningItem
    readonly property alias totalText: totalText
    readonly property alias countLabel: countLabel
    readonly property alias outline: outline
    readonly property alias lift: lift
    readonly property alias cardTip: cardTip
    readonly property alias toggleTip: toggleTip
    readonly property alias warningTip: warningTip

    // The card's own symbols and help per kind; titles come from the engine's wording.
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

    implicitWidth: column.implicitWidth + 2 * padding
    implicitHeight: column.implicitHeight + 2 * padding

    HoverLift {
        id: lift
        liftScale: 1.025
        cornerRadius: card.cornerRadius
    }
    GlassCard {
        anchors.fill: parent
        cornerRadius: card.cornerRadius
    }
    ColumnLayout {
        id: column
        anchors.fill: parent
        anchors.margins: card.padding
        spacing: 10

        RowLayout {
            Layout.fillWidth: true
            spacing: 8
            SymbolImage {
                id: iconItem
                name: card.icon
                size: 18
                color: Theme.accent
            }
            Item { Layout.fillWidth: true }
            T.AbstractButton {
                id: toggleButton
                FocusRing {}
                hoverEnabled: true
                padding: 0
                implicitWidth: implicitContentWidth
                implicitHeight: implicitContentHeight
                contentItem: SymbolImage {
                    name: card.toggleSymbol
                    size: 18
                    color: card.toggleColor
                }
                onClicked: card.toggle()

                HelpTip {
                    id: toggleTip
                    text: card.toggleHelp
                    visible: toggleButton.hovered
                }
            }
        }
        RowLayout {
            spacing: 5
            Text {
                id: titleText
                text: card.title
                textFormat: Text.PlainText
                font: Typo.body
                color: Design.Palette.textSecondary
            }
            SymbolImage {
                id: warningItem
                visible: card.incomplete
                name: "exclamationmark.triangle"
                size: 9
                color: Theme.warning

                HoverHandler { id: warningHover }
                HelpTip {
                    id: warningTip
                    text: card.incompleteHelp
                    visible: warningHover.hovered
                }
            }
        }
        CountUpBytes {
            id: totalText
            bytes: card.total
            font: Typo.system(17, Font.DemiBold)
        }
        Text {
            id: countLabel
            text: card.countText
            textFormat: Text.PlainText
            font: Typo.caption
            color: Design.Palette.textTertiary
        }
    }
    Rectangle {
        id: outline
        anchors.fill: parent
        radius: card.cornerRadius
        color: "transparent"
        border.width: 1.5
        border.color: card.outlineColor
        antialiasing: true
    }

    HoverHandler { id: cardHover }
    HelpTip {
        id: cardTip
        text: card.helpText
        visible: cardHover.hovered && !toggleButton.hovered && !warningHover.hovered
    }
}
