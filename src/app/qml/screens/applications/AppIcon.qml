import QtQuick
import Quillmere.Design
import Quillmere.Design as Design

// An application's icon in a square frame: the icon file its entry names, loaded off the GUI thread
// through the application icon provider and scaled to fill the frame, or, when it has none or
// it cannot be read, the `fallbackSymbol` centred in the frame.
Item {
    id: icon

    // The icon's id (the percent-encoded bytes of its path, as the list gives it); empty for none.
    property string iconId: ""
    // Width and height of the frame, logical pixels.
    property real frameSize: 34
    property string fallbackSymbol: "app.dashed"
    property real fallbackSize: 26
    property color fallbackColor: Design.Palette.textSecondary

    // The application's icon is on screen (not the fallback).
    readonly property bool showsImage: image.status === Image.Ready
    readonly property bool showsFallback: fallback.visible
    readonly property alias image: image

    implicitWidth: frameSize
    implicitHeight: frameSize

    Image {
        id: image
        anchors.fill: parent
        visible: status === Image.Ready
        source: icon.iconId !== "" ? "image://appicon/" + icon.iconId : ""
        asynchronous: true
        // Twice the frame, so the icon stays sharp on a high-density display.
        sourceSize: Qt.size(icon.frameSize * 2, icon.frameSize * 2)
        fillMode: Image.PreserveAspectCrop
        smooth: true
        mipmap: true
    }
    SymbolImage {
        id: fallback
        objectName: "iconFallback"
        anchors.centerIn: parent
        visible: image.status === Image.Null || image.status === Image.Error
        name: icon.fallbackSymbol
        size: icon.fallbackSize
        color: icon.fallbackColor
    }
}
