import QtQuick
import Quillmere.App
import Quillmere.Screens

// The Performance page as the root view shows it, fed from the root view's models and application. The
// root view loads this file by its address on the module's first visit, so its types load only then.
PerformanceView {
    id: performancePage
    required property RootView root

    model: root.models.performance
    helper: root.models.helper
    activity: root.app.activity
    statsLoop: root.app.createPerformanceStatsLoop(root.models.performance, performancePage)
}
