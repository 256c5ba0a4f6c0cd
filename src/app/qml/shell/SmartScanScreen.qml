import QtQuick
import Quillmere.App
import Quillmere.Screens

// The Smart Scan page as the root view shows it, fed from the root view's models and application. The
// root view loads this file by its address on the module's first visit, so its types load only then.
SmartScanView {
    required property RootView root

    model: root.models.smartScan
    health: root.models.health
    disk: root.models.disk
    largeFiles: root.models.largeFiles
    duplicates: root.models.duplicates
    cloud: root.models.cloud
    malware: root.models.malware
    navigate: root.navigate
    activity: root.app.activity
    firstFrame: root.app.firstFrame
}
