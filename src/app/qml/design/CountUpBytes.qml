import QtQuick
import Quillmere.Design
import Quillmere.Design as Design

// A byte total that counts up: the text shows `shown`, which runs from 0 to `bytes` over 0.7 s with an
// ease-out each time the item appears and each time `bytes` changes, in the byte-count style ("0 KB"
// below 1 byte, then "999 bytes", "1.5 MB", ...). It always ends on the text of `bytes`. Set `font`;
// the colour is the primary text colour unless set. This platform's system font draws its digits at
// one width, so the text does not jitter while counting.
Text {
    id: label

    // The total, in bytes (whole numbers; exact up to 2^53).
    property double bytes: 0
    // The value drawn at this moment, in bytes.
    property double shown: 0
    readonly property int duration: 700
    readonly property bool counting: countUp.running

    // Starts the count from 0 again.
    function run() {
        countUp.stop()
        shown = 0
        countUp.to = bytes
        countUp.start()
    }

    text: DisplayText.byteCount(shown)
    textFormat: Text.PlainText
    font: Typo.body
    color: Design.Palette.textPrimary

    onBytesChanged: run()
    onVisibleChanged: if (visible) run()
    Component.onCompleted: run()

    NumberAnimation {
        id: countUp
        target: label
        property: "shown"
        from: 0
        duration: label.duration
        easing.type: Easing.Bezier
        easing.bezierCurve: [0, 0, 0.58, 1, 1, 1]
    }
}
