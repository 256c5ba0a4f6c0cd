import QtQuick
import QtTest
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// Test items live in this visible root; the test case itself is invisible.
Item {
    id: root
    width: 1000
    height: 700

    TestCase {
        name: "Cards"
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
        Component {
            id: categoryCard
            CategoryCardView {
                width: 260
            }
        }
        Component {
            id: tile
            HealthMetricTile {
                width: 220
                icon: "memorychip"
                title: "Memory"
                value: "62%"
                caption: "9.9 GB of 16 GB"
            }
        }
        Component {
            id: recCard
            RecommendationCard {
                width: 560
            }
        }
        Component {
            id: spy
            SignalSpy {}
        }

        function tintedHolder(module) {
            const item = createTemporaryObject(holder, root)
            item.ModuleTint.tint = QuillmereModule.tint(module)
            return item
        }
        function textSize(text) {
            return text.font.pointSize / Typo.pointsPerPixel
        }
        function expectRgb(c, r, g, b, label) {
            fuzzyCompare(c.r * 255, r, 1e-3, label + " red")
            fuzzyCompare(c.g * 255, g, 1e-3, label + " green")
            fuzzyCompare(c.b * 255, b, 1e-3, label + " blue")
            compare(c.a, 1, label + " opacity")
        }
        // Text items keep 8 bits per component, so fractions of opacity compare at that precision.
        function sameIn8Bits(a, b) {
            return [a.r - b.r, a.g - b.g, a.b - b.b, a.a - b.a].every(function (d) { return Math.abs(d) <= 0.5 / 255 })
        }
        function items(bytes, selected) {
            return bytes.map(function (b, i) { return { bytes: b, isSelected: selected.indexOf(i) >= 0 } })
        }

        // What the card shows for a category: the toggle, its help, the outline and the count follow
        // the selection; the total counts every item.
        function test_categoryCardStates_data() {
            return [
                { tag: "no items", bytes: [], selected: [], symbol: "circle", help: "Select", count: "0 items", total: "0 KB" },
                { tag: "one item", bytes: [2500000], selected: [], symbol: "circle", help: "Select", count: "1 item", total: "2.5 MB" },
                { tag: "one of three selected", bytes: [1000000, 2000000, 500000], selected: [1], symbol: "checkmark.circle.fill", help: "Deselect", count: "3 items", total: "3.5 MB" },
                { tag: "all three selected", bytes: [1000000, 2000000, 500000], selected: [0, 1, 2], symbol: "checkmark.circle.fill", help: "Deselect", count: "3 items", total: "3.5 MB" },
                { tag: "none of two selected", bytes: [1500000, 0], selected: [], symbol: "circle", help: "Select", count: "2 items", total: "1.5 MB" },
            ]
        }
        function test_categoryCardStates(row) {
            const card = createTemporaryObject(categoryCard, root, {
                category: { kind: "logs", items: items(row.bytes, row.selected), incomplete: false }
            })
            const selected = row.selected.length > 0
            compare(card.toggleButton.contentItem.name, row.symbol)
            compare(card.toggleHelp, row.help)
            compare(card.toggleTip.text, row.help)
            compare(card.countLabel.text, row.count)
            tryCompare(card.totalText, "text", row.total)
            compare(card.selected, selected)
            if (selected) {
                verify(Qt.colorEqual(card.toggleButton.contentItem.color, Theme.accent))
                verify(Qt.colorEqual(card.outline.border.color, Theme.withOpacity(Theme.accent, 0.6)))
            } else {
                // The secondary colour (white 0.64) at half its opacity.
                verify(sameIn8Bits(card.toggleButton.contentItem.color, Qt.rgba(1, 1, 1, 0.32)))
                compare(card.outline.border.color.a, 0)
            }
            compare(card.outline.border.width, 1.5)
            compare(card.outline.radius, 12)
            verify(!card.warningItem.visible)
        }

        function test_categoryCardKinds_data() {
            return [
                { tag: "userCaches", title: "User Caches", icon: "internaldrive", help: "Per-app cache files. Apps rebuild these automatically on next launch." },
                { tag: "logs", title: "Application Logs", icon: "doc.text", help: "Diagnostic logs written by apps. Safe to remove; not needed for normal use." },
                { tag: "savedState", title: "Saved App State", icon: "macwindow", help: "Saved window/state data apps recreate when you reopen them." },
                { tag: "developerCaches", title: "Developer Caches", icon: "hammer", help: "Xcode DerivedData and package-manager caches (npm, pnpm, Yarn, Gradle, Maven, Go, Cargo). Rebuilt or re-downloaded on demand — the next build is slower." },
                { tag: "appLeftovers", title: "App Leftovers", icon: "archivebox", help: "Settings, support files and Flatpak data folders still on disk for apps that are no longer installed and haven't been written to in 60 days. Off by default: unlike caches, nothing rebuilds these, so reinstalling the app later starts it fresh." },
            ]
        }
        function test_categoryCardKinds(row) {
            const card = createTemporaryObject(categoryCard, root, { category: { kind: row.tag, items: [], incomplete: false } })
            compare(card.titleText.text, row.title)
            compare(card.iconItem.name, row.icon)
            compare(card.cardTip.text, row.help)
            verify(Qt.colorEqual(card.iconItem.color, Theme.accent))
            fuzzyCompare(textSize(card.iconItem), 18, 1e-9)
            fuzzyCompare(textSize(card.titleText), 13, 1e-9)
            verify(sameIn8Bits(card.titleText.color, Design.Palette.textSecondary))
            fuzzyCompare(textSize(card.totalText), 17, 1e-9)
            compare(card.totalText.font.weight, Font.DemiBold)
            fuzzyCompare(textSize(card.countLabel), 11, 1e-9)
        }

        // The card's own wording of an incomplete scan, not the cleanup section's.
        function test_categoryCardIncompleteWarning() {
            const card = createTemporaryObject(categoryCard, root, {
                category: { kind: "userCaches", items: items([4000], [0]), incomplete: true }
            })
            verify(card.warningItem.visible)
            compare(card.warningItem.name, "exclamationmark.triangle")
            fuzzyCompare(textSize(card.warningItem), 9, 1e-9)
            verify(Qt.colorEqual(card.warningItem.color, Theme.warning))
            compare(card.warningTip.text, "Couldn't fully scan this location — some items may be missing (permission denied).")
            verify(card.warningTip.text !== "Couldn't fully scan this — some items may be missing (a location couldn't be read, or the installed-app list was incomplete).")
            const titleRight = card.titleText.mapToItem(card, card.titleText.width, 0).x
            fuzzyCompare(card.warningItem.mapToItem(card, 0, 0).x - titleRight, 5, 1e-6)
        }

        function test_categoryCardLayoutAndToggle() {
            const card = createTemporaryObject(categoryCard, root, { category: { kind: "logs", items: items([10], []), incomplete: false } })
            const toggled = createTemporaryObject(spy, root, { target: card, signalName: "toggle" })
            compare(card.iconItem.mapToItem(card, 0, 0).x, 14)
            compare(card.iconItem.mapToItem(card, 0, 0).y, 14)
            fuzzyCompare(card.toggleButton.mapToItem(card, card.toggleButton.width, 0).x, 260 - 14, 1e-6)
            const headerBottom = Math.max(card.iconItem.mapToItem(card, 0, card.iconItem.height).y,
                                          card.toggleButton.mapToItem(card, 0, card.toggleButton.height).y)
            fuzzyCompare(card.titleText.mapToItem(card, 0, 0).y - headerBottom, 10, 1e-6)
            fuzzyCompare(card.height, card.countLabel.mapToItem(card, 0, card.countLabel.height).y + 14, 1e-6)

            mouseClick(card.toggleButton)
            compare(toggled.count, 1)
            // The card keeps no selection of its own: only a new category changes it.
            compare(card.toggleHelp, "Select")
            card.category = { kind: "logs", items: items([10], [0]), incomplete: false }
            compare(card.toggleHelp, "Deselect")
        }

        function test_categoryCardHelpFollowsThePointer() {
            const card = createTemporaryObject(categoryCard, root, { category: { kind: "savedState", items: [], incomplete: false } })
            mouseMove(card, 40, card.height - 10)
            tryCompare(card.cardTip, "opened", true, 5000)
            compare(card.toggleTip.opened, false)
            compare(card.cardTip.delay, 700)

            mouseMove(card.toggleButton, card.toggleButton.width / 2, card.toggleButton.height / 2)
            tryCompare(card.toggleTip, "opened", true, 5000)
            tryCompare(card.cardTip, "opened", false, 5000)
            compare(card.toggleTip.text, "Select")

            mouseMove(root, root.width - 5, root.height - 5)
            tryCompare(card.toggleTip, "opened", false, 5000)
            tryCompare(card, "scale", 1)
        }

        function test_categoryCardHoverLift() {
            const card = createTemporaryObject(categoryCard, tintedHolder("Cleanup"), { category: { kind: "logs", items: [], incomplete: false } })
            compare(card.lift.liftScale, 1.025)
            compare(card.lift.cornerRadius, 12)
            mouseMove(card, 20, 20)
            tryCompare(card, "scale", 1.025)
            verify(Qt.colorEqual(Theme.withOpacity(card.lift.shadowColor, 1), Design.Palette.success))
        }

        function test_severityColours() {
            expectRgb(HealthSeverityStyle.color(1), 54, 210, 122, "good")
            expectRgb(HealthSeverityStyle.color(2), 246, 162, 60, "warning")
            expectRgb(HealthSeverityStyle.color(3), 242, 86, 107, "critical")
            verify(Qt.colorEqual(HealthSeverityStyle.color(0), Design.Palette.textSecondary))
            for (const other of [-1, 4, 99])
                verify(Qt.colorEqual(HealthSeverityStyle.color(other), Design.Palette.textSecondary), "severity " + other)
            // Their own values, not the theme's status colours.
            verify(!Qt.colorEqual(HealthSeverityStyle.color(2), Theme.warning))
            verify(!Qt.colorEqual(HealthSeverityStyle.color(3), Theme.danger))
            verify(!Qt.colorEqual(HealthSeverityStyle.color(1), Design.Palette.success))
        }

        function test_healthTileDotAndTexts_data() {
            return [0, 1, 2, 3].map(function (s) { return { tag: "severity " + s, severity: s } })
        }
        function test_healthTileDotAndTexts(row) {
            const t = createTemporaryObject(tile, root, { severity: row.severity })
            verify(Qt.colorEqual(t.dot.color, HealthSeverityStyle.color(row.severity)))
            compare(t.dot.width, 8)
            compare(t.dot.radius, 4)
            fuzzyCompare(textSize(t.iconItem), 14, 1e-9)
            verify(sameIn8Bits(t.iconItem.color, Design.Palette.textSecondary))
            fuzzyCompare(textSize(t.valueText), 24, 1e-9)
            compare(t.valueText.font.weight, Font.DemiBold)
            fuzzyCompare(textSize(t.titleText), 12, 1e-9)
            compare(t.titleText.font.weight, Font.Medium)
            fuzzyCompare(textSize(t.captionText), 10, 1e-9)
            verify(sameIn8Bits(t.captionText.color, Design.Palette.textTertiary))
            compare(t.iconItem.mapToItem(t, 0, 0).x, 14)
            fuzzyCompare(t.dot.mapToItem(t, t.dot.width, 0).x, 220 - 14, 1e-6)
            const rowBottom = t.iconItem.mapToItem(t, 0, t.iconItem.height).y
            fuzzyCompare(t.valueText.mapToItem(t, 0, 0).y - rowBottom, 8, 1e-6)
            compare(t.lift.liftScale, 1.025)
            compare(t.lift.cornerRadius, 14)
        }

        function test_healthTileLongCaptionStaysOnOneLine() {
            const t = createTemporaryObject(tile, root, {
                caption: "Memory pressure measured over the last fifteen minutes of a very busy afternoon"
            })
            tryVerify(function () { return t.captionText.truncated })
            compare(t.captionText.lineCount, 1)
            compare(t.captionText.elide, Text.ElideMiddle)
            verify(t.captionText.implicitWidth > t.captionText.width)
        }

        function test_recommendationSymbolsAndColours_data() {
            return [
                { tag: "unknown", severity: 0, symbol: "questionmark.circle.fill" },
                { tag: "good", severity: 1, symbol: "checkmark.circle.fill" },
                { tag: "warning", severity: 2, symbol: "exclamationmark.triangle.fill" },
                { tag: "critical", severity: 3, symbol: "exclamationmark.octagon.fill" },
            ]
        }
        function test_recommendationSymbolsAndColours(row) {
            const card = createTemporaryObject(recCard, root, {
                rec: { title: "Disk is filling up", detail: "85% of your disk is used.", severity: row.severity, actionLabel: "Run Cleanup", target: "cleanup" }
            })
            compare(card.symbolItem.name, row.symbol)
            verify(sameIn8Bits(card.symbolItem.color, HealthSeverityStyle.color(row.severity)))
            fuzzyCompare(textSize(card.symbolItem), 16, 1e-9)
            compare(card.symbolItem.parent.width, 22)
            compare(card.titleText.text, "Disk is filling up")
            fuzzyCompare(textSize(card.titleText), 15, 1e-9)
            fuzzyCompare(textSize(card.detailText), 12, 1e-9)
            verify(sameIn8Bits(card.detailText.color, Design.Palette.textSecondary))
            compare(card.button.text, "Run Cleanup")
        }

        // A recommendation that leads nowhere gets the secondary button; any screen target the primary
        // one, in the module tint.
        function test_recommendationButtonKind_data() {
            return ["smartScan", "cleanup", "performance", "battery", "files", "none"].map(function (t) {
                return { tag: t, target: t }
            })
        }
        function test_recommendationButtonKind(row) {
            const card = createTemporaryObject(recCard, tintedHolder("Mac Health"), {
                rec: { title: "Time to restart", detail: "Your computer has been up 15 days.", severity: 2, actionLabel: "Got it", target: row.target }
            })
            if (row.target === "none") {
                compare(card.button.kind, QuillmereButtonStyle.Secondary)
                verify(Qt.colorEqual(card.button.fillColor, Qt.rgba(1, 1, 1, 0.10)))
            } else {
                compare(card.button.kind, QuillmereButtonStyle.Primary)
                verify(Qt.colorEqual(card.button.fillColor, QuillmereModule.tint("Mac Health")))
            }
        }

        function test_recommendationLongDetailGrowsTheCard() {
            const card = createTemporaryObject(recCard, root, {
                rec: { title: "Lots of startup items", detail: "Short.", severity: 2, actionLabel: "Manage startup", target: "performance" }
            })
            const acted = createTemporaryObject(spy, root, { target: card, signalName: "action" })
            tryVerify(function () { return card.detailText.width > 0 })
            const shortHeight = card.height
            card.rec = {
                title: "Lots of startup items",
                detail: "12 items launch at login, slowing every startup. Trim the ones you don't need. "
                        + "Each of them starts with your session and keeps running in the background.",
                severity: 2, actionLabel: "Manage startup", target: "performance"
            }
            tryVerify(function () { return card.detailText.lineCount > 1 && card.height > shortHeight })
            compare(card.detailText.truncated, false)
            fuzzyCompare(card.height, card.detailText.mapToItem(card, 0, card.detailText.height).y + 14, 1e-6)
            // At least 12 of spacer, with the row's 12 on each side of it, before the button.
            const detailRight = card.detailText.mapToItem(card, card.detailText.width, 0).x
            verify(card.button.mapToItem(card, 0, 0).x - detailRight >= 36 - 1e-6)
            fuzzyCompare(card.button.mapToItem(card, card.button.width, 0).x, 560 - 14, 1e-6)

            mouseClick(card.button)
            compare(acted.count, 1)
        }
    }
}
