import QtQuick
import Quillmere.App
import Quillmere.Design

// Holds one module's screen on the stage, with the module's tint in scope. Made with `animated`, it
// slides in 22 from the right while fading in; `leave` fades it out and then destroys it. Both take
// 0.28 s, eased in and out. A leaving slot takes no input.
Item {
    id: slot

    // The module id (its title).
    required property string module
    // The address of the screen's file and the properties it is made with.
    required property url screen
    required property var screenProperties
    required property bool animated

    readonly property real insertionOffset: 22
    readonly property int duration: 280
    readonly property alias screenItem: loader.item
    property bool leaving: false

    ModuleTint.tint: QuillmereModule.tint(module)
    enabled: !leaving
    x: animated ? insertionOffset : 0
    opacity: animated ? 0 : 1

    // Fades out, then destroys this slot; at once when not `animated`.
    function leave(animated) {
        leaving = true
        enter.stop()
        if (animated)
            exit.start()
        else
            slot.destroy()
    }

    Loader {
        id: loader
        anchors.fill: parent
    }

    ParallelAnimation {
        id: enter
        NumberAnimation {
            target: slot
            property: "x"
            to: 0
            duration: slot.duration
            easing.type: Easing.Bezier
            easing.bezierCurve: [0.42, 0, 0.58, 1, 1, 1]
        }
        NumberAnimation {
            target: slot
            property: "opacity"
            to: 1
            duration: slot.duration
            easing.type: Easing.Bezier
            easing.bezierCurve: [0.42, 0, 0.58, 1, 1, 1]
        }
    }
    SequentialAnimation {
        id: exit
        NumberAnimation {
            target: slot
            property: "opacity"
            to: 0
            duration: slot.duration
            easing.type: Easing.Bezier
            easing.bezierCurve: [0.42, 0, 0.58, 1, 1, 1]
        }
        ScriptAction {
            script: slot.destroy()
        }
    }

    Component.onCompleted: {
        loader.setSource(screen, screenProperties)
        if (animated)
            enter.start()
    }
}
