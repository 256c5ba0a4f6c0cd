import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// The Cloud Cleanup page: the page header (with "Re-scan" while results show and nothing is being
// freed) over the content of the phase (checking, unavailable, scanning, an empty drive or the list of
// items), the bottom bar of the moment (freeing, the selection or the freed figure), the confirmation
// before freeing, the shared failure alert and the celebration after a freeing that freed something.
// It draws the Cloud Cleanup model and calls its operations; its only state of its own is whether the
// celebration shows. It calls `start()` when it appears.
Item {
    id: screen

    required property CloudCleanupViewModel model

    readonly property color tint: ModuleTint.resolved
    // The page's own light blue for its medallions, whatever the module tint.
    readonly property color cloudBlue: Qt.rgba(92 / 255, 184 / 255, 242 / 255, 1)
    // The phase, with results split into "empty" and "results".
    readonly property string contentState: model.phaseName !== "results" ? model.phaseName
                                           : model.items.length === 0 ? "empty" : "results"
    readonly property string bottomBarKind: model.bottomBar
    // True while the celebration shows; it clears itself after 1.5 s.
    property alias showCelebration: celebration.active

    readonly property alias header: header
    readonly property alias content: contentLoader
    readonly property alias bottomBar: barLoader
    readonly property alias freeConfirm: freeConfirm
    readonly property alias failureAlert: failureAlert
    readonly property alias celebration: celebration

    // What the page does each time it comes into view: it shows its list from the top, as a page made
    // anew, and calls `start()`.
    function appear() {
        const shown = contentLoader.item
        if (shown !== null && shown.objectName === "resultsState")
            shown.contentY = 0
        model.start()
    }
    // The page goes out of view: a celebration under way ends with it.
    function disappear() {
        celebration.active = false
    }

    Component.onCompleted: appear()

    Connections {
        target: screen.model
        enabled: screen.visible
        function onFreeCompletionsChanged() {
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
            title: "Cloud Cleanup"
            subtitle: "Reclaim disk space by removing local copies of downloaded cloud drive files. They stay in the cloud and re-download on demand."
            icon: "icloud"
            trailing: screen.model.canRescan ? rescanButton : null
        }
        Loader {
            id: contentLoader
            objectName: "content"
            Layout.fillWidth: true
            Layout.fillHeight: true
            sourceComponent: {
                switch (screen.contentState) {
                case "checking": return checkingState
                case "unavailable": return unavailableState
                case "scanning": return scanningState
                case "empty": return emptyState
                }
                return resultsState
            }
        }
    }

    Loader {
        id: barLoader
        objectName: "bottomBar"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: item !== null ? item.implicitHeight : 0
        sourceComponent: {
            switch (screen.bottomBarKind) {
            case "freeing": return freeingBar
            case "selection": return selectionBar
            case "freed": return freedBar
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
        id: freeConfirm
        shown: screen.model.showConfirm && screen.visible
        title: screen.model.confirmTitle
        message: "The local copies are removed to reclaim disk space. The files stay in the cloud and download again when you open them \u2014 nothing is deleted from the cloud."
        destructiveText: screen.model.confirmButtonText
        onConfirmed: screen.model.confirmFree()
        onDismissed: if (screen.visible) screen.model.showConfirm = false
    }

    Component {
        id: rescanButton
        QuillmereButtonStyle {
            objectName: "rescanButton"
            kind: QuillmereButtonStyle.Secondary
            text: "Re-scan"
            symbol: "arrow.clockwise"
            onClicked: screen.model.scan()
        }
    }

    // ---- content states ----

    Component {
        id: checkingState
        Item {
            objectName: "checkingState"
            ProgressSpinner {
                anchors.centerIn: parent
            }
        }
    }

    Component {
        id: unavailableState
        Item {
            objectName: "unavailableState"
            ColumnLayout {
                anchors.centerIn: parent
                width: Math.min(420, parent.width - 48)
                spacing: 14
                HeroMedallion {
                    objectName: "unavailableMedallion"
                    Layout.alignment: Qt.AlignHCenter
                    symbol: "icloud.slash"
                    tint: screen.cloudBlue
                    size: 132
                }
                Text {
                    objectName: "unavailableTitle"
                    Layout.fillWidth: true
                    horizontalAlignment: Text.AlignHCenter
                    text: "No cloud drive is set up"
                    textFormat: Text.PlainText
                    font: Typo.system(18, Font.DemiBold)
                    color: Design.Palette.textPrimary
                }
                Text {
                    objectName: "unavailableMessage"
                    Layout.fillWidth: true
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                    text: "This computer has no cloud drive that keeps online-only files. When one is set up, you can manage its local storage here."
                    textFormat: Text.PlainText
                    font: Typo.body
                    color: Design.Palette.textSecondary
                }
            }
        }
    }

    Component {
        id: scanningState
        Item {
            objectName: "scanningState"
            ColumnLayout {
                anchors.centerIn: parent
                width: Math.min(240, parent.width - 48)
                spacing: 12
                ScanProgressBar {
                    objectName: "scanProgress"
                    Layout.fillWidth: true
                    Layout.preferredHeight: 8
                    progress: screen.model.progress
                    tint: screen.tint
                }
                Text {
                    objectName: "progressText"
                    Layout.alignment: Qt.AlignHCenter
                    text: screen.model.progressText
                    textFormat: Text.PlainText
                    font: Typo.callout
                    color: Design.Palette.textSecondary
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
                spacing: 10
                HeroMedallion {
                    Layout.alignment: Qt.AlignHCenter
                    symbol: "icloud"
                    tint: screen.cloudBlue
                    size: 132
                }
                Text {
                    objectName: "emptyTitle"
                    Layout.alignment: Qt.AlignHCenter
                    text: "Your cloud drive is empty here"
                    textFormat: Text.PlainText
                    font: Typo.cardTitleLarge
                    color: Design.Palette.textPrimary
                }
            }
        }
    }

    Component {
        id: resultsState
        Flickable {
            id: scroll
            objectName: "resultsState"
            clip: true
            contentWidth: width
            contentHeight: list.implicitHeight + 48
            boundsBehavior: Flickable.StopAtBounds

            readonly property alias rows: rowRepeater

            T.ScrollBar.vertical: T.ScrollBar {
                id: scrollBar
                policy: T.ScrollBar.AlwaysOn
                padding: 2
                minimumSize: 0.08
                implicitWidth: 10
                contentItem: Rectangle {
                    implicitWidth: 6
                    radius: width / 2
                    color: Qt.rgba(1, 1, 1, 0.32)
                    opacity: scrollBar.size < 1 ? 1 : 0
                }
            }

            ColumnLayout {
                id: list
                x: 24
                y: 24
                width: scroll.width - 48
                spacing: 12

                ScanIncompleteNote {
                    objectName: "incompleteNote"
                    visible: screen.model.scanPartial
                    Layout.fillWidth: true
                    message: "Some folders couldn't be fully read, so a few sizes below may be understated. Check those folders' permissions for exact figures."
                }
                RowLayout {
                    Layout.fillWidth: true
                    spacing: 8
                    SymbolImage {
                        name: "internaldrive"
                        size: Typo.pixelSize(Typo.callout)
                        color: Design.Palette.textSecondary
                    }
                    Text {
                        objectName: "summaryText"
                        Layout.fillWidth: true
                        text: screen.model.summaryText
                        textFormat: Text.PlainText
                        elide: Text.ElideRight
                        font: Typo.bodyMedium
                        color: Design.Palette.textPrimary
                    }
                }
                GlassCard {
                    objectName: "itemsCard"
                    Layout.fillWidth: true
                    cornerRadius: 12

                    contentItem: Column {
                        width: parent.width
                        Repeater {
                            id: rowRepeater
                            model: screen.model.items

                            Column {
                                id: entry
                                required property var modelData
                                required property int index
                                width: parent.width

                                CloudRow {
                                    objectName: "cloudRow"
                                    width: parent.width
                                    item: entry.modelData
                                    isSelected: screen.model.selectedIds.indexOf(entry.modelData.id) >= 0
                                    tint: screen.tint
                                    onToggled: screen.model.toggle(entry.modelData.id)
                                }
                                Rectangle {
                                    visible: entry.index < rowRepeater.count - 1
                                    x: 44
                                    width: parent.width - 44
                                    height: 1
                                    color: Design.Palette.hairline
                                }
                                AppearLift {
                                    index: Math.min(Math.max(entry.index, 0), 10)
                                }
                            }
                        }
                    }
                }
            }
        }
    }

    // ---- bottom bars ----

    Component {
        id: freeingBar
        CleanActionBar {
            objectName: "freeingBar"
            title: screen.model.barTitle
            subtitle: screen.model.barSubtitle
            ProgressSpinner {}
        }
    }

    Component {
        id: selectionBar
        CleanActionBar {
            objectName: "selectionBar"
            title: screen.model.barTitle
            subtitle: screen.model.barSubtitle
            RowLayout {
                spacing: 8
                QuillmereButtonStyle {
                    objectName: "clearButton"
                    kind: QuillmereButtonStyle.Secondary
                    text: "Clear"
                    onClicked: screen.model.clearSelection()
                }
                QuillmereButtonStyle {
                    objectName: "freeButton"
                    kind: QuillmereButtonStyle.Primary
                    text: "Free locally"
                    symbol: "icloud.and.arrow.up"
                    onClicked: screen.model.requestFree()
                }
            }
        }
    }

    Component {
        id: freedBar
        CleanActionBar {
            objectName: "freedBar"
            title: screen.model.barTitle
            subtitle: screen.model.barSubtitle
            QuillmereButtonStyle {
                objectName: "doneButton"
                kind: QuillmereButtonStyle.Secondary
                text: "Done"
                onClicked: screen.model.dismissFreed()
            }
        }
    }
}
