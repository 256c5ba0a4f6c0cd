import QtQuick
import Quillmere.App

// What the main window shows: the onboarding about the home folder while it could not be read when
// this content was made and "hasSeenPermissionsOnboarding" is not set, otherwise the root view. Access is probed
// once, here; only the onboarding's continue action (which sets the flag for good) makes the root view
// take its place. The content asks for at least 860 by 580, the root view for 1000 by 660.
Item {
    id: content

    required property QuillmereApp app
    required property FocusedValues focused

    // Probed once, when the content is made: the binding depends on nothing that changes later.
    readonly property bool needsPermissions: !app.isFullDiskAccessGranted()
    readonly property bool showsOnboarding: needsPermissions && !app.hasSeenPermissionsOnboarding
    readonly property real minimumWidth: showsOnboarding ? 860 : 1000
    readonly property real minimumHeight: showsOnboarding ? 580 : 660
    // The onboarding or the root view, whichever is shown.
    readonly property Item shown: loader.item

    Loader {
        id: loader
        width: Math.max(content.width, content.minimumWidth)
        height: Math.max(content.height, content.minimumHeight)
        sourceComponent: content.showsOnboarding ? onboarding : rootView
    }

    Component {
        id: onboarding
        FullDiskAccessOnboardingView {
            objectName: "onboarding"
            app: content.app
            granted: content.app.isFullDiskAccessGranted()
            onContinueChosen: content.app.hasSeenPermissionsOnboarding = true
        }
    }
    Component {
        id: rootView
        RootView {
            objectName: "rootView"
            app: content.app
            focused: content.focused
        }
    }
}
