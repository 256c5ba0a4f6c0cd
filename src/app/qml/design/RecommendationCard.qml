import QtQuick
import QtQuick.Layouts
import Quillmere.Design
import Quillmere.Design as Design

// One health recommendation on a glass card (corner radius 14) padded 14: a row, aligned to the top,
// 12 apart, of the severity's symbol (16, in the severity's colour, in a column 22 wide); the title
// (cardTitleLarge) over the detail (callout, secondary colour, 3 apart), which wraps and grows the
// card rather than being cut; a gap of at least 12; and a button with the action label, secondary
// when the recommendation leads nowhere (target "none") and primary in the module tint otherwise.
// Clicking the button emits `action`. Hovering lifts the card by 2.5 %. Texts are shown as they are.
Item {
    id: card

    // The recommendation: an object with `title`, `detail`, `actionLabel` (strings), `severity` (a
    // HealthSeverity raw value, 0..3) and `target` (a HealthTarget's stored name: "smartScan",
    // "cleanup", "performance", "battery", "files" or "none").
    property var rec: ({ title: "", detail: "", severity: 0, actionLabel: "", target: "none" })

    // The button was clicked; the screen decides what follows.
    signal action()

    readonly property int severity: rec && rec.severity !== undefined ? rec.severity : HealthSeverityStyle.unknown
    readonly property color severityColor: HealthSeverityStyle.color(severity)
    readonly property string severitySymbol: HealthSeverityStyle.symbol(severity)
    readonly property bool leadsNowhere: !rec || rec.target === "none"
    readonly property real padding: 14
    readonly property real cornerRadius: 14
    readonly property alias symbolItem: symbolItem
    readonly property alias titleText: titleText
    readonly property alias detailText: detailText
    readonly property alias button: button
    readonly property alias lift: lift

    implicitWidth: row.implicitWidth + 2 * padding
    implicitHeight: row.implicitHeight + 2 * padding

    HoverLift {
        id: lift
        liftScale: 1.025
        cornerRadius: card.cornerRadius
    }
    GlassCard {
        anchors.fill: parent
        cornerRadius: card.cornerRadius
    }
    RowLayout {
        id: row
        anchors.fill: parent
        anchors.margins: card.padding
        spacing: 12

        Item {
            Layout.alignment: Qt.AlignTop
            implicitWidth: 22
            implicitHeight: symbolItem.implicitHeight
            SymbolImage {
                id: symbolItem
                anchors.horizontalCenter: parent.horizontalCenter
                name: card.severitySymbol
                size: 16
                color: card.severityColor
            }
        }
        ColumnLayout {
            Layout.alignment: Qt.AlignTop
            Layout.fillWidth: true
            spacing: 3

            Text {
                id: titleText
                Layout.fillWidth: true
                text: card.rec ? card.rec.title : ""
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: Typo.cardTitleLarge
                color: Design.Palette.textPrimary
            }
            Text {
                id: detailText
                Layout.fillWidth: true
                text: card.rec ? card.rec.detail : ""
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: Typo.callout
                color: Design.Palette.textSecondary
            }
        }
        Item {
            Layout.minimumWidth: 12
            implicitWidth: 12
        }
        QuillmereButtonStyle {
            id: button
            Layout.alignment: Qt.AlignTop
            text: card.rec ? card.rec.actionLabel : ""
            kind: card.leadsNowhere ? QuillmereButtonStyle.Secondary : QuillmereButtonStyle.Primary
            onClicked: card.action()
        }
    }
}
