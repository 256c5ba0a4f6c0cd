import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// The Performance page: one scroll of the header, the live statistics card, the maintenance card, the
// login items (each with Disable) and, when there are system jobs or a system folder could not be
// read, the collapsible list of system agents and daemons; the undo bar after a disable sits below
// the scroll. It draws the Performance model and the shared helper client; its own state is whether
// the system list is expanded (and, in the maintenance card, the running action and result line).
// Shown, it lists the launch folders if nothing is listed yet and re-reads the helper's state; each
// time the application becomes active it re-reads the state and rescans. The statistics loop is made
// for it by the application (`statsLoop`, owned by the page).
Item {
    id: screen

    required property PerformanceViewModel model
    required property HelperClient helper
    // Announces when the application becomes active (null: never).
    property AppActivity activity: null
    // The statistics loop that refreshes `model.stats`, one per visit; null while the page is out of view.
    property StatisticsLoop statsLoop: null

    property bool showSystemAgents: false

    readonly property var userAgents: model.userAgents
    readonly property var systemAgents: model.systemAgents
    // The model names unreadable domains by their display names; the user's own is "Login items".
    readonly property string userDomainName: "Login items"
    readonly property bool userFolderUnreadable: model.unreadableDomains.indexOf(userDomainName) >= 0
    readonly property bool systemFolderUnreadable: model.unreadableDomains.some(d => d !== userDomainName)
    readonly property bool hasSystemBlock: systemAgents.length > 0 || systemFolderUnreadable
    // "loading", "unreadable", "empty" or "list".
    readonly property string loginState: model.loading ? "loading"
                                         : userAgents.length > 0 ? "list"
                                         : userFolderUnreadable ? "unreadable" : "empty"

    readonly property alias scroll: scroll
    readonly property alias header: header
    readonly property alias systemCard: systemCard
    readonly property alias maintenance: maintenance
    readonly property alias confirm: confirm
    readonly property alias failureAlert: failureAlert
    readonly property alias undoBar: undoLoader

    // What the page does when it comes into view: it lists the launch folders if nothing is listed yet
    // and re-reads the helper's state.
    function load() {
        model.loadIfNeeded()
        helper.refreshStatus()
    }
    // Each later time it comes into view it also starts as a page made anew: at the top, the system
    // list folded, no maintenance action or result line.
    function appear() {
        scroll.contentY = 0
        showSystemAgents = false
        maintenance.renew()
        load()
    }

    Component.onCompleted: load()
    Connections {
        target: screen.activity
        enabled: screen.visible
        function onBecameActive() {
            screen.helper.refreshStatus()
            screen.model.load()
        }
    }

    Flickable {
        id: scroll
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: undoLoader.top
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
                title: "Performance"
                subtitle: "See what runs at login and how your computer is doing right now."
                icon: "bolt"
            }

            ColumnLayout {
                Layout.fillWidth: true
                Layout.leftMargin: 24
                Layout.rightMargin: 24
                Layout.bottomMargin: 24
                spacing: 20

                SystemCard {
                    id: systemCard
                    objectName: "systemCard"
                    Layout.fillWidth: true
                    stats: screen.model.stats
                }

                MaintenanceCard {
                    id: maintenance
                    objectName: "maintenanceCard"
                    Layout.fillWidth: true
                    helper: screen.helper
                }

                // ---- login items ----
                ColumnLayout {
                    objectName: "loginItemsBlock"
                    Layout.fillWidth: true
                    spacing: 10

                    RowLayout {
                        spacing: 6
                        Text {
                            objectName: "loginItemsTitle"
                            text: screen.model.loading ? "Login items"
                                                       : "Login items (" + screen.userAgents.length + ")"
                            textFormat: Text.PlainText
                            font: Typo.sectionTitle
                            color: Design.Palette.textPrimary
                        }
                        SymbolImage {
                            objectName: "loginItemsWarning"
                            visible: !screen.model.loading && screen.userFolderUnreadable
                            name: "exclamationmark.triangle"
                            size: 11
                            color: "orange"
                            HoverHandler { id: loginWarningHover }
                            HelpTip {
                                text: "Couldn't fully read your login-item folder \u2014 this list may be incomplete. Check the folder's permissions and try again."
                                visible: loginWarningHover.hovered
                            }
                        }
                    }
                    ProgressSpinner {
                        objectName: "loginItemsProgress"
                        visible: screen.loginState === "loading"
                    }
                    RowLayout {
                        objectName: "loginItemsUnreadable"
                        visible: screen.loginState === "unreadable"
                        spacing: 6
                        SymbolImage {
                            name: "exclamationmark.triangle"
                            size: 13
                            color: Design.Palette.textSecondary
                        }
                        Text {
                            objectName: "loginItemsUnreadableText"
                            text: "Couldn't fully check login items \u2014 check their folders' permissions and try again."
                            textFormat: Text.PlainText
                            font: Typo.body
                            color: Design.Palette.textSecondary
                        }
                    }
                    Text {
                        objectName: "loginItemsEmpty"
                        visible: screen.loginState === "empty"
                        text: "Nothing extra launches at login."
                        textFormat: Text.PlainText
                        font: Typo.body
                        color: Design.Palette.textSecondary
                    }
                    AgentList {
                        objectName: "loginItemsList"
                        visible: screen.loginState === "list"
                        Layout.fillWidth: true
                        agents: screen.userAgents
                        actionable: true
                        isDisabling: screen.model.disableInFlight
                        onDisableRequested: id => {
                            screen.model.pendingRemovalId = id
                            screen.model.showConfirm = true
                        }
                    }
                }

                // ---- system agents and daemons ----
                ColumnLayout {
                    objectName: "systemBlock"
                    visible: screen.hasSystemBlock
                    Layout.fillWidth: true
                    spacing: 10

                    T.AbstractButton {
                        id: systemToggle
                        FocusRing {}
                        objectName: "systemToggle"
                        Layout.fillWidth: true
                        implicitHeight: toggleRow.implicitHeight
                        onClicked: screen.showSystemAgents = !screen.showSystemAgents
                        contentItem: RowLayout {
                            id: toggleRow
                            spacing: 6
                            Text {
                                objectName: "systemTitle"
                                text: "System agents & daemons (" + screen.systemAgents.length + ")"
                                textFormat: Text.PlainText
                                font: Typo.sectionTitle
                                color: Design.Palette.textPrimary
                            }
                            SymbolImage {
                                objectName: "systemWarning"
                                visible: screen.systemFolderUnreadable
                                name: "exclamationmark.triangle"
                                size: 11
                                color: "orange"
                                HoverHandler { id: systemWarningHover }
                                HelpTip {
                                    text: "Couldn't fully read one or more system launch-agent/daemon locations \u2014 this list may be incomplete."
                                    visible: systemWarningHover.hovered
                                }
                            }
                            SymbolImage {
                                objectName: "systemChevron"
                                name: screen.showSystemAgents ? "chevron.up" : "chevron.down"
                                size: 11
                                color: Design.Palette.textTertiary
                            }
                            Item { Layout.fillWidth: true }
                        }
                    }
                    Item {
                        objectName: "systemContent"
                        Layout.fillWidth: true
                        visible: screen.showSystemAgents || systemReveal.running
                        clip: true
                        implicitHeight: screen.showSystemAgents ? systemInner.implicitHeight : 0
                        Behavior on implicitHeight {
                            NumberAnimation {
                                id: systemReveal
                                duration: MotionSettings.reduceMotion ? 0 : 180
                                easing.type: Easing.InOutQuad
                            }
                        }

                        Item {
                            id: systemInner
                            width: parent.width
                            implicitHeight: screen.systemAgents.length > 0 ? systemList.implicitHeight
                                                                           : systemUnreadText.implicitHeight
                            Text {
                                id: systemUnreadText
                                objectName: "systemUnreadable"
                                visible: screen.systemAgents.length === 0
                                text: "Couldn't fully check this location."
                                textFormat: Text.PlainText
                                font: Typo.body
                                color: Design.Palette.textSecondary
                            }
                            AgentList {
                                id: systemList
                                objectName: "systemList"
                                visible: screen.systemAgents.length > 0
                                width: parent.width
                                agents: screen.systemAgents
                            }
                        }
                    }
                }
            }
        }
    }

    Loader {
        id: undoLoader
        objectName: "undoBar"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: item !== null ? item.implicitHeight : 0
        active: screen.model.hasUndoOffer
        sourceComponent: CleanActionBar {
            title: "Disabled " + screen.model.lastDisabledName
            subtitle: "Moved to Trash"
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

    ConfirmationDialog {
        id: confirm
        shown: screen.model.showConfirm && screen.visible
        title: "Disable \u201C" + screen.model.pendingRemovalName + "\u201D?"
        message: screen.model.pendingRemovalIsUnit
                 ? "Its unit's enable links move to the Trash and can be restored. It won't start at next login."
                 : "Its autostart entry moves to the Trash and can be restored. It won't start at next login."
        destructiveText: "Move to Trash"
        onConfirmed: screen.model.confirmDisable()
        // Cancel only closes: the pending item stays until the next Disable replaces it.
        onDismissed: if (screen.visible) screen.model.showConfirm = false
    }

    Item {
        id: failureAlert
        readonly property bool presented: screen.visible && screen.model.disableFailure !== ""
        readonly property alias popup: failurePopup
        onPresentedChanged: presented ? failurePopup.open() : failurePopup.close()
        Component.onCompleted: if (presented) failurePopup.open()

        AlertPopup {
            id: failurePopup
            title: "Couldn't disable that item"
            message: screen.model.disableFailure
            onClosed: {
                if (failureAlert.presented)
                    screen.model.disableFailure = ""
            }
            AlertButton {
                objectName: "failureOkButton"
                text: "OK"
                onClicked: failurePopup.close()
            }
        }
    }
}
