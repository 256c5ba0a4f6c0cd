import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design
import "privacy"

// The Privacy tab of the Protection page: one vertical scroll of the standing note and the content of
// the phase (idle, scanning, nothing listed, one card per browser), above the bar of the moment
// (selection, else the last clean with Undo, else none), with the Move to Trash confirmation, the
// shared failure alert and the celebration over it. It draws the privacy model and forwards presses
// to it; the only state of its own is whether the celebration shows, which each later change of the
// model's clean count sets (never the count it finds when it appears). It starts and stops no work.
Item {
    id: screen

    required property PrivacyViewModel model

    readonly property color tint: ModuleTint.resolved
    // The model's phase: 0 idle, 1 scanning, 2 results (its enumeration's order).
    readonly property int phase: model.phase
    readonly property string bottomBarKind: model.selectedCount > 0 ? "selection"
                                          : model.hasLastReport ? "undo" : "none"
    // True while the celebration shows; it clears itself after 1.5 s.
    property alias showCelebration: celebration.active

    readonly property alias scroll: scroll
    readonly property alias noteText: noteText
    readonly property alias content: contentLoader
    readonly property alias bottomBar: barLoader
    readonly property alias cleanConfirm: cleanConfirm
    readonly property alias failureAlert: failureAlert
    readonly property alias celebration: celebration

    // "1 item" or "2 items".
    function items(count) {
        return count + " item" + (count === 1 ? "" : "s")
    }

    // Each time the tab comes into view again it starts at the top.
    function appear() {
        scroll.contentY = 0
    }
    // The tab goes out of view: a celebration under way ends with it.
    function disappear() {
        celebration.active = false
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
        contentHeight: page.implicitHeight + 48
        boundsBehavior: Flickable.StopAtBounds
        T.ScrollBar.vertical: PageScrollBar {}

        ColumnLayout {
            id: page
            x: 24
            y: 24
            width: scroll.width - 48
            spacing: 14

            RowLayout {
                Layout.fillWidth: true
                spacing: 6
                SymbolImage {
                    Layout.alignment: Qt.AlignTop
                    name: "info.circle"
                    size: Typo.pixelSize(Typo.callout)
                    color: Design.Palette.textSecondary
                }
                Text {
                    id: noteText
                    objectName: "noteText"
                    Layout.fillWidth: true
                    text: "Quit your browsers first so their data files aren't locked."
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font: Typo.callout
                    color: Design.Palette.textSecondary
                }
            }
            Loader {
                id: contentLoader
                objectName: "content"
                Layout.fillWidth: true
                sourceComponent: screen.phase === 0 ? idleState
                               : screen.phase === 1 ? scanningState
                               : screen.model.groups.count === 0 ? emptyState : resultsState
            }
        }
    }

    Loader {
        id: barLoader
        objectName: "bottomBar"
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        width: parent.width
        height: item !== null ? item.implicitHeight : 0
        sourceComponent: screen.bottomBarKind === "selection" ? selectionBar
                       : screen.bottomBarKind === "undo" ? undoBar : null
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
        title: "Move " + screen.items(screen.model.selectedCount) + " to the Trash?"
        message: "Browsing data goes to the Trash and can be restored."
        destructiveText: "Move " + screen.model.formattedSelected + " to Trash"
        onConfirmed: screen.model.confirmClean()
        onDismissed: if (screen.visible) screen.model.showConfirm = false
    }

    // ---- content states ----

    Component {
        id: idleState
        ColumnLayout {
            objectName: "idleState"
            spacing: 14
            HeroMedallion {
                objectName: "idleMedallion"
                Layout.alignment: Qt.AlignHCenter
                Layout.topMargin: 26
                symbol: "hand.raised.fill"
                tint: Qt.rgba(240 / 255, 106 / 255, 155 / 255, 1)
                size: 132
            }
            Text {
                objectName: "idleTitle"
                Layout.fillWidth: true
                text: "Clear browsing data"
                textFormat: Text.PlainText
                horizontalAlignment: Text.AlignHCenter
                font: Typo.system(18, Font.DemiBold)
                color: Design.Palette.textPrimary
            }
            Text {
                objectName: "idleText"
                Layout.fillWidth: true
                text: "Scan for browser history, cookies and caches you can clear."
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                horizontalAlignment: Text.AlignHCenter
                font: Typo.body
                color: Design.Palette.textSecondary
            }
            QuillmereButtonStyle {
                objectName: "scanBrowsersButton"
                Layout.alignment: Qt.AlignHCenter
                Layout.bottomMargin: 26
                kind: QuillmereButtonStyle.Primary
                text: "Scan browsers"
                symbol: "magnifyingglass"
                onClicked: screen.model.scan()
            }
        }
    }

    Component {
        id: scanningState
        ColumnLayout {
            objectName: "scanningState"
            spacing: 10
            ProgressSpinner {
                objectName: "scanSpinner"
                Layout.alignment: Qt.AlignHCenter
                Layout.topMargin: 30
                size: 32
            }
            Text {
                objectName: "scanningText"
                Layout.fillWidth: true
                Layout.bottomMargin: 30
                text: "Checking installed browsers\u2026"
                textFormat: Text.PlainText
                horizontalAlignment: Text.AlignHCenter
                font: Typo.callout
                color: Design.Palette.textSecondary
            }
        }
    }

    Component {
        id: emptyState
        Text {
            objectName: "emptyText"
            text: screen.model.hasLastReport ? "Cleared \u2014 nothing left to remove."
                                             : "No clearable browser data found."
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Typo.body
            color: Design.Palette.textSecondary
        }
    }

    Component {
        id: resultsState
        ColumnLayout {
            objectName: "resultsState"
            spacing: 14
            Repeater {
                model: screen.model.groups
                BrowserCard {
                    id: browserCard
                    required property int index
                    required browser
                    required items
                    objectName: "browserCard:" + browser
                    Layout.fillWidth: true
                    onToggle: itemId => screen.model.toggle(itemId)

                    AppearLift { index: Math.max(browserCard.index, 0) }
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
            subtitle: screen.items(screen.model.selectedCount) + " selected"
            QuillmereButtonStyle {
                objectName: "clearSelectedButton"
                kind: QuillmereButtonStyle.Primary
                text: "Clear selected"
                symbol: "trash"
                onClicked: {
                    if (screen.model.selectedCount > 0 && !screen.model.isCleaning)
                        screen.model.showConfirm = true
                }
            }
        }
    }

    Component {
        id: undoBar
        CleanActionBar {
            objectName: "undoBar"
            title: "Cleared " + screen.model.formattedFreed
            subtitle: screen.items(screen.model.lastReportTrashed) + " in Trash"
            QuillmereButtonStyle {
                objectName: "undoButton"
                kind: QuillmereButtonStyle.Secondary
                text: "Undo"
                symbol: "arrow.uturn.backward"
                enabled: screen.model.canUndo
                onClicked: screen.model.undoLast()
            }
        }
    }
}
