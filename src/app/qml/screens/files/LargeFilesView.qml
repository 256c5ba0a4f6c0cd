import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// The Large & Old tool of the Files page: the folder bar, the Full Disk Access banner while access is
// missing, the size and age controls with Scan, the content of the phase (welcome, the live count, the
// list of files, all moved, nothing matched) and the bottom bar of the moment (the selection, else the
// freed figure with Undo, else none), with the clean confirmation and the shared failure alert. It draws
// the Large & Old model and calls its operations; it keeps no state of its own. It asks the model to
// check Full Disk Access again whenever the application becomes active.
Item {
    id: screen

    required property LargeFilesViewModel model
    // Where "becomes active" comes from; null checks access only when the model does.
    property AppActivity activity: null

    // The tool's own colour for its medallion and scanning rings.
    readonly property color toolColor: Qt.rgba(62 / 255, 201 / 255, 186 / 255, 1)
    // The phase, with results split into "results", "cleanedAll" and "empty".
    readonly property string contentState: model.phaseName !== "results" ? model.phaseName
                                           : model.fileCount > 0 ? "results"
                                           : model.hasUndo ? "cleanedAll" : "empty"
    readonly property string bottomBarKind: model.selectedCount > 0 ? "selection"
                                            : model.hasUndo ? "freed" : ""
    readonly property string confirmTitle: "Move " + model.selectedCount + " file"
                                           + (model.selectedCount === 1 ? "" : "s") + " to the Trash?"

    readonly property alias folderBar: folderBar
    readonly property alias banner: banner
    readonly property alias scanButton: scanButton
    readonly property alias minSizeSlider: minSizeSlider
    readonly property alias minSizeText: minSizeText
    readonly property alias agePicker: agePicker
    readonly property alias content: contentLoader
    readonly property alias bottomBar: barLoader
    readonly property alias cleanConfirm: cleanConfirm
    readonly property alias failureAlert: failureAlert

    // The scanning subtitle: `count` in the default locale's grouping, then " files checked".
    function checkedText(count) {
        return Number(count).toLocaleString(Qt.locale(), "f", 0) + " files checked"
    }

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
            spacing: 16

            RowLayout {
                spacing: 8
                Text {
                    objectName: "minSizeLabel"
                    text: "Min size"
                    textFormat: Text.PlainText
                    font: Typo.callout
                    color: Design.Palette.textSecondary
                }
                T.Slider {
                    id: minSizeSlider
                    FocusRing {}
                    objectName: "minSizeSlider"
                    Layout.preferredWidth: 140
                    implicitHeight: 20
                    from: 10
                    to: 2000
                    stepSize: 10
                    snapMode: T.Slider.SnapAlways
                    value: screen.model.minMB
                    onMoved: screen.model.minMB = value

                    background: Rectangle {
                        x: minSizeSlider.leftPadding
                        y: minSizeSlider.topPadding + (minSizeSlider.availableHeight - height) / 2
                        width: minSizeSlider.availableWidth
                        height: 4
                        radius: 2
                        color: Qt.rgba(1, 1, 1, 0.16)
                        Rectangle {
                            width: minSizeSlider.visualPosition * parent.width
                            height: parent.height
                            radius: 2
                            color: Theme.accent
                        }
                    }
                    handle: Rectangle {
                        x: minSizeSlider.leftPadding + minSizeSlider.visualPosition * (minSizeSlider.availableWidth - width)
                        y: minSizeSlider.topPadding + (minSizeSlider.availableHeight - height) / 2
                        width: 16
                        height: 16
                        radius: 8
                        color: "white"
                    }
                }
                Text {
                    id: minSizeText
                    objectName: "minSizeText"
                    Layout.preferredWidth: 70
                    text: "\u2265 " + Math.trunc(screen.model.minMB) + " MB"
                    textFormat: Text.PlainText
                    horizontalAlignment: Text.AlignLeft
                    font: Typo.system(12, Font.Normal)
                    color: Design.Palette.textPrimary
                }
            }
            AgePicker {
                id: agePicker
                months: screen.model.olderThanMonths
                onPicked: months => screen.model.olderThanMonths = months
            }
            Item {
                Layout.fillWidth: true
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
        message: "Files go to the Trash and can be restored."
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
                    symbol: "doc.text.magnifyingglass"
                    tint: screen.toolColor
                    size: 132
                }
                Text {
                    objectName: "idleTitle"
                    Layout.fillWidth: true
                    horizontalAlignment: Text.AlignHCenter
                    text: "Find your biggest files"
                    textFormat: Text.PlainText
                    font: Typo.system(18, Font.DemiBold)
                    color: Design.Palette.textPrimary
                }
                Text {
                    objectName: "idleMessage"
                    Layout.fillWidth: true
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                    text: "Choose a folder, set a minimum size, then scan."
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
                    symbol: "magnifyingglass"
                    title: "Scanning for large files"
                    subtitle: screen.checkedText(screen.model.scannedCount)
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
                title: "All matched files moved to the Trash"
                tint: Design.Palette.success
            }
        }
    }

    Component {
        id: emptyState
        Item {
            objectName: "emptyState"
            Text {
                objectName: "emptyText"
                anchors.centerIn: parent
                width: Math.min(520, parent.width)
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                text: screen.model.scanIncomplete
                      ? "No files matched in the folders Quillmere could read \u2014 some were permission-denied, so there may be large files it couldn't see. Check folder permissions and scan again."
                      : "No files matched. Try a smaller minimum size."
                textFormat: Text.PlainText
                font: Typo.body
                color: Design.Palette.textSecondary
            }
        }
    }

    Component {
        id: resultsState
        ColumnLayout {
            objectName: "resultsState"
            spacing: 8

            readonly property alias list: fileList

            ScanIncompleteNote {
                objectName: "incompleteNote"
                Layout.fillWidth: true
                visible: screen.model.scanIncomplete
                message: "Some folders couldn't be read, or there were more matches than Quillmere shows \u2014 this list may be incomplete."
            }
            // Rows are made only as they scroll into view: the list may hold 200,000 files.
            ListView {
                id: fileList
                objectName: "fileList"
                Layout.fillWidth: true
                Layout.fillHeight: true
                clip: true
                boundsBehavior: Flickable.StopAtBounds
                model: screen.model.files

                T.ScrollBar.vertical: PageScrollBar {}

                delegate: Column {
                    id: entry
                    required property string fileId
                    required property string name
                    required property string folder
                    required property string sizeText
                    required property bool isSelected
                    required property bool linked
                    width: ListView.view.width

                    SelectableFileRow {
                        objectName: "fileRow"
                        width: parent.width
                        name: entry.name
                        subtitle: entry.folder
                        size: entry.sizeText
                        isSelected: entry.isSelected
                        linked: entry.linked
                        onToggled: screen.model.toggle(entry.fileId)
                    }
                    Rectangle {
                        x: 40
                        width: parent.width - 40
                        height: 1
                        color: Design.Palette.hairline
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
            subtitle: screen.model.selectedCount + " file" + (screen.model.selectedCount === 1 ? "" : "s") + " selected"
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
