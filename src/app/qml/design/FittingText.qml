import QtQuick
import Quillmere.Design

// A text that gives way by the type scale before it cuts anything: it shows in `largeFont` when the whole
// text fits its width on one line, else in `smallFont` when that fits, else in `smallFont` over as many
// as `maximumLineCount` lines (a second line only where the owner allows it), and only then is cut at
// its end. Lines break between words only: when a word alone is wider than the line even in
// `smallFont`, the text stays on one line cut at its end ("Protecti…"), never split inside the word nor
// drawn past its edge. `fitsWhole` says whether the whole text shows. Plain text, always.
Text {
    id: fitting

    property font largeFont: Typo.caption
    property font smallFont: Typo.captionSmall
    // The width the text may take: its own unless set. A text laid out by a layout (whose width the
    // layout derives from the text's own size) is given the room its owner computes instead.
    property real availableWidth: width
    // Layouts place their items on whole pixels and may round the room computed for a text down, so a
    // text fits only where it fits the whole pixels of that room; one that needed the fraction would be
    // cut.
    readonly property real wholeWidth: Math.floor(availableWidth + 0.01)
    readonly property bool fitsLarge: largeMetrics.advanceWidth <= wholeWidth + 0.01
    readonly property bool fitsSmall: smallMetrics.advanceWidth <= wholeWidth + 0.01
    // Whether every word fits a line on its own in the small font, so that lines can break between words.
    readonly property bool wordsFitSmall: {
        const words = text.split(/\s+/)
        for (let i = 0; i < words.length; ++i) {
            if (smallFontMetrics.advanceWidth(words[i]) > wholeWidth + 0.01)
                return false
        }
        return true
    }
    readonly property bool fitsWhole: !truncated
    // The widths the text takes on one line in each font, for an owner that sizes it.
    readonly property real largeWidth: Math.ceil(largeMetrics.advanceWidth)
    readonly property real smallWidth: Math.ceil(smallMetrics.advanceWidth)

    textFormat: Text.PlainText
    font: fitsLarge ? largeFont : smallFont
    wrapMode: fitsLarge || fitsSmall || maximumLineCount < 2 || !wordsFitSmall ? Text.NoWrap : Text.WordWrap
    maximumLineCount: 1
    elide: Text.ElideRight

    TextMetrics {
        id: largeMetrics
        font: fitting.largeFont
        text: fitting.text
    }
    FontMetrics {
        id: smallFontMetrics
        font: fitting.smallFont
    }
    TextMetrics {
        id: smallMetrics
        font: fitting.smallFont
        text: fitting.text
    }
}
