import QtQuick
import Quillmere.Design as Design

// A list of launch jobs on the faint fill with corners of 12: one AgentRow per job, in order, and a
// divider indented 38 after every row but the last. The last row is the one whose file is the last
// job's, compared by the raw bytes of the path (the row id), so two names that read alike
// on screen still count as two. With `actionable` every row offers Disable and reports it through
// `disableRequested(id)`; otherwise every row shows the lock.
Rectangle {
    id: list

    required property var agents
    property bool actionable: false
    property bool isDisabling: false

    signal disableRequested(string id)

    implicitHeight: column.implicitHeight
    radius: 12
    color: Design.Palette.fillFaint

    Column {
        id: column
        width: list.width
        spacing: 0

        Repeater {
            model: list.agents
            delegate: Column {
                id: entry
                required property var modelData
                width: column.width

                AgentRow {
                    objectName: "agentRow:" + entry.modelData.id
                    width: entry.width
                    agent: entry.modelData
                    hasAction: list.actionable
                    isDisabling: list.isDisabling
                    onAction: list.disableRequested(entry.modelData.id)
                }
                Rectangle {
                    objectName: "agentDivider"
                    visible: list.agents.length > 0 && entry.modelData.id !== list.agents[list.agents.length - 1].id
                    x: 38
                    width: entry.width - 38
                    height: 1
                    color: Design.Palette.hairline
                }
            }
        }
    }
}
