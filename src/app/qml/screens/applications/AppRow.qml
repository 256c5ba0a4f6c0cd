import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// One installed application in the Applications list: its icon (34, "app.dashed" without one), its
// name (14, medium) over its identifier ("—" when it has none), the version when it has one,
// its size in a fixed column 72 wide ("—" until measured) and the trash symbol. The whole row is one
// button: a click anywhere on it asks to uninstall the application. It lifts slightly under the
// pointer. Every text is shown as plain text.
Item {
    id: row

    property string name
    property string bundleID
    property string version
    // Allocated bytes; below 1 means not yet measured.
    property double sizeBytes: 0
    property string iconId: ""

    readonly property string sizeText: sizeBytes < 1 ? "\u2014" : DisplayText.byteCount(sizeBytes)
    readonly property alias button: button
    readonly property alias icon: icon
    readonly property alias nameText: nameText
    readonly property alias bundleIdText: bundleIdText
    readonly property alias versionText: versionText
    readonly property alias sizeLabel: sizeLabel

    // The row was clicked.
    signal uninstallRequested()

    implicitWidth: layout.implicitWidth
    implicitHeight: layout.implicitHeight + 18

    HoverLift {
        liftScale: 1.012
        cornerRadius: 8
    }

    T.AbstractButton {
        id: button
        FocusRing {}
        objectName: "appRowButton"
        anchors.fill: parent
        hoverEnabled: true
        onClicked: row.uninstallRequested()
    }

    RowLayout {
        id: layout
        anchors.fill: parent
        anchors.topMargin: 9
        anchors.bottomMargin: 9
        spacing: 12

        AppIcon {
            id: icon
            objectName: "appIcon"
            Layout.alignment: Qt.AlignVCenter
            iconId: row.iconId
            frameSize: 34
            fallbackSymbol: "app.dashed"
            fallbackSize: 26
        }
        ColumnLayout {
            Layout.alignment: Qt.AlignVCenter
            Layout.fillWidth: true
            spacing: 2
            Text {
                id: nameText
                objectName: "nameText"
                Layout.fillWidth: true
                text: row.name
                textFormat: Text.PlainText
                elide: Text.ElideRight
                font: Typo.system(14, Font.Medium)
                color: Design.Palette.textPrimary
            }
            Text {
                id: bundleIdText
                objectName: "bundleIdText"
                Layout.fillWidth: true
                text: row.bundleID !== "" ? row.bundleID : "\u2014"
                textFormat: Text.PlainText
                elide: Text.ElideMiddle
                maximumLineCount: 1
                font: Typo.caption
                color: Design.Palette.textSecondary
            }
        }
        Text {
            id: versionText
            objectName: "versionText"
            Layout.alignment: Qt.AlignVCenter
            visible: row.version !== ""
            text: "v" + row.version
            textFormat: Text.PlainText
            font: Typo.caption
            color: Design.Palette.textTertiary
        }
        Text {
            id: sizeLabel
            objectName: "sizeText"
            Layout.alignment: Qt.AlignVCenter
            Layout.preferredWidth: 72
            Layout.minimumWidth: 72
            Layout.maximumWidth: 72
            horizontalAlignment: Text.AlignRight
            text: row.sizeText
            textFormat: Text.PlainText
            font: Typo.system(13, Font.Normal)
            color: Design.Palette.textSecondary
        }
        SymbolImage {
            objectName: "trashSymbol"
            Layout.alignment: Qt.AlignVCenter
            name: "trash"
            size: Typo.pixelSize(Typo.body) * 1.2
            color: Theme.accent
        }
    }
}
