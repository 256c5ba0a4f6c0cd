import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// The Duplicates tool of the Files page: the folder bar, the Full Disk Access banner while access is
// missing, the one-line explanation with Scan, the content of the phase (welcome, the search's
// progress, the groups of identical files, all moved, none found) and the bottom bar of the moment (the
// selection, else the freed figure with Undo, else none), with the clean confirmation and the shared
// failure alert. It draws the Duplicates model and calls its operations; it keeps no state of its own.
// It asks the model to check Full Disk Access again whenever the application becomes active.
Item {
    id: screen

    required property DuplicatesViewModel model
    // Where "becomes active" comes from; null checks access only when the model does.
    property AppActivity activity: null

    // The tool's own colour for its medallion and scanning rings.
    readonly property color toolColor: Qt.rgba(62 / 255, 201 / 255, 186 / 255, 1)
    // The phase, with results split into "results", "cleanedAll" and "empty".
    readonly property string contentState: model.phaseName !== "results" ? model.phaseName
                                           : model.groupCount > 0 ? "results"
                                           : model.hasUndo ? "cleanedAll" : "empty"
    readonly property string bottomBarKind: model.selectedCount > 0 ? "selection"
                                            : model.hasUndo ? "freed" : ""
    readonly property string confirmTitle: "Move " + model.selectedCount + " duplicate"
                                           + (model.selectedCount === 1 ? "" : "s") + " to the Trash?"
    readonly property string summaryText: model.groupCount + " duplicate set" + (model.groupCount === 1 ? "" : "s")
                                          + " \u00b7 " + DisplayText.byteCount(model.totalWasted) + " reclaimable"

    readonly property alias folderBar: folderBar
    readonly property alias banner: banner
    readonly property alias scanButton: scanButton
    readonly property alias content: contentLoader
    readonly property alias bottomBar: barLoader
    readonly property alias cleanConfirm: cleanConfirm
    readonly property alias failureAlert: failureAlert

    Connections {
        target: screen.activity
        enabled: screen.visible
        function onBecameActive() {
            screen.model.refreshFullDiskAccess()
        }
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.leftMargin: 24
        anchors.rightMargin: 24
        anchors.topMargin: 24
        anchors.bottomMargin: 24 + barLoader.height
        spacing: 14

        FolderBar {
            id: folderBar
            objectName: "folderBar"
            Layout.fillWidth: true
            path: screen.model.rootPath
            onChooseRequested: screen.model.chooseFolder()
        }
        FullDiskAccessBanner {
            id: banner
            objectName: "fullDiskAccessBanner"
            Layout.fillWidth: true
            visible: !screen.model.fullDiskAccessGranted
            message: "Folders your user may not read are skipped, so some files may be missing here."
        }
        RowLayout {
            Layout.fillWidth: true
            Text {
                objectName: "explanation"
                Layout.fillWidth: true
                text: "Finds byte-identical files 1 MB and larger."
                textFormat: Text.PlainText
                elide: Text.ElideRight
                font: Typo.callout
                color: Design.Palette.textSecondary
            }
            QuillmereButtonStyle {
                id: scanButton
                objectName: "scanButton"
                kind: QuillmereButtonStyle.Primary
                text: "Scan"
                symbol: "magnifyingglass"
                // A clean and an undo never overlap a search.
                enabled: screen.model.phaseName !== "scanning" && !screen.model.cleaning
                         && !screen.model.restoring
                onClicked: screen.model.scan()
            }
        }
        Loader {
            id: contentLoader
            objectName: "content"
            Layout.fillWidth: true
            Layout.fillHeight: true
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
            case "freed": return freedBar
            }
            return null
        }
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
        message: "Selected copies go to the Trash and can be restored."
        destructiveText: "Move " + screen.model.formattedSelected + " to Trash"
        onConfirmed: screen.model.confirmClean()
        onDismissed: if (screen.visible) screen.model.showConfirm = false
    }

    // ---- content states ----

    Component {
        id: idleState
        Item {
            objectName: "idleState"
            ColumnLayout {
                anchors.centerIn: parent
                width: Math.min(440, parent.width)
                spacing: 14
                HeroMedallion {
                    objectName: "idleMedallion"
                    Layout.alignment: Qt.AlignHCenter
                    symbol: "doc.on.doc"
                    tint: screen.toolColor
                    size: 132
                }
                Text {
                    objectName: "idleTitle"
                    Layout.fillWidth: true
                    horizontalAlignment: Text.AlignHCenter
                    text: "Find duplicate files"
                    textFormat: Text.PlainText
                    font: Typo.system(18, Font.DemiBold)
                    color: Design.Palette.textPrimary
                }
                Text {
                    objectName: "idleMessage"
                    Layout.fillWidth: true
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                    text: "Choose a folder and scan for byte-identical copies."
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
                spacing: 16
                ScanningIndicator {
                    objectName: "scanningIndicator"
                    Layout.alignment: Qt.AlignHCenter
                    symbol: "doc.on.doc"
                    title: "Finding duplicate files"
                    subtitle: screen.model.progressLabel
                    tint: screen.toolColor
                }
                QuillmereButtonStyle {
                    objectName: "cancelButton"
                    Layout.alignment: Qt.AlignHCenter
                    kind: QuillmereButtonStyle.Secondary
                    text: "Cancel"
                    onClicked: screen.model.cancel()
                }
            }
        }
    }

    Component {
        id: cleanedAllState
        Item {
            objectName: "cleanedAllState"
            EmptyStateView {
                objectName: "cleanedAllView"
                anchors.verticalCenter: parent.verticalCenter
                width: parent.width
                icon: "checkmark.circle.fill"
                title: "All duplicates moved to the Trash"
                tint: Design.Palette.success
            }
        }
    }

    Component {
        id: emptyState
        Item {
            objectName: "emptyState"
            ColumnLayout {
                anchors.centerIn: parent
                width: parent.width
                spacing: 8
                Text {
                    objectName: "emptyText"
                    Layout.fillWidth: true
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                    text: screen.model.scanIncomplete ? "No duplicates found in the folders Quillmere could read."
                                                      : "No duplicates found."
                    textFormat: Text.PlainText
                    font: Typo.body
                    color: Design.Palette.textSecondary
                }
                ScanIncompleteNote {
                    objectName: "incompleteNote"
                    Layout.fillWidth: true
                    Layout.leftMargin: 40
                    Layout.rightMargin: 40
                    visible: screen.model.scanIncomplete
                    message: "Some folders couldn't be read, or the scan hit its size limit \u2014 a duplicate whose copies live there wouldn't be found. Check those folders' permissions or scan a narrower folder."
                }
            }
        }
    }

    Component {
        id: resultsState
        // Cards are made only as they scroll into view.
        ListView {
            id: groupList
            objectName: "resultsState"
            clip: true
            spacing: 12
            boundsBehavior: Flickable.StopAtBounds
            model: screen.model.groups

            T.ScrollBar.vertical: PageScrollBar {}

            header: Column {
                width: ListView.view.width
                spacing: 12
                bottomPadding: 12
                ScanIncompleteNote {
                    objectName: "incompleteNote"
                    width: parent.width
                    visible: screen.model.scanIncomplete
                    message: "Some folders couldn't be read, or there were more matches than Quillmere shows \u2014 this list may be incomplete."
                }
                Text {
                    objectName: "summaryText"
                    width: parent.width
                    text: screen.summaryText
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    font: Typo.bodyMedium
                    color: Design.Palette.textPrimary
                }
            }
            // The card's required properties take the row's roles of the same names.
            delegate: DuplicateGroupCard {
                objectName: "groupCard"
                width: ListView.view.width
                onToggled: fileId => screen.model.toggle(fileId)
            }
        }
    }

    // ---- bottom bars ----

    Component {
        id: selectionBar
        CleanActionBar {
            objectName: "selectionBar"
            title: screen.model.formattedSelected
            subtitle: screen.model.selectedCount + " duplicate" + (screen.model.selectedCount === 1 ? "" : "s") + " selected"
            QuillmereButtonStyle {
                objectName: "moveButton"
                kind: QuillmereButtonStyle.Primary
                text: "Move to Trash"
                symbol: "trash"
                enabled: !screen.model.cleaning && !screen.model.restoring
                onClicked: {
                    if (screen.model.selectedCount > 0)
                        screen.model.showConfirm = true
                }
            }
        }
    }

    Component {
        id: freedBar
        CleanActionBar {
            objectName: "freedBar"
            title: "Freed " + screen.model.formattedFreed
            subtitle: screen.model.trashedCount + " file" + (screen.model.trashedCount === 1 ? "" : "s") + " in Trash"
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
