import QtQuick
import QtQuick.Layouts
import Quillmere.Design
import Quillmere.Design as Design

// The row a screen shows above its results while Quillmere can't read the user's home folder: the
// symbol "exclamationmark.shield.fill" (13, Theme.warning), then, 10 after it, the title (calloutMedium,
// primary text colour) over the screen's `message` (caption, secondary colour, plain text, wrapped),
// 1 apart. Padded 12 left and right and 9 above and below on Theme.warning at 0.1 (corner radius 10).
// It has no button: an unreadable folder is a matter of its permissions, with no setting to open here.
// No state or animation of its own.
Item {
    id: banner

    // The screen's explanation, shown as it is under the title.
    property string message

    readonly property string title: "Parts of your home folder can't be read \u2014 scans may be incomplete"
    readonly property real horizontalPadding: 12
    readonly property real verticalPadding: 9
    readonly property real cornerRadius: 10
    readonly property color fillColor: Theme.withOpacity(Theme.warning, 0.1)
    readonly property alias symbolItem: symbol
    readonly property alias titleText: titleText
    readonly property alias messageText: messageText

    implicitWidth: row.implicitWidth + 2 * horizontalPadding
    implicitHeight: row.implicitHeight + 2 * verticalPadding

    Rectangle {
        anchors.fill: parent
        radius: banner.cornerRadius
        color: banner.fillColor
        antialiasing: true
    }
    RowLayout {
        id: row
        anchors.fill: parent
        anchors.leftMargin: banner.horizontalPadding
        anchors.rightMargin: banner.horizontalPadding
        anchors.topMargin: banner.verticalPadding
        anchors.bottomMargin: banner.verticalPadding
        spacing: 10

        SymbolImage {
            id: symbol
            Layout.alignment: Qt.AlignVCenter
            name: "exclamationmark.shield.fill"
            size: Typo.pixelSize(Typo.body)
            color: Theme.warning
        }
        ColumnLayout {
            Layout.alignment: Qt.AlignVCenter
            Layout.fillWidth: true
            spacing: 1

            Text {
                id: titleText
                Layout.fillWidth: true
                text: banner.title
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: Typo.calloutMedium
                color: Design.Palette.textPrimary
            }
            Text {
                id: messageText
                Layout.fillWidth: true
                text: banner.message
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: Typo.caption
                color: Design.Palette.textSecondary
            }
        }
    }
}
