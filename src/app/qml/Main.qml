import QtQuick
import Quillmere.Shell

// The program's one window; main() passes the application object as `app`.
MainWindow {}
