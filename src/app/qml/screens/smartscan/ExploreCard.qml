import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// One card of the Smart Scan home's Explore grid, as wide as it is laid out: on a glass card (corner
// radius 14) that lifts by 2.5 % under the pointer, a plain button padded 12 on every side whose row
// (10 apart, centred) holds the module's medallion (34) in its tint, the `title` (card title; on a narrow
// card 12 semibold, then over two lines, so it always shows whole) over the
// `subtitle` (caption, secondary colour, at most two lines), a space of at least 4 and a chevron
// (caption medium, tertiary colour). The whole card is the button; clicking it emits `action`. Texts are
// shown as they are; the card reads to accessibility as the title, ": " and the subtitle.
Item {
    id: card

    // The module the card opens, by id ("Disk").
    property string module
    property string title
    property string subtitle

    // The card was clicked; the owner opens `module`.
    signal action()

    readonly property real padding: 12
    readonly property real cornerRadius: 14
    readonly property color tint: QuillmereModule.tint(module)
    readonly property string accessibleName: title + ": " + subtitle
    readonly property alias button: button
    readonly property alias medallion: medallion
    readonly property alias titleText: titleText
    readonly property alias subtitleText: subtitleText
    readonly property alias chevron: chevron
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
    T.AbstractButton {
        id: button
        FocusRing {}
        anchors.fill: parent
        hoverEnabled: true
        padding: 0
        Accessible.role: Accessible.Button
        Accessible.name: card.accessibleName
        onClicked: card.action()
        opacity: down ? 0.85 : 1
    }
    RowLayout {
        id: row
        anchors.fill: parent
        anchors.margins: card.padding
        spacing: 10

        IconMedallion {
            id: medallion
            Layout.alignment: Qt.AlignVCenter
            symbol: QuillmereModule.systemImage(card.module)
            tint: card.tint
            size: 34
        }
        ColumnLayout {
            Layout.alignment: Qt.AlignVCenter
            Layout.fillWidth: true
            spacing: 2

            // A narrow card keeps its whole title: one step down the type scale, then a second line.
            FittingText {
                id: titleText
                Layout.fillWidth: true
                Layout.minimumWidth: 0
                Layout.preferredWidth: 0
                text: card.title
                // The row's width less the padding, the medallion, the spacer, the chevron and the gaps.
                availableWidth: card.width - 2 * card.padding - medallion.width - 4 - chevron.width - 3 * row.spacing
                largeFont: Typo.cardTitle
                smallFont: Typo.system(12, Font.DemiBold)
                maximumLineCount: 2
                color: Design.Palette.textPrimary
                Accessible.ignored: true
            }
            Text {
                id: subtitleText
                Layout.fillWidth: true
                // As tall as the subtitle's lines at its width, two at most: left to itself, the layout
                // gave it the height of one unwrapped line, and the text was cut to that one line.
                Layout.preferredHeight: subtitleLines.implicitHeight
                text: card.subtitle
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                maximumLineCount: 2
                elide: Text.ElideRight
                font: Typo.caption
                color: Design.Palette.textSecondary
                Accessible.ignored: true

                Text {
                    id: subtitleLines
                    visible: false
                    width: subtitleText.width
                    text: subtitleText.text
                    textFormat: Text.PlainText
                    wrapMode: subtitleText.wrapMode
                    maximumLineCount: subtitleText.maximumLineCount
                    font: subtitleText.font
                }
            }
        }
        Item {
            Layout.minimumWidth: 4
            implicitWidth: 4
        }
        SymbolImage {
            id: chevron
            Layout.alignment: Qt.AlignVCenter
            name: "chevron.right"
            size: Typo.pixelSize(Typo.captionMedium)
            color: Design.Palette.textTertiary
        }
    }
}
