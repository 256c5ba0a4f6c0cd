import QtQuick
import QtQuick.Layouts
import Quillmere.Design
import Quillmere.Design as Design

// The title of a section of a page: the title (sectionTitle, textPrimary) with an optional subtitle
// under it, 2 apart (callout, textSecondary), a spacer of at least 12 and optional trailing controls.
// The row aligns on the first text baseline, so a trailing button's text sits on the title's line.
Item {
    id: header

    // Shown as it is.
    property string title
    // The line under the title; an empty text shows none.
    property string subtitle: ""
    // Controls at the right end; null for none.
    property Component trailing: null

    // The platform's default spacing between the row's items.
    readonly property real spacing: 8
    readonly property alias titleText: titleText
    readonly property alias subtitleText: subtitleText
    readonly property alias trailingItem: trailingLoader

    implicitWidth: row.implicitWidth
    implicitHeight: row.implicitHeight
    baselineOffset: row.y + titleBlock.y + titleText.y + titleText.baselineOffset

    RowLayout {
        id: row
        anchors.fill: parent
        spacing: header.spacing

        ColumnLayout {
            id: titleBlock
            spacing: 2
            baselineOffset: titleText.y + titleText.baselineOffset
            Layout.alignment: Qt.AlignBaseline
            Layout.fillWidth: true

            Text {
                id: titleText
                Layout.fillWidth: true
                text: header.title
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: Typo.sectionTitle
                color: Design.Palette.textPrimary
            }
            Text {
                id: subtitleText
                Layout.fillWidth: true
                visible: header.subtitle !== ""
                text: header.subtitle
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: Typo.callout
                color: Design.Palette.textSecondary
            }
        }
        Item {
            Layout.fillWidth: true
            Layout.minimumWidth: 12
            Layout.alignment: Qt.AlignBaseline
        }
        Loader {
            id: trailingLoader
            visible: header.trailing !== null
            sourceComponent: header.trailing
            baselineOffset: item ? item.baselineOffset : 0
            Layout.alignment: Qt.AlignBaseline
        }
    }
}
