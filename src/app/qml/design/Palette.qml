pragma Singleton
import QtQuick

// Text, fill and line colours for the dark brand background: white at reduced opacity, plus the two
// status colours. QtQuick has a type of the same name that wins over this one in unqualified use, so
// reach it through a qualified import: `import Quillmere.Design as Design`, then `Design.Palette`.
QtObject {
    readonly property color textPrimary: Qt.rgba(1, 1, 1, 0.96)
    readonly property color textSecondary: Qt.rgba(1, 1, 1, 0.64)
    readonly property color textTertiary: Qt.rgba(1, 1, 1, 0.42)
    readonly property color fillFaint: Qt.rgba(1, 1, 1, 0.05)
    readonly property color fillSubtle: Qt.rgba(1, 1, 1, 0.08)
    readonly property color fillMuted: Qt.rgba(1, 1, 1, 0.12)
    // The value of fillSubtle, kept as a token of its own.
    readonly property color hairline: Qt.rgba(1, 1, 1, 0.08)
    // The value of fillMuted, kept as a token of its own.
    readonly property color stroke: Qt.rgba(1, 1, 1, 0.12)
    // sRGB (62, 207, 142), hex 3ECF8E (also the Cleanup module's tint).
    readonly property color success: Qt.rgba(62 / 255, 207 / 255, 142 / 255, 1)
    // The same colour as Theme.warning.
    readonly property color warning: Theme.warning
}
