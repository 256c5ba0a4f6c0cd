import QtQuick
import QtQuick.Layouts
import Quillmere.Design
import Quillmere.Design as Design

// What a page or card shows when it has nothing to list: the symbol at 34 in the tint at 0.90, the
// title (cardTitleLarge, textPrimary), the optional message (body, textSecondary, each line centred,
// wrapped and never cut off) and optional actions, stacked and centred 12 apart. It takes the full
// width it is given and pads 32 above and below, none at the sides.
Item {
    id: view

    // System symbol name.
    property string icon
    // Shown as it is.
    property string title
    // Explanation under the title; an empty text shows none.
    property string message: ""
    // Colour of the symbol; null (the default) uses the module tint.
    property var tint: null
    // Buttons under the text; null for none.
    property Component actions: null

    readonly property color symbolColor: tint !== null && tint !== undefined ? tint : ModuleTint.resolved
    readonly property real symbolSize: 34
    readonly property real symbolOpacity: 0.90
    readonly property real verticalPadding: 32
    readonly property alias symbolItem: symbol
    readonly property alias titleText: titleText
    readonly property alias messageText: messageText
    readonly property alias actionsItem: actionsLoader

    implicitWidth: column.implicitWidth
    implicitHeight: column.implicitHeight + 2 * verticalPadding

    ColumnLayout {
        id: column
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.topMargin: view.verticalPadding
        spacing: 12

        SymbolImage {
            id: symbol
            Layout.alignment: Qt.AlignHCenter
            name: view.icon
            size: view.symbolSize
            color: view.symbolColor
            opacity: view.symbolOpacity
        }
        Text {
            id: titleText
            Layout.fillWidth: true
            text: view.title
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            font: Typo.cardTitleLarge
            color: Design.Palette.textPrimary
        }
        Text {
            id: messageText
            Layout.fillWidth: true
            visible: view.message !== ""
            text: view.message
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            font: Typo.body
            color: Design.Palette.textSecondary
        }
        Loader {
            id: actionsLoader
            Layout.alignment: Qt.AlignHCenter
            visible: view.actions !== null
            sourceComponent: view.actions
        }
    }
}
