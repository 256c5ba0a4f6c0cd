import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// The System Health page: the health model's last assessment as a hero card (the score ring, the rating,
// a summary of the open issues, the uptime line and Re-check), four metric tiles and the
// recommendations, each with a button that opens the module that can fix it or acknowledges it. Until
// the first assessment it says it is checking. It refreshes the model whenever it is shown and whenever
// the application becomes active; it has no timer and keeps no state of its own.
Item {
    id: screen

    // Takes a module id (its title) and selects that module.
    required property var navigate
    required property MacHealthViewModel model
    // Where "becomes active" comes from; none means no refresh on activation.
    property AppActivity activity: null

    readonly property bool checking: !model.hasResult
    // The recommendations the list shows, in order: the dismissed ones and the good ones left out,
    // except the all-clear (the good one that leads to Smart Scan).
    readonly property var listed: {
        const dismissed = model.dismissed
        return model.recommendations.filter(rec => dismissed.indexOf(rec.id) < 0
                                            && (rec.severity !== HealthSeverityStyle.good
                                                || rec.target === "smartScan"))
    }
    readonly property int issueCount: model.visibleIssues.length
    readonly property string summary: issueCount === 0 ? "No issues found \u2014 your computer is in great shape."
                                      : issueCount === 1 ? "1 item needs your attention."
                                      : issueCount + " items need your attention."
    readonly property color ratingColor: HealthSeverityStyle.color(model.displaySeverity)

    readonly property alias scroll: scroll
    readonly property alias header: header
    readonly property alias content: contentLoader

    // The module each recommendation target leads to.
    readonly property var targetModules: ({
        smartScan: "Smart Scan",
        cleanup: "Cleanup",
        performance: "Performance",
        battery: "Battery",
        files: "Files"
    })

    // The action of a recommendation's button: opens the module its target names, or, for a
    // recommendation that leads nowhere, records it as dismissed.
    function handle(rec) {
        if (rec.target === "none") {
            model.dismiss(rec.id)
            return
        }
        const module = targetModules[rec.target]
        if (module !== undefined)
            navigate(module)
    }
    // Re-check: every dismissed recommendation comes back if it still applies.
    function recheck() {
        model.clearDismissed()
        model.refresh()
    }

    // What the page does each time it comes into view: it starts at the top and refreshes the model.
    function appear() {
        scroll.contentY = 0
        model.refresh()
    }

    Component.onCompleted: appear()
    Connections {
        target: screen.activity
        enabled: screen.visible
        function onBecameActive() {
            screen.model.refresh()
        }
    }

    Flickable {
        id: scroll
        anchors.fill: parent
        clip: true
        contentWidth: width
        contentHeight: page.implicitHeight
        boundsBehavior: Flickable.StopAtBounds

        T.ScrollBar.vertical: PageScrollBar {}

        ColumnLayout {
            id: page
            width: scroll.width
            spacing: 0

            PageHeader {
                id: header
                objectName: "pageHeader"
                Layout.fillWidth: true
                title: "System Health"
                subtitle: "A single score for your computer, with one-tap fixes for anything that needs attention."
                icon: "heart.text.square"
            }
            Loader {
                id: contentLoader
                objectName: "content"
                Layout.fillWidth: true
                Layout.leftMargin: screen.checking ? 0 : 24
                Layout.rightMargin: screen.checking ? 0 : 24
                Layout.bottomMargin: screen.checking ? 0 : 24
                sourceComponent: screen.checking ? checkingState : resultState
            }
        }
    }

    Component {
        id: checkingState
        Item {
            objectName: "checkingState"
            implicitHeight: Math.max(300, screen.height - header.height)

            Column {
                anchors.centerIn: parent
                spacing: 10

                ProgressSpinner {
                    anchors.horizontalCenter: parent.horizontalCenter
                    size: 24
                }
                Text {
                    objectName: "checkingText"
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: "Checking your computer\u2026"
                    textFormat: Text.PlainText
                    font: Typo.body
                    color: Design.Palette.textSecondary
                }
            }
        }
    }

    Component {
        id: resultState
        ColumnLayout {
            id: result
            objectName: "resultState"
            spacing: 20

            readonly property alias ring: ring
            readonly property alias cards: cards

            // ---- hero ----
            GlassCard {
                objectName: "heroCard"
                Layout.fillWidth: true
                cornerRadius: 16
                padding: 22

                contentItem: RowLayout {
                    spacing: 26

                    HealthScoreRing {
                        id: ring
                        objectName: "scoreRing"
                        Layout.preferredWidth: 150
                        Layout.preferredHeight: 150
                        score: screen.model.score
                        color: screen.ratingColor
                    }
                    ColumnLayout {
                        Layout.fillWidth: true
                        Layout.alignment: Qt.AlignVCenter
                        spacing: 8

                        Text {
                            objectName: "ratingText"
                            Layout.fillWidth: true
                            text: screen.model.displayRating
                            textFormat: Text.PlainText
                            font: Typo.system(26, Font.Bold)
                            color: screen.ratingColor
                        }
                        Text {
                            objectName: "summaryText"
                            Layout.fillWidth: true
                            text: screen.summary
                            textFormat: Text.PlainText
                            wrapMode: Text.Wrap
                            font: Typo.body
                            color: Design.Palette.textSecondary
                        }
                        RowLayout {
                            spacing: 8
                            Layout.fillWidth: true

                            SymbolImage {
                                name: "clock.arrow.circlepath"
                                size: Typo.pixelSize(Typo.caption)
                                color: Design.Palette.textTertiary
                            }
                            Text {
                                objectName: "uptimeText"
                                Layout.fillWidth: true
                                text: screen.model.uptimeText
                                textFormat: Text.PlainText
                                elide: Text.ElideRight
                                font: Typo.caption
                                color: Design.Palette.textTertiary
                            }
                        }
                        QuillmereButtonStyle {
                            objectName: "recheckButton"
                            Layout.topMargin: 2
                            kind: QuillmereButtonStyle.Secondary
                            text: "Re-check"
                            symbol: "arrow.clockwise"
                            onClicked: screen.recheck()
                        }
                    }
                }
            }

            // ---- metric tiles ----
            RowLayout {
                id: tiles
                objectName: "metricRow"
                Layout.fillWidth: true
                spacing: 12

                HealthMetricTile {
                    objectName: "storageTile"
                    // Equal shares of the row.
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    Layout.fillHeight: true
                    icon: "internaldrive"
                    title: "Storage"
                    value: screen.model.storageValue
                    caption: screen.model.storageCaption
                    severity: screen.model.storageSeverity
                }
                HealthMetricTile {
                    objectName: "memoryTile"
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    Layout.fillHeight: true
                    icon: "memorychip"
                    title: "Memory"
                    value: screen.model.memoryValue
                    caption: screen.model.memoryCaption
                    severity: screen.model.memorySeverity
                }
                HealthMetricTile {
                    objectName: "batteryTile"
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    Layout.fillHeight: true
                    icon: "battery.100"
                    title: "Battery"
                    value: screen.model.batteryValue
                    caption: screen.model.batteryCaption
                    severity: screen.model.batterySeverity
                }
                HealthMetricTile {
                    objectName: "startupTile"
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    Layout.fillHeight: true
                    icon: "power"
                    title: "Startup"
                    value: String(screen.model.loginItemCount)
                    caption: screen.model.loginItemCount === 1 ? "login item" : "login items"
                    severity: screen.model.loginItemCount < 9 ? HealthSeverityStyle.good
                                                              : HealthSeverityStyle.warning
                }
            }

            // ---- recommendations ----
            ColumnLayout {
                objectName: "recommendations"
                Layout.fillWidth: true
                spacing: 12

                SectionHeader {
                    Layout.fillWidth: true
                    title: "Recommendations"
                }
                Text {
                    objectName: "allCaughtUp"
                    Layout.fillWidth: true
                    visible: screen.listed.length === 0
                    text: "You're all caught up."
                    textFormat: Text.PlainText
                    font: Typo.body
                    color: Design.Palette.textSecondary
                }
                HealthRecommendationList {
                    id: cards
                    objectName: "recommendationList"
                    Layout.fillWidth: true
                    visible: screen.listed.length > 0
                    recommendations: screen.listed
                    onActivated: rec => screen.handle(rec)
                }
            }
        }
    }
}
