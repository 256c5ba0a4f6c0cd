import QtQuick
import QtQuick.Layouts
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// The Files page: the page header with the switch between its two tools as accessory, a divider, and
// the chosen tool's screen below (Large & Old or Duplicates). Its only state is the tool shown, which
// starts on Large & Old each time the page appears; the tools' models outlive it, so their folders,
// results and selections stay. While shown it publishes the scan command of the tool in view (target:
// the tool's raw value); it does not withdraw it when it goes, since the next module's is out by then.
Item {
    id: page

    required property LargeFilesViewModel largeFiles
    required property DuplicatesViewModel duplicates
    // Where "becomes active" comes from, handed to the tool screens.
    property AppActivity activity: null
    // Where the scan command is published; null publishes none.
    property FocusedValues focused: null
    // The tool shown, by raw value.
    property string tool: FilesTool.large

    readonly property alias header: header
    readonly property alias toolScreen: screenLoader

    // Runs the search of the tool in view.
    function scanTool() {
        if (page.tool === FilesTool.duplicates)
            page.duplicates.scan()
        else
            page.largeFiles.scan()
    }
    function publishScanCommand() {
        if (page.focused !== null)
            page.focused.publishScanCommand(page.tool, function() { page.scanTool() })
    }

    // What the page does each time it comes into view again: it opens on Large & Old (a switch makes
    // that tool's screen anew) and publishes the scan command of the tool in view.
    function appear() {
        if (page.tool !== FilesTool.large)
            page.tool = FilesTool.large
        else
            publishScanCommand()
    }

    onToolChanged: publishScanCommand()
    Component.onCompleted: publishScanCommand()

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        PageHeader {
            id: header
            objectName: "pageHeader"
            Layout.fillWidth: true
            title: "Files"
            subtitle: "Find your largest files and remove duplicate copies."
            icon: "folder"
            accessory: Component {
                Item {
                    implicitWidth: toolSwitch.implicitWidth
                    implicitHeight: toolSwitch.implicitHeight
                    ToolSwitch {
                        id: toolSwitch
                        objectName: "toolSwitch"
                        tool: page.tool
                        onPicked: tool => page.tool = tool
                    }
                }
            }
        }
        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: Design.Palette.hairline
        }
        Loader {
            id: screenLoader
            objectName: "toolScreen"
            Layout.fillWidth: true
            Layout.fillHeight: true
            sourceComponent: page.tool === FilesTool.duplicates ? duplicatesScreen : largeFilesScreen
        }
    }

    Component {
        id: largeFilesScreen
        LargeFilesView {
            objectName: "largeFilesView"
            model: page.largeFiles
            activity: page.activity
        }
    }
    Component {
        id: duplicatesScreen
        DuplicatesView {
            objectName: "duplicatesView"
            model: page.duplicates
            activity: page.activity
        }
    }
}
