import QtQuick
import Quillmere.App
import Quillmere.Screens

// The Protection page as the root view shows it, fed from the root view's models and application. The
// root view loads this file by its address on the module's first visit, so its types load only then.
ProtectionView {
    required property RootView root

    privacy: root.models.privacy
    malware: root.models.malware
    focused: root.focused
    // Each visit opens on the Privacy tab.
    tab: ProtectionTab.privacy
}
