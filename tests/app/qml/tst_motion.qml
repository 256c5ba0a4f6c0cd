import QtQuick
import QtTest
import QtQuick.Shapes
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// Test items live in this visible root; the test case itself is invisible.
Item {
    id: root
    width: 1000
    height: 700

    TestCase {
        name: "Motion"
        when: windowShown

        // A binding that cannot be evaluated only warns; here it fails the test. Every case starts
        // with motion on, whatever the desktop says.
        function init() {
            failOnWarning(/.?/)
            MotionSettings.reduceMotion = false
        }
        function cleanup() {
            MotionSettings.reduceMotion = false
        }

        Component {
            id: holder
            Item {
                width: 400
                height: 300
            }
        }
        Component {
            id: progressBar
            ScanProgressBar {
                width: 400
                height: 8
            }
        }
        Component {
            id: indicator
            ScanningIndicator {
                symbol: "magnifyingglass"
                title: "Scanning…"
                subtitle: "1,204 files"
            }
        }
        Component {
            id: countUp
            CountUpBytes {}
        }
        Component {
            id: liftedBox
            Item {
                property alias appear: appear
                width: 120
                height: 40
                AppearLift {
                    id: appear
                }
            }
        }
        Component {
            id: scaledBox
            Item {
                property alias appear: appear
                width: 120
                height: 40
                transform: Scale { xScale: 2 }
                AppearLift {
                    id: appear
                    index: 10
                }
            }
        }
        Component {
            id: hoverBox
            Item {
                property alias lift: lift
                width: 200
                height: 100
                HoverLift {
                    id: lift
                    liftScale: 1.025
                    cornerRadius: 12
                }
            }
        }
        Component {
            id: clickTarget
            MouseArea {
                anchors.fill: parent
                property int clicks: 0
                onClicked: ++clicks
            }
        }
        Component {
            id: celebration
            Celebration {
                anchors.fill: parent
            }
        }
        Component {
            id: scanRing
            ScanRing {
                width: 150
                height: 120
                lineWidth: 12
                centerTitle: "42%"
                centerSubtitle: "Scanning…"
            }
        }

        function tintedHolder(module) {
            const item = createTemporaryObject(holder, root)
            item.ModuleTint.tint = QuillmereModule.tint(module)
            return item
        }
        function textSize(text) {
            return text.font.pointSize / Typo.pointsPerPixel
        }

        // Progress 0 shows no fill and no head; any started bar is at least its height wide; the head
        // shows only strictly between 0 and 1; negative counts as 0 and not-a-number as 1.
        function test_progressBarGeometry_data() {
            return [
                { tag: "zero", progress: 0, fill: 0, head: false },
                { tag: "tiny", progress: 0.001, fill: 8, head: true },
                { tag: "below the height", progress: 0.015, fill: 8, head: true },
                { tag: "half", progress: 0.5, fill: 200, head: true },
                { tag: "almost done", progress: 0.999, fill: 399.6, head: true },
                { tag: "one", progress: 1, fill: 400, head: false },
                { tag: "above one", progress: 3, fill: 400, head: false },
                { tag: "negative", progress: -1, fill: 0, head: false },
                { tag: "not a number", progress: NaN, fill: 400, head: false },
                { tag: "infinite", progress: Infinity, fill: 400, head: false },
            ]
        }
        function test_progressBarGeometry(row) {
            const bar = createTemporaryObject(progressBar, root, { progress: row.progress })
            fuzzyCompare(bar.fillWidth, row.fill, 1e-9)
            compare(bar.headShown, row.head)
            compare(bar.head.visible, row.head)
            compare(bar.fill.visible, row.fill > 0)
            tryCompare(bar.fill, "width", row.fill)
            if (row.head) {
                fuzzyCompare(bar.headX, row.fill - 4, 1e-9)
                tryVerify(function () { return Math.abs(bar.head.centerX - row.fill) < 1e-9 },
                          5000, "the head's centre sits on the end of the fill")
            }
            compare(bar.height, 8)
            compare(bar.track.width, 400)
            compare(bar.track.radius, 4)
            fuzzyCompare(bar.track.color.a, 0.1, 1e-3)
            // The shimmer and the head are drawn as the bar's own capsule, so nothing leaves it.
            compare(bar.shimmer.width, 400)
            compare(bar.shimmer.height, 8)
            compare(bar.head.width, 400)
            compare(bar.shimmerBand, 120)
        }

        function test_progressBarFollowsAChangeWithAnEaseOut() {
            const bar = createTemporaryObject(progressBar, root, { progress: 0.2, tint: Theme.danger })
            tryCompare(bar.fill, "width", 80)
            bar.progress = 0.8
            compare(bar.fillWidth, 320)
            verify(bar.fill.width < 320, "the fill does not jump")
            tryCompare(bar.fill, "width", 320)
            const stops = bar.fill.gradient.stops
            compare(bar.fill.gradient.orientation, Gradient.Horizontal)
            fuzzyCompare(stops[0].color.a, 0.75, 1e-3)
            verify(Qt.colorEqual(stops[1].color, Theme.danger))
            fuzzyCompare(stops[2].color.a, 0.85, 1e-3)
            compare(stops[2].color.r, 1)
        }

        // A lower progress is a new scan: the bar starts there at once, also in the middle of an ease,
        // instead of running back; it then eases forward again.
        function test_progressBarStartsANewScanAtOnce() {
            const bar = createTemporaryObject(progressBar, root, { progress: 1 })
            tryCompare(bar.fill, "width", 400)
            bar.progress = 0
            compare(bar.shownProgress, 0)
            compare(bar.fill.width, 0)
            verify(!bar.fill.visible)

            bar.progress = 0.8
            verify(bar.fill.width < 320, "a rise eases")
            tryVerify(function () { return bar.shownProgress > 0.3 && bar.shownProgress < 0.8 }, 5000,
                      "the ease is under way")
            bar.progress = 0.1
            compare(bar.shownProgress, 0.1)
            compare(bar.fill.width, 40, "a fall during an ease ends it where the new value is")
            wait(400)
            compare(bar.fill.width, 40, "and nothing runs on afterwards")
            bar.progress = 0.5
            verify(bar.fill.width < 200)
            tryCompare(bar.fill, "width", 200)
        }

        // The shimmer and the head loop with motion on, rest in place with it off, and follow a change
        // of the preference both ways; a bar can also be told to hold still on its own.
        function test_reduceMotionStopsTheBarLoops() {
            const moving = createTemporaryObject(progressBar, root, { progress: 0.5 })
            verify(moving.shimmer.moving)
            verify(moving.head.breathing)
            const firstOffset = moving.shimmer.offset
            tryVerify(function () { return moving.shimmer.offset !== firstOffset }, 5000, "the band runs")
            tryVerify(function () { return moving.head.pulse > 0 }, 5000, "the head breathes")

            MotionSettings.reduceMotion = true
            verify(!moving.shimmer.moving)
            verify(!moving.head.breathing)
            compare(moving.shimmer.offset, 0)
            compare(moving.head.pulseScale, 0.7)
            compare(moving.head.opacity, 1)

            const still = createTemporaryObject(progressBar, root, { progress: 0.5 })
            verify(!still.shimmer.moving)
            verify(!still.head.breathing)
            compare(still.shimmer.offset, 0, "the band rests at the leading edge")

            MotionSettings.reduceMotion = false
            verify(still.shimmer.moving)
            const own = createTemporaryObject(progressBar, root, { progress: 0.5, reduceMotion: true })
            verify(!own.shimmer.moving)
            verify(!own.head.breathing)
        }

        function test_scanningIndicator() {
            const i = createTemporaryObject(indicator, root, { tint: QuillmereModule.tint("Files") })
            compare(i.rings.width, 160)
            compare(i.rings.height, 160)
            compare(i.rings.disc.width, 66)
            fuzzyCompare(textSize(i.rings.symbolItem), 26, 1e-9)
            fuzzyCompare(textSize(i.titleText), 16, 1e-9)
            compare(i.titleText.font.weight, Font.DemiBold)
            fuzzyCompare(textSize(i.subtitleText), 12, 1e-9)
            compare(i.subtitleText.text, "1,204 files")
            // 18 between the rings and the texts, 4 between the two texts.
            const ringsBottom = i.rings.mapToItem(i, 0, i.rings.height).y
            fuzzyCompare(i.titleText.mapToItem(i, 0, 0).y - ringsBottom, 18, 1e-6)
            const titleBottom = i.titleText.mapToItem(i, 0, i.titleText.height).y
            fuzzyCompare(i.subtitleText.mapToItem(i, 0, 0).y - titleBottom, 4, 1e-6)

            for (let n = 0; n < 3; ++n) {
                const ring = i.rings.ring(n)
                compare(ring.delay, n * 800, "ring " + n + " starts after n × 0.8 s")
                compare(ring.border.width, 2)
                fuzzyCompare(ring.border.color.a, 0.45, 1e-3)
                compare(ring.width - ring.border.width, 72, "the line is centred on a circle 72 across")
            }
            verify(i.rings.animating)
            tryVerify(function () { return i.rings.ring(0).spread > 0 }, 5000, "the first ring spreads")
            verify(i.rings.ring(0).scale > 0.75)

            MotionSettings.reduceMotion = true
            verify(!i.rings.animating)
            for (let n = 0; n < 3; ++n) {
                compare(i.rings.ring(n).scale, 0.75)
                fuzzyCompare(i.rings.ring(n).opacity, 0.6, 1e-9)
            }
        }

        function test_countUpEndsOnTheByteCountAndRestartsOnChange() {
            const zero = createTemporaryObject(countUp, root, { bytes: 0 })
            compare(zero.text, "0 KB")
            tryCompare(zero, "counting", false)
            compare(zero.text, "0 KB")

            const c = createTemporaryObject(countUp, root, { bytes: 1500000 })
            verify(c.counting)
            tryCompare(c, "text", "1.5 MB")
            tryCompare(c, "counting", false)
            compare(c.shown, 1500000)

            c.bytes = 3000
            compare(c.text, "0 KB", "a new total counts from zero again")
            verify(c.counting)
            tryCompare(c, "text", "3 KB")

            c.bytes = -5
            tryCompare(c, "counting", false)
            compare(c.text, "0 KB")
            compare(c.duration, 700)
        }

        function test_appearLiftDelaysByIndex_data() {
            // A list item on its way out has index -1: it waits for nothing (and warns of nothing).
            return [0, 1, 3, 10, 25, -1].map(function (i) { return { tag: "index " + i, index: i, delay: Math.max(i, 0) * 60 } })
        }
        function test_appearLiftDelaysByIndex(row) {
            const box = createTemporaryObject(liftedBox, root)
            box.appear.index = row.index
            compare(box.appear.delay, row.delay)
            compare(box.appear.duration, 450)
            compare(box.appear.distance, 16)
        }

        function test_appearLiftRisesIntoPlaceOnAppearanceAndReplays() {
            const box = createTemporaryObject(scaledBox, root)
            // Index 10 waits 0.6 s, so the start is still visible here.
            compare(box.opacity, 0)
            compare(box.transform.length, 2, "the lift adds its own translation and keeps the scale")
            compare(box.transform[1].y, 16)
            verify(box.appear.running)
            // Read once the rise has ended: near its end the opacity is within compare's tolerance of 1
            // while the offset still reads a little above 0.
            tryCompare(box.appear, "running", false, 10000)
            compare(box.opacity, 1)
            compare(box.transform[1].y, 0)
            compare(box.transform[0].xScale, 2)

            box.visible = false
            box.visible = true
            compare(box.opacity, 0, "showing it again replays the lift")
            verify(box.appear.running)
            tryCompare(box.appear, "running", false, 10000)
            compare(box.opacity, 1)
        }

        function test_hoverLiftFollowsThePointer() {
            const area = tintedHolder("Protection")
            const box = createTemporaryObject(hoverBox, area)
            compare(box.scale, 1)
            verify(!box.lift.hovered)

            // Every lifted value follows one eased amount. A tryCompare on the scale would pass within
            // its 1e-5 tolerance a frame before the end (1.02499 while the radius reads 15.996), so the
            // values are read once the easing has landed exactly on its end.
            mouseMove(box, 100, 50)
            tryCompare(box.lift, "hovered", true)
            tryVerify(function() { return box.lift.amount === 1 }, 5000, "the lift eases in to its end")
            compare(box.scale, 1.025)
            compare(box.lift.shadowRadius, 16)
            compare(box.lift.shadowOffsetY, 6)
            fuzzyCompare(box.lift.shadowColor.a, 0.35, 1e-3)
            fuzzyCompare(box.lift.shadowColor.r, QuillmereModule.tint("Protection").r, 1e-3)

            mouseMove(area, 350, 250)
            tryCompare(box.lift, "hovered", false)
            tryVerify(function() { return box.lift.amount === 0 }, 5000, "the lift eases out to its end")
            compare(box.scale, 1)
            compare(box.lift.shadowRadius, 0)
            compare(box.lift.shadowColor.a, 0)
        }

        // Shown when set, gone by itself, and never in the way of a click on what lies beneath.
        function test_celebrationClearsItselfAndLetsClicksThrough() {
            const area = createTemporaryObject(holder, root)
            const beneath = createTemporaryObject(clickTarget, area)
            const c = createTemporaryObject(celebration, area, { tint: QuillmereModule.tint("Cleanup") })
            verify(c.mark === null)
            compare(c.holdDuration, 1500)
            compare(c.fadeDuration, 300)

            c.active = true
            verify(c.mark !== null)
            compare(c.mark.symbolItem.name, "checkmark.circle.fill")
            fuzzyCompare(textSize(c.mark.symbolItem), 70, 1e-9)
            verify(Qt.colorEqual(c.mark.symbolItem.color, QuillmereModule.tint("Cleanup")))
            mouseClick(area, 200, 150)
            compare(beneath.clicks, 1, "the click under the mark reached the screen")

            tryCompare(c, "active", false, 10000)
            tryCompare(c, "showing", false, 10000)
            verify(c.mark === null)
            mouseClick(area, 200, 150)
            compare(beneath.clicks, 2)

            // A second success replays it.
            c.active = true
            verify(c.mark !== null)
            tryCompare(c, "active", false, 10000)
        }

        function test_celebrationMarkSpringsWithOvershoot() {
            const area = createTemporaryObject(holder, root)
            const c = createTemporaryObject(celebration, area, { active: true })
            const mark = c.mark
            compare(mark.springAt(0), 0)
            // Damping fraction 0.55: the first peak passes 1 by about an eighth, and it settles.
            let peak = 0
            for (let t = 0; t <= 1; t += 0.005)
                peak = Math.max(peak, mark.springAt(t))
            verify(peak > 1.1 && peak < 1.15, "peak " + peak)
            fuzzyCompare(mark.springAt(1), 1, 0.01)
            compare(mark.markScale, 0.2 + 0.8 * mark.springValue)
        }

        // Sixteen dots: even ones in the tint, odd ones white; dot 0 flies straight right, dot 4
        // straight down, out to 96 at the end.
        function test_sparkleBurstDirections() {
            const area = createTemporaryObject(holder, root)
            const tint = QuillmereModule.tint("Disk")
            const c = createTemporaryObject(celebration, area, { tint: tint, active: true })
            const burst = c.mark.burst
            compare(burst.count, 16)
            compare(burst.reach, 96)
            compare(burst.duration, 900)
            verify(Qt.colorEqual(burst.dot(0).color, tint))
            verify(Qt.colorEqual(burst.dot(1).color, "white"))
            verify(Qt.colorEqual(burst.dot(4).color, tint))
            compare(burst.dot(0).width, 7)
            tryVerify(function () { return burst.go > 0.3 }, 5000)
            const go = burst.go
            const centre = function (dot) {
                return dot.mapToItem(burst, dot.width / 2, dot.height / 2)
            }
            const d0 = centre(burst.dot(0))
            const d4 = centre(burst.dot(4))
            fuzzyCompare(d0.x - burst.width / 2, 96 * go, 1e-6)
            fuzzyCompare(d0.y - burst.height / 2, 0, 1e-6)
            fuzzyCompare(d4.x - burst.width / 2, 0, 1e-6)
            fuzzyCompare(d4.y - burst.height / 2, 96 * go, 1e-6)
            fuzzyCompare(burst.dot(0).opacity, 1 - go, 1e-9)
            fuzzyCompare(burst.dot(0).scale, 1 - 0.7 * go, 1e-9)
        }

        // In a frame 150 wide and 120 high with a line of 12 the dots orbit at 54, starting at 12,
        // 4 and 8 o'clock.
        function test_scanRingOrbitAndArcs() {
            MotionSettings.reduceMotion = true
            const ring = createTemporaryObject(scanRing, tintedHolder("Smart Scan"), { isScanning: true })
            compare(ring.orbitRadius, 54)
            verify(ring.sweep !== null)
            compare(ring.sweep.radius, 54)
            const centre = Qt.point(75, 60)
            const expected = [[0, -54], [54 * Math.sin(2 * Math.PI / 3), 54 * 0.5], [-54 * Math.sin(2 * Math.PI / 3), 54 * 0.5]]
            for (let i = 0; i < 3; ++i) {
                const dot = ring.sweep.dot(i)
                const p = dot.mapToItem(ring, dot.width / 2, dot.height / 2)
                fuzzyCompare(p.x - centre.x, expected[i][0], 1e-6)
                fuzzyCompare(p.y - centre.y, expected[i][1], 1e-6)
                compare(dot.width, 6)
            }
            compare(ring.ringRadius, 60)
            compare(ring.sweep.sweepArc.fraction, 0.32)
            compare(ring.sweep.sweepArc.lineWidth, 12)
            fuzzyCompare(ring.sweep.sweepArc.endColor.a, 0.95, 1e-3)
            compare(ring.sweep.sweepArc.startColor.a, 0)
            compare(ring.sweep.counterArc.fraction, 0.16)
            fuzzyCompare(ring.sweep.counterArc.radius, 60 - 10.8, 1e-9)
            fuzzyCompare(ring.sweep.counterArc.lineWidth, 4.8, 1e-9)
            fuzzyCompare(ring.sweep.counterArc.startColor.a, 0.9, 1e-3)
            fuzzyCompare(ring.sweep.halo.lineWidth, 21.6, 1e-9)
            compare(ring.sweep.halo.blurRadius, 9)
            fuzzyCompare(ring.sweep.halo.color.a, 0.16, 1e-3)
            verify(Qt.colorEqual(ring.tint, QuillmereModule.tint("Smart Scan")))

            // A thin line still orbits at least 2 wide on the counter arc.
            ring.lineWidth = 3
            compare(ring.sweep.counterArc.lineWidth, 2)
        }

        function test_scanRingMinimumArc_data() {
            return [
                { tag: "zero", progress: 0, drawn: 0.001 },
                { tag: "negative", progress: -0.5, drawn: 0.001 },
                { tag: "not a number", progress: NaN, drawn: 0.001 },
                { tag: "tiny", progress: 0.0004, drawn: 0.001 },
                { tag: "half", progress: 0.5, drawn: 0.5 },
                { tag: "above one", progress: 1.7, drawn: 1 },
            ]
        }
        function test_scanRingMinimumArc(row) {
            const ring = createTemporaryObject(scanRing, root, { progress: row.progress })
            fuzzyCompare(ring.drawnProgress, row.drawn, 1e-12)
            tryVerify(function () { return Math.abs(ring.shownProgress - row.drawn) < 1e-12 })
            const arc = ring.progressArc
            compare(arc.startAngle, -90, "the arc starts at 12 o'clock")
            fuzzyCompare(arc.sweepAngle, 360 * row.drawn, 1e-9)
            compare(ring.progressArc.capStyle, ShapePath.RoundCap)
            compare(ring.progressArc.strokeWidth, 12)
            fuzzyCompare(ring.track.strokeColor.a, 0.12, 1e-3)
        }

        function test_scanRingProgressEasesAndTextsAreOneElement() {
            const ring = createTemporaryObject(scanRing, root, { progress: 0.2 })
            tryCompare(ring, "shownProgress", 0.2)
            ring.progress = 0.8
            verify(ring.shownProgress < 0.8, "the arc sweeps rather than jumps")
            compare(ring.progressDuration, 600)
            tryCompare(ring, "shownProgress", 0.8)
            compare(ring.Accessible.name, "42% Scanning…")
            fuzzyCompare(textSize(ring.titleText), 30, 1e-9)
            compare(ring.titleText.font.weight, Font.DemiBold)
            fuzzyCompare(textSize(ring.subtitleText), 12, 1e-9)
            verify(ring.sweep === null, "no sweep layer while not scanning")
        }

        function test_scanRingSweepTurnsUnlessMotionIsReduced() {
            const ring = createTemporaryObject(scanRing, root, { isScanning: true })
            verify(ring.sweep.turning)
            tryVerify(function () { return ring.sweep.sweepArc.rotation > 0 }, 5000, "the sweep turns clockwise")
            tryVerify(function () { return ring.sweep.counterArc.rotation < 0 }, 5000, "the counter arc turns back")
            tryVerify(function () { return ring.sweep.orbit.rotation < 0 }, 5000, "the dots turn back")

            MotionSettings.reduceMotion = true
            verify(!ring.sweep.turning)
            compare(ring.sweep.sweepArc.rotation, 0)
            compare(ring.sweep.orbit.rotation, 0)

            // A new scan makes a new layer, at rest while motion stays reduced.
            ring.isScanning = false
            verify(ring.sweep === null)
            ring.isScanning = true
            verify(!ring.sweep.turning)
            compare(ring.sweep.counterArc.rotation, 0)
        }
    }
}
