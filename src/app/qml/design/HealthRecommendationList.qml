import QtQuick
import Quillmere.Design

// The recommendation cards of the System Health page and the Smart Scan home, 12 apart, one per
// recommendation in the given order and identified by its id: a card whose recommendation stays keeps
// its place in the list and its texts follow the newest values; a new card rises into place after its
// position × 0.06 s; a card whose recommendation is gone fades out over 0.2 s (ease-out) while the ones
// below move up. It grows to show every card and does not scroll by itself.
ListView {
    id: list

    // Recommendations as the health model gives them: objects with `id`, `title`, `detail`,
    // `severity`, `actionLabel` and `target`.
    property var recommendations: []
    readonly property int removeDuration: 200

    // A card's button was clicked; `rec` is its recommendation.
    signal activated(var rec)

    // The height the list keeps while removed cards fade out: a card outside the view would be
    // dropped at once instead.
    property real heldHeight: 0

    interactive: false
    spacing: 12
    implicitHeight: Math.max(contentHeight, heldHeight)
    model: ListModel { id: entries }

    function fieldsOf(rec) {
        return {
            recId: String(rec.id),
            recTitle: String(rec.title),
            recDetail: String(rec.detail),
            recSeverity: Number(rec.severity),
            recActionLabel: String(rec.actionLabel),
            recTarget: String(rec.target)
        }
    }
    // Brings the list model in line with `recommendations` without recreating the cards that stay.
    function sync() {
        const recs = recommendations || []
        const ids = recs.map(rec => String(rec.id))
        for (let i = entries.count - 1; i >= 0; --i) {
            if (ids.indexOf(entries.get(i).recId) < 0) {
                heldHeight = Math.max(heldHeight, height)
                heightRelease.restart()
                entries.remove(i)
            }
        }
        for (let i = 0; i < recs.length; ++i) {
            let found = -1
            for (let j = i; j < entries.count; ++j) {
                if (entries.get(j).recId === ids[i]) {
                    found = j
                    break
                }
            }
            if (found < 0)
                entries.insert(i, fieldsOf(recs[i]))
            else {
                if (found !== i)
                    entries.move(found, i, 1)
                entries.set(i, fieldsOf(recs[i]))
            }
        }
    }
    onRecommendationsChanged: sync()
    Component.onCompleted: sync()

    Timer {
        id: heightRelease
        interval: list.removeDuration + 50
        onTriggered: list.heldHeight = 0
    }

    delegate: RecommendationCard {
        id: card
        required property int index
        required property string recId
        required property string recTitle
        required property string recDetail
        required property int recSeverity
        required property string recActionLabel
        required property string recTarget

        objectName: "recommendationCard:" + recId
        width: ListView.view.width
        rec: ({ id: recId, title: recTitle, detail: recDetail, severity: recSeverity,
                actionLabel: recActionLabel, target: recTarget })
        onAction: list.activated(card.rec)

        AppearLift {
            index: card.index
        }
    }

    remove: Transition {
        NumberAnimation {
            property: "opacity"
            to: 0
            duration: list.removeDuration
            easing.type: Easing.Bezier
            easing.bezierCurve: [0, 0, 0.58, 1, 1, 1]
        }
    }
    removeDisplaced: Transition {
        NumberAnimation {
            property: "y"
            duration: list.removeDuration
            easing.type: Easing.Bezier
            easing.bezierCurve: [0, 0, 0.58, 1, 1, 1]
        }
    }
}
