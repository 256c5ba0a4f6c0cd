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
    // One statistics loop per visit, owned by the page: made with the page and again each time it comes
    // back into view, ended each time it goes out of view.
    statsLoop: root.app.createPerformanceStatsLoop(root.models.performance, performancePage)

    onVisibleChanged: {
        if (visible) {
            if (statsLoop === null)
                statsLoop = root.app.createPerformanceStatsLoop(root.models.performance, performancePage)
        } else if (statsLoop !== null) {
            const ended = statsLoop
            statsLoop = null
            root.app.releaseLoop(ended)
        }
    }
}
