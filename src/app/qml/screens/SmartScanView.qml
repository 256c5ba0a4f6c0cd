import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// The Smart Scan home. One vertical scroll of, top to bottom: the Full Disk Access banner while access
// is missing; the hero (the scan ring, the headline, the sub-headline and Re-scan); the scan's category
// cards or one of two empty states once results are in; and the glance, recommendation and explore
// sections drawn from the other modules. Over its bottom edge, centred, the circular Clean / Re-scan
// button above the undo bar, each only when it applies; the clean confirmation, the shared failure
// alert and the celebration lie over the page. Every state lives in the models: the page keeps only
// whether the celebration shows. Each time it appears (when it is made, and at each `appear()` the
// stage calls on a later visit) it starts the first scan while the model is idle and refreshes the
// health model and the definitions status (when
// it is made before the window's first frame, right after that frame); when the application becomes active it probes Full Disk Access again and refreshes the health model.
Item {
    id: screen

    required property SmartScanViewModel model
    required property MacHealthViewModel health
    required property DiskViewModel disk
    required property LargeFilesViewModel largeFiles
    required property DuplicatesViewModel duplicates
    required property CloudCleanupViewModel cloud
    required property MalwareViewModel malware
    // Takes a module id (its title) and selects that module.
    required property var navigate
    // Where "becomes active" comes from; null: only appearances refresh.
    property AppActivity activity: null
    // The window's first frame: the work of appearing waits for it, so that the first frame waits for no
    // scan; null: the page appears at once.
    property FirstFrame firstFrame: null

    readonly property color tint: ModuleTint.resolved
    // The circular button's own violet, whatever the module tint: sRGB (142, 124, 243).
    readonly property color buttonTint: Qt.rgba(0.5568627450980392, 0.48627450980392156, 0.9529411764705882, 1)
    // True while the celebration shows; it clears itself after its run.
    property alias showCelebration: celebration.active

    // The model's phase: 0 idle, 1 scanning, 2 results (its enumeration's order).
    readonly property int phase: model.phase
    readonly property bool hasResults: phase === 2
    readonly property bool hasCategories: model.categories.length > 0
    readonly property bool cleanedEverything: hasResults && model.didCleanEverything
    // The four hero texts, from the model as it is now.
    readonly property string ringTitle: !hasResults ? Math.round(model.scanProgress * 100) + "%"
                                        : cleanedEverything ? "0"
                                        : hasCategories ? model.foundValue : "0"
    readonly property string ringSubtitle: !hasResults ? "scanning"
                                           : cleanedEverything ? "just cleaned"
                                           : hasCategories ? model.foundUnit + " found" : "all clean"
    readonly property string headline: !hasResults ? "Scanning your computer\u2026"
                                       : hasCategories && !cleanedEverything ? "Scan complete" : "All clean"
    readonly property string subhead: {
        if (!hasResults)
            return "Looking through caches, logs and saved state"
        if (cleanedEverything && model.hasLastReport)
            return "Freed " + model.lastReportFreed + " \u00b7 " + model.lastReportCount + " item"
                   + plural(model.lastReportCount) + " moved to the Trash"
        if (!cleanedEverything && hasCategories)
            return DisplayText.byteCount(model.totalBytes) + " found \u00b7 " + model.totalItems + " item"
                   + plural(model.totalItems)
        return "Nothing to clean right now."
    }
    // The circular button shows, and what it says.
    readonly property bool actionButtonShown: hasResults && !model.isCleaning
                                              && (model.selectedCount >= 1 || !model.hasLastReport)
    readonly property string actionButtonLabel: model.selectedCount >= 1 ? "Clean" : "Re-scan"
    readonly property string confirmTitle: "Move " + model.selectedCount + " item" + plural(model.selectedCount)
                                           + " to the Trash?"
    readonly property string confirmButtonText: "Move " + DisplayText.byteCount(model.selectedBytes) + " to Trash"
    readonly property string undoTitle: "Freed " + model.lastReportFreed
    readonly property string undoSubtitle: model.lastReportCount + " item" + plural(model.lastReportCount) + " in Trash"

    readonly property alias scroll: scroll
    readonly property alias banner: bannerLoader
    readonly property alias ring: ring
    readonly property alias headlineText: headlineText
    readonly property alias subheadText: subheadText
    readonly property alias rescanButton: rescanButton
    readonly property alias content: resultsLoader
    readonly property alias glance: glance
    readonly property alias recommendations: recommendations
    readonly property alias explore: explore
    readonly property alias bottomBar: bottomBar
    readonly property alias actionButton: actionButton
    readonly property alias undoBar: undoLoader
    readonly property alias cleanConfirm: cleanConfirm
    readonly property alias failureAlert: failureAlert
    readonly property alias celebration: celebration

    // "s" unless `count` is 1.
    function plural(count) {
        return count === 1 ? "" : "s"
    }
    // The circular button: with something selected it asks for confirmation unless a clean runs, with
    // nothing selected it scans while it is shown. Both are decided when it is pressed, so a press whose
    // label went stale does nothing.
    function pressActionButton() {
        if (model.selectedCount >= 1) {
            if (!model.isCleaning)
                model.showConfirm = true
            return
        }
        if (actionButtonShown)
            model.scan()
    }

    // What the page does when it appears: the first scan while the model is idle, and fresh health and
    // definitions figures.
    function appear() {
        if (phase === 0)
            model.scan()
        health.refresh()
        malware.loadDefsStatus()
    }

    // The page goes out of view: a celebration under way ends with it.
    function disappear() {
        celebration.active = false
    }

    Component.onCompleted: {
        if (firstFrame === null || firstFrame.shown)
            appear()
    }
    Connections {
        target: screen.firstFrame
        function onShownChanged() {
            screen.appear()
        }
    }
    Connections {
        target: screen.activity
        enabled: screen.visible
        function onBecameActive() {
            screen.model.refreshFullDiskAccess()
            screen.health.refresh()
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
        anchors.fill: parent
        clip: true
        contentWidth: width
        contentHeight: page.implicitHeight + page.anchors.topMargin + page.anchors.bottomMargin
        boundsBehavior: Flickable.StopAtBounds

        T.ScrollBar.vertical: PageScrollBar {}

        ColumnLayout {
            id: page
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.margins: 24
            // Room for the last section to scroll clear of the bottom bar.
            anchors.bottomMargin: 24 + 150
            spacing: 22

            Loader {
                id: bannerLoader
                objectName: "banner"
                Layout.fillWidth: true
                visible: active
                active: !screen.model.fullDiskAccessGranted
                sourceComponent: FullDiskAccessBanner {
                    objectName: "fullDiskAccessBanner"
                    message: "Quillmere scans only what your user may read, so folders closed to it are left out of this scan."
                }
            }

            // ---- hero ----
            RowLayout {
                objectName: "hero"
                Layout.fillWidth: true
                spacing: 24

                ScanRing {
                    id: ring
                    objectName: "scanRing"
                    Layout.preferredWidth: 150
                    Layout.preferredHeight: 150
                    Layout.alignment: Qt.AlignVCenter
                    progress: screen.hasResults ? 1 : screen.model.scanProgress
                    lineWidth: 12
                    centerTitle: screen.ringTitle
                    centerSubtitle: screen.ringSubtitle
                    isScanning: !screen.hasResults
                }
                // A plain column, so a wrapped sub-headline always counts with its current height.
                Column {
                    id: heroTexts
                    Layout.alignment: Qt.AlignVCenter
                    Layout.fillWidth: true
                    spacing: 10

                    Text {
                        id: headlineText
                        objectName: "headline"
                        width: heroTexts.width
                        text: screen.headline
                        textFormat: Text.PlainText
                        font: Typo.screenTitle
                        color: Design.Palette.textPrimary
                    }
                    Text {
                        id: subheadText
                        objectName: "subhead"
                        width: heroTexts.width
                        text: screen.subhead
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font: Typo.body
                        color: Design.Palette.textSecondary
                    }
                    // 4 more above the button.
                    Item {
                        implicitWidth: rescanButton.implicitWidth
                        implicitHeight: rescanButton.implicitHeight + 4
                        width: implicitWidth
                        height: implicitHeight

                        QuillmereButtonStyle {
                            id: rescanButton
                            objectName: "rescanButton"
                            y: 4
                            kind: QuillmereButtonStyle.Secondary
                            text: "Re-scan"
                            symbol: "arrow.clockwise"
                            enabled: screen.hasResults && !screen.model.isCleaning
                            onClicked: screen.model.scan()
                        }
                    }
                }
                Item {
                    Layout.fillWidth: true
                }
            }

            // ---- results ----
            Loader {
                id: resultsLoader
                objectName: "content"
                Layout.fillWidth: true
                visible: active
                active: screen.hasResults
                sourceComponent: screen.hasCategories ? categoryGrid
                                 : screen.model.didCleanEverything ? cleanedState : tidyState
            }

            SmartScanGlanceSection {
                id: glance
                objectName: "glanceSection"
                Layout.fillWidth: true
                health: screen.health
            }
            SmartScanRecommendationsSection {
                id: recommendations
                objectName: "recommendationsSection"
                Layout.fillWidth: true
                health: screen.health
                navigate: screen.navigate
            }
            SmartScanExploreSection {
                id: explore
                objectName: "exploreSection"
                Layout.fillWidth: true
                disk: screen.disk
                largeFiles: screen.largeFiles
                duplicates: screen.duplicates
                cloud: screen.cloud
                malware: screen.malware
                navigate: screen.navigate
            }
        }
    }

    // ---- bottom bar: the circular button above the undo bar, over the scroll's bottom edge ----
    ColumnLayout {
        id: bottomBar
        objectName: "bottomBar"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        spacing: 0

        // Kept while hidden, so a press that arrives after its label went stale meets the re-check.
        CircularGlowButtonStyle {
            id: actionButton
            objectName: "circularButton"
            Layout.alignment: Qt.AlignHCenter
            Layout.bottomMargin: 24
            visible: screen.actionButtonShown
            tint: screen.buttonTint
            diameter: 92
            text: screen.actionButtonLabel
            onClicked: screen.pressActionButton()
        }
        Loader {
            id: undoLoader
            objectName: "undoBar"
            Layout.fillWidth: true
            visible: active
            active: screen.model.hasLastReport
            sourceComponent: CleanActionBar {
                objectName: "undoActionBar"
                title: screen.undoTitle
                subtitle: screen.undoSubtitle

                QuillmereButtonStyle {
                    objectName: "undoButton"
                    Layout.alignment: Qt.AlignVCenter
                    kind: QuillmereButtonStyle.Secondary
                    text: "Undo"
                    symbol: "arrow.uturn.backward"
                    enabled: screen.model.canUndo
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
                        size: Typo.pixelSize(Typo.captionMedium)
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
    }

    Celebration {
        id: celebration
        anchors.fill: parent
        tint: screen.tint
    }

    ActionFailureAlert {
        id: failureAlert
        message: screen.visible && screen.model.failureNote !== "" ? screen.model.failureNote : null
        onDismissed: screen.model.failureNote = ""
    }

    ConfirmationDialog {
        id: cleanConfirm
        shown: screen.model.showConfirm && screen.visible
        title: screen.confirmTitle
        message: "Items go to the Trash and can be restored. Nothing is permanently deleted."
        destructiveText: screen.confirmButtonText
        onConfirmed: screen.model.confirmClean()
        onDismissed: if (screen.visible) screen.model.showConfirm = false
    }

    // ---- results states ----

    Component {
        id: categoryGrid
        Grid {
            id: grid
            objectName: "categoryGrid"

            // Adaptive columns of at least 158, 12 apart.
            readonly property real minimumCardWidth: 158
            readonly property real cardWidth: (width - (columns - 1) * columnSpacing) / columns
            // The categories by id, and the ids in order as a list model, so a card keeps its identity
            // (and does not rise again) while its category changes.
            property var byId: ({})
            readonly property alias cards: cardRepeater

            function sync() {
                const categories = screen.model.categories
                const lookup = {}
                const ids = []
                for (let i = 0; i < categories.length; ++i) {
                    lookup[categories[i].id] = categories[i]
                    ids.push(String(categories[i].id))
                }
                byId = lookup
                for (let i = cardIds.count - 1; i >= 0; --i) {
                    if (ids.indexOf(cardIds.get(i).cid) < 0)
                        cardIds.remove(i)
                }
                for (let i = 0; i < ids.length; ++i) {
                    if (i < cardIds.count && cardIds.get(i).cid === ids[i])
                        continue
                    let found = -1
                    for (let j = i + 1; j < cardIds.count; ++j) {
                        if (cardIds.get(j).cid === ids[i]) {
                            found = j
                            break
                        }
                    }
                    if (found >= 0)
                        cardIds.move(found, i, 1)
                    else
                        cardIds.insert(i, { cid: ids[i] })
                }
            }

            columns: Math.max(1, Math.floor((width + columnSpacing) / (minimumCardWidth + columnSpacing)))
            columnSpacing: 12
            rowSpacing: 12

            ListModel { id: cardIds }
            Connections {
                target: screen.model
                function onCategoriesChanged() {
                    grid.sync()
                }
            }
            Component.onCompleted: sync()

            Repeater {
                id: cardRepeater
                model: cardIds

                CategoryCardView {
                    id: card
                    required property string cid
                    required property int index
                    objectName: "categoryCard:" + cid
                    width: grid.cardWidth
                    category: grid.byId[cid] !== undefined ? grid.byId[cid] : ({})
                    onToggle: screen.model.toggleCategory(cid)

                    AppearLift {
                        index: Math.max(card.index, 0)
                    }
                }
            }
        }
    }

    Component {
        id: cleanedState
        EmptyStateView {
            objectName: "cleanedState"
            icon: "sparkles"
            title: "All moved to the Trash"
            message: "Everything found in this scan was cleaned. Use Undo below if you didn't mean to."
            tint: Design.Palette.success
        }
    }

    Component {
        id: tidyState
        EmptyStateView {
            objectName: "tidyState"
            icon: "checkmark.seal.fill"
            title: "Your computer is tidy"
            message: "No reclaimable junk found in caches, logs or saved state."
            tint: Design.Palette.success
        }
    }
}
