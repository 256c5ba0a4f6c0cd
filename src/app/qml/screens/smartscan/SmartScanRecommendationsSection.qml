import QtQuick
import QtQuick.Layouts
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// The recommendations section of the Smart Scan home: absent until the health model's first
// assessment, then the header "Recommended for you" over the open issues (warnings and critical ones
// not dismissed, in assessment order, without those that lead to Smart Scan itself) as cards, or the
// all-clear row when none is open. A card's button opens the module its target names; one that leads
// nowhere is dismissed in the health model instead, and its card fades out.
ColumnLayout {
    id: section

    required property MacHealthViewModel health
    // Takes a module id and selects that module.
    required property var navigate

    readonly property var listed: health.visibleIssues.filter(rec => rec.target !== "smartScan")
    // The module each recommendation target leads to.
    readonly property var targetModules: ({
        smartScan: "Smart Scan",
        cleanup: "Cleanup",
        performance: "Performance",
        battery: "Battery",
        files: "Files"
    })
    readonly property alias list: cards
    readonly property alias allClear: allClearRow

    // The action of a recommendation's button.
    function handle(rec) {
        if (rec.target === "none") {
            health.dismiss(rec.id)
            return
        }
        const module = targetModules[rec.target]
        if (module !== undefined)
            navigate(module)
    }

    visible: health.hasResult
    spacing: 12

    SectionHeader {
        Layout.fillWidth: true
        title: "Recommended for you"
    }
    HealthRecommendationList {
        id: cards
        objectName: "recommendationList"
        Layout.fillWidth: true
        visible: section.listed.length > 0
        recommendations: section.listed
        onActivated: rec => section.handle(rec)
    }
    RowLayout {
        id: allClearRow
        objectName: "allClearRow"
        Layout.alignment: Qt.AlignHCenter
        visible: section.listed.length === 0
        spacing: 8

        SymbolImage {
            objectName: "allClearSymbol"
            Layout.alignment: Qt.AlignVCenter
            name: "checkmark.circle.fill"
            size: Typo.pixelSize(Typo.body)
            color: HealthSeverityStyle.goodColor
        }
        Text {
            objectName: "allClearText"
            Layout.alignment: Qt.AlignVCenter
            text: "You're all caught up \u2014 no issues need fixing."
            textFormat: Text.PlainText
            font: Typo.body
            color: Design.Palette.textSecondary
        }
    }
}
