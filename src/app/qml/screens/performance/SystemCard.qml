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

        Repeater {
            model: figures.bars
            delegate: StatBar {
                required property var modelData
                objectName: "statBar:" + modelData.label
                Layout.fillWidth: true
                label: modelData.label
                value: modelData.value
                fraction: modelData.fraction
                known: modelData.known
                warnAbove: modelData.warnAbove
                placeholder: card.placeholder
            }
        }
        Repeater {
            model: figures.rows
            delegate: RowLayout {
                id: tileRow
                required property var modelData
                required property int index
                objectName: "tileRow:" + index
                Layout.fillWidth: true
                spacing: 8

                Repeater {
                    model: tileRow.modelData
                    delegate: StatTile {
                        required property var modelData
                        objectName: "statTile:" + modelData.label
                        Layout.fillWidth: true
                        // Equal shares of the row whatever the texts' widths.
                        Layout.preferredWidth: 1
                        label: modelData.label
                        value: modelData.value
                        placeholder: card.placeholder
                    }
                }
            }
        }
    }
}
