import QtQuick
import QtTest
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

TestCase {
    name: "Tokens"

    // A binding that cannot be evaluated only warns; here it fails the test.
    function init() {
        failOnWarning(/.?/)
    }

    // The colour's components as integers over 255 (checked to be whole) and its opacity.
    function components(c) {
        return [c.r * 255, c.g * 255, c.b * 255, c.a]
    }
    function expectColor(c, r, g, b, a, label) {
        const got = components(c)
        const want = [r, g, b, a]
        for (let i = 0; i < 4; ++i)
            fuzzyCompare(got[i], want[i], 1e-4, label + " component " + i)
    }

    function test_themeColours_data() {
        return [
            { tag: "accent", color: Theme.accent, rgb: [45, 185, 131], a: 1 },
            { tag: "accentSoft", color: Theme.accentSoft, rgb: [45, 185, 131], a: 0.14 },
            { tag: "warning", color: Theme.warning, rgb: [232, 168, 76], a: 1 },
            { tag: "danger", color: Theme.danger, rgb: [226, 92, 92], a: 1 },
            { tag: "focusRing", color: Theme.focusRing, rgb: [122, 184, 255], a: 1 },
        ]
    }
    function test_themeColours(row) {
        expectColor(row.color, row.rgb[0], row.rgb[1], row.rgb[2], row.a, row.tag)
    }

    function test_paletteColours_data() {
        return [
            { tag: "textPrimary", color: Design.Palette.textPrimary, rgb: [255, 255, 255], a: 0.96 },
            { tag: "textSecondary", color: Design.Palette.textSecondary, rgb: [255, 255, 255], a: 0.64 },
            { tag: "textTertiary", color: Design.Palette.textTertiary, rgb: [255, 255, 255], a: 0.42 },
            { tag: "fillFaint", color: Design.Palette.fillFaint, rgb: [255, 255, 255], a: 0.05 },
            { tag: "fillSubtle", color: Design.Palette.fillSubtle, rgb: [255, 255, 255], a: 0.08 },
            { tag: "fillMuted", color: Design.Palette.fillMuted, rgb: [255, 255, 255], a: 0.12 },
            { tag: "hairline", color: Design.Palette.hairline, rgb: [255, 255, 255], a: 0.08 },
            { tag: "stroke", color: Design.Palette.stroke, rgb: [255, 255, 255], a: 0.12 },
            { tag: "success", color: Design.Palette.success, rgb: [62, 207, 142], a: 1 },
            { tag: "warning", color: Design.Palette.warning, rgb: [232, 168, 76], a: 1 },
        ]
    }
    function test_paletteColours(row) {
        expectColor(row.color, row.rgb[0], row.rgb[1], row.rgb[2], row.a, row.tag)
    }

    function test_sharedValues() {
        verify(Qt.colorEqual(Design.Palette.warning, Theme.warning))
        verify(Qt.colorEqual(Design.Palette.hairline, Design.Palette.fillSubtle))
        verify(Qt.colorEqual(Design.Palette.stroke, Design.Palette.fillMuted))
        verify(Qt.colorEqual(QuillmereModule.tint("Cleanup"), Design.Palette.success))
        verify(!Qt.colorEqual(Design.Palette.hairline, Design.Palette.stroke))
    }

    // Sizes are checked as logical pixels with fractions, never through a rounded pixel size.
    function test_fonts_data() {
        return [
            { tag: "screenTitle", font: Typo.screenTitle, size: 22, weight: Font.DemiBold },
            { tag: "sectionTitle", font: Typo.sectionTitle, size: 15, weight: Font.DemiBold },
            { tag: "cardTitle", font: Typo.cardTitle, size: 13, weight: Font.DemiBold },
            { tag: "cardTitleLarge", font: Typo.cardTitleLarge, size: 15, weight: Font.DemiBold },
            { tag: "body", font: Typo.body, size: 13, weight: Font.Normal },
            { tag: "bodyMedium", font: Typo.bodyMedium, size: 13, weight: Font.Medium },
            { tag: "callout", font: Typo.callout, size: 12, weight: Font.Normal },
            { tag: "calloutMedium", font: Typo.calloutMedium, size: 12, weight: Font.Medium },
            { tag: "caption", font: Typo.caption, size: 11, weight: Font.Normal },
            { tag: "captionMedium", font: Typo.captionMedium, size: 11, weight: Font.Medium },
            { tag: "captionSmall", font: Typo.captionSmall, size: 10, weight: Font.Normal },
            { tag: "metricSmall", font: Typo.metricSmall, size: 22, weight: Font.DemiBold },
        ]
    }
    function test_fonts(row) {
        fuzzyCompare(Typo.pixelSize(row.font), row.size, 1e-9)
        compare(row.font.weight, row.weight)
    }

    function test_fractionalSizesSurvive() {
        fuzzyCompare(Typo.pixelSize(Typo.system(16.92, Font.DemiBold)), 16.92, 1e-9)
        verify(Typo.pointsPerPixel > 0)
        compare(Typo.pointsPerPixel, FontScale.pointsPerPixel)
    }

    function test_withOpacityKeepsComponents() {
        const c = Theme.withOpacity(QuillmereModule.tint("Protection"), 0.4)
        expectColor(c, 240, 106, 155, 0.4, "protection at 0.4")
    }
}
