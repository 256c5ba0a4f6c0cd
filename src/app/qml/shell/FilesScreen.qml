import QtQuick
import Quillmere.App
import Quillmere.Screens

// The Files page as the root view shows it, fed from the root view's models and application. The
// root view loads this file by its address on the module's first visit, so its types load only then.
FilesView {
    required property RootView root

    largeFiles: root.models.largeFiles
    duplicates: root.models.duplicates
    activity: root.app.activity
    focused: root.focused
}
