import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// The Cleanup page: one vertical scroll of the page header, the Trash card and the content of the
// moment (idle, scanning, results, empty or all cleaned), above a bar pinned to the bottom (cleaning,
// undo offer, selection, or none), with the clean and Empty Trash confirmations, the shared failure
// alert and the success celebration over it. It draws the Cleanup model and calls its operations; the
// only state of its own is whether the celebration shows. It measures the Trash when it appears (when it
// is made, and at each `appear()` after that) and whenever the application becomes active again while
// it shows.
Item {
    id: screen

    required property CleanupViewModel model
    // Where "becomes active" comes from; null refreshes the Trash only when the page appears.
    property AppActivity activity: null

    readonly property color tint: ModuleTint.resolved
    readonly property string contentState: model.contentState
    readonly property string bottomBarKind: model.bottomBar
    readonly property bool scanning: contentState === "scanning"
    readonly property bool cleaning: bottomBarKind === "cleaning"
    // True while the success celebration shows; it clears itself after 1.5 s.
    property alias showCelebration: celebration.active

    readonly property alias scroll: scroll
    readonly property alias header: header
    readonly property alias trashCard: trashCard
    readonly property alias content: contentLoader
    readonly property alias bottomBar: barLoader
    readonly property alias cleanConfirm: cleanConfirm
    readonly property alias emptyConfirm: emptyConfirm
    readonly property alias failureAlert: failureAlert
    readonly property alias celebration: celebration

    // A plain text button of the results header: callout in the accent, no frame.
    component PlainTextButton: T.AbstractButton {
        id: plain
        FocusRing {}
        padding: 0
        implicitWidth: implicitContentWidth
        implicitHeight: implicitContentHeight
        opacity: down ? 0.7 : 1
        contentItem: Text {
            text: plain.text
            textFormat: Text.PlainText
            font: Typo.callout
            color: Theme.accent
        }
    }

    // What the page does each time it comes into view: it starts at the top with every category folded,
    // as a page made anew, and measures the Trash.
    function appear() {
        scroll.contentY = 0
        const shown = contentLoader.item
        if (shown !== null && typeof shown.collapseAll === "function")
            shown.collapseAll()
        model.refreshTrash()
    }
    // The page goes out of view: a celebration under way ends with it.
    function disappear() {
        celebration.active = false
    }

    Component.onCompleted: appear()

    Connections {
        target: screen.activity
        enabled: screen.visible
        function onBecameActive() {
            screen.model.refreshTrash()
        }
    }
    Connections {
        target: screen.model
        enabled: screen.visible
        function onCleanCompletionsChanged() {
            celebration.active = true
        }
    }

    Flickable {
        id: scroll
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: barLoader.top
        clip: true
        contentWidth: width
        contentHeight: page.implicitHeight
        boundsBehavior: Flickable.StopAtBounds

        T.ScrollBar.vertical: T.ScrollBar {
            id: scrollBar
            policy: T.ScrollBar.AsNeeded
            padding: 2
            minimumSize: 0.08
            implicitWidth: 10
            contentItem: Rectangle {
                implicitWidth: 6
                radius: width / 2
                color: Qt.rgba(1, 1, 1, 0.32)
                opacity: scrollBar.size < 1 && (scrollBar.active || scrollBar.hovered) ? 1 : 0
                Behavior on opacity {
                    NumberAnimation { duration: 200 }
                }
            }
        }

        ColumnLayout {
            id: page
            width: scroll.width
            spacing: 0

            PageHeader {
                id: header
                objectName: "pageHeader"
                Layout.fillWidth: true
                title: "Cleanup"
                subtitle: "Remove system junk \u2014 caches, logs, build caches, and files left behind by apps you removed."
                icon: "trash"
                trailing: screen.contentState === "idle" ? null : headerScanButton
                // The badge keeps its own width; the header stretches only the space it sits in.
                accessory: Component {
                    Item {
                        implicitWidth: badge.implicitWidth
                        implicitHeight: badge.implicitHeight
                        StatusBadge {
                            id: badge
                            objectName: "trashFirstBadge"
                            text: "Trash-first \u00b7 everything is reversible"
                            systemImage: "arrow.uturn.backward.circle"
                            color: Theme.accent
                        }
                    }
                }
            }
            ColumnLayout {
                Layout.fillWidth: true
                Layout.leftMargin: 24
                Layout.rightMargin: 24
                Layout.bottomMargin: 24
                spacing: 20

                TrashCard {
                    id: trashCard
                    objectName: "trashCard"
                    Layout.fillWidth: true
                    model: screen.model
                }
                Loader {
                    id: contentLoader
                    objectName: "content"
                    Layout.fillWidth: true
                    sourceComponent: {
                        switch (screen.contentState) {
                        case "idle": return idleState
                        case "scanning": return scanningState
                        case "cleanedAll": return cleanedAllState
                        case "empty": return emptyState
                        }
                        return resultsState
                    }
                }
            }
        }
    }

    // The bar pinned to the bottom; the scroll ends above it.
    Loader {
        id: barLoader
        objectName: "bottomBar"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: item !== null ? item.implicitHeight : 0
        sourceComponent: {
            switch (screen.bottomBarKind) {
            case "cleaning": return cleaningBar
            case "undoOffer": return undoBar
            case "selection": return selectionBar
            }
            return null
        }
    }

    Celebration {
        id: celebration
        anchors.fill: parent
        tint: screen.tint
    }

    ActionFailureAlert {
        id: failureAlert
        // A page out of view shows no alert; the note waits for its return.
        message: screen.visible && screen.model.failureNote !== "" ? screen.model.failureNote : null
        onDismissed: screen.model.failureNote = ""
    }

    ConfirmationDialog {
        id: cleanConfirm
        // Closed while the page is out of view, and open again when it returns.
        shown: screen.model.showConfirm && screen.visible
        title: screen.model.cleanConfirmTitle
        message: "Items go to the Trash and can be restored. Nothing is permanently deleted."
        destructiveText: screen.model.cleanConfirmButtonText
        onConfirmed: screen.model.confirmClean()
        onDismissed: if (screen.visible) screen.model.showConfirm = false
    }

    ConfirmationDialog {
        id: emptyConfirm
        shown: screen.model.showEmptyConfirm && screen.visible
        title: screen.model.emptyConfirmTitle
        message: screen.model.emptyConfirmMessage
        destructiveText: screen.model.emptyConfirmButtonText
        onConfirmed: screen.model.confirmEmptyTrash()
        onDismissed: if (screen.visible) screen.model.showEmptyConfirm = false
    }

    // ---- header ----

    Component {
        id: headerScanButton
        QuillmereButtonStyle {
            id: scanButton
            objectName: "headerScanButton"
            kind: QuillmereButtonStyle.Secondary
            text: "Scan"
            symbol: "arrow.clockwise"
            hoverEnabled: true
            enabled: !screen.scanning && !screen.cleaning
            // While scanning the label gives way to a spinner; the button keeps its size.
            contentItem.opacity: screen.scanning ? 0 : 1
            onClicked: screen.model.scan(false)

            ProgressSpinner {
                objectName: "headerSpinner"
                anchors.centerIn: parent
                visible: screen.scanning
            }
            HelpTip {
                text: "Scan for junk"
                visible: scanButton.hovered
            }
        }
    }

    // ---- content states ----

    Component {
        id: idleState
        ColumnLayout {
            objectName: "idleState"
            spacing: 16

            HeroMedallion {
                Layout.alignment: Qt.AlignHCenter
                Layout.topMargin: 40
                symbol: "trash"
                tint: Qt.rgba(62 / 255, 207 / 255, 142 / 255, 1)
                size: 132
            }
            Text {
                objectName: "idleTitle"
                Layout.fillWidth: true
                text: "Scan for junk"
                textFormat: Text.PlainText
                horizontalAlignment: Text.AlignHCenter
                font: Typo.system(18, Font.DemiBold)
                color: Design.Palette.textPrimary
            }
            Text {
                Layout.fillWidth: true
                text: "Looks through your user caches, logs, saved state, developer build caches and leftovers from uninstalled apps."
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                horizontalAlignment: Text.AlignHCenter
                font: Typo.body
                color: Design.Palette.textSecondary
            }
            QuillmereButtonStyle {
                objectName: "idleScanButton"
                Layout.alignment: Qt.AlignHCenter
                Layout.topMargin: 4
                Layout.bottomMargin: 40
                kind: QuillmereButtonStyle.Primary
                text: "Scan for junk"
                symbol: "magnifyingglass"
                onClicked: screen.model.scan(false)
            }
        }
    }

    Component {
        id: scanningState
        GlassCard {
            objectName: "scanningState"
            cornerRadius: 16
            padding: 18

            contentItem: ColumnLayout {
                spacing: 14

                RowLayout {
                    Layout.fillWidth: true
                    Text {
                        objectName: "progressLabel"
                        Layout.fillWidth: true
                        text: screen.model.progressLabel
                        textFormat: Text.PlainText
                        elide: Text.ElideRight
                        font: Typo.system(14, Font.Medium)
                        color: Design.Palette.textPrimary
                    }
                    QuillmereButtonStyle {
                        objectName: "cancelScanButton"
                        // A rescan that follows an undo cannot be cancelled from here.
                        visible: !screen.model.isPostUndoRescan
                        kind: QuillmereButtonStyle.Secondary
                        text: "Cancel"
                        onClicked: screen.model.cancelScan()
                    }
                }
                ScanProgressBar {
                    objectName: "scanProgress"
                    Layout.fillWidth: true
                    Layout.preferredHeight: 8
                    progress: screen.model.progress
                    tint: screen.tint
                }
            }
        }
    }

    Component {
        id: resultsState
        ColumnLayout {
            id: results
            objectName: "resultsState"
            spacing: 14

            // The categories by id, and the ids in order as a list model, so a section keeps its
            // identity (and its expansion) while its category changes.
            property var byId: ({})
            readonly property alias sections: sectionRepeater

            function sync() {
                const categories = screen.model.categories
                const lookup = {}
                const ids = []
                for (let i = 0; i < categories.length; ++i) {
                    lookup[categories[i].id] = categories[i]
                    ids.push(String(categories[i].id))
                }
                byId = lookup
                for (let i = sectionIds.count - 1; i >= 0; --i) {
                    if (ids.indexOf(sectionIds.get(i).cid) < 0)
                        sectionIds.remove(i)
                }
                for (let i = 0; i < ids.length; ++i) {
                    if (i < sectionIds.count && sectionIds.get(i).cid === ids[i])
                        continue
                    let found = -1
                    for (let j = i + 1; j < sectionIds.count; ++j) {
                        if (sectionIds.get(j).cid === ids[i]) {
                            found = j
                            break
                        }
                    }
                    if (found >= 0)
                        sectionIds.move(found, i, 1)
                    else
                        sectionIds.insert(i, { cid: ids[i] })
                }
            }
            // Folds every section, as a page made anew shows them.
            function collapseAll() {
                for (let i = 0; i < sectionRepeater.count; ++i) {
                    const each = sectionRepeater.itemAt(i)
                    if (each !== null)
                        each.expanded = false
                }
            }
            // The section of the category `id`, or null.
            function section(id) {
                for (let i = 0; i < sectionRepeater.count; ++i) {
                    const each = sectionRepeater.itemAt(i)
                    if (each !== null && each.cid === id)
                        return each
                }
                return null
            }

            ListModel { id: sectionIds }
            Connections {
                target: screen.model
                function onCategoriesChanged() {
                    results.sync()
                }
            }
            Component.onCompleted: sync()

            RowLayout {
                Layout.fillWidth: true
                Text {
                    objectName: "foundText"
                    Layout.fillWidth: true
                    text: screen.model.foundText
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    font: Typo.sectionTitle
                    color: Design.Palette.textPrimary
                }
                PlainTextButton {
                    objectName: "selectAllButton"
                    text: "Select all"
                    onClicked: screen.model.selectAll(true)
                }
                Text {
                    text: "\u00b7"
                    textFormat: Text.PlainText
                    font: Typo.callout
                    color: Design.Palette.textTertiary
                }
                PlainTextButton {
                    objectName: "deselectAllButton"
                    text: "Deselect all"
                    onClicked: screen.model.selectAll(false)
                }
            }
            Repeater {
                id: sectionRepeater
                model: sectionIds

                CategorySection {
                    id: categorySection
                    required property string cid
                    required property int index
                    objectName: "section:" + cid
                    Layout.fillWidth: true
                    category: results.byId[cid] !== undefined ? results.byId[cid] : ({})
                    onToggleCategory: selected => screen.model.setCategory(cid, selected)
                    onToggleItem: itemId => screen.model.toggleItem(cid, itemId)

                    // A removed section's index turns -1 while it goes.
                    AppearLift {
                        index: Math.max(categorySection.index, 0)
                    }
                }
            }
        }
    }

    Component {
        id: emptyState
        EmptyStateView {
            objectName: "emptyState"
            icon: "checkmark.seal.fill"
            title: "Nothing to clean"
            message: "Your caches, logs, saved state and developer build caches are already tidy."
            tint: Design.Palette.success
            actions: scanAgainButton
        }
    }

    Component {
        id: cleanedAllState
        EmptyStateView {
            objectName: "cleanedAllState"
            icon: "checkmark.seal.fill"
            title: "All clean"
            message: "Everything you selected was moved to the Trash. Use Undo below to restore it."
            tint: Design.Palette.success
            actions: scanAgainButton
        }
    }

    Component {
        id: scanAgainButton
        Item {
            implicitWidth: button.implicitWidth
            implicitHeight: button.implicitHeight + 4
            QuillmereButtonStyle {
                id: button
                objectName: "scanAgainButton"
                y: 4
                kind: QuillmereButtonStyle.Secondary
                text: "Scan again"
                symbol: "arrow.clockwise"
                onClicked: screen.model.scan(false)
            }
        }
    }

    // ---- bottom bars ----

    Component {
        id: cleaningBar
        ActionBarFrame {
            objectName: "cleaningBar"
            spacing: 10
            ProgressSpinner {
                Layout.alignment: Qt.AlignVCenter
            }
            Text {
                objectName: "cleaningText"
                Layout.alignment: Qt.AlignVCenter
                text: "Moving items to Trash\u2026"
                textFormat: Text.PlainText
                font: Typo.body
                color: Design.Palette.textPrimary
            }
            Item { Layout.fillWidth: true }
        }
    }

    Component {
        id: undoBar
        ActionBarFrame {
            objectName: "undoBar"
            spacing: 10
            SymbolImage {
                Layout.alignment: Qt.AlignVCenter
                name: "checkmark.circle.fill"
                size: Typo.pixelSize(Typo.body) * 1.2
                color: Theme.accent
            }
            Text {
                objectName: "undoText"
                Layout.alignment: Qt.AlignVCenter
                Layout.fillWidth: true
                text: screen.model.undoOfferText
                textFormat: Text.PlainText
                elide: Text.ElideRight
                font: Typo.body
                color: Design.Palette.textPrimary
            }
            QuillmereButtonStyle {
                objectName: "undoButton"
                Layout.alignment: Qt.AlignVCenter
                kind: QuillmereButtonStyle.Secondary
                text: "Undo"
                symbol: "arrow.uturn.backward"
                enabled: !screen.model.emptyingTrash
                onClicked: screen.model.undoLast()
            }
            T.AbstractButton {
                id: dismissButton
                FocusRing {}
                objectName: "dismissUndoButton"
                Layout.alignment: Qt.AlignVCenter
                hoverEnabled: true
                padding: 4
                implicitWidth: implicitContentWidth + leftPadding + rightPadding
                implicitHeight: implicitContentHeight + topPadding + bottomPadding
                Accessible.name: "Dismiss"
                contentItem: SymbolImage {
                    name: "xmark"
                    size: 11
                    color: Design.Palette.textSecondary
                }
                onClicked: screen.model.dismissUndo()

                HelpTip {
                    text: "Dismiss (the items stay in the Trash)"
                    visible: dismissButton.hovered
                }
            }
        }
    }

    Component {
        id: selectionBar
        ActionBarFrame {
            objectName: "selectionBar"
            spacing: 12
            ColumnLayout {
                Layout.alignment: Qt.AlignVCenter
                spacing: 1
                Text {
                    objectName: "selectedSizeText"
                    text: screen.model.selectedSizeText
                    textFormat: Text.PlainText
                    font: Typo.cardTitleLarge
                    color: Design.Palette.textPrimary
                }
                Text {
                    objectName: "selectedCountText"
                    text: screen.model.selectedCountText
                    textFormat: Text.PlainText
                    font: Typo.caption
                    color: Design.Palette.textSecondary
                }
            }
            Item { Layout.fillWidth: true }
            QuillmereButtonStyle {
                objectName: "cleanButton"
                Layout.alignment: Qt.AlignVCenter
                kind: QuillmereButtonStyle.Primary
                text: screen.model.cleanButtonText
                symbol: "trash"
                enabled: !screen.model.emptyingTrash
                onClicked: {
                    if (screen.model.selectedCount >= 1)
                        screen.model.showConfirm = true
                }
            }
        }
    }
}
