import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// The Applications page: the header (with the count and the rescan button once the inventory is
// listed, and always the search field and the Name/Size control), then the content of the moment
// (scanning, the list of applications, or an empty state), above the result bar of the last uninstall
// (Undo, or Open Trash after an administrator uninstall). A row's click opens the uninstall sheet; a
// failed uninstall shows the "Couldn't uninstall" alert; an uninstall without a failure plays the
// celebration. It lists the inventory when it appears with none, and drops the applications deleted
// meanwhile whenever the application becomes active again. It draws the Applications model and calls
// its operations; its only state of its own is whether the celebration shows.
Item {
    id: screen

    required property ApplicationsViewModel model
    // Where "becomes active" comes from; null prunes nothing.
    property AppActivity activity: null

    readonly property color tint: ModuleTint.resolved
    readonly property bool loaded: model.loaded
    // "loading", "list" or "empty".
    readonly property string contentState: !loaded ? "loading"
                                           : model.filteredApps.count > 0 ? "list" : "empty"
    // "undo", "openTrash" or "none"; the undo offer wins.
    readonly property string resultBarKind: model.hasLastReport ? "undo"
                                            : model.lastAdminUninstallName !== "" ? "openTrash" : "none"
    readonly property string emptyTitle: model.query === "" ? "No applications found"
                                         : "No apps match \u201c" + model.query + "\u201d"
    // True while the success celebration shows; it clears itself after 1.5 s.
    property alias showCelebration: celebration.active

    readonly property alias header: header
    readonly property alias content: contentLoader
    readonly property alias resultBar: barLoader
    readonly property alias failureAlert: failureAlert
    readonly property alias sheet: sheet
    readonly property alias celebration: celebration

    // Plays the celebration for a completion that came without a failure. The model counts a
    // completion before it words that completion's failure, so this reads the failure a turn later.
    function celebrateUnlessFailed() {
        if (screen.model.uninstallFailure === "")
            celebration.active = true
    }

    // What the page does each time it comes into view: it shows its list from the top, as a page made
    // anew, and lists the inventory when there is none.
    function appear() {
        const shown = contentLoader.item
        if (shown !== null && shown.objectName === "appList")
            shown.positionViewAtBeginning()
        if (model.appCount === 0)
            model.load()
    }
    // The page goes out of view (another module is shown) with a sheet up: the sheet goes too, and its
    // state with it. With a confirmation up the model is left alone: that dialog closes with the page
    // and opens again, over the sheet, when the page comes back. A celebration under way ends.
    function disappear() {
        if (model.hasSelectedApp && !model.showConfirm && !model.showAdminConfirm)
            model.dismissUninstaller()
        celebration.active = false
    }

    Component.onCompleted: appear()

    Connections {
        target: screen.activity
        enabled: screen.visible
        function onBecameActive() {
            screen.model.pruneUninstalledApps()
        }
    }
    Connections {
        target: screen.model
        enabled: screen.visible
        function onUninstallCompletionsChanged() {
            Qt.callLater(screen.celebrateUnlessFailed)
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
            title: "Applications"
            subtitle: "Uninstall apps completely, along with their leftover files."
            icon: "square.grid.2x2"
            trailing: screen.loaded ? headerTrailing : null
            accessory: Component {
                RowLayout {
                    spacing: 10
                    SearchField {
                        objectName: "searchField"
                        Layout.preferredWidth: 260
                        text: screen.model.query
                        onEdited: text => screen.model.query = text
                    }
                    SortPicker {
                        objectName: "sortPicker"
                        bySize: screen.model.sortBySize
                        onPicked: bySize => screen.model.sortBySize = bySize
                    }
                    Item { Layout.fillWidth: true }
                }
            }
        }
        Loader {
            id: contentLoader
            objectName: "content"
            Layout.fillWidth: true
            Layout.fillHeight: true
            sourceComponent: {
                switch (screen.contentState) {
                case "loading": return loadingState
                case "list": return listState
                }
                return emptyState
            }
        }
    }

    // The result bar along the bottom; the content ends above it.
    Loader {
        id: barLoader
        objectName: "resultBar"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: item !== null ? item.implicitHeight : 0
        sourceComponent: {
            switch (screen.resultBarKind) {
            case "undo": return undoBar
            case "openTrash": return openTrashBar
            }
            return null
        }
    }

    Celebration {
        id: celebration
        anchors.fill: parent
        tint: screen.tint
    }

    UninstallSheet {
        id: sheet
        anchors.fill: parent
        model: screen.model
        shown: screen.model.hasSelectedApp && screen.visible
        pageShown: screen.visible
    }

    // The page's one alert. Every way out (each button, Escape) clears the failure as a whole.
    AlertPopup {
        id: failureAlert
        objectName: "failureAlert"
        // Closed while the page is out of view, and open again when it returns.
        readonly property bool presented: screen.visible && screen.model.uninstallFailure !== ""
        title: "Couldn't uninstall"
        message: screen.model.uninstallFailure

        onPresentedChanged: presented ? open() : close()
        Component.onCompleted: if (presented) open()
        onClosed: {
            if (screen.visible)
                screen.model.dismissFailure()
        }

        AlertButton {
            objectName: "revealButton"
            visible: screen.model.pendingRevealPath !== ""
            text: "Show in File Manager"
            onClicked: {
                screen.model.revealPendingItem()
                failureAlert.close()
            }
        }
        AlertButton {
            objectName: "okButton"
            text: "OK"
            onClicked: failureAlert.close()
        }
    }

    // ---- header ----

    Component {
        id: headerTrailing
        RowLayout {
            spacing: 10
            Text {
                objectName: "appCount"
                Layout.alignment: Qt.AlignVCenter
                text: DisplayText.countedNoun(screen.model.uninstallableCount, "app")
                textFormat: Text.PlainText
                font: Typo.callout
                color: Design.Palette.textSecondary
            }
            T.AbstractButton {
                id: rescan
                FocusRing {}
                objectName: "rescanButton"
                Layout.alignment: Qt.AlignVCenter
                hoverEnabled: true
                enabled: !screen.model.refreshing
                padding: 4
                implicitWidth: 24
                implicitHeight: 24
                opacity: down ? 0.7 : 1
                Accessible.name: "Rescan"
                contentItem: Item {
                    SymbolImage {
                        objectName: "rescanSymbol"
                        anchors.centerIn: parent
                        visible: !screen.model.refreshing
                        name: "arrow.clockwise"
                        size: Typo.pixelSize(Typo.body) * 1.2
                        color: Design.Palette.textSecondary
                    }
                    ProgressSpinner {
                        objectName: "rescanSpinner"
                        anchors.centerIn: parent
                        visible: screen.model.refreshing
                        size: 14
                    }
                }
                onClicked: screen.model.refresh()

                HelpTip {
                    text: "Rescan installed applications"
                    visible: rescan.hovered
                }
            }
        }
    }

    // ---- content states ----

    Component {
        id: loadingState
        Item {
            objectName: "loadingState"
            ColumnLayout {
                anchors.centerIn: parent
                spacing: 12
                ProgressSpinner {
                    Layout.alignment: Qt.AlignHCenter
                    size: 24
                }
                Text {
                    Layout.alignment: Qt.AlignHCenter
                    text: "Scanning your applications\u2026"
                    textFormat: Text.PlainText
                    font: Typo.body
                    color: Design.Palette.textSecondary
                }
            }
        }
    }

    Component {
        id: listState
        ListView {
            id: list
            objectName: "appList"
            clip: true
            leftMargin: 24
            rightMargin: 24
            bottomMargin: 12
            boundsBehavior: Flickable.StopAtBounds
            model: screen.model.filteredApps

            T.ScrollBar.vertical: T.ScrollBar {
                id: listScrollBar
                policy: T.ScrollBar.AsNeeded
                padding: 2
                minimumSize: 0.08
                implicitWidth: 10
                contentItem: Rectangle {
                    implicitWidth: 6
                    radius: width / 2
                    color: Qt.rgba(1, 1, 1, 0.32)
                    opacity: listScrollBar.size < 1 && (listScrollBar.active || listScrollBar.hovered) ? 1 : 0
                    Behavior on opacity {
                        NumberAnimation { duration: 200 }
                    }
                }
            }

            delegate: Item {
                id: entry
                required property string appId
                required property string name
                required property string bundleID
                required property string version
                required property double sizeBytes
                required property string iconId

                objectName: "app:" + name
                width: ListView.view.width - 48
                implicitHeight: appRow.implicitHeight + 1
                readonly property alias row: appRow

                AppRow {
                    id: appRow
                    width: parent.width
                    name: entry.name
                    bundleID: entry.bundleID
                    version: entry.version
                    sizeBytes: entry.sizeBytes
                    iconId: entry.iconId
                    onUninstallRequested: screen.model.openUninstaller(entry.appId)
                }
                Rectangle {
                    x: 60
                    y: appRow.height
                    width: parent.width - 60
                    height: 1
                    color: Design.Palette.hairline
                }
            }
        }
    }

    Component {
        id: emptyState
        Item {
            objectName: "emptyState"
            EmptyStateView {
                objectName: "emptyStateView"
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                anchors.leftMargin: 24
                anchors.rightMargin: 24
                icon: "magnifyingglass"
                title: screen.emptyTitle
            }
        }
    }

    // ---- result bars ----

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
                objectName: "resultText"
                Layout.alignment: Qt.AlignVCenter
                Layout.fillWidth: true
                text: "Uninstalled " + screen.model.uninstalledSummary + " \u2014 freed " + screen.model.formattedFreed
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
                enabled: screen.model.canUndo
                onClicked: screen.model.undoLast()
            }
        }
    }

    Component {
        id: openTrashBar
        ActionBarFrame {
            objectName: "openTrashBar"
            spacing: 10
            SymbolImage {
                Layout.alignment: Qt.AlignVCenter
                name: "checkmark.circle.fill"
                size: Typo.pixelSize(Typo.body) * 1.2
                color: Theme.accent
            }
            Text {
                objectName: "resultText"
                Layout.alignment: Qt.AlignVCenter
                Layout.fillWidth: true
                text: "Uninstalled " + screen.model.lastAdminUninstallName + " \u2014 moved to the Trash"
                textFormat: Text.PlainText
                elide: Text.ElideRight
                font: Typo.body
                color: Design.Palette.textPrimary
            }
            QuillmereButtonStyle {
                objectName: "openTrashButton"
                Layout.alignment: Qt.AlignVCenter
                kind: QuillmereButtonStyle.Secondary
                text: "Open Trash"
                symbol: "trash"
                onClicked: screen.model.openTrash()
            }
        }
    }
}
