import QtQuick
import QtTest
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// The shared action pieces: the clean action bar, the failure alert, the confirmation dialog, the Full
// Disk Access banner, the incomplete-scan note and the spinner.
Item {
    id: root
    width: 1040
    height: 700

    TestCase {
        name: "Actions"
        when: windowShown

        // A binding that cannot be evaluated only warns; here it fails the test.
        function init() {
            failOnWarning(/.?/)
        }

        Component {
            id: actionBar
            CleanActionBar {
                width: 700
                title: "1.2 GB"
                subtitle: "3 items selected"
                QuillmereButtonStyle { objectName: "first"; text: "Review" }
                QuillmereButtonStyle { objectName: "second"; text: "Clean" }
            }
        }
        Component {
            id: failureAlert
            ActionFailureAlert {
                property int dismissals: 0
                onDismissed: {
                    dismissals += 1
                    message = null
                }
            }
        }
        Component {
            id: confirmation
            ConfirmationDialog {
                property int confirmations: 0
                property int dismissals: 0
                title: "Move 2 items to the Trash?"
                message: "Items go to the Trash and can be restored."
                destructiveText: "Move 8 KB to Trash"
                onConfirmed: confirmations += 1
                onDismissed: {
                    dismissals += 1
                    shown = false
                }
            }
        }
        Component {
            id: banner
            FullDiskAccessBanner {
                width: 520
                message: "Some folders could not be read."
            }
        }
        Component {
            id: note
            ScanIncompleteNote {
                width: 420
                message: "Part of this folder could not be read."
            }
        }
        Component {
            id: spinner
            ProgressSpinner {}
        }

        function textSize(text) {
            return text.font.pointSize / Typo.pointsPerPixel
        }
        function sameIn8Bits(a, b) {
            return [a.r - b.r, a.g - b.g, a.b - b.b, a.a - b.a].every(function (d) { return Math.abs(d) <= 0.5 / 255 })
        }
        function childNamed(parent, name) {
            for (let i = 0; i < parent.children.length; ++i) {
                if (parent.children[i].objectName === name)
                    return parent.children[i]
            }
            return null
        }

        function test_actionBarLayout() {
            const bar = createTemporaryObject(actionBar, root)
            const buttons = bar.trailingItem
            const first = childNamed(buttons, "first")
            const second = childNamed(buttons, "second")
            tryVerify(function () { return second.x > first.x })
            compare(bar.titleText.text, "1.2 GB")
            compare(bar.subtitleText.text, "3 items selected")
            compare(bar.titleText.textFormat, Text.PlainText)
            compare(bar.subtitleText.textFormat, Text.PlainText)
            fuzzyCompare(textSize(bar.titleText), 15, 1e-9)
            fuzzyCompare(textSize(bar.subtitleText), 11, 1e-9)
            verify(sameIn8Bits(bar.subtitleText.color, Design.Palette.textSecondary))
            compare(bar.titleText.mapToItem(bar, 0, 0).x, 24)
            fuzzyCompare(bar.subtitleText.mapToItem(bar, 0, 0).y,
                         bar.titleText.mapToItem(bar, 0, bar.titleText.height).y + 1, 1e-6)
            // The buttons sit at the trailing end, 12 apart, padded 24 from the edge.
            fuzzyCompare(second.mapToItem(bar, second.width, 0).x, 700 - 24, 1e-6)
            fuzzyCompare(second.x - (first.x + first.width), 12, 1e-6)
            const rowHeight = Math.max(bar.titleText.height + 1 + bar.subtitleText.height, first.height)
            fuzzyCompare(bar.height, rowHeight + 24, 1e-6)
            // The divider lies over the top edge, across the full width.
            compare(bar.frame.divider.y, 0)
            compare(bar.frame.divider.width, 700)
            compare(bar.frame.divider.height, 1)
        }

        function test_failureAlertIsUpExactlyWhileAMessageIsPresent() {
            const alert = createTemporaryObject(failureAlert, root)
            verify(!alert.popup.visible)
            alert.message = "2 items couldn't be moved to the Trash.\n<b>x</b>: Permission denied"
            tryVerify(function () { return alert.popup.opened })
            compare(alert.popup.title, "Couldn't remove everything")
            compare(alert.popup.titleText.text, "Couldn't remove everything")
            compare(alert.popup.messageText.text, "2 items couldn't be moved to the Trash.\n<b>x</b>: Permission denied")
            compare(alert.popup.messageText.textFormat, Text.PlainText)
            compare(alert.popup.buttonColumn.children.length, 1, "a single button")
            compare(alert.okButton.text, "OK")

            mouseClick(alert.okButton)
            tryVerify(function () { return !alert.popup.visible })
            compare(alert.dismissals, 1)
            compare(alert.message, null)

            // An empty message is still a message.
            alert.message = ""
            tryVerify(function () { return alert.popup.opened })
            compare(alert.popup.messageText.text, "")
            verify(!alert.popup.messageText.visible)

            // The owner clearing it closes the alert without a dismissal.
            alert.message = undefined
            tryVerify(function () { return !alert.popup.visible })
            compare(alert.dismissals, 1)

            // Escape dismisses it like OK.
            alert.message = "Again"
            tryVerify(function () { return alert.popup.opened })
            keyClick(Qt.Key_Escape)
            tryVerify(function () { return !alert.popup.visible })
            compare(alert.dismissals, 2)
            compare(alert.message, null)
        }

        function test_confirmationPutsTheDestructiveButtonFirst() {
            const dialog = createTemporaryObject(confirmation, root)
            verify(!dialog.visible)
            dialog.shown = true
            tryVerify(function () { return dialog.opened })
            compare(dialog.titleText.text, "Move 2 items to the Trash?")
            compare(dialog.messageText.text, "Items go to the Trash and can be restored.")
            compare(dialog.destructiveButton.text, "Move 8 KB to Trash")
            compare(dialog.cancelButton.text, "Cancel")
            verify(dialog.destructiveButton.y < dialog.cancelButton.y)
            verify(dialog.destructiveButton.destructive)
            verify(!dialog.cancelButton.destructive)
            verify(sameIn8Bits(dialog.destructiveButton.contentItem.color, Qt.rgba(1, 69 / 255, 58 / 255, 1)))
            // The card holds its content: padded 22 above and 20 at the other edges.
            compare(dialog.width, 300)
            fuzzyCompare(dialog.height, dialog.contentItem.implicitHeight + 42, 1e-6)
            fuzzyCompare(dialog.background.height, dialog.height, 1e-6)
            fuzzyCompare(dialog.cancelButton.mapToItem(dialog.background, 0, dialog.cancelButton.height).y,
                         dialog.height - 20, 1e-6)

            mouseClick(dialog.cancelButton)
            tryVerify(function () { return !dialog.visible })
            compare(dialog.confirmations, 0)
            compare(dialog.dismissals, 1)
            compare(dialog.shown, false)

            dialog.shown = true
            tryVerify(function () { return dialog.opened })
            mouseClick(dialog.destructiveButton)
            tryVerify(function () { return !dialog.visible })
            compare(dialog.confirmations, 1)
            compare(dialog.dismissals, 2)
        }

        // Every item under `item` that can be clicked.
        function clickables(item) {
            let found = []
            for (let i = 0; i < item.children.length; ++i) {
                const child = item.children[i]
                if (typeof child.clicked === "function")
                    found.push(child)
                found = found.concat(clickables(child))
            }
            return found
        }

        // By keys alone: the destructive button is the default one and takes the focus, with its ring, on
        // opening; Escape cancels; Tab reaches Cancel, where Space presses it; Return presses the default
        // button from anywhere in the dialog.
        function test_confirmationByKeys() {
            const dialog = createTemporaryObject(confirmation, root)
            dialog.shown = true
            tryVerify(function () { return dialog.opened })
            tryVerify(function () { return dialog.destructiveButton.activeFocus })
            verify(dialog.destructiveButton.visualFocus, "the default button shows its focus ring")
            keyClick(Qt.Key_Escape)
            tryVerify(function () { return !dialog.visible })
            compare(dialog.confirmations, 0)
            compare(dialog.dismissals, 1)

            dialog.shown = true
            tryVerify(function () { return dialog.opened })
            tryVerify(function () { return dialog.destructiveButton.activeFocus })
            keyClick(Qt.Key_Tab)
            verify(dialog.cancelButton.activeFocus)
            verify(dialog.cancelButton.visualFocus)
            keyClick(Qt.Key_Space)
            tryVerify(function () { return !dialog.visible })
            compare(dialog.confirmations, 0)
            compare(dialog.dismissals, 2)

            dialog.shown = true
            tryVerify(function () { return dialog.opened })
            tryVerify(function () { return dialog.destructiveButton.activeFocus })
            keyClick(Qt.Key_Tab)
            keyClick(Qt.Key_Return)
            tryVerify(function () { return !dialog.visible })
            compare(dialog.confirmations, 1, "Return presses the default button, not the focused one")
            compare(dialog.dismissals, 3)
        }

        function test_bannerLayoutAndNoButton() {
            const b = createTemporaryObject(banner, root)
            tryVerify(function () { return b.messageText.width > 0 })
            compare(b.titleText.text, "Parts of your home folder can't be read \u2014 scans may be incomplete")
            compare(b.symbolItem.name, "exclamationmark.shield.fill")
            verify(Qt.colorEqual(b.symbolItem.color, Theme.warning))
            fuzzyCompare(textSize(b.symbolItem), 13, 1e-9)
            fuzzyCompare(textSize(b.titleText), 12, 1e-9)
            fuzzyCompare(textSize(b.messageText), 11, 1e-9)
            compare(b.messageText.textFormat, Text.PlainText)
            fuzzyCompare(b.fillColor.a, 0.1, 1e-4)
            compare(b.symbolItem.mapToItem(b, 0, 0).x, 12)
            fuzzyCompare(b.titleText.mapToItem(b, 0, 0).x, 12 + b.symbolItem.width + 10, 1e-6)
            fuzzyCompare(b.titleText.mapToItem(b, b.titleText.width, 0).x, 520 - 12, 1e-6)
            fuzzyCompare(b.messageText.mapToItem(b, 0, 0).y,
                         b.titleText.mapToItem(b, 0, b.titleText.height).y + 1, 1e-6)
            // No setting opens an unreadable folder here: the banner offers no button that would do nothing.
            compare(clickables(b).length, 0)

            // A message of several sentences wraps under the title and makes the banner taller.
            const oneLine = b.height
            b.message = "Quillmere could not open some of the folders it looks through. Check those folders' permissions, then scan again to see everything."
            tryVerify(function () { return b.messageText.lineCount > 1 && b.height > oneLine })
            verify(!b.messageText.truncated)
            fuzzyCompare(b.height, b.titleText.height + 1 + b.messageText.height + 18, 1e-6)
        }

        function test_noteGrowsInsteadOfCutting() {
            const n = createTemporaryObject(note, root)
            tryVerify(function () { return n.messageText.width > 0 })
            compare(n.symbolItem.name, "exclamationmark.triangle.fill")
            fuzzyCompare(textSize(n.symbolItem), 11, 1e-9)
            fuzzyCompare(textSize(n.messageText), 11, 1e-9)
            compare(n.messageText.textFormat, Text.PlainText)
            verify(sameIn8Bits(n.messageText.color, Design.Palette.textSecondary))
            compare(n.symbolItem.mapToItem(n, 0, 0).x, 12)
            fuzzyCompare(n.messageText.mapToItem(n, 0, 0).x, 12 + n.symbolItem.width + 8, 1e-6)
            const oneLine = n.height
            fuzzyCompare(oneLine, n.messageText.height + 14, 1e-6)
            n.message = "Line one of the note.\nLine two of the note.\nAnd a third line that is long enough to wrap at this width, because it goes on and on about folders that could not be read."
            tryVerify(function () { return n.messageText.lineCount >= 4 && n.height > oneLine })
            verify(!n.messageText.truncated)
            fuzzyCompare(n.height, n.messageText.height + 14, 1e-6)
        }

        function test_spinnerTurnsWhileVisible() {
            const s = createTemporaryObject(spinner, root)
            compare(s.width, 16)
            verify(s.spinning)
            s.visible = false
            tryVerify(function () { return !s.spinning })
        }

        Component {
            id: signalSpyComponent
            SignalSpy {}
        }
    }
}
