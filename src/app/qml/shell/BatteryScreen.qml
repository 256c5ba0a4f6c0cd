import QtQuick
import Quillmere.App
import Quillmere.Screens

// The Battery page as the root view shows it, fed from the root view's models and application. The
// root view loads this file by its address on the module's first visit, so its types load only then.
BatteryView {
    id: batteryPage
    required property RootView root

    // Made with the page and destroyed with it, which ends its reading loop.
    poller: root.app.createBatteryPoller(batteryPage)
}
