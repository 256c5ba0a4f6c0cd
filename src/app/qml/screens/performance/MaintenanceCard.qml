import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// The maintenance card of the Performance page: "Maintenance" with the helper's state as a badge, one
// row per offered action (pressing one runs it; every row is disabled while one runs and that row
// shows progress), the footer on how the actions will run, the buttons that install or remove the
// helper (there is no Login Items pane to approve it in here), and the result line of the last action. The result line lives as long as
// one visit of the page (`renew`). `actions` (ids) defaults to what this system offers.
GlassCard {
    id: card

    required property HelperClient helper
    property var actions: runner.availableActions()

    // The runner of this appearance of the page: `renew` replaces it, so the running action and the
    // result line last as long as one visit, and a result that comes after it is dropped.
    property MaintenanceRunner runner: runnerComponent.createObject(card)
    readonly property alias badge: badge
    readonly property alias footer: footerText
    readonly property alias resultLine: resultText
    readonly property color statusBadgeColor: {
        switch (runner.statusKind) {
        case "requiresApproval": return Design.Palette.warning
        case "installed": return Design.Palette.success
        }
        return Design.Palette.textTertiary
    }

    cornerRadius: 16
    padding: 16

    // Starts afresh, as a card made anew does: no action running, no result line.
    function renew() {
        const old = runner
        runner = runnerComponent.createObject(card)
        if (old !== null)
            old.destroy()
    }

    Component {
        id: runnerComponent
        MaintenanceRunner {
            helper: card.helper
        }
    }

    ColumnLayout {
        width: card.availableWidth
        spacing: 12

        RowLayout {
            Layout.fillWidth: true
            spacing: 8
            SymbolImage {
                name: "lock.shield"
                size: 15
            }
            Text {
                text: "Maintenance"
                textFormat: Text.PlainText
                font: Typo.sectionTitle
                color: Design.Palette.textPrimary
            }
            Item { Layout.fillWidth: true }
            StatusBadge {
                id: badge
                objectName: "helperBadge"
                text: runner.badgeText
                systemImage: runner.badgeSymbol
                color: card.statusBadgeColor
            }
        }

        Column {
            objectName: "actionList"
            Layout.fillWidth: true
            spacing: 0

            Repeater {
                model: card.actions
                delegate: Column {
                    id: actionEntry
                    required property string modelData
                    required property int index
                    readonly property var action: runner.describe(modelData)
                    width: parent.width

                    T.AbstractButton {
                        id: actionButton
                        FocusRing {}
                        objectName: "action:" + actionEntry.modelData
                        width: parent.width
                        implicitHeight: actionRow.implicitHeight + 16
                        enabled: runner.runningAction === ""
                        hoverEnabled: true
                        onClicked: runner.run(actionEntry.modelData)

                        background: Rectangle {
                            color: actionButton.hovered && actionButton.enabled ? Qt.rgba(1, 1, 1, 0.03)
                                                                                : "transparent"
                            radius: 6
                        }
                        contentItem: RowLayout {
                            id: actionRow
                            spacing: 12
                            opacity: actionButton.enabled ? 1 : 0.5
                            SymbolImage {
                                Layout.preferredWidth: 22
                                horizontalAlignment: Text.AlignHCenter
                                name: actionEntry.action.symbol
                                size: 15
                                color: Qt.rgba(1, 1, 1, 0.85)
                            }
                            ColumnLayout {
                                Layout.fillWidth: true
                                spacing: 1
                                Text {
                                    Layout.fillWidth: true
                                    text: actionEntry.action.title
                                    textFormat: Text.PlainText
                                    elide: Text.ElideRight
                                    font: Typo.bodyMedium
                                    color: Design.Palette.textPrimary
                                }
                                Text {
                                    Layout.fillWidth: true
                                    text: actionEntry.action.subtitle
                                    textFormat: Text.PlainText
                                    elide: Text.ElideRight
                                    font: Typo.caption
                                    color: Design.Palette.textSecondary
                                }
                            }
                            ProgressSpinner {
                                objectName: "actionProgress"
                                visible: runner.runningAction === actionEntry.modelData
                            }
                            SymbolImage {
                                objectName: "actionPlay"
                                visible: runner.runningAction !== actionEntry.modelData
                                name: "play.circle"
                                size: 15
                                color: Design.Palette.textSecondary
                            }
                        }
                    }
                    Rectangle {
                        objectName: "actionDivider"
                        visible: actionEntry.index < card.actions.length - 1
                        width: parent.width
                        height: 1
                        color: Design.Palette.hairline
                    }
                }
            }
        }

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: 1
            color: Design.Palette.hairline
        }
        Text {
            id: footerText
            objectName: "helperFooter"
            Layout.fillWidth: true
            text: runner.footerText
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Typo.caption
            color: Design.Palette.textSecondary
        }
        RowLayout {
            objectName: "helperButtons"
            spacing: 8
            QuillmereButtonStyle {
                objectName: "removeHelperButton"
                visible: runner.statusKind === "installed"
                kind: QuillmereButtonStyle.Secondary
                text: "Remove helper"
                onClicked: card.helper.uninstall()
            }
            QuillmereButtonStyle {
                objectName: "installHelperButton"
                visible: runner.statusKind !== "installed"
                kind: QuillmereButtonStyle.Secondary
                text: "Install background helper"
                symbol: "lock.open"
                onClicked: card.helper.install()
            }
        }
        Text {
            id: resultText
            objectName: "helperMessage"
            Layout.fillWidth: true
            visible: runner.helperMessage !== ""
            text: runner.helperMessage
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Typo.callout
            color: Design.Palette.textSecondary
        }
    }
}
