import QtQuick
import QtQuick.Layouts
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// The statistics card of the Performance page: the CPU, memory and disk bars and three rows of tiles
// (network rates; free memory, processors and load; the battery when there is one, the thermal state
// and the uptime), 14 apart, padded 16, on the faint fill with corners of 14. It draws the latest
// sample and battery reading of `stats` and nothing else, so a statistics refresh redraws this card
// only. Before the first sample (no processor counted) it is a placeholder.
Rectangle {
    id: card

    required property LiveStats stats

    readonly property alias figures: figures
    readonly property bool placeholder: figures.placeholder

    implicitHeight: column.implicitHeight + 32
    radius: 14
    color: Design.Palette.fillFaint

    SystemCardFigures {
        id: figures
        stats: card.stats
    }

    ColumnLayout {
        id: column
        x: 16
        y: 16
        width: card.width - 32
        spacing: 14

        // The bars and tiles stay put across refreshes (only their texts change), so a refresh
        // rebuilds no item; a row's tiles are made again only when their number changes.
        Repeater {
            model: 3
            delegate: StatBar {
                required property int index
                readonly property var figure: figures.bars[index]
                objectName: "statBar:" + figure.label
                Layout.fillWidth: true
                label: figure.label
                value: figure.value
                fraction: figure.fraction
                known: figure.known
                warnAbove: figure.warnAbove
                placeholder: card.placeholder
            }
        }
        Repeater {
            model: 3
            delegate: RowLayout {
                id: tileRow
                required property int index
                readonly property var tiles: figures.rows[index]
                objectName: "tileRow:" + index
                Layout.fillWidth: true
                spacing: 8

                Repeater {
                    model: tileRow.tiles.length
                    delegate: StatTile {
                        required property int index
                        readonly property var figure: tileRow.tiles[index]
                        objectName: "statTile:" + label
                        Layout.fillWidth: true
                        // Equal shares of the row whatever the texts' widths.
                        Layout.preferredWidth: 1
                        label: figure !== undefined ? figure.label : ""
                        value: figure !== undefined ? figure.value : ""
                        placeholder: card.placeholder
                    }
                }
            }
        }
    }
}
