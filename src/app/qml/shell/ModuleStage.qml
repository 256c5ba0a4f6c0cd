import QtQuick
import Quillmere.App

// The area right of the sidebar where the selected module's screen is shown. Each `show` replaces the
// screen as a whole: the old one fades out while the new one slides in (see ModuleScreenSlot).
Item {
    id: stage

    // Takes a module id and returns the address of its screen's file (empty: no screen).
    required property var screenFor
    // The properties every screen is made with.
    property var screenProperties: ({})
    // The module whose screen was shown last; empty before the first.
    readonly property string module: current !== null ? current.module : ""
    // The screen being shown (not the one fading out), or null.
    readonly property Item screen: current !== null ? current.screenItem : null
    property ModuleScreenSlot current: null

    // Shows `moduleId`'s screen, with the transition when `animated`.
    function show(moduleId, animated) {
        if (current !== null)
            current.leave(animated)
        current = slotComponent.createObject(stage, {
            module: moduleId,
            screen: stage.screenFor(moduleId),
            screenProperties: stage.screenProperties,
            animated: animated
        })
    }

    Component {
        id: slotComponent
        ModuleScreenSlot {
            width: stage.width
            height: stage.height
        }
    }
}
