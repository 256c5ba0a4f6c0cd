import QtQuick
import QtQuick.Layouts
import Quillmere.App
import Quillmere.Design

// The Explore section of the Smart Scan home: the header "Explore" over a grid of four cards that
// describe and open the Disk, Files, Protection and Cloud Cleanup modules, 12 apart, each at least 170
// wide, as many to a row as the width allows (one on a narrow page, four on a wide one). Each card's
// subtitle follows the models it reads as they publish, whichever page started their work; the
// section only reads them and navigates.
ColumnLayout {
    id: section

    required property DiskViewModel disk
    required property LargeFilesViewModel largeFiles
    required property DuplicatesViewModel duplicates
    required property CloudCleanupViewModel cloud
    required property MalwareViewModel malware
    // Takes a module id and selects that module.
    required property var navigate

    readonly property real minimumCardWidth: 170
    readonly property real gridSpacing: 12
    readonly property int columns: Math.max(1, Math.floor((width + gridSpacing) / (minimumCardWidth + gridSpacing)))
    readonly property real cardWidth: (width - (columns - 1) * gridSpacing) / columns

    // The subtitles, as the cards show them.
    readonly property string diskSubtitle: disk.hasReport
                                           ? DisplayText.byteCount(disk.totalUsed) + " of " + DisplayText.byteCount(disk.total) + " used"
                                           : "See what's filling your disk"
    readonly property string filesSubtitle: largeFiles.fileCount === 1 ? "1 large file found"
                                            : largeFiles.fileCount > 1 ? largeFiles.fileCount + " large files found"
                                            : duplicates.totalWasted >= 1 ? DisplayText.byteCount(duplicates.totalWasted) + " in duplicate copies"
                                            : "Find large files and duplicate copies"
    readonly property string protectionSubtitle: {
        // The malware model's phase: 0 idle, 1 scanning, 2 results.
        if (malware.phase !== 2)
            return malware.defsSummary
        const count = malware.findings.length
        return count === 0 ? "No threats found \u00b7 " + malware.defsSummary
             : count === 1 ? "1 item flagged"
             : count + " items flagged"
    }
    readonly property string cloudSubtitle: {
        switch (cloud.phaseName) {
        case "unavailable": return "No cloud drive set up"
        case "results": return DisplayText.byteCount(cloud.totalLocal) + " stored locally"
        }
        return "Free up space used by cloud files"
    }

    readonly property alias grid: grid

    spacing: 12

    SectionHeader {
        Layout.fillWidth: true
        title: "Explore"
    }
    Grid {
        id: grid
        objectName: "exploreGrid"
        Layout.fillWidth: true
        columns: section.columns
        columnSpacing: section.gridSpacing
        rowSpacing: 12

        ExploreCard {
            objectName: "exploreCard:Disk"
            width: section.cardWidth
            module: "Disk"
            title: "Disk"
            subtitle: section.diskSubtitle
            onAction: section.navigate("Disk")
        }
        ExploreCard {
            objectName: "exploreCard:Files"
            width: section.cardWidth
            module: "Files"
            title: "Files"
            subtitle: section.filesSubtitle
            onAction: section.navigate("Files")
        }
        ExploreCard {
            objectName: "exploreCard:Protection"
            width: section.cardWidth
            module: "Protection"
            title: "Protection"
            subtitle: section.protectionSubtitle
            onAction: section.navigate("Protection")
        }
        ExploreCard {
            objectName: "exploreCard:Cloud Cleanup"
            width: section.cardWidth
            module: "Cloud Cleanup"
            title: "Cloud Cleanup"
            subtitle: section.cloudSubtitle
            onAction: section.navigate("Cloud Cleanup")
        }
    }
}
