pragma Singleton
import QtQuick

// How a health severity looks. Severities are the raw values of the health model's HealthSeverity:
// 0 unknown, 1 good, 2 warning, 3 critical. The three fixed colours are sRGB at opacity 1, their own
// values (not Theme.warning, Theme.danger or Palette.success); unknown, and any number outside 0..3,
// takes the secondary text colour.
QtObject {
    readonly property int unknown: 0
    readonly property int good: 1
    readonly property int warning: 2
    readonly property int critical: 3

    // sRGB (54, 210, 122).
    readonly property color goodColor: Qt.rgba(54 / 255, 210 / 255, 122 / 255, 1)
    // sRGB (246, 162, 60).
    readonly property color warningColor: Qt.rgba(246 / 255, 162 / 255, 60 / 255, 1)
    // sRGB (242, 86, 107).
    readonly property color criticalColor: Qt.rgba(242 / 255, 86 / 255, 107 / 255, 1)
    // The secondary text colour, Palette.textSecondary: white at 0.64. (A singleton of this module
    // cannot import the module itself, so the value is repeated; the tests hold the two together.)
    readonly property color unknownColor: Qt.rgba(1, 1, 1, 0.64)

    // The colour of `severity`.
    function color(severity) {
        switch (severity) {
        case good: return goodColor
        case warning: return warningColor
        case critical: return criticalColor
        default: return unknownColor
        }
    }
    // The system symbol a recommendation of `severity` shows.
    function symbol(severity) {
        switch (severity) {
        case good: return "checkmark.circle.fill"
        case warning: return "exclamationmark.triangle.fill"
        case critical: return "exclamationmark.octagon.fill"
        default: return "questionmark.circle.fill"
        }
    }
}
