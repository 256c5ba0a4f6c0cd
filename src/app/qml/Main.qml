import QtQuick

Window {
    width: 1040
    height: 700
    visible: true
    title: "Quillmere"
    color: "#0b0d1a"
}
