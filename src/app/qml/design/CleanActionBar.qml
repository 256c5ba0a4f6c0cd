import QtQuick
import QtQuick.Layouts
import Quillmere.Design
import Quillmere.Design as Design

// The bar at the bottom of a select-and-remove screen, as wide as it is laid out: the `title`
// (cardTitleLarge) over the `subtitle` (caption, secondary colour), 1 apart, then a flexible space and
// the screen's action buttons (this item's children), 12 apart, in the shared bar frame
// (ActionBarFrame). Both texts are shown as they are. Stateless: the screen fills in the texts and
// reacts to its own buttons.
Item {
    id: bar

    property string title
    property string subtitle
    // The action buttons, laid out in a row at the trailing end.
    default property alias trailing: trailingRow.data

    readonly property alias frame: frame
    readonly property alias titleText: titleText
    readonly property alias subtitleText: subtitleText
    readonly property alias trailingItem: trailingRow

    implicitWidth: frame.implicitWidth
    implicitHeight: frame.implicitHeight

    // Given explicitly: the default property above is for the caller's buttons.
    data: ActionBarFrame {
        id: frame
        anchors.fill: parent
        spacing: 12

        ColumnLayout {
            spacing: 1
            Layout.alignment: Qt.AlignVCenter
            Layout.fillWidth: true

            Text {
                id: titleText
                Layout.fillWidth: true
                text: bar.title
                textFormat: Text.PlainText
                elide: Text.ElideRight
                font: Typo.cardTitleLarge
                color: Design.Palette.textPrimary
            }
            Text {
                id: subtitleText
                Layout.fillWidth: true
                text: bar.subtitle
                textFormat: Text.PlainText
                elide: Text.ElideRight
                font: Typo.caption
                color: Design.Palette.textSecondary
            }
        }
        RowLayout {
            id: trailingRow
            Layout.alignment: Qt.AlignVCenter
            spacing: 12
        }
    }
}
