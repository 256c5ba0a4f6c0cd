pragma Singleton
import QtQuick

// Brand colours. Every component is an integer over 255; opacities are fractions.
QtObject {
    // sRGB (45, 185, 131), hex 2DB983: the colour of anything tinted outside a module.
    readonly property color accent: Qt.rgba(45 / 255, 185 / 255, 131 / 255, 1)
    // The accent at opacity 0.14.
    readonly property color accentSoft: Qt.rgba(45 / 255, 185 / 255, 131 / 255, 0.14)
    // sRGB (232, 168, 76), hex E8A84C.
    readonly property color warning: Qt.rgba(232 / 255, 168 / 255, 76 / 255, 1)
    // sRGB (226, 92, 92), hex E25C5C.
    readonly property color danger: Qt.rgba(226 / 255, 92 / 255, 92 / 255, 1)
    // sRGB (122, 184, 255), hex 7AB8FF: the keyboard focus ring of every control (FocusRing), light
    // enough to read on the dark window, the tinted buttons and the alert cards alike.
    readonly property color focusRing: Qt.rgba(122 / 255, 184 / 255, 255 / 255, 1)
    // The focus ring's width in points.
    readonly property real focusRingWidth: 2

    // `color` with its opacity replaced by `opacity` (0..1); the components stay exactly as they were.
    function withOpacity(color, opacity) {
        return Qt.rgba(color.r, color.g, color.b, opacity)
    }
}
