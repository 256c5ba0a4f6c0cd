import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// The Disk page: where the space of the home volume goes. While no report exists it says it is
// measuring; then one scroll of the summary card (used, free of total and the stacked bar), the map
// card (the treemap of the folders and the legend) and, for an approximate report, the note. A rescan
// keeps the last report on screen. The page's own state is which category is hovered (the last
// writer wins: leaving clears it only if it still names the one left) and whether the tiles show in
// their final state; it starts a scan when it appears without a report and replays the tiles'
// entrance whenever a different report arrives. Removes nothing.
Item {
    id: screen

    required property DiskViewModel model

    // The name of the category under the pointer, "" when none.
    property string hovered: ""
    // The tiles show in their final state.
    property bool revealed: false
    readonly property bool reduceMotion: MotionSettings.reduceMotion
    // How often the entrance has started (for tests and pictures).
    property int entrances: 0
    readonly property bool measuring: !model.hasReport

    readonly property alias scroll: scroll
    readonly property alias header: header
    readonly property alias content: contentLoader

    function setHovered(name) {
        hovered = name
    }
    function clearHovered(name) {
        if (hovered === name)
            hovered = ""
    }
    // Shows the tiles at once with reduce motion on; otherwise hides them and, after one turn of the
    // event loop, lets them fade and grow in one after another.
    function reveal() {
        entrances += 1
        revealTimer.stop()
        if (reduceMotion) {
            revealed = true
            return
        }
        revealed = false
        revealTimer.start()
    }

    // Tiles move to their new places for a moment after a different report arrives.
    property bool layoutAnimates: false
    Timer {
        id: layoutTimer
        interval: 300
        onTriggered: screen.layoutAnimates = false
    }
    Timer {
        id: revealTimer
        interval: 0
        onTriggered: screen.revealed = true
    }
    // What the page does each time it comes into view: it starts at the top, scans when there is no
    // report and plays the tiles' entrance.
    function appear() {
        scroll.contentY = 0
        if (!model.hasReport)
            model.load()
        reveal()
    }
    // The page goes out of view: nothing stays hovered and no entrance or move is left half done.
    function disappear() {
        hovered = ""
        revealTimer.stop()
        layoutTimer.stop()
        layoutAnimates = false
    }

    Component.onCompleted: appear()
    // A report that arrives while the page is out of view plays no entrance: its next appearance does.
    Connections {
        target: screen.model
        enabled: screen.visible
        function onReportChanged() {
            screen.layoutAnimates = !screen.reduceMotion
            layoutTimer.restart()
            screen.reveal()
        }
    }

    Flickable {
        id: scroll
        anchors.fill: parent
        clip: true
        contentWidth: width
        contentHeight: page.implicitHeight
        boundsBehavior: Flickable.StopAtBounds

        T.ScrollBar.vertical: T.ScrollBar {
            id: scrollBar
            policy: T.ScrollBar.AsNeeded
            padding: 2
            minimumSize: 0.08
            implicitWidth: 10
            contentItem: Rectangle {
                implicitWidth: 6
                radius: width / 2
                color: Qt.rgba(1, 1, 1, 0.32)
                opacity: scrollBar.size < 1 && (scrollBar.active || scrollBar.hovered) ? 1 : 0
                Behavior on opacity {
                    NumberAnimation { duration: 200 }
                }
            }
        }

        ColumnLayout {
            id: page
            width: scroll.width
            spacing: 0

            PageHeader {
                id: header
                objectName: "pageHeader"
                Layout.fillWidth: true
                title: "Disk"
                subtitle: "What's filling your disk \u2014 and where to look first."
                icon: "internaldrive"
                trailing: Component {
                    QuillmereButtonStyle {
                        objectName: "rescanButton"
                        kind: QuillmereButtonStyle.Secondary
                        text: "Rescan"
                        symbol: "arrow.clockwise"
                        enabled: !screen.model.loading
                        onClicked: screen.model.load()
                    }
                }
            }
            Loader {
                id: contentLoader
                objectName: "content"
                Layout.fillWidth: true
                // The header's own padding stands above; 16 between header and content.
                Layout.topMargin: -8
                Layout.leftMargin: 24
                Layout.rightMargin: 24
                Layout.bottomMargin: 24
                sourceComponent: screen.measuring ? measuringState : overviewState
            }
        }
    }

    Component {
        id: measuringState
        ColumnLayout {
            objectName: "measuringState"
            spacing: 12

            ProgressSpinner {
                Layout.alignment: Qt.AlignHCenter
                // Centred in the room the header leaves.
                Layout.topMargin: Math.max(40, (screen.height - header.height) / 2 - 60)
                size: 32
            }
            Text {
                objectName: "measuringTitle"
                Layout.fillWidth: true
                text: "Measuring your folders\u2026"
                textFormat: Text.PlainText
                horizontalAlignment: Text.AlignHCenter
                font: Typo.body
                color: Design.Palette.textSecondary
            }
            Text {
                objectName: "measuringNote"
                Layout.fillWidth: true
                text: "Large libraries (Photos, Applications) can take a moment."
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                horizontalAlignment: Text.AlignHCenter
                font: Typo.caption
                color: Design.Palette.textTertiary
            }
        }
    }

    Component {
        id: overviewState
        ColumnLayout {
            id: overview
            objectName: "overviewState"
            spacing: 16

            readonly property alias storageBar: storageBar
            readonly property alias map: map
            readonly property alias tiles: tileRepeater
            readonly property alias legend: legendRepeater

            // The actionable categories by name, and their names in order as a list model, so a tile
            // keeps its identity (and moves to its new place) while the list changes.
            property var byName: ({})

            function sync() {
                const list = screen.model.actionable
                const lookup = {}
                const names = []
                for (let i = 0; i < list.length; ++i) {
                    lookup[list[i].name] = list[i]
                    names.push(String(list[i].name))
                }
                byName = lookup
                for (let i = tileNames.count - 1; i >= 0; --i) {
                    if (names.indexOf(tileNames.get(i).tileName) < 0)
                        tileNames.remove(i)
                }
                for (let i = 0; i < names.length; ++i) {
                    if (i < tileNames.count && tileNames.get(i).tileName === names[i])
                        continue
                    let found = -1
                    for (let j = i + 1; j < tileNames.count; ++j) {
                        if (tileNames.get(j).tileName === names[i]) {
                            found = j
                            break
                        }
                    }
                    if (found >= 0)
                        tileNames.move(found, i, 1)
                    else
                        tileNames.insert(i, { tileName: names[i] })
                }
            }

            ListModel { id: tileNames }
            Connections {
                target: screen.model
                function onReportChanged() {
                    overview.sync()
                }
            }
            Component.onCompleted: sync()

            // ---- summary card ----
            GlassCard {
                objectName: "summaryCard"
                Layout.fillWidth: true
                cornerRadius: 12
                padding: 14

                contentItem: ColumnLayout {
                    spacing: 10

                    RowLayout {
                        Layout.fillWidth: true
                        spacing: 8

                        Text {
                            objectName: "usedText"
                            Layout.alignment: Qt.AlignBaseline
                            text: screen.model.totalUsedText
                            textFormat: Text.PlainText
                            font: Typo.system(20, Font.DemiBold)
                            color: Design.Palette.textPrimary
                        }
                        Text {
                            Layout.alignment: Qt.AlignBaseline
                            text: "used"
                            textFormat: Text.PlainText
                            font: Typo.body
                            color: Design.Palette.textSecondary
                        }
                        Item { Layout.fillWidth: true }
                        Text {
                            objectName: "freeText"
                            Layout.alignment: Qt.AlignBaseline
                            text: screen.model.freeText + " free of " + screen.model.totalText
                            textFormat: Text.PlainText
                            font: Typo.system(12, Font.Normal)
                            color: Design.Palette.textSecondary
                        }
                    }
                    DiskStorageBar {
                        id: storageBar
                        objectName: "storageBar"
                        Layout.fillWidth: true
                        Layout.preferredHeight: 10
                        categories: screen.model.categories
                        total: screen.model.total
                        hovered: screen.hovered
                        reduceMotion: screen.reduceMotion
                        Accessible.role: Accessible.Graphic
                        Accessible.name: "Storage bar: " + screen.model.totalUsedText + " used, "
                                         + screen.model.freeText + " free of " + screen.model.totalText
                    }
                }
            }

            // ---- map card: header, treemap, legend ----
            GlassCard {
                objectName: "mapCard"
                Layout.fillWidth: true
                cornerRadius: 16
                padding: 16

                contentItem: ColumnLayout {
                    spacing: 14

                    SectionHeader {
                        Layout.fillWidth: true
                        title: "Your folders"
                        subtitle: "sized to scale \u00b7 click to open in your file manager"
                    }
                    Item {
                        id: map
                        objectName: "treemap"
                        Layout.fillWidth: true
                        Layout.preferredHeight: Math.max(280, Math.min(420, width * 0.5))

                        readonly property var frames: screen.model.actionable.length > 0
                                                      ? screen.model.tileFrames(width, height) : []

                        EmptyStateView {
                            objectName: "mapEmpty"
                            anchors.centerIn: parent
                            width: parent.width
                            visible: screen.model.actionable.length === 0
                            icon: "sparkles"
                            title: "Your folders are practically empty \u2014 nothing to map."
                        }
                        Repeater {
                            id: tileRepeater
                            model: tileNames

                            DiskTile {
                                required property string tileName
                                required index
                                readonly property var entry: overview.byName[tileName]
                                objectName: "tile:" + tileName
                                name: tileName
                                tileColor: entry !== undefined ? entry.color : "transparent"
                                symbol: entry !== undefined ? entry.symbol : ""
                                hasFolder: entry !== undefined && entry.hasFolder
                                sizeLine: entry !== undefined ? entry.sizeLine : ""
                                helpText: entry !== undefined ? entry.helpText : ""
                                // The rectangle laid out for this name, wherever the tile stands in the list.
                                frame: {
                                    const list = screen.model.actionable
                                    for (let i = 0; i < list.length; ++i) {
                                        const f = map.frames[i]
                                        if (list[i].name === tileName && f !== undefined)
                                            return Qt.rect(f.x, f.y, f.width, f.height)
                                    }
                                    return Qt.rect(0, 0, 0, 0)
                                }
                                animatesFrame: screen.layoutAnimates
                                hovered: screen.hovered
                                revealed: screen.revealed
                                reduceMotion: screen.reduceMotion
                                onHoverEntered: name => screen.setHovered(name)
                                onHoverLeft: name => screen.clearHovered(name)
                                onActivated: name => screen.model.reveal(name)
                            }
                        }
                    }
                    Grid {
                        id: legend
                        objectName: "legend"
                        Layout.fillWidth: true
                        readonly property real minimumColumn: 195
                        columns: Math.max(1, Math.floor((width + columnSpacing) / (minimumColumn + columnSpacing)))
                        columnSpacing: 8
                        rowSpacing: 8
                        readonly property real cellWidth: (width - (columns - 1) * columnSpacing) / columns

                        Repeater {
                            id: legendRepeater
                            model: screen.model.categories

                            DiskLegendChip {
                                required property var modelData
                                objectName: "chip:" + modelData.name
                                width: legend.cellWidth
                                name: modelData.name
                                symbolColor: modelData.color
                                symbol: modelData.symbol
                                sizeLine: modelData.sizeLine
                                helpText: modelData.helpText
                                reduceMotion: screen.reduceMotion
                                onHoverEntered: name => screen.setHovered(name)
                                onHoverLeft: name => screen.clearHovered(name)
                                onActivated: name => screen.model.reveal(name)
                            }
                        }
                        DiskLegendChip {
                            objectName: "chip:Free"
                            width: legend.cellWidth
                            isFree: true
                            name: "Free"
                            symbol: "circle.dashed"
                            sizeLine: screen.model.freeText
                            helpText: "Free space: " + screen.model.freeText
                            reduceMotion: screen.reduceMotion
                        }
                    }
                }
            }

            // ---- incomplete note ----
            RowLayout {
                objectName: "incompleteNote"
                Layout.fillWidth: true
                visible: screen.model.incomplete
                spacing: 6

                SymbolImage {
                    Layout.alignment: Qt.AlignTop
                    name: "exclamationmark.triangle"
                    size: 11
                    color: Design.Palette.textSecondary
                }
                Text {
                    objectName: "incompleteText"
                    Layout.fillWidth: true
                    text: "Some folders couldn't be fully measured \u2014 the split is approximate and the difference is folded into \u201cSystem & Other.\u201d"
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font: Typo.caption
                    color: Design.Palette.textSecondary
                }
            }
        }
    }
}
