import QtQuick
import QtTest
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// Test items live in this visible root; the test case itself is invisible.
Item {
    id: root
    width: 800
    height: 600

    TestCase {
        name: "Buttons"
        when: windowShown

        // A binding that cannot be evaluated only warns; here it fails the test.
        function init() {
            failOnWarning(/.?/)
        }

        Component {
            id: plainScope
            Item {
                width: 400
                height: 200
            }
        }
        Component {
            id: button
            QuillmereButtonStyle {
                text: "Scan for junk"
            }
        }
        Component {
            id: glowButton
            CircularGlowButtonStyle {
                text: "Scan"
                diameter: 96
            }
        }

        function tinted(module) {
            const item = createTemporaryObject(plainScope, root)
            item.ModuleTint.tint = QuillmereModule.tint(module)
            return item
        }

        function test_primaryOutsideAnyModuleHasTheAccent() {
            const holder = createTemporaryObject(plainScope, root)
            const b = createTemporaryObject(button, holder)
            verify(Qt.colorEqual(b.fillColor, Theme.accent))
            verify(Qt.colorEqual(b.background.color, Theme.accent))
            verify(Qt.colorEqual(b.ModuleTint.resolved, Theme.accent))
        }

        function test_primaryTakesTheModuleTint_data() {
            return QuillmereModule.allCases.map(function (id) { return { tag: id, module: id } })
        }
        function test_primaryTakesTheModuleTint(row) {
            const holder = tinted(row.module)
            const inner = createTemporaryObject(plainScope, holder)
            const b = createTemporaryObject(button, inner)
            verify(Qt.colorEqual(b.background.color, QuillmereModule.tint(row.module)), row.module)
        }

        function test_reparentedButtonResolvesAgain() {
            const cleanup = tinted("Cleanup")
            const protection = tinted("Protection")
            const outside = createTemporaryObject(plainScope, root)
            const b = createTemporaryObject(button, cleanup)
            verify(Qt.colorEqual(b.background.color, Design.Palette.success))

            b.parent = protection
            verify(Qt.colorEqual(b.background.color, QuillmereModule.tint("Protection")))
            b.parent = outside
            verify(Qt.colorEqual(b.background.color, Theme.accent))

            // Moving an ancestor carries the button into the new scope too.
            const box = createTemporaryObject(plainScope, outside)
            b.parent = box
            box.parent = cleanup
            verify(Qt.colorEqual(b.background.color, Design.Palette.success))
        }

        function test_tintChangesReachButtonsBelow() {
            const holder = createTemporaryObject(plainScope, root)
            const b = createTemporaryObject(button, holder)
            holder.ModuleTint.tint = QuillmereModule.tint("Battery")
            verify(Qt.colorEqual(b.background.color, QuillmereModule.tint("Battery")))
            holder.ModuleTint.tint = undefined
            verify(Qt.colorEqual(b.background.color, Theme.accent))
        }

        function test_secondaryLooksTheSameUnderEveryTint() {
            const ids = [""].concat(QuillmereModule.allCases)
            for (const id of ids) {
                const holder = id === "" ? createTemporaryObject(plainScope, root) : tinted(id)
                const b = createTemporaryObject(button, holder, { kind: QuillmereButtonStyle.Secondary })
                verify(Qt.colorEqual(b.background.color, Qt.rgba(1, 1, 1, 0.10)), "fill under " + id)
                verify(Qt.colorEqual(b.background.border.color, Qt.rgba(1, 1, 1, 0.18)), "border under " + id)
                compare(b.background.border.width, 1)
                verify(Qt.colorEqual(b.foregroundColor, "white"))
            }
        }

        function test_primaryBorderIsInvisibleButPresent() {
            const b = createTemporaryObject(button, root)
            compare(b.background.border.width, 1)
            compare(b.background.border.color.a, 0)
            compare(b.background.radius, 9)
        }

        function test_kindsHaveEqualSizes_data() {
            return [
                { tag: "text", text: "Scan for junk", symbol: "" },
                { tag: "symbol", text: "Clean 1.2 GB", symbol: "trash" },
                { tag: "short", text: "Undo", symbol: "arrow.uturn.backward" },
            ]
        }
        function test_kindsHaveEqualSizes(row) {
            const primary = createTemporaryObject(button, root, { text: row.text, symbol: row.symbol })
            const secondary = createTemporaryObject(button, root,
                                                    { text: row.text, symbol: row.symbol, kind: QuillmereButtonStyle.Secondary })
            compare(primary.implicitWidth, secondary.implicitWidth)
            compare(primary.implicitHeight, secondary.implicitHeight)
            // Padding 16 at the sides and 9 above and below the label.
            compare(primary.implicitWidth, primary.implicitContentWidth + 32)
            compare(primary.implicitHeight, primary.implicitContentHeight + 18)
            fuzzyCompare(Typo.pixelSize(primary.font), 13, 1e-9)
            compare(primary.font.weight, Font.Medium)
        }

        function test_pressDimsAndShrinksThenRestores() {
            const b = createTemporaryObject(button, root, { x: 50, y: 50 })
            compare(b.opacity, 1)
            compare(b.scale, 1)
            mousePress(b)
            tryCompare(b, "opacity", 0.85)
            tryCompare(b, "scale", 0.98)
            mouseRelease(b)
            tryCompare(b, "opacity", 1)
            tryCompare(b, "scale", 1)
        }

        function focusRingOf(control) {
            for (let i = 0; i < control.children.length; ++i) {
                if (control.children[i].objectName === "focusRing")
                    return control.children[i]
            }
            return null
        }

        // One focus look for both button kinds: the ring in the focus colour along the control's edge and
        // corners, shown for focus from the keyboard only.
        function test_keyboardFocusShowsTheRing_data() {
            return [{ tag: "text button", component: button, radius: 9 },
                    { tag: "glow button", component: glowButton, radius: 48 }]
        }
        function test_keyboardFocusShowsTheRing(row) {
            const b = createTemporaryObject(row.component, root, { x: 50, y: 50 })
            const ring = focusRingOf(b)
            verify(ring !== null)
            verify(!ring.visible)
            b.forceActiveFocus(Qt.MouseFocusReason)
            verify(b.activeFocus)
            verify(!ring.visible, "a click shows no ring")
            b.focus = false
            b.forceActiveFocus(Qt.TabFocusReason)
            verify(ring.visible)
            verify(Qt.colorEqual(ring.border.color, Theme.focusRing))
            compare(ring.border.width, Theme.focusRingWidth)
            compare(ring.radius, row.radius)
            compare(ring.width, b.width)
            compare(ring.height, b.height)
        }

        function test_noLookForHoverOrDisabled() {
            const b = createTemporaryObject(button, root, { x: 50, y: 50 })
            const fill = b.background.color
            mouseMove(b)
            b.enabled = false
            verify(Qt.colorEqual(b.background.color, fill))
            compare(b.opacity, 1)
            compare(b.scale, 1)
        }

        function test_glowButtonOnlyShrinks() {
            const b = createTemporaryObject(glowButton, root, { x: 100, y: 100, tint: QuillmereModule.tint("Files") })
            compare(b.implicitWidth, 96)
            compare(b.implicitHeight, 96)
            mousePress(b)
            tryCompare(b, "scale", 0.95)
            compare(b.opacity, 1)
            mouseRelease(b)
            tryCompare(b, "scale", 1)
            verify(Qt.colorEqual(b.topColor, QuillmereModule.tint("Files")))
            fuzzyCompare(b.bottomColor.a, 0.65, 1e-4)
            fuzzyCompare(b.glowColor.a, 0.55, 1e-4)
            fuzzyCompare(b.ringColor.a, 0.30, 1e-4)
            fuzzyCompare(Typo.pixelSize(b.font), 15, 1e-9)
        }
    }
}
