// The application's QML modules are static libraries: importing their plugins here registers their
// types with every QML engine of a program that links this file.
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Quillmere_AppPlugin)
Q_IMPORT_QML_PLUGIN(Quillmere_DesignPlugin)
Q_IMPORT_QML_PLUGIN(Quillmere_ScreensPlugin)
Q_IMPORT_QML_PLUGIN(Quillmere_ShellPlugin)
