import QtQuick
import QtQuick.Layouts
import Quillmere.Design
import Quillmere.Design as Design

// The row of one launch job: a bolt (filled and in the accent colour when it runs at load), the
// display name over the program (both one line, shortened in the middle, shown as plain text), and at
// the trailing end either "Disable" (a login item; disabled while `isDisabling`) or, for a system item
// (`hasAction` false), a lock with its hover help. `agent` is one map of the Performance model's lists.
Item {
    id: row

    required property var agent
    property bool isDisabling: false
    // A login item offers Disable; a system item shows the lock instead.
    property bool hasAction: false

    readonly property alias nameText: nameText
    readonly property alias programText: programText
    readonly property alias disableButton: disableButton

    // Disable was pressed.
    signal action()

    implicitHeight: layout.implicitHeight + 18

    RowLayout {
        id: layout
        x: 12
        width: row.width - 24
        anchors.verticalCenter: parent.verticalCenter
        spacing: 12

        SymbolImage {
            objectName: "runAtLoadSymbol"
            Layout.preferredWidth: 22
            horizontalAlignment: Text.AlignHCenter
            name: row.agent.runAtLoad ? "bolt.fill" : "bolt"
            size: 14
            color: row.agent.runAtLoad ? Theme.accent : Design.Palette.textSecondary
        }
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 1
            Text {
                id: nameText
                objectName: "agentName"
                Layout.fillWidth: true
                text: row.agent.name
                textFormat: Text.PlainText
                maximumLineCount: 1
                elide: Text.ElideMiddle
                font: Typo.body
                color: Design.Palette.textPrimary
            }
            Text {
                id: programText
                objectName: "agentProgram"
                Layout.fillWidth: true
                text: row.agent.program
                textFormat: Text.PlainText
                maximumLineCount: 1
                elide: Text.ElideMiddle
                font: Typo.caption
                color: Design.Palette.textTertiary
            }
        }
        SymbolImage {
            id: lock
            objectName: "systemLock"
            visible: !row.hasAction
            name: "lock.fill"
            size: 11
            color: Design.Palette.textTertiary
            HoverHandler { id: lockHover }
            HelpTip {
                text: "System item \u2014 managed by the system"
                visible: lockHover.hovered
            }
        }
        QuillmereButtonStyle {
            id: disableButton
            objectName: "disableButton"
            visible: row.hasAction
            kind: QuillmereButtonStyle.Secondary
            text: "Disable"
            enabled: !row.isDisabling
            opacity: enabled ? 1 : 0.5
            onClicked: row.action()
        }
    }
}
