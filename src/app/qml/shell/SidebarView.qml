import QtQuick
import QtQuick.Layouts
import Quillmere.App
import Quillmere.Design

// The window's left column, 228 wide and as tall as it is given, on black 0.18 with a white 0.07
// hairline along its right edge. Top to bottom, 2 apart: the brand block (the logo at 30 with a black
// 0.25 shadow, blur 4, 1 down, and "Quillmere" in 16 semibold white, 10 apart; padded 16 at the sides,
// 40 above and 16 below), one row per module in sidebar order (10 in from each edge), free space, and
// the storage gauge padded 16. A click on a row selects its module on the navigator. Only the gauge
// follows the storage monitor. Up and Down move the keyboard focus from row to row (stopping at the
// first and the last); Return or Space on a row selects its module, as a click does. While a row holds
// the focus, the focus follows the selection however it changes (a Go menu shortcut, say), so the
// focus ring is never on another row than the selected one.
Item {
    id: sidebar

    // Holds the selection: the rows read it and a click writes it.
    required property Navigator navigator
    required property StorageMonitor storage

    readonly property alias gauge: gauge
    readonly property alias rows: rows

    implicitWidth: 228
    width: 228

    Connections {
        target: sidebar.navigator
        function onSelectionChanged() {
            let focusedRow = null
            let selectedRow = null
            for (let i = 0; i < rows.count; ++i) {
                const row = rows.itemAt(i)
                if (row === null)
                    continue
                if (row.activeFocus)
                    focusedRow = row
                if (row.module === sidebar.navigator.selection)
                    selectedRow = row
            }
            if (focusedRow !== null && selectedRow !== null && focusedRow !== selectedRow)
                selectedRow.forceActiveFocus(Qt.TabFocusReason)
        }
    }

    Rectangle {
        anchors.fill: parent
        color: Qt.rgba(0, 0, 0, 0.18)
    }
    Rectangle {
        objectName: "hairline"
        anchors.right: parent.right
        width: 1
        height: parent.height
        color: Qt.rgba(1, 1, 1, 0.07)
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 2

        RowLayout {
            objectName: "brandBlock"
            Layout.fillWidth: true
            Layout.leftMargin: 16
            Layout.rightMargin: 16
            Layout.topMargin: 40
            Layout.bottomMargin: 16
            spacing: 10

            Item {
                Layout.preferredWidth: 30
                Layout.preferredHeight: 30
                RoundedShadow {
                    anchors.fill: parent
                    cornerRadius: 7
                    color: Qt.rgba(0, 0, 0, 0.25)
                    blurRadius: 4
                    offsetY: 1
                }
                AppLogo {
                    size: 30
                }
            }
            Text {
                text: "Quillmere"
                textFormat: Text.PlainText
                font: Typo.system(16, Font.DemiBold)
                color: "white"
            }
            Item {
                Layout.fillWidth: true
            }
        }

        Repeater {
            id: rows
            model: QuillmereModule.allCases

            SidebarItem {
                required property string modelData
                required property int index
                objectName: "sidebarRow:" + modelData
                Layout.fillWidth: true
                Layout.leftMargin: 10
                Layout.rightMargin: 10
                module: modelData
                isSelected: sidebar.navigator.selection === modelData
                onActivated: sidebar.navigator.selection = modelData
                onStepRequested: step => {
                    const next = rows.itemAt(index + step)
                    if (next !== null)
                        next.forceActiveFocus(Qt.TabFocusReason)
                }
            }
        }

        Item {
            Layout.fillHeight: true
        }

        StorageGauge {
            id: gauge
            Layout.fillWidth: true
            Layout.margins: 16
            storage: sidebar.storage
        }
    }
}
