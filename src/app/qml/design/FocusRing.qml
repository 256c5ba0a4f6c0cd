import QtQuick
import Quillmere.Design

// The one focus look of every control that takes keyboard focus: a ring 2 wide in `Theme.focusRing`
// along the inside of the control's edge (so no clipping list or card cuts it), following the control's
// corner radius, drawn over its content. It shows while the control holds focus that came from the
// keyboard (Tab, Backtab, the arrow keys that move focus: a control's `visualFocus`, or `activeFocus`
// for an item without it), never after a click. Put it inside the control (or inside the frame of the
// `control` it names); it fills its parent.
Rectangle {
    id: ring

    // The control whose focus it shows: the parent, unless set (a field whose frame holds its input).
    property Item control: parent
    // The control's corner radius: its background's radius when it has one.
    property real cornerRadius: control !== null && control.background !== undefined && control.background !== null
                                && control.background.radius !== undefined ? control.background.radius : 4
    readonly property bool shown: control !== null
                                  && (control.visualFocus !== undefined ? control.visualFocus : control.activeFocus)

    objectName: "focusRing"
    anchors.fill: parent
    z: 100
    visible: shown
    radius: cornerRadius
    color: "transparent"
    border.width: Theme.focusRingWidth
    border.color: Theme.focusRing
    antialiasing: true
}
