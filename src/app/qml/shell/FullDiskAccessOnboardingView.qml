import QtQuick
import QtQuick.Layouts
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// The first-run screen shown when Quillmere can't read the user's home folder, filling the window in
// place of the root view: on the Space Lens backdrop, a centred column (20 apart, padded 40) of the
// medallion, the title, the explanation (a permission problem that limits scans, not a switch to turn
// on), a pill that says live whether the home folder can be read, three numbered notes, the one button
// and, while the folder can't be read, a footnote. There is no setting to open here, so there is no
// button for one. It probes again each time the application becomes active (no timer). It never
// dismisses itself: the presenter replaces it when `continueChosen` has run.
Item {
    id: view

    required property QuillmereApp app
    // Whether the home folder can be read. The presenter gives the first value; the view refreshes it.
    property bool granted: false

    // The button ("Continue" or "Skip for now") was pressed: the presenter's onContinue.
    signal continueChosen()

    readonly property color spaceLensTint: Qt.rgba(70 / 255, 184 / 255, 222 / 255, 1)
    readonly property var stepTexts: [
        "Quillmere scans as **you**, with your own permissions.",
        "A folder that belongs to another user or that you may not read (one made with **sudo**, say) is skipped, and scans say they're incomplete.",
        "Give such folders back to your user (**chown**) or make them readable (**chmod**), then come back — Quillmere checks again automatically."
    ]
    readonly property alias titleText: title
    readonly property alias bodyText: body
    readonly property alias pillText: pillText
    readonly property alias pillIcon: pillIcon
    readonly property alias continueButton: continueButton
    readonly property alias footnote: footnote
    readonly property alias steps: steps

    // `text` with each pair of "**" turned into bold markup and everything else escaped, for a label
    // in styled text.
    function boldMarkup(text) {
        const escaped = text.replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;")
        return escaped.replace(/\*\*(.+?)\*\*/g, "<b>$1</b>")
    }

    BrandBackground {
        anchors.fill: parent
        module: "Space Lens"
    }

    ColumnLayout {
        id: column
        anchors.centerIn: parent
        width: Math.min(implicitWidth, Math.max(0, view.width - 80))
        spacing: 20

        HeroMedallion {
            Layout.alignment: Qt.AlignHCenter
            symbol: "externaldrive.badge.checkmark"
            tint: view.spaceLensTint
            size: 132
        }
        Text {
            id: title
            Layout.alignment: Qt.AlignHCenter
            text: "Quillmere can't read parts of your home folder"
            textFormat: Text.PlainText
            font: Typo.system(24, Font.Bold)
            color: Design.Palette.textPrimary
        }
        Text {
            id: body
            Layout.alignment: Qt.AlignHCenter
            Layout.preferredWidth: 470
            Layout.maximumWidth: 470
            text: "Quillmere scans and cleans only what your user account may read. Some of your home folder is closed to it, so scans leave those parts out. That's a matter of file permissions, not a switch in Settings."
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            font: Typo.body
            color: Design.Palette.textSecondary
        }
        Rectangle {
            id: pill
            objectName: "statusPill"
            Layout.alignment: Qt.AlignHCenter
            implicitWidth: pillRow.implicitWidth + 28
            implicitHeight: pillRow.implicitHeight + 16
            radius: height / 2
            // The platform's ultra-thin material, drawn as a translucent fill.
            color: Qt.rgba(1, 1, 1, 0.08)
            border.width: 1
            border.color: Qt.rgba(1, 1, 1, 0.10)
            antialiasing: true

            Row {
                id: pillRow
                anchors.centerIn: parent
                spacing: 8
                SymbolImage {
                    id: pillIcon
                    anchors.verticalCenter: parent.verticalCenter
                    name: view.granted ? "checkmark.seal.fill" : "exclamationmark.shield.fill"
                    size: 13
                    color: view.granted ? Theme.accent : Theme.warning
                }
                Text {
                    id: pillText
                    anchors.verticalCenter: parent.verticalCenter
                    text: view.granted ? "Your home folder can be read" : "Your home folder can't be read"
                    textFormat: Text.PlainText
                    font: Typo.bodyMedium
                    color: Design.Palette.textPrimary
                }
            }
        }
        Column {
            id: steps
            Layout.alignment: Qt.AlignHCenter
            Layout.preferredWidth: 470
            Layout.maximumWidth: 470
            Layout.topMargin: 4
            Layout.bottomMargin: 4
            spacing: 9

            Repeater {
                model: view.stepTexts

                Row {
                    id: step
                    required property int index
                    required property string modelData
                    readonly property alias numberText: number
                    readonly property alias stepText: stepText
                    width: steps.width
                    spacing: 10

                    Rectangle {
                        width: 20
                        height: 20
                        radius: 10
                        color: Theme.withOpacity(view.spaceLensTint, 0.25)
                        antialiasing: true
                        Text {
                            id: number
                            anchors.centerIn: parent
                            text: String(step.index + 1)
                            textFormat: Text.PlainText
                            font: Typo.system(12, Font.Bold)
                            color: Design.Palette.textPrimary
                        }
                    }
                    Text {
                        id: stepText
                        width: step.width - 30
                        topPadding: 2
                        text: view.boldMarkup(step.modelData)
                        textFormat: Text.StyledText
                        wrapMode: Text.Wrap
                        font: Typo.system(12.5, Font.Normal)
                        color: Design.Palette.textSecondary
                    }
                }
            }
        }
        Column {
            Layout.alignment: Qt.AlignHCenter
            spacing: 10

            QuillmereButtonStyle {
                id: continueButton
                anchors.horizontalCenter: parent.horizontalCenter
                text: view.granted ? "Continue" : "Skip for now"
                kind: QuillmereButtonStyle.Secondary
                onClicked: view.continueChosen()
            }
        }
        Text {
            id: footnote
            Layout.alignment: Qt.AlignHCenter
            Layout.maximumWidth: 440
            visible: !view.granted
            text: "You can skip — scans then leave out what Quillmere can't read, and say so."
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            font: Typo.caption
            color: Design.Palette.textTertiary
        }
    }

    Connections {
        target: view.app.activity
        function onBecameActive() {
            view.granted = view.app.isFullDiskAccessGranted()
        }
    }
}
