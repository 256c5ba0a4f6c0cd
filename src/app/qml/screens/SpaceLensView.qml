import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// The Space Lens page: the header; a toolbar with the up button, the breadcrumb of the folder stack
// (scrolling sideways), the size summary and "Choose…"; the Full Disk Access banner while access is
// missing; a divider; and one content state: measuring, "can't be read", "all moved to the Trash",
// empty, or the results (the scan bar while measuring, the 320-wide list beside the bubble map, or
// beside "These folders can't be measured" when nothing could be drawn). Below, the selection bar or
// the undo offer; over it the confirmation, the failure alert and the celebration after each removal.
// It draws the space lens model and calls its operations; its own state is the hovered entry (shared
// by rows and bubbles; leaving one clears it only if it still names that one) and the celebration.
// It loads when it comes on screen (when the model has nothing yet) and refreshes the Full Disk Access
// state whenever the application becomes active again.
Item {
    id: screen

    required property SpaceLensViewModel model
    // Where "becomes active" comes from; null never refreshes the access state.
    property AppActivity activity: null

    // The id of the entry under the pointer, "" for none.
    property string hovered: ""
    readonly property color tint: ModuleTint.resolved
    readonly property color lensAccent: SpaceLensDisplay.lensAccent
    readonly property string contentState: SpaceLensDisplay.contentState(model.entryCount > 0, model.scanning,
                                                                         model.currentUnreadable,
                                                                         model.justEmptiedByRemoval, model.hasScanned)
    readonly property string bottomBarKind: model.effectiveCount > 0 ? "selection" : model.hasLastReport ? "undo" : ""
    readonly property bool canGoUp: model.stackDepth >= 2 && !model.removing
    // True while the success celebration shows; it clears itself after 1.5 s.
    property alias showCelebration: celebration.active

    readonly property alias header: header
    readonly property alias toolbar: toolbar
    readonly property alias upButton: upButton
    readonly property alias breadcrumb: breadcrumb
    readonly property alias crumbs: crumbRepeater
    readonly property alias summary: summary
    readonly property alias chooseButton: chooseButton
    readonly property alias banner: banner
    readonly property alias content: contentLoader
    readonly property alias bottomBar: barLoader
    readonly property alias confirm: confirm
    readonly property alias failureAlert: failureAlert
    readonly property alias celebration: celebration

    // The shared hover: entering sets it, leaving clears it only while it still names the one left.
    function setHovered(entryId) {
        hovered = entryId
    }
    function clearHovered(entryId) {
        if (hovered === entryId)
            hovered = ""
    }

    // What the page does each time it comes into view: it loads when the model has nothing yet.
    function appear() {
        model.loadIfNeeded()
    }
    // The page goes out of view: no entry stays hovered and a celebration under way ends.
    function disappear() {
        hovered = ""
        celebration.active = false
    }

    Component.onCompleted: appear()

    Connections {
        target: screen.activity
        enabled: screen.visible
        function onBecameActive() {
            screen.model.refreshFullDiskAccess()
        }
    }
    Connections {
        target: screen.model
        enabled: screen.visible
        function onRemoveCompletionsChanged() {
            celebration.active = true
        }
    }

    ColumnLayout {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: barLoader.top
        spacing: 0

        PageHeader {
            id: header
            objectName: "pageHeader"
            Layout.fillWidth: true
            title: "Space Lens"
            subtitle: "A live map of what's using your disk. The bigger the bubble, the more space \u2014 click to dive in."
            icon: "circle.hexagongrid.fill"
        }

        // ---- toolbar ----
        RowLayout {
            id: toolbar
            objectName: "toolbar"
            Layout.fillWidth: true
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            Layout.bottomMargin: 12
            spacing: 12

            T.AbstractButton {
                id: upButton
                FocusRing {}
                objectName: "upButton"
                Layout.alignment: Qt.AlignVCenter
                padding: 2
                implicitWidth: implicitContentWidth + leftPadding + rightPadding
                implicitHeight: implicitContentHeight + topPadding + bottomPadding
                enabled: screen.canGoUp
                Accessible.name: "Up"
                contentItem: SymbolImage {
                    name: "chevron.up"
                    size: 12
                    color: screen.canGoUp ? Design.Palette.textPrimary : Design.Palette.textSecondary
                    opacity: screen.canGoUp ? 1 : 0.4
                }
                onClicked: screen.model.back()
            }
            Flickable {
                id: breadcrumb
                objectName: "breadcrumb"
                Layout.fillWidth: true
                Layout.alignment: Qt.AlignVCenter
                Layout.preferredHeight: crumbRow.implicitHeight
                clip: true
                contentWidth: crumbRow.implicitWidth
                contentHeight: crumbRow.implicitHeight
                flickableDirection: Flickable.HorizontalFlick
                boundsBehavior: Flickable.StopAtBounds
                // A deeper folder keeps the current one in view, and so does a narrower breadcrumb (the
                // size summary appearing beside it, a smaller window).
                function pinCurrent() {
                    contentX = Math.max(0, contentWidth - width)
                }
                onContentWidthChanged: pinCurrent()
                onWidthChanged: pinCurrent()

                Row {
                    id: crumbRow
                    spacing: 4

                    Repeater {
                        id: crumbRepeater
                        model: screen.model.crumbLabels

                        Row {
                            id: crumb
                            required property string modelData
                            required property int index
                            readonly property bool isLast: index === crumbRepeater.count - 1
                            readonly property alias button: crumbButton
                            spacing: 4

                            T.AbstractButton {
                                id: crumbButton
                                FocusRing {}
                                objectName: "crumb:" + crumb.index
                                anchors.verticalCenter: parent.verticalCenter
                                padding: 0
                                implicitWidth: implicitContentWidth
                                implicitHeight: implicitContentHeight
                                text: crumb.modelData
                                enabled: !crumb.isLast
                                contentItem: Text {
                                    text: crumbButton.text
                                    textFormat: Text.PlainText
                                    font: Typo.system(12, crumb.isLast ? Font.DemiBold : Font.Normal)
                                    color: crumb.isLast ? Design.Palette.textPrimary : Design.Palette.textSecondary
                                }
                                onClicked: screen.model.jump(crumb.index)
                            }
                            SymbolImage {
                                objectName: "crumbChevron"
                                anchors.verticalCenter: parent.verticalCenter
                                visible: !crumb.isLast
                                name: "chevron.right"
                                size: 9
                                color: Design.Palette.textTertiary
                            }
                        }
                    }
                }
            }
            // The spacer: at least 12 before the summary.
            Item {
                Layout.minimumWidth: 12
                Layout.preferredWidth: 12
            }
            Text {
                id: summary
                objectName: "summary"
                Layout.alignment: Qt.AlignVCenter
                visible: screen.model.entryCount > 0
                text: screen.model.summaryText
                textFormat: Text.PlainText
                font: Typo.caption
                color: Design.Palette.textSecondary
            }
            QuillmereButtonStyle {
                id: chooseButton
                objectName: "chooseButton"
                Layout.alignment: Qt.AlignVCenter
                kind: QuillmereButtonStyle.Secondary
                text: "Choose\u2026"
                enabled: !screen.model.removing
                onClicked: screen.model.choose()
            }
        }

        FullDiskAccessBanner {
            id: banner
            objectName: "fdaBanner"
            Layout.fillWidth: true
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            Layout.bottomMargin: 8
            visible: !screen.model.fullDiskAccessGranted
            message: "Folders your user may not read are skipped, so some files may be missing here."
        }

        Rectangle {
            objectName: "divider"
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: Design.Palette.stroke
        }

        Loader {
            id: contentLoader
            objectName: "content"
            Layout.fillWidth: true
            Layout.fillHeight: true
            sourceComponent: {
                switch (screen.contentState) {
                case "results": return resultsState
                case "unreadable": return unreadableState
                case "emptied": return emptiedState
                case "empty": return emptyState
                }
                return measuringState
            }
        }
    }

    // The bar pinned to the bottom; the content ends above it.
    Loader {
        id: barLoader
        objectName: "bottomBar"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: item !== null ? item.implicitHeight : 0
        sourceComponent: {
            switch (screen.bottomBarKind) {
            case "selection": return selectionBar
            case "undo": return undoBar
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
        message: screen.visible && screen.model.failureNote !== "" ? screen.model.failureNote : null
        onDismissed: screen.model.failureNote = ""
    }

    ConfirmationDialog {
        id: confirm
        shown: screen.model.showConfirm && screen.visible
        title: "Move " + DisplayText.countedNoun(screen.model.effectiveCount, "item") + " to the Trash?"
        message: "Selected items go to the Trash and can be restored. Nothing is permanently deleted."
        destructiveText: "Move " + screen.model.formattedSelected + " to Trash"
        onConfirmed: screen.model.confirmRemove()
        onDismissed: if (screen.visible) screen.model.showConfirm = false
    }

    // ---- content states ----

    // The title line of the content states: system 16 semibold.
    component StateTitle: Text {
        Layout.alignment: Qt.AlignHCenter
        textFormat: Text.PlainText
        horizontalAlignment: Text.AlignHCenter
        font: Typo.system(16, Font.DemiBold)
        color: Design.Palette.textPrimary
    }
    // Their explanation: callout in the secondary colour.
    component StateNote: Text {
        Layout.alignment: Qt.AlignHCenter
        textFormat: Text.PlainText
        horizontalAlignment: Text.AlignHCenter
        font: Typo.callout
        color: Design.Palette.textSecondary
    }

    Component {
        id: measuringState
        Item {
            objectName: "measuringState"
            ColumnLayout {
                anchors.centerIn: parent
                spacing: 10

                ProgressSpinner {
                    Layout.alignment: Qt.AlignHCenter
                }
                StateNote {
                    objectName: "measuringText"
                    text: "Measuring " + screen.model.currentName + "\u2026"
                }
            }
        }
    }

    Component {
        id: unreadableState
        Item {
            objectName: "unreadableState"
            ColumnLayout {
                anchors.centerIn: parent
                spacing: 12

                HeroMedallion {
                    Layout.alignment: Qt.AlignHCenter
                    symbol: "lock.fill"
                    tint: screen.lensAccent
                    size: 132
                }
                StateTitle {
                    text: "This folder can't be read"
                }
                StateNote {
                    text: "Quillmere doesn't have permission to measure its contents."
                }
            }
        }
    }

    Component {
        id: emptiedState
        Item {
            objectName: "emptiedState"
            ColumnLayout {
                anchors.centerIn: parent
                spacing: 12

                SymbolImage {
                    Layout.alignment: Qt.AlignHCenter
                    name: "checkmark.seal.fill"
                    size: 40
                    color: screen.lensAccent
                }
                StateTitle {
                    text: "All items moved to the Trash"
                }
                StateNote {
                    text: "Use Undo below to restore them."
                }
            }
        }
    }

    Component {
        id: emptyState
        Item {
            objectName: "emptyState"
            ColumnLayout {
                anchors.centerIn: parent
                spacing: 12

                HeroMedallion {
                    Layout.alignment: Qt.AlignHCenter
                    symbol: "circle.hexagongrid.fill"
                    tint: screen.lensAccent
                    size: 132
                }
                StateTitle {
                    text: "This folder is empty"
                }
            }
        }
    }

    Component {
        id: resultsState
        ColumnLayout {
            id: results
            objectName: "resultsState"
            spacing: 0

            readonly property alias list: list
            readonly property alias map: map
            readonly property bool showsMap: screen.model.layout.count > 0 || screen.model.scanning

            // ---- scan bar ----
            Rectangle {
                objectName: "scanBar"
                Layout.fillWidth: true
                visible: screen.model.scanning
                implicitHeight: scanRow.implicitHeight + 16
                color: Qt.rgba(0, 0, 0, 0.12)

                RowLayout {
                    id: scanRow
                    anchors.fill: parent
                    anchors.leftMargin: 24
                    anchors.rightMargin: 24
                    anchors.topMargin: 8
                    anchors.bottomMargin: 8
                    spacing: 10

                    ScanProgressBar {
                        objectName: "scanProgress"
                        Layout.fillWidth: true
                        Layout.maximumWidth: 220
                        Layout.preferredHeight: 8
                        Layout.alignment: Qt.AlignVCenter
                        progress: screen.model.progress
                        tint: screen.tint
                    }
                    Text {
                        objectName: "scanText"
                        Layout.alignment: Qt.AlignVCenter
                        text: "Measuring\u2026 " + screen.model.measured + " of " + screen.model.totalToMeasure + " items"
                        textFormat: Text.PlainText
                        font: Typo.caption
                        color: Design.Palette.textSecondary
                    }
                    Item { Layout.fillWidth: true }
                }
            }

            RowLayout {
                Layout.fillWidth: true
                Layout.fillHeight: true
                spacing: 0

                // ---- list pane ----
                Rectangle {
                    objectName: "listPane"
                    Layout.preferredWidth: 320
                    Layout.fillHeight: true
                    color: Qt.rgba(0, 0, 0, 0.12)

                    ListView {
                        id: list
                        objectName: "entryList"
                        anchors.fill: parent
                        clip: true
                        topMargin: 6
                        bottomMargin: 6
                        boundsBehavior: Flickable.StopAtBounds
                        model: screen.model.entries

                        // Every pass shows its folder from the top, largest entry first: the rows arrive
                        // and are re-sorted during the pass, and a view left alone would keep its place
                        // on a row that moved down. The list holds its top through the pass unless the
                        // user scrolls it meanwhile.
                        property bool holdsTop: true
                        function keepTop() {
                            if (!holdsTop)
                                return
                            positionViewAtBeginning()
                            // The first row at the top, under the list's top margin.
                            contentY = originY - topMargin
                        }
                        onMovementStarted: holdsTop = false
                        Component.onCompleted: keepTop()
                        Connections {
                            target: screen.model
                            function onGenerationChanged() {
                                list.holdsTop = true
                                list.keepTop()
                            }
                            function onEntriesChanged() {
                                Qt.callLater(list.keepTop)
                            }
                            function onScanningChanged() {
                                Qt.callLater(list.keepTop)
                            }
                        }

                        T.ScrollBar.vertical: PageScrollBar {
                            onPressedChanged: {
                                if (pressed)
                                    list.holdsTop = false
                            }
                        }

                        delegate: SpaceListRow {
                            required property string entryId
                            required name
                            required sizeText
                            required fraction
                            required isDirectory
                            required unreadable
                            required property int colorIndex
                            required property bool removable
                            required property bool selected
                            objectName: "row:" + entryId
                            width: ListView.view.width
                            color: SpaceLensDisplay.entryColor(colorIndex)
                            isHovered: screen.hovered === entryId
                            isRemovable: removable
                            isSelected: selected
                            onOpened: screen.model.open(entryId)
                            onToggleSelectRequested: screen.model.toggleSelect(entryId)
                            onHoverReported: inside => inside ? screen.setHovered(entryId) : screen.clearHovered(entryId)
                        }
                    }
                }
                Rectangle {
                    objectName: "paneDivider"
                    Layout.preferredWidth: 1
                    Layout.fillHeight: true
                    color: Design.Palette.stroke
                }

                // ---- map area ----
                Item {
                    Layout.fillWidth: true
                    Layout.fillHeight: true

                    BubbleMap {
                        id: map
                        objectName: "bubbleMap"
                        anchors.fill: parent
                        visible: results.showsMap
                        model: screen.model.layout
                        hovered: screen.hovered
                        onHoverEntered: id => screen.setHovered(id)
                        onHoverLeft: id => screen.clearHovered(id)
                        onOpened: id => screen.model.open(id)
                        onToggleSelectRequested: id => screen.model.toggleSelect(id)
                        onRevealRequested: id => screen.model.reveal(id)
                    }
                    ColumnLayout {
                        objectName: "unmeasurable"
                        anchors.centerIn: parent
                        visible: !results.showsMap
                        spacing: 12

                        HeroMedallion {
                            Layout.alignment: Qt.AlignHCenter
                            symbol: "lock.fill"
                            tint: screen.lensAccent
                            size: 132
                        }
                        Text {
                            Layout.alignment: Qt.AlignHCenter
                            text: "These folders can't be measured"
                            textFormat: Text.PlainText
                            font: Typo.cardTitleLarge
                            color: Design.Palette.textPrimary
                        }
                        Text {
                            Layout.alignment: Qt.AlignHCenter
                            Layout.maximumWidth: 300
                            text: "Quillmere may not read them. Check their permissions to see what's using space here."
                            textFormat: Text.PlainText
                            wrapMode: Text.Wrap
                            horizontalAlignment: Text.AlignHCenter
                            font: Typo.callout
                            color: Design.Palette.textSecondary
                        }
                    }
                }
            }
        }
    }

    // ---- bottom bars ----

    Component {
        id: selectionBar
        CleanActionBar {
            objectName: "selectionBar"
            title: screen.model.formattedSelected
            subtitle: screen.model.effectiveCount + " selected across this scan"

            RowLayout {
                spacing: 8
                QuillmereButtonStyle {
                    objectName: "clearButton"
                    kind: QuillmereButtonStyle.Secondary
                    text: "Clear"
                    enabled: !screen.model.removing
                    onClicked: screen.model.clearSelection()
                }
                QuillmereButtonStyle {
                    objectName: "reviewButton"
                    kind: QuillmereButtonStyle.Primary
                    text: "Review & Remove"
                    symbol: "trash"
                    enabled: !screen.model.removing
                    onClicked: {
                        if (screen.model.effectiveCount > 0)
                            screen.model.showConfirm = true
                    }
                }
            }
        }
    }

    Component {
        id: undoBar
        CleanActionBar {
            objectName: "undoBar"
            title: "Freed " + screen.model.formattedFreed
            subtitle: DisplayText.countedNoun(screen.model.trashedCount, "item") + " in Trash"

            QuillmereButtonStyle {
                objectName: "undoButton"
                kind: QuillmereButtonStyle.Secondary
                text: "Undo"
                symbol: "arrow.uturn.backward"
                onClicked: screen.model.undoLast()
            }
        }
    }
}
