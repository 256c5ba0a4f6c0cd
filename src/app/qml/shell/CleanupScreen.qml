import QtQuick
import Quillmere.App
import Quillmere.Screens

// The Cleanup page as the root view shows it, fed from the root view's models and application. The
// root view loads this file by its address on the module's first visit, so its types load only then.
CleanupView {
    required property RootView root

    model: root.models.cleanup
    activity: root.app.activity
}
