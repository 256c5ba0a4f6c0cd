import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.Design
import Quillmere.Design as Design

// One found file or folder in a Cleanup category: the selection circle ("checkmark.circle.fill" in
// the accent when selected, else "circle" in the secondary colour at 0.45; 16), then 12 apart the name
// (body, one line, cut in the middle) over, when known, how long ago it was modified (caption,
// tertiary colour), a flexible space and the size (12, secondary colour). Padded 14 left and right and
// 7 above and below. A click anywhere on the row, the circle included, emits `toggle` once; the page
// changes the selection and hands the row the new item. Names are shown as plain text.
T.AbstractButton {
    id: row
    FocusRing {}

    // The item as the Cleanup model publishes it: `id`, `name`, `bytes`, `bytesText`, `modified` (a
    // date or null) and `isSelected`.
    property var item: ({})
    // The moment the modification date is measured from; the time the row was made unless set.
    property date now: new Date()

    readonly property bool selected: item && item.isSelected === true
    readonly property string name: item && item.name !== undefined ? String(item.name) : ""
    readonly property bool hasDate: item && item.modified !== null && item.modified !== undefined
    readonly property string modifiedText: hasDate ? relativeDate(item.modified, now) : ""
    readonly property string sizeText: item && item.bytesText !== undefined ? String(item.bytesText) : "0 KB"
    readonly property color checkColor: selected ? Theme.accent
                                                 : Theme.withOpacity(Design.Palette.textSecondary,
                                                                     Design.Palette.textSecondary.a * 0.45)
    readonly property alias checkbox: checkbox
    readonly property alias nameText: nameText
    readonly property alias dateText: dateText
    readonly property alias sizeLabel: sizeLabel

    // Asks to flip this item's selection.
    signal toggle()

    // How long before `now` the `date` lies, in words: "now", "5 minutes ago", "yesterday", "3 days
    // ago", "last week", "2 months ago", "last year"; "tomorrow", "in 2 hours" and so on for the future.
    // The largest whole unit counts (a month is 30 days, a year 365).
    function relativeDate(date, now) {
        const seconds = Math.round((now.getTime() - new Date(date).getTime()) / 1000)
        if (isNaN(seconds))
            return ""
        const past = seconds >= 0
        const span = Math.abs(seconds)
        const units = [
            [365 * 86400, "year", "last year", "next year"],
            [30 * 86400, "month", "last month", "next month"],
            [7 * 86400, "week", "last week", "next week"],
            [86400, "day", "yesterday", "tomorrow"],
            [3600, "hour", "", ""],
            [60, "minute", "", ""],
            [1, "second", "", ""]
        ]
        for (let i = 0; i < units.length; ++i) {
            const count = Math.floor(span / units[i][0])
            if (count < 1)
                continue
            if (count === 1 && units[i][2] !== "")
                return past ? units[i][2] : units[i][3]
            const words = count + " " + units[i][1] + (count === 1 ? "" : "s")
            return past ? words + " ago" : "in " + words
        }
        return "now"
    }

    hoverEnabled: true
    leftPadding: 14
    rightPadding: 14
    topPadding: 7
    bottomPadding: 7
    implicitWidth: implicitContentWidth + leftPadding + rightPadding
    implicitHeight: implicitContentHeight + topPadding + bottomPadding

    onClicked: row.toggle()

    background: Item {}
    contentItem: RowLayout {
        spacing: 12

        SymbolImage {
            id: checkbox
            objectName: "itemCheckbox"
            Layout.alignment: Qt.AlignVCenter
            name: row.selected ? "checkmark.circle.fill" : "circle"
            size: 16
            color: row.checkColor
        }
        ColumnLayout {
            Layout.alignment: Qt.AlignVCenter
            Layout.fillWidth: true
            spacing: 1

            Text {
                id: nameText
                objectName: "itemName"
                Layout.fillWidth: true
                text: row.name
                textFormat: Text.PlainText
                maximumLineCount: 1
                elide: Text.ElideMiddle
                font: Typo.body
                color: Design.Palette.textPrimary
            }
            Text {
                id: dateText
                objectName: "itemDate"
                Layout.fillWidth: true
                visible: row.hasDate
                text: row.modifiedText
                textFormat: Text.PlainText
                elide: Text.ElideRight
                font: Typo.caption
                color: Design.Palette.textTertiary
            }
        }
        Text {
            id: sizeLabel
            objectName: "itemSize"
            Layout.alignment: Qt.AlignVCenter
            text: row.sizeText
            textFormat: Text.PlainText
            font: Typo.system(12, Font.Normal)
            color: Design.Palette.textSecondary
        }
    }
}
