import QtQuick
import QtQuick.Layouts
import QtTest
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// Test items live in this visible root; the test case itself is invisible.
Item {
    id: root
    width: 1040
    height: 700

    TestCase {
        name: "Components"
        when: windowShown

        // A binding that cannot be evaluated only warns; here it fails the test.
        function init() {
            failOnWarning(/.?/)
        }

        Component {
            id: holder
            Item {
                width: 600
                height: 400
            }
        }
        // A fitting name beside a fixed part, the two laid out by a row, as the Disk legend lays them.
        Component {
            id: fittingRow
            RowLayout {
                id: row
                property alias fitting: fitting
                spacing: 0
                FittingText {
                    id: fitting
                    Layout.fillWidth: true
                    Layout.minimumWidth: 0
                    Layout.preferredWidth: 0
                    availableWidth: row.width - fixed.width
                    text: "System & Other"
                    largeFont: Typo.calloutMedium
                    smallFont: Typo.captionMedium
                    maximumLineCount: 2
                }
                Item {
                    id: fixed
                    Layout.preferredWidth: 10
                }
            }
        }
        TextMetrics {
            id: fittingMetrics
        }
        Component {
            id: hero
            HeroMedallion {
                symbol: "sparkles"
                size: 120
            }
        }
        Component {
            id: pageHeader
            PageHeader {
                width: 700
                title: "Cleanup"
            }
        }
        Component {
            id: scanButton
            QuillmereButtonStyle {
                text: "Scan"
            }
        }
        Component {
            id: accessoryRow
            Rectangle {
                implicitWidth: 200
                implicitHeight: 30
            }
        }
        Component {
            id: sectionHeader
            SectionHeader {
                width: 500
                title: "Recommendations"
            }
        }
        Component {
            id: emptyState
            EmptyStateView {
                icon: "checkmark.circle.fill"
                title: "Nothing to clean"
            }
        }
        Component {
            id: badge
            StatusBadge {
                text: "Helper installed"
                color: Design.Palette.success
            }
        }
        Component {
            id: background
            BrandBackground {
                width: 1040
                height: 700
            }
        }
        Component {
            id: glassCard
            GlassCard {
                cornerRadius: 14
                Item {
                    implicitWidth: 180
                    implicitHeight: 90
                }
            }
        }

        function childNamed(parent, name) {
            for (let i = 0; i < parent.children.length; ++i) {
                if (parent.children[i].objectName === name)
                    return parent.children[i]
            }
            return null
        }
        function tintedHolder(module) {
            const item = createTemporaryObject(holder, root)
            item.ModuleTint.tint = QuillmereModule.tint(module)
            return item
        }
        // Text items keep 8 bits per component, so fractions of opacity compare at that precision.
        function sameIn8Bits(a, b) {
            return [a.r - b.r, a.g - b.g, a.b - b.b, a.a - b.a].every(function (d) { return Math.abs(d) <= 0.5 / 255 })
        }
        // A text item's font size in logical pixels, fractions kept.
        function textSize(text) {
            return text.font.pointSize / Typo.pointsPerPixel
        }

        function test_heroMedallionGeometry() {
            const m = createTemporaryObject(hero, root, { tint: QuillmereModule.tint("Protection") })
            compare(m.width, 120)
            fuzzyCompare(m.highlightSize, 74.4, 1e-9)
            fuzzyCompare(m.highlightOffsetY, -26.4, 1e-9)
            fuzzyCompare(m.symbolSize, 48, 1e-9)
            fuzzyCompare(textSize(m.symbolItem), 48, 1e-9)

            const glow = childNamed(m, "glow")
            compare(glow.width, 120)
            compare(glow.x, 0)
            compare(glow.blurRadius, 28)
            fuzzyCompare(glow.color.a, 0.45, 1e-4)
            verify(glow.reach > 60, "the glow spreads beyond the frame")

            const highlight = childNamed(m, "highlight")
            fuzzyCompare(highlight.width, 74.4, 1e-9)
            fuzzyCompare(highlight.y + highlight.height / 2, 60 - 26.4, 1e-9)
            fuzzyCompare(highlight.color.a, 0.18, 1e-4)

            const shadow = childNamed(m, "discShadow")
            compare(shadow.y, 10)
            fuzzyCompare(shadow.color.a, 0.50, 1e-4)
            const disc = childNamed(m, "disc")
            compare(disc.width, 120)
            compare(disc.radius, 60)
            compare(disc.border.width, 1)
            fuzzyCompare(disc.gradient.stops[0].color.a, 0.95, 1e-4)
            fuzzyCompare(disc.gradient.stops[1].color.a, 0.40, 1e-4)
            verify(Qt.colorEqual(m.symbolItem.color, "white"))
        }

        function test_headerTileIsTintedAndSized() {
            const outside = createTemporaryObject(pageHeader, root, { icon: "trash" })
            compare(outside.iconTile.width, 36)
            fuzzyCompare(outside.iconTile.symbolSize, 16.92, 1e-9)
            fuzzyCompare(textSize(outside.iconTile.symbolItem), 16.92, 1e-9)
            verify(Qt.colorEqual(outside.iconTile.tint, Theme.accent))
            compare(outside.iconTile.cornerRadius, 12)

            const inside = createTemporaryObject(pageHeader, tintedHolder("Cleanup"), { icon: "trash" })
            verify(Qt.colorEqual(inside.iconTile.tint, QuillmereModule.tint("Cleanup")))
            verify(Qt.colorEqual(inside.iconTile.symbolItem.color, QuillmereModule.tint("Cleanup")))
            fuzzyCompare(inside.iconTile.fillColor.a, 0.16, 1e-4)
            fuzzyCompare(inside.iconTile.lineColor.a, 0.40, 1e-4)
        }

        function test_headerLayout() {
            const plain = createTemporaryObject(pageHeader, root)
            tryVerify(function () { return plain.titleText.width > 0 })
            verify(!plain.iconTile.visible)
            compare(plain.titleBlock.mapToItem(plain, 0, 0).x, 24)
            compare(plain.titleText.mapToItem(plain, 0, 0).y, 24)
            fuzzyCompare(textSize(plain.titleText), 22, 1e-9)
            verify(!plain.subtitleText.visible)
            compare(plain.height, plain.titleText.height + 48, "just the padded title row")

            const withIcon = createTemporaryObject(pageHeader, root, { icon: "trash" })
            tryVerify(function () { return withIcon.titleBlock.x > 0 })
            compare(withIcon.iconTile.mapToItem(withIcon, 0, 0).x, 24)
            compare(withIcon.titleBlock.mapToItem(withIcon, 0, 0).x, 24 + 36 + 12)
        }

        function test_longTitleKeepsTwelveBeforeTrailing() {
            const h = createTemporaryObject(pageHeader, root, {
                width: 420,
                title: "A very long screen title that cannot possibly fit on one line here",
                trailing: scanButton
            })
            tryVerify(function () { return h.titleText.lineCount > 1 })
            verify(h.trailingItem.visible)
            const blockRight = h.titleBlock.mapToItem(h, h.titleBlock.width, 0).x
            const trailingLeft = h.trailingItem.mapToItem(h, 0, 0).x
            // The spacer (at least 12) with the row spacing of 12 on each side of it.
            verify(trailingLeft - blockRight >= 12 + 2 * 12 - 1e-6, "gap " + (trailingLeft - blockRight))
            compare(h.trailingItem.mapToItem(h, h.trailingItem.width, 0).x, 420 - 24)
        }

        function test_longSubtitleWrapsAndPushesTheAccessoryDown() {
            const h = createTemporaryObject(pageHeader, root, { width: 360, accessory: accessoryRow })
            tryVerify(function () { return h.accessoryItem.y > h.titleText.height })
            const shortBottom = h.accessoryItem.mapToItem(h, 0, 0).y
            h.subtitle = "Caches, logs, saved state, developer build caches, and files left behind by apps you removed."
            // Layouts settle when the window next polishes.
            tryVerify(function () {
                return h.subtitleText.lineCount > 1 && h.accessoryItem.mapToItem(h, 0, 0).y > shortBottom
            })
            compare(h.subtitleText.truncated, false)
            verify(h.subtitleText.height >= h.subtitleText.implicitHeight - 1e-6)
            const subtitleBottom = h.subtitleText.mapToItem(h, 0, h.subtitleText.height).y
            fuzzyCompare(h.accessoryItem.mapToItem(h, 0, 0).y, subtitleBottom + 12, 1e-6)
            fuzzyCompare(textSize(h.subtitleText), 13, 1e-9)
            verify(sameIn8Bits(h.subtitleText.color, Design.Palette.textSecondary))
            verify(sameIn8Bits(h.titleText.color, Design.Palette.textPrimary))
        }

        function test_sectionHeaderAlignsTrailingOnTheTitleBaseline() {
            const s = createTemporaryObject(sectionHeader, root, { trailing: scanButton, subtitle: "Two issues" })
            tryVerify(function () { return s.trailingItem.item !== null && s.trailingItem.x > s.titleText.width })
            const titleBaseline = s.titleText.mapToItem(s, 0, s.titleText.baselineOffset).y
            const button = s.trailingItem.item
            const buttonBaseline = button.mapToItem(s, 0, button.baselineOffset).y
            fuzzyCompare(buttonBaseline, titleBaseline, 0.5)
            fuzzyCompare(textSize(s.titleText), 15, 1e-9)
            fuzzyCompare(textSize(s.subtitleText), 12, 1e-9)
            fuzzyCompare(s.subtitleText.mapToItem(s, 0, 0).y - (s.titleText.mapToItem(s, 0, 0).y + s.titleText.height), 2, 1e-6)
        }

        function test_emptyStateTint() {
            const cleanup = tintedHolder("Cleanup")
            const untinted = createTemporaryObject(emptyState, cleanup)
            verify(Qt.colorEqual(untinted.symbolItem.color, QuillmereModule.tint("Cleanup")))
            fuzzyCompare(untinted.symbolItem.opacity, 0.90, 1e-6)
            fuzzyCompare(textSize(untinted.symbolItem), 34, 1e-9)

            const given = createTemporaryObject(emptyState, cleanup, { tint: Theme.danger })
            verify(Qt.colorEqual(given.symbolItem.color, Theme.danger))
        }

        function test_emptyStateTakesTheFullWidthAndCentresWrappedLines() {
            const card = createTemporaryObject(holder, root, { width: 240 })
            const view = createTemporaryObject(emptyState, card, {
                width: 240,
                message: "Run a scan to find caches, logs and leftovers that are safe to remove."
            })
            tryVerify(function () { return view.messageText.lineCount > 1 })
            compare(view.width, 240)
            verify(view.messageText.lineCount > 1)
            compare(view.messageText.horizontalAlignment, Text.AlignHCenter)
            fuzzyCompare(view.messageText.mapToItem(view, view.messageText.width / 2, 0).x, 120, 0.5)
            fuzzyCompare(view.symbolItem.mapToItem(view, view.symbolItem.width / 2, 0).x, 120, 0.5)
            compare(view.symbolItem.mapToItem(view, 0, 0).y, 32)
            verify(!view.actionsItem.visible)
            tryVerify(function () {
                return Math.abs(view.height - (view.messageText.mapToItem(view, 0, view.messageText.height).y + 32)) < 1e-6
            }, 5000, "padded 32 below the message")
        }

        // Each width from the one the small font needs less a fraction up to the large font's: the
        // name shows whole every time, on one line in either font or on two, never cut.
        function test_fittingTextShowsItsNameWholeAtFractionalWidths() {
            fittingMetrics.font = Typo.captionMedium
            fittingMetrics.text = "System & Other"
            const small = fittingMetrics.advanceWidth
            fittingMetrics.font = Typo.calloutMedium
            const large = fittingMetrics.advanceWidth
            verify(small < large)
            // The row places its items on whole pixels: a room a fraction short of a font's width is
            // rounded up at times and down at others.
            for (const room of [small - 0.7, small - 0.4, small - 0.2, small, small + 0.3, large - 0.4,
                                large - 0.2, large, large + 0.6]) {
                const row = createTemporaryObject(fittingRow, root, { width: room + 10 })
                const name = row.fitting
                waitForItemPolished(row)
                verify(!name.truncated, "cut with " + room + " of room")
                verify(name.fitsWhole, "room " + room)
                verify(name.contentWidth <= name.width + 0.01, "wider than its place with " + room)
                verify(name.lineCount <= 2, "room " + room)
            }
        }

        // A one-word and a two-word title in a room narrower than their longest word even in the small
        // font: never split inside a word, never past the edge, cut on its one line; with room for each
        // word but not the whole, the two words take a line each, whole.
        function test_fittingTextBreaksOnlyBetweenWords() {
            fittingMetrics.font = Typo.captionMedium
            for (const title of ["Protection", "Cloud Cleanup"]) {
                const longest = title.split(" ").reduce((a, b) => a.length >= b.length ? a : b)
                fittingMetrics.text = longest
                const wordWidth = fittingMetrics.advanceWidth
                const row = createTemporaryObject(fittingRow, root, { width: Math.floor(wordWidth) - 6 + 10 })
                const name = row.fitting
                name.text = title
                waitForItemPolished(row)
                compare(name.lineCount, 1, title + ": a word is split over lines")
                verify(name.truncated, title + " is cut on its line")
                verify(name.contentWidth <= name.width + 0.5, title + " runs past its edge")
            }
            fittingMetrics.text = "Cleanup"
            const row = createTemporaryObject(fittingRow, root, { width: Math.ceil(fittingMetrics.advanceWidth) + 2 + 10 })
            const name = row.fitting
            name.text = "Cloud Cleanup"
            waitForItemPolished(row)
            compare(name.lineCount, 2)
            verify(!name.truncated, "each word has room on a line of its own")
            verify(name.contentWidth <= name.width + 0.5)
        }

        function test_statusBadgeLayout() {
            const plain = createTemporaryObject(badge, root)
            verify(!plain.symbolItem.visible)
            fuzzyCompare(plain.implicitWidth, plain.label.implicitWidth + 16, 1e-6)
            fuzzyCompare(plain.implicitHeight, plain.label.implicitHeight + 6, 1e-6)
            fuzzyCompare(textSize(plain.label), 11, 1e-9)
            compare(plain.label.font.weight, Font.Medium)
            fuzzyCompare(plain.fillColor.a, 0.15, 1e-4)
            fuzzyCompare(plain.lineColor.a, 0.35, 1e-4)

            const withSymbol = createTemporaryObject(badge, root, { systemImage: "checkmark.circle.fill" })
            const symbolRight = withSymbol.symbolItem.mapToItem(withSymbol, withSymbol.symbolItem.width, 0).x
            fuzzyCompare(withSymbol.label.mapToItem(withSymbol, 0, 0).x - symbolRight, 4, 1e-6)
            fuzzyCompare(textSize(withSymbol.symbolItem), 10, 1e-9)
            verify(Qt.colorEqual(withSymbol.label.color, Design.Palette.success))
        }

        function test_brandBackgroundLayers() {
            const b = createTemporaryObject(background, root, { module: "Protection" })
            const tint = QuillmereModule.tint("Protection")
            tryVerify(function () { return Qt.colorEqual(b.tint, tint) })
            const rows = [
                { glow: b.glowA, size: 420, alpha: 0.28, blur: 110, dx: -230, dy: -250 },
                { glow: b.glowB, size: 360, alpha: 0.15, blur: 120, dx: 270, dy: 260 },
                { glow: b.glowC, size: 300, alpha: 0.14, blur: 100, dx: 170, dy: 110 },
            ]
            for (const row of rows) {
                compare(row.glow.width, row.size)
                compare(row.glow.blurRadius, row.blur)
                compare(row.glow.x + row.size / 2 - 520, row.dx)
                compare(row.glow.y + row.size / 2 - 350, row.dy)
                fuzzyCompare(row.glow.color.a, row.alpha, 1e-4)
                fuzzyCompare(row.glow.color.r, tint.r, 1e-6)
            }
            compare(b.wash.centerX, 520)
            fuzzyCompare(b.wash.centerY, -35, 1e-9)
            compare(b.wash.centerRadius, 650)
            fuzzyCompare(b.baseTop.r * 255, 19, 1e-4)
            fuzzyCompare(b.baseBottom.b * 255, 15, 1e-4)
        }

        function test_brandBackgroundEasesToTheNewTint() {
            const b = createTemporaryObject(background, root, { module: "Cleanup" })
            tryVerify(function () { return Qt.colorEqual(b.tint, Design.Palette.success) })
            const baseTop = b.baseTop
            b.module = "Disk"
            verify(Qt.colorEqual(b.moduleColor, QuillmereModule.tint("Disk")))
            verify(!Qt.colorEqual(b.tint, QuillmereModule.tint("Disk")), "the change is animated, not immediate")
            tryVerify(function () { return Qt.colorEqual(b.tint, QuillmereModule.tint("Disk")) })
            verify(Qt.colorEqual(b.baseTop, baseTop))
        }

        function test_glassCard() {
            const card = createTemporaryObject(glassCard, root)
            compare(card.implicitWidth, 180)
            compare(card.implicitHeight, 90)
            fuzzyCompare(card.borderTop.a, 0.20, 1e-4)
            fuzzyCompare(card.borderBottom.a, 0.05, 1e-4)
            fuzzyCompare(card.shadowColor.a, 0.22, 1e-4)
            compare(card.shadowBlur, 10)
            compare(card.shadowOffsetY, 3)
        }
    }
}
