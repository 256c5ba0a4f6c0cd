pragma Singleton
import QtQuick
import Quillmere.Design

// The fonts of the design: the system font at fixed sizes that do not follow the user's text size.
// Sizes are logical pixels and may have fractions; they reach Qt Quick as point sizes
// (`font.pointSize` takes fractions, `font.pixelSize` does not), so 16.92 stays 16.92.
QtObject {
    // Points per logical pixel on this display (0.75 at 96 dpi).
    readonly property real pointsPerPixel: FontScale.pointsPerPixel

    // The system font at `pixels` logical pixels (fractions kept) and `weight` (a Font weight, regular
    // when left out). Built in C++: Qt.font() drops the fraction of a point size.
    function system(pixels, weight) {
        return FontScale.font(pixels, weight === undefined ? Font.Normal : weight)
    }
    // The size of `font` in logical pixels, fractions kept.
    function pixelSize(font) {
        return font.pointSize / pointsPerPixel
    }

    readonly property font screenTitle: system(22, Font.DemiBold)
    readonly property font sectionTitle: system(15, Font.DemiBold)
    readonly property font cardTitle: system(13, Font.DemiBold)
    readonly property font cardTitleLarge: system(15, Font.DemiBold)
    readonly property font body: system(13, Font.Normal)
    readonly property font bodyMedium: system(13, Font.Medium)
    readonly property font callout: system(12, Font.Normal)
    readonly property font calloutMedium: system(12, Font.Medium)
    readonly property font caption: system(11, Font.Normal)
    readonly property font captionMedium: system(11, Font.Medium)
    // One step below the caption, for a text that must show whole where the caption does not fit.
    readonly property font captionSmall: system(10, Font.Normal)
    // Meant in a rounded design; this platform's system font has none, so it draws like the others.
    readonly property font metricSmall: system(22, Font.DemiBold)
}
