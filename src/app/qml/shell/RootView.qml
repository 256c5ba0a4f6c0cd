import QtQuick
import Quillmere.App
import Quillmere.Design

// The window's content once the onboarding is out of the way: the selected module's brand background
// across the whole view, the sidebar at the left and the module's screen beside it, with the module's
// tint in scope. It owns one view-model container for as long as it lives, publishes the visible
// screen's scan command and that a module screen is visible, and refreshes the storage reading on
// every module switch. It asks for at least 1000 by 660.
Item {
    id: root

    required property QuillmereApp app
    // Where the menu bar reads what this view publishes.
    required property FocusedValues focused

    readonly property Navigator navigator: app.navigator
    // Made once, when this view is made, and destroyed with it.
    readonly property ModuleModels models: app.createModuleModels(root)
    readonly property real minimumWidth: 1000
    readonly property real minimumHeight: 660
    readonly property alias sidebar: sidebar
    readonly property alias stage: stage

    // Selects `module` (an id), as the home screens' cards do.
    function navigate(module) {
        root.navigator.selection = module
    }

    // The screen table: the file of the screen each module shows (each one fed from this view's models
    // and application), or an empty address. A screen's file, and with it its types, is loaded only when
    // the module is first shown.
    function screenFor(module) {
        switch (module) {
        case "Smart Scan": return Qt.resolvedUrl("SmartScanScreen.qml")
        case "Mac Health": return Qt.resolvedUrl("MacHealthScreen.qml")
        case "Cleanup": return Qt.resolvedUrl("CleanupScreen.qml")
        case "Protection": return Qt.resolvedUrl("ProtectionScreen.qml")
        case "Performance": return Qt.resolvedUrl("PerformanceScreen.qml")
        case "Battery": return Qt.resolvedUrl("BatteryScreen.qml")
        case "Applications": return Qt.resolvedUrl("ApplicationsScreen.qml")
        case "Files": return Qt.resolvedUrl("FilesScreen.qml")
        case "Space Lens": return Qt.resolvedUrl("SpaceLensScreen.qml")
        case "Disk": return Qt.resolvedUrl("DiskScreen.qml")
        case "Cloud Cleanup": return Qt.resolvedUrl("CloudCleanupScreen.qml")
        }
        return ""
    }

    BrandBackground {
        anchors.fill: parent
        module: root.navigator.selection
    }

    SidebarView {
        id: sidebar
        height: parent.height
        navigator: root.navigator
        storage: root.models.storage
    }
    ModuleStage {
        id: stage
        x: sidebar.width
        width: parent.width - sidebar.width
        height: parent.height
        screenFor: root.screenFor
        screenProperties: ({root: root})
    }

    Connections {
        target: root.navigator
        // The command first, so a screen that publishes its own does so after it.
        function onSelectionChanged() {
            root.models.publishScanCommand(root.focused, root.navigator.selection)
            stage.show(root.navigator.selection, true)
            if (root.models.storage !== null)
                root.models.storage.refresh()
        }
    }

    Component.onCompleted: {
        focused.moduleUIVisible = true
        models.publishScanCommand(focused, navigator.selection)
        stage.show(navigator.selection, false)
    }
    Component.onDestruction: {
        if (focused !== null) {
            focused.clearScanCommand()
            focused.moduleUIVisible = undefined
        }
    }
}
