import QtQuick
import Quillmere.App

// The area right of the sidebar where the selected module's screen is shown. A module's screen is made
// on its first visit and kept: leaving it fades it out and then hides it (not drawn, taking no input),
// and coming back shows the same screen again, sliding in while the old one fades out (see
// ModuleScreenSlot). Only the screens visited so far exist.
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
    // The slot of every module visited so far, by module id.
    property var slots: ({})
    // Raised for every showing, so the screen coming in lies over the one fading out.
    property int stacking: 0

    // The slot kept for `moduleId`, or null before its first visit.
    function slotFor(moduleId) {
        return slots.hasOwnProperty(moduleId) ? slots[moduleId] : null
    }

    // Shows `moduleId`'s screen, with the transition when `animated`: made on the first visit, shown
    // again (and told it appears) on every later one.
    function show(moduleId, animated) {
        if (current !== null)
            current.leave(animated)
        stacking += 1
        let slot = slotFor(moduleId)
        if (slot === null) {
            slot = slotComponent.createObject(stage, {
                module: moduleId,
                screen: stage.screenFor(moduleId),
                screenProperties: stage.screenProperties,
                animated: animated,
                z: stacking
            })
            slots[moduleId] = slot
        } else {
            slot.z = stacking
            slot.enter(animated)
        }
        current = slot
    }

    Component {
        id: slotComponent
        ModuleScreenSlot {
            width: stage.width
            height: stage.height
        }
    }
}
