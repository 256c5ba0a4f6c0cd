import QtQuick
import Quillmere.App
import Quillmere.Screens

// The Battery page as the root view shows it, fed from the root view's models and application. The
// root view loads this file by its address on the module's first visit, so its types load only then.
BatteryView {
    id: batteryPage
    required property RootView root

    // One reading loop per visit, owned by the page: made with the page and again each time it comes
    // back into view, ended each time it goes out of view.
    poller: root.app.createBatteryPoller(batteryPage)

    onVisibleChanged: {
        if (visible) {
            if (poller === null)
                poller = root.app.createBatteryPoller(batteryPage)
        } else if (poller !== null) {
            const ended = poller
            poller = null
            root.app.releaseLoop(ended)
        }
    }
}
