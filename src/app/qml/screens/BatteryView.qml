import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// The Battery page: a live view of the internal battery from the page's own reading loop (`poller`,
// which belongs to the page and lasts one visit). Until the first reading it says it is reading; then
// either the charge ring with the status, six stat tiles, the care tips and a note on where the
// readings come from, or, without a battery, a medallion that says so. No controls, no actions, and
// no scan command.
Item {
    id: screen

    // Null while the page is out of view (it then shows "loading").
    required property BatteryPoller poller

    readonly property string shownState: poller === null || !poller.hasLoaded ? "loading" : poller.isPresent ? "reading" : "noBattery"
    readonly property var tips: [
        "Keep charge between 20% and 80% for everyday use to slow long-term wear.",
        "Avoid heat \u2014 charging in hot environments ages the battery faster.",
        "If it stays on the charger, don't keep it at 100% for days on end; charging past 80% only when you need the range slows wear.",
        "A cycle count near or above its rated maximum (typically 1000) is a sign the battery is nearing end of life."
    ]

    readonly property alias scroll: scroll
    readonly property alias header: header
    readonly property alias content: contentLoader

    // Each time the page comes into view again it starts at the top, as a page made anew.
    function appear() {
        scroll.contentY = 0
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
                title: "Battery"
                subtitle: "Health, charge cycles and live charging status \u2014 straight from the kernel."
                icon: "battery.100"
            }
            Loader {
                id: contentLoader
                objectName: "content"
                Layout.fillWidth: true
                Layout.margins: 24
                sourceComponent: screen.shownState === "loading" ? loadingState
                               : screen.shownState === "reading" ? readingState : noBatteryState
            }
        }
    }

    Component {
        id: loadingState
        RowLayout {
            objectName: "loadingState"
            spacing: 12

            ProgressSpinner {
                Layout.topMargin: 24
                Layout.bottomMargin: 24
                Layout.alignment: Qt.AlignVCenter
            }
            Text {
                objectName: "loadingText"
                Layout.fillWidth: true
                Layout.alignment: Qt.AlignVCenter
                text: "Reading battery status\u2026"
                textFormat: Text.PlainText
                font: Typo.body
                color: Design.Palette.textSecondary
            }
        }
    }

    Component {
        id: noBatteryState
        Item {
            objectName: "noBatteryState"
            implicitHeight: Math.max(340, column.implicitHeight)

            ColumnLayout {
                id: column
                anchors.centerIn: parent
                width: parent.width
                spacing: 14

                HeroMedallion {
                    objectName: "noBatteryMedallion"
                    Layout.alignment: Qt.AlignHCenter
                    symbol: "powerplug.fill"
                    tint: Qt.rgba(103 / 255, 205 / 255, 132 / 255, 1)
                    size: 132
                }
                Text {
                    objectName: "noBatteryTitle"
                    Layout.fillWidth: true
                    horizontalAlignment: Text.AlignHCenter
                    text: "No battery detected"
                    textFormat: Text.PlainText
                    font: Typo.system(18, Font.DemiBold)
                    color: Design.Palette.textPrimary
                }
                Text {
                    objectName: "noBatteryMessage"
                    Layout.fillWidth: true
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                    text: "This computer runs on AC power, so there's no battery to monitor."
                    textFormat: Text.PlainText
                    font: Typo.body
                    color: Design.Palette.textSecondary
                }
            }
        }
    }

    Component {
        id: readingState
        ColumnLayout {
            objectName: "readingState"
            spacing: 20

            // ---- hero ----
            GlassCard {
                objectName: "heroCard"
                Layout.fillWidth: true
                cornerRadius: 16
                padding: 22

                contentItem: RowLayout {
                    spacing: 26

                    BatteryChargeRing {
                        objectName: "chargeRing"
                        Layout.preferredWidth: 150
                        Layout.preferredHeight: 150
                        fraction: screen.poller.fillFraction
                        color: screen.poller.chargeColor
                        charging: screen.poller.isCharging
                        text: screen.poller.chargeText
                    }
                    ColumnLayout {
                        Layout.fillWidth: true
                        Layout.alignment: Qt.AlignVCenter
                        spacing: 8

                        Text {
                            objectName: "statusTitle"
                            Layout.fillWidth: true
                            text: screen.poller.statusTitle
                            textFormat: Text.PlainText
                            font: Typo.system(22, Font.Bold)
                            color: screen.poller.chargeColor
                        }
                        Text {
                            objectName: "statusDetail"
                            Layout.fillWidth: true
                            visible: screen.poller.statusDetail !== ""
                            text: screen.poller.statusDetail
                            textFormat: Text.PlainText
                            wrapMode: Text.Wrap
                            font: Typo.body
                            color: Design.Palette.textSecondary
                        }
                        RowLayout {
                            spacing: 6
                            Layout.fillWidth: true

                            SymbolImage {
                                objectName: "powerSymbol"
                                name: screen.poller.isPluggedIn ? "powerplug.fill" : "battery.50"
                                size: 11
                                color: Design.Palette.textTertiary
                            }
                            Text {
                                objectName: "powerLine"
                                Layout.fillWidth: true
                                text: "Power source: " + screen.poller.powerSourceText
                                textFormat: Text.PlainText
                                font: Typo.caption
                                color: Design.Palette.textTertiary
                            }
                        }
                    }
                }
            }

            // ---- stat tiles ----
            GridLayout {
                objectName: "statTiles"
                Layout.fillWidth: true
                columns: 3
                rowSpacing: 12
                columnSpacing: 12

                BatteryStatTile {
                    objectName: "capacityTile"
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    icon: "heart.fill"
                    title: "Maximum capacity"
                    value: screen.poller.healthText
                    tint: screen.poller.healthColor
                }
                BatteryStatTile {
                    objectName: "cyclesTile"
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    icon: "arrow.triangle.2.circlepath"
                    title: "Charge cycles"
                    value: screen.poller.cycleText
                }
                BatteryStatTile {
                    objectName: "conditionTile"
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    icon: screen.poller.conditionIcon
                    title: "Condition"
                    value: screen.poller.conditionText
                    tint: screen.poller.conditionColor
                }
                BatteryStatTile {
                    objectName: "temperatureTile"
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    icon: "thermometer.medium"
                    title: "Temperature"
                    value: screen.poller.temperatureText
                }
                BatteryStatTile {
                    objectName: "powerSourceTile"
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    icon: "powerplug"
                    title: "Power source"
                    value: screen.poller.powerSourceText
                }
                BatteryStatTile {
                    objectName: "timeTile"
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    icon: "clock"
                    title: screen.poller.timeTileTitle
                    value: screen.poller.timeRemainingTileValue
                }
            }

            // ---- tips ----
            GlassCard {
                objectName: "tipsCard"
                Layout.fillWidth: true
                cornerRadius: 16
                padding: 16

                contentItem: ColumnLayout {
                    spacing: 10

                    RowLayout {
                        spacing: 6
                        SymbolImage {
                            name: "lightbulb"
                            size: Typo.pixelSize(Typo.cardTitleLarge)
                            color: Design.Palette.textPrimary
                        }
                        Text {
                            objectName: "tipsTitle"
                            text: "Caring for your battery"
                            textFormat: Text.PlainText
                            font: Typo.cardTitleLarge
                            color: Design.Palette.textPrimary
                        }
                    }
                    Repeater {
                        model: screen.tips

                        RowLayout {
                            required property string modelData
                            Layout.fillWidth: true
                            spacing: 8

                            SymbolImage {
                                Layout.alignment: Qt.AlignTop
                                Layout.topMargin: 6
                                name: "circle.fill"
                                size: 4
                                color: Design.Palette.textTertiary
                            }
                            Text {
                                objectName: "tip"
                                Layout.fillWidth: true
                                Layout.alignment: Qt.AlignTop
                                text: modelData
                                textFormat: Text.PlainText
                                wrapMode: Text.Wrap
                                font: Typo.callout
                                color: Design.Palette.textSecondary
                            }
                        }
                    }
                }
            }

            // ---- footnote ----
            Text {
                objectName: "footnote"
                Layout.fillWidth: true
                text: "Readings come from the kernel's power-supply information (/sys/class/power_supply). Cycle count and capacity may differ by a percent or two from Settings, which rounds differently."
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: Typo.caption
                color: Design.Palette.textTertiary
            }
        }
    }
}
