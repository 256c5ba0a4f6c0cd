import QtQuick
import QtQuick.Controls.Basic
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// The application's one window, "Quillmere", 1040 by 700 at first and dark: the menu bar (the
// application, File, Go and Help menus) over the window content, and the About panel. The content
// keeps the window from shrinking below its minimum (860 by 580 with the onboarding, 1000 by 660 with
// the root view) plus the menu bar. The menu items follow what the visible screen publishes; while the
// About panel is open, the scan and Go commands are off. As in the desktop's other applications, F10
// opens the first menu and Alt with a title's underlined letter (Q, F, G, H) opens that menu.
ApplicationWindow {
    id: window

    required property QuillmereApp app

    readonly property FocusedValues focused: focusedValues
    readonly property alias content: content
    // Null until the first frame is on screen.
    readonly property AboutPanel aboutPanel: aboutPanelMaker.object
    readonly property alias scanAction: scanAction
    readonly property alias checkForUpdatesAction: checkForUpdatesAction
    readonly property alias openFailureAlert: openFailureAlert
    readonly property string scanTitle: focusedValues.hasScanCommand ? "Scan " + focusedValues.scanTarget : "Scan"
    // The commands that act on the screen are off while the About panel covers it, so their shortcuts
    // never reach what cannot be seen.
    readonly property bool screenCommandsEnabled: aboutPanel === null || !aboutPanel.visible

    width: 1040
    height: 700
    minimumWidth: content.minimumWidth
    minimumHeight: content.minimumHeight + (menuBar !== null ? menuBar.height : 0)
    visible: true
    title: "Quillmere"
    color: Qt.rgba(11 / 255, 13 / 255, 26 / 255, 1)
    font: Typo.body

    palette {
        window: Qt.rgba(11 / 255, 13 / 255, 26 / 255, 1)
        windowText: Design.Palette.textPrimary
        base: Qt.rgba(24 / 255, 27 / 255, 42 / 255, 1)
        text: Design.Palette.textPrimary
        button: Qt.rgba(1, 1, 1, 0.10)
        buttonText: Design.Palette.textPrimary
        highlight: Theme.accent
        highlightedText: "white"
    }

    FocusedValues {
        id: focusedValues
    }

    // The menus' items are not needed for the first frame: they are made once it is on screen.
    function makeMenuEntries() {
        for (let i = 0; i < menuBar.count; ++i)
            menuBar.menuAt(i).makeEntries()
    }
    Connections {
        target: window.app.firstFrame
        function onShownChanged() {
            window.makeMenuEntries()
        }
    }
    Component.onCompleted: {
        if (app.firstFrame.shown)
            makeMenuEntries()
    }

    menuBar: MenuBar {
        id: menuBar

        delegate: MenuBarItem {
            id: barItem
            implicitHeight: 28
            leftPadding: 10
            rightPadding: 10
            font: Typo.body

            // Escape closes the open menu the way a click on its title does, so the bar leaves its
            // menu mode: left to the menu itself, the bar kept that mode while the pointer rested on
            // the title, and the next click only ended it. Then, as the bar's own Escape does, the
            // title loses its highlight and the bar its focus; one click opens the menu again.
            Shortcut {
                sequences: [StandardKey.Cancel]
                enabled: barItem.menu !== null && barItem.menu.visible
                onActivated: {
                    barItem.triggered()
                    barItem.highlighted = false
                    menuBar.focus = false
                }
            }
            // After Escape the bar still counts this title as its current one and so does not
            // highlight it again when the next click opens its menu; the title does it itself.
            Connections {
                target: barItem.menu
                function onAboutToShow() {
                    barItem.highlighted = true
                }
            }
            // The title's mnemonic ("&File") without its marker.
            contentItem: Text {
                text: barItem.text.replace("&", "")
                textFormat: Text.PlainText
                font: barItem.font
                color: Design.Palette.textPrimary
                verticalAlignment: Text.AlignVCenter
            }
            background: Rectangle {
                color: barItem.highlighted ? Qt.rgba(1, 1, 1, 0.12) : "transparent"
            }
        }
        background: Rectangle {
            implicitHeight: 28
            color: Qt.rgba(16 / 255, 18 / 255, 32 / 255, 1)
            Rectangle {
                anchors.bottom: parent.bottom
                width: parent.width
                height: 1
                color: Qt.rgba(1, 1, 1, 0.07)
            }
        }

        CommandMenu {
            title: "&Quillmere"
            entries: Component {
                CommandMenu.Entries {
                    CommandMenuItem { action: aboutAction }
                    CommandMenuItem { action: checkForUpdatesAction }
                    MenuSeparator {}
                    CommandMenuItem { action: quitAction; shortcutText: "Ctrl+Q" }
                }
            }
        }
        CommandMenu {
            title: "&File"
            entries: Component {
                CommandMenu.Entries {
                    CommandMenuItem { action: scanAction; symbol: "magnifyingglass"; shortcutText: "Ctrl+R" }
                }
            }
        }
        CommandMenu {
            id: goMenu
            title: "&Go"
            entries: Component {
                CommandMenu.Entries {
                    Instantiator {
                        model: goActions.count
                        delegate: CommandMenuItem {
                            required property int index
                            action: goActions.objectAt(index)
                            symbol: QuillmereModule.systemImage(QuillmereModule.allCases[index])
                            shortcutText: QuillmereModule.shortcut(index)
                        }
                        onObjectAdded: (index, object) => goMenu.insertItem(index, object)
                        onObjectRemoved: (index, object) => goMenu.removeItem(object)
                    }
                }
            }
        }
        CommandMenu {
            title: "&Help"
            entries: Component {
                CommandMenu.Entries {
                    CommandMenuItem { action: guideAction }
                    CommandMenuItem { action: supportAction }
                }
            }
        }
    }

    // F10 opens the first menu, its first item current, as the desktop's menu bars do.
    Shortcut {
        sequence: "F10"
        enabled: menuBar.count > 0 && !menuBar.menuAt(0).visible
        onActivated: {
            const title = menuBar.itemAt(0)
            title.triggered()
            title.highlighted = true
            menuBar.menuAt(0).currentIndex = 0
        }
    }

    // The commands, made with the window so that their shortcuts work from the start; the menus' items
    // that show them are made once the first frame is on screen.
    Action {
        id: aboutAction
        objectName: "aboutAction"
        text: "About Quillmere"
        onTriggered: {
            if (window.aboutPanel !== null)
                window.aboutPanel.open()
        }
    }
    Action {
        id: checkForUpdatesAction
        objectName: "checkForUpdatesAction"
        text: "Check for Updates…"
        onTriggered: window.app.checkForUpdates()
    }
    Action {
        id: quitAction
        objectName: "quitAction"
        text: "Quit Quillmere"
        shortcut: StandardKey.Quit
        onTriggered: Qt.quit()
    }
    Action {
        id: scanAction
        objectName: "scanAction"
        text: window.scanTitle
        shortcut: "Ctrl+R"
        enabled: focusedValues.hasScanCommand && window.screenCommandsEnabled
        // Reads the published command again when it runs.
        onTriggered: focusedValues.runScanCommand()
    }
    Instantiator {
        id: goActions
        model: QuillmereModule.allCases
        delegate: Action {
            required property int index
            required property string modelData
            objectName: "goAction:" + modelData
            text: QuillmereModule.title(modelData)
            shortcut: QuillmereModule.shortcut(index)
            enabled: focusedValues.moduleCommandsEnabled && window.screenCommandsEnabled
            onTriggered: window.app.navigator.selection = modelData
        }
    }
    Action {
        id: guideAction
        objectName: "guideAction"
        text: "Quillmere User Guide"
        onTriggered: window.app.openGuide()
    }
    Action {
        id: supportAction
        objectName: "supportAction"
        text: "Quillmere Support"
        onTriggered: window.app.openSupport()
    }

    MainWindowContent {
        id: content
        objectName: "content"
        anchors.fill: parent
        app: window.app
        focused: focusedValues
    }

    // What the desktop did not open, said over the window.
    OpenFailureAlert {
        id: openFailureAlert
    }
    Connections {
        target: window.app
        function onOpenFailed(title, message, subject) {
            openFailureAlert.show(title, message, subject)
        }
    }

    // Made once the first frame is on screen, as the menus' items are.
    Instantiator {
        id: aboutPanelMaker
        active: window.app.firstFrame.shown
        delegate: AboutPanel {
            parent: window.contentItem
            app: window.app
        }
    }
}
