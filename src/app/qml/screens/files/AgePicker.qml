import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.Design
import Quillmere.Design as Design

// The "Older than" choice of the Large & Old tool at its natural size: the label, then a pop-up button
// showing the chosen age that opens the list of ages in order ("Any age" 0, "3 months" 3, "6 months" 6,
// "1 year" 12, "2 years" 24). Picking one emits `picked` with its months; `months` shows the choice in
// force (a value not in the list shows the first label).
RowLayout {
    id: picker

    property int months: 0
    readonly property var choices: [
        { label: "Any age", value: 0 },
        { label: "3 months", value: 3 },
        { label: "6 months", value: 6 },
        { label: "1 year", value: 12 },
        { label: "2 years", value: 24 }
    ]
    readonly property alias box: box

    signal picked(int months)

    // The position of `value` among the choices; 0 (the first) when it is not one of them.
    function indexOfMonths(value) {
        for (let i = 0; i < choices.length; ++i) {
            if (choices[i].value === value)
                return i
        }
        return 0
    }

    spacing: 8

    Text {
        objectName: "ageLabel"
        text: "Older than"
        textFormat: Text.PlainText
        font: Typo.callout
        color: Design.Palette.textPrimary
    }
    T.ComboBox {
        id: box
        FocusRing {}
        objectName: "agePicker"
        model: picker.choices
        textRole: "label"
        valueRole: "value"
        // Looked up in `choices` itself: the box's own indexOfValue answers -1 while its model is not
        // loaded yet, so a screen made again would show "Any age" whatever the months in force.
        currentIndex: picker.indexOfMonths(picker.months)
        onActivated: index => picker.picked(picker.choices[index].value)
        implicitWidth: 110
        implicitHeight: label.implicitHeight + 10
        font: Typo.callout

        contentItem: Text {
            id: label
            leftPadding: 10
            rightPadding: 24
            verticalAlignment: Text.AlignVCenter
            text: box.displayText
            textFormat: Text.PlainText
            font: box.font
            color: Design.Palette.textPrimary
            elide: Text.ElideRight
        }
        indicator: SymbolImage {
            x: box.width - width - 8
            y: (box.height - height) / 2
            name: "chevron.down"
            size: 10
            color: Design.Palette.textSecondary
        }
        background: Rectangle {
            radius: 6
            color: Qt.rgba(1, 1, 1, 0.10)
            border.width: 1
            border.color: Qt.rgba(1, 1, 1, 0.18)
            antialiasing: true
        }
        delegate: T.ItemDelegate {
            id: choice
            required property var modelData
            required property int index
            width: box.width
            implicitHeight: choiceText.implicitHeight + 10
            highlighted: box.highlightedIndex === index
            contentItem: Text {
                id: choiceText
                leftPadding: 10
                text: choice.modelData.label
                textFormat: Text.PlainText
                font: box.font
                color: Design.Palette.textPrimary
            }
            background: Rectangle {
                color: choice.highlighted ? Theme.withOpacity(Theme.accent, 0.6) : "transparent"
                radius: 4
            }
        }
        popup: T.Popup {
            y: box.height + 2
            width: box.width
            implicitHeight: contentItem.implicitHeight + 8
            padding: 4
            contentItem: ListView {
                clip: true
                implicitHeight: contentHeight
                model: box.popup.visible ? box.delegateModel : null
                currentIndex: box.highlightedIndex
            }
            background: Rectangle {
                radius: 6
                color: Qt.rgba(0.16, 0.16, 0.2, 0.98)
                border.width: 1
                border.color: Design.Palette.stroke
            }
        }
    }
}
