import QtQuick
import Quillmere.App
import Quillmere.Design
import Quillmere.Screens

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

    // The screen table: which screen each module shows, built from the container's models.
    function screenFor(module) {
        switch (module) {
        case "Smart Scan": return smartScanScreen
        case "Mac Health": return healthScreen
        case "Cleanup": return cleanupScreen
        case "Protection": return protectionScreen
        case "Performance": return performanceScreen
        case "Battery": return batteryScreen
        case "Applications": return applicationsScreen
        case "Files": return filesScreen
        case "Space Lens": return spaceLensScreen
        case "Disk": return diskScreen
        case "Cloud Cleanup": return cloudScreen
        }
        return null
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

    Component {
        id: smartScanScreen
        SmartScanView {
            model: root.models.smartScan
            health: root.models.health
            disk: root.models.disk
            largeFiles: root.models.largeFiles
            duplicates: root.models.duplicates
            cloud: root.models.cloud
            malware: root.models.malware
            navigate: root.navigate
            activity: root.app.activity
            firstFrame: root.app.firstFrame
            onFullDiskAccessSettingsRequested: root.app.openFullDiskAccessSettings()
        }
    }
    Component {
        id: healthScreen
        MacHealthView {
            navigate: root.navigate
            model: root.models.health
            activity: root.app.activity
        }
    }
    Component {
        id: cleanupScreen
        CleanupView {
            model: root.models.cleanup
            activity: root.app.activity
            onFullDiskAccessSettingsRequested: root.app.openFullDiskAccessSettings()
        }
    }
    Component {
        id: protectionScreen
        ProtectionView {
            privacy: root.models.privacy
            malware: root.models.malware
            focused: root.focused
            // Each visit opens on the Privacy tab.
            tab: ProtectionTab.privacy
        }
    }
    Component {
        id: performanceScreen
        PerformanceView {
            id: performancePage
            model: root.models.performance
            helper: root.models.helper
            activity: root.app.activity
            statsLoop: root.app.createPerformanceStatsLoop(root.models.performance, performancePage)
        }
    }
    Component {
        id: batteryScreen
        BatteryView {
            id: batteryPage
            // Made with the page and destroyed with it, which ends its reading loop.
            poller: root.app.createBatteryPoller(batteryPage)
        }
    }
    Component {
        id: applicationsScreen
        ApplicationsView {
            model: root.models.applications
            activity: root.app.activity
            onFullDiskAccessSettingsRequested: root.app.openFullDiskAccessSettings()
        }
    }
    Component {
        id: filesScreen
        FilesView {
            largeFiles: root.models.largeFiles
            duplicates: root.models.duplicates
            activity: root.app.activity
            focused: root.focused
            onFullDiskAccessSettingsRequested: root.app.openFullDiskAccessSettings()
        }
    }
    Component {
        id: spaceLensScreen
        SpaceLensView {
            model: root.models.spaceLens
            activity: root.app.activity
            onFullDiskAccessSettingsRequested: root.app.openFullDiskAccessSettings()
        }
    }
    Component {
        id: diskScreen
        DiskView {
            model: root.models.disk
        }
    }
    Component {
        id: cloudScreen
        CloudCleanupView {
            model: root.models.cloud
        }
    }
}
