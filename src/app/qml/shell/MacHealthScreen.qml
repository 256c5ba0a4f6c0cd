import QtQuick
import Quillmere.App
import Quillmere.Screens

// The Mac Health page as the root view shows it, fed from the root view's models and application. The
// root view loads this file by its address on the module's first visit, so its types load only then.
MacHealthView {
    required property RootView root

    navigate: root.navigate
    model: root.models.health
    activity: root.app.activity
}
