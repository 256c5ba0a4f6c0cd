import QtQuick
import QtQuick.Layouts
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// Every design component in every variant, on four pages: "components", "symbols" (the symbol table
// and the brand background of each module), "motion" (the motion and effect components, the category
// card and the health tiles and cards, pictured `captureDelay` milliseconds after the page shows) and
// "actions" (the clean action bar, the failure alert, the confirmation dialog, the Full Disk Access
// banner, the incomplete-scan note and the spinner).
Item {
    id: gallery

    required property string page

    width: 1700
    height: page === "symbols" ? 1240 : page === "motion" ? 1100 : page === "actions" ? 900 : 1200
    // How long the capture waits after the first frames, so one-shot effects have played.
    readonly property int captureDelay: page === "motion" ? 1200 : 0

    BrandBackground {
        anchors.fill: parent
        module: "Smart Scan"
    }

    // A glass card with a section title, holding one column of content.
    component Section: GlassCard {
        id: section
        property string title
        property string subtitle: ""
        default property alias content: body.data
        cornerRadius: 16
        Layout.fillWidth: true

        contentItem: ColumnLayout {
            spacing: 14
            SectionHeader {
                Layout.fillWidth: true
                Layout.margins: 16
                Layout.bottomMargin: 0
                title: section.title
                subtitle: section.subtitle
            }
            ColumnLayout {
                id: body
                Layout.margins: 16
                Layout.topMargin: 0
                spacing: 12
            }
        }
    }

    // A caption under or beside a sample.
    component Caption: Text {
        font: Typo.caption
        color: Design.Palette.textTertiary
        textFormat: Text.PlainText
    }

    // A scope that gives its content a module's tint; an empty module leaves the accent.
    component TintScope: Item {
        property string module: ""
        default property alias content: holder.data
        implicitWidth: holder.implicitWidth
        implicitHeight: holder.implicitHeight
        Component.onCompleted: {
            if (module !== "")
                ModuleTint.tint = QuillmereModule.tint(module)
        }
        data: RowLayout {
            id: holder
            anchors.fill: parent
            spacing: 10
        }
    }

    component Swatch: ColumnLayout {
        property color swatch
        property string label
        spacing: 4
        Rectangle {
            implicitWidth: 64
            implicitHeight: 36
            radius: 8
            color: parent.swatch
            border.width: 1
            border.color: Design.Palette.stroke
        }
        Caption { text: parent.label }
    }

    // The loader sizes the page it loads.
    Loader {
        anchors.fill: parent
        anchors.margins: 24
        sourceComponent: gallery.page === "symbols" ? symbolsPage
                         : gallery.page === "motion" ? motionPage
                         : gallery.page === "actions" ? actionsPage : componentsPage
    }

    Component {
        id: componentsPage

        RowLayout {
            spacing: 20

            // Column 1: tokens, type, badges.
            ColumnLayout {
                Layout.alignment: Qt.AlignTop
                Layout.preferredWidth: 420
                Layout.maximumWidth: 420
                spacing: 20

                Section {
                    title: "Theme and Palette"
                    subtitle: "sRGB over 255 with opacity"
                    GridLayout {
                        columns: 4
                        columnSpacing: 12
                        rowSpacing: 10
                        Swatch { swatch: Theme.accent; label: "accent" }
                        Swatch { swatch: Theme.accentSoft; label: "accentSoft" }
                        Swatch { swatch: Theme.warning; label: "warning" }
                        Swatch { swatch: Theme.danger; label: "danger" }
                        Swatch { swatch: Design.Palette.success; label: "success" }
                        Swatch { swatch: Design.Palette.textPrimary; label: "textPrimary" }
                        Swatch { swatch: Design.Palette.textSecondary; label: "textSecondary" }
                        Swatch { swatch: Design.Palette.textTertiary; label: "textTertiary" }
                        Swatch { swatch: Design.Palette.fillFaint; label: "fillFaint" }
                        Swatch { swatch: Design.Palette.fillSubtle; label: "fillSubtle" }
                        Swatch { swatch: Design.Palette.fillMuted; label: "fillMuted" }
                        Swatch { swatch: Design.Palette.hairline; label: "hairline" }
                        Swatch { swatch: Design.Palette.stroke; label: "stroke" }
                        Swatch { swatch: Design.Palette.warning; label: "P.warning" }
                    }
                }

                Section {
                    title: "Typo"
                    Repeater {
                        model: [
                            ["screenTitle", Typo.screenTitle, "22 semibold"],
                            ["sectionTitle", Typo.sectionTitle, "15 semibold"],
                            ["cardTitle", Typo.cardTitle, "13 semibold"],
                            ["cardTitleLarge", Typo.cardTitleLarge, "15 semibold"],
                            ["body", Typo.body, "13 regular"],
                            ["bodyMedium", Typo.bodyMedium, "13 medium"],
                            ["callout", Typo.callout, "12 regular"],
                            ["calloutMedium", Typo.calloutMedium, "12 medium"],
                            ["caption", Typo.caption, "11 regular"],
                            ["captionMedium", Typo.captionMedium, "11 medium"],
                            ["metricSmall", Typo.metricSmall, "22 semibold (rounded)"],
                        ]
                        RowLayout {
                            required property var modelData
                            spacing: 10
                            Text {
                                text: modelData[0]
                                font: modelData[1]
                                color: Design.Palette.textPrimary
                                Layout.preferredWidth: 190
                            }
                            Caption { text: modelData[2] }
                        }
                    }
                    RowLayout {
                        spacing: 10
                        Text { text: "16.92 px"; font: Typo.system(16.92, Font.DemiBold); color: Design.Palette.textSecondary }
                        Caption { text: "a fractional size, kept" }
                    }
                }

                Section {
                    title: "StatusBadge"
                    Flow {
                        Layout.fillWidth: true
                        spacing: 8
                        StatusBadge { text: "Helper installed"; systemImage: "checkmark.circle.fill"; color: Design.Palette.success }
                        StatusBadge { text: "Needs approval"; systemImage: "person.badge.clock"; color: Design.Palette.warning }
                        StatusBadge { text: "Not installed"; systemImage: "circle.dashed"; color: Design.Palette.textTertiary }
                        StatusBadge { text: "Unavailable"; systemImage: "minus.circle"; color: Design.Palette.textTertiary }
                        StatusBadge { text: "Critical"; systemImage: "exclamationmark.octagon.fill"; color: Theme.danger }
                        StatusBadge { text: "Trash-first · everything is reversible"; systemImage: "arrow.uturn.backward.circle"; color: Theme.accent }
                        StatusBadge { text: "No symbol"; color: QuillmereModule.tint("Protection") }
                        StatusBadge { text: "12 items"; color: QuillmereModule.tint("Files") }
                    }
                }
            }

            // Column 2: buttons, headers.
            ColumnLayout {
                Layout.alignment: Qt.AlignTop
                Layout.preferredWidth: 640
                Layout.maximumWidth: 640
                spacing: 20

                Section {
                    title: "QuillmereButtonStyle"
                    subtitle: "primary takes the nearest module tint; secondary never changes"
                    Repeater {
                        model: ["", "Cleanup", "Protection", "Disk", "Smart Scan"]
                        ColumnLayout {
                            required property string modelData
                            spacing: 4
                            Caption { text: modelData === "" ? "outside any module (accent)" : modelData }
                            TintScope {
                                module: modelData
                                QuillmereButtonStyle { text: "Scan" }
                                QuillmereButtonStyle { text: "Scan for junk"; symbol: "magnifyingglass" }
                                QuillmereButtonStyle { text: "Undo"; symbol: "arrow.uturn.backward"; kind: QuillmereButtonStyle.Secondary }
                                QuillmereButtonStyle { text: "Pressed"; down: true }
                                QuillmereButtonStyle { text: "Pressed"; down: true; kind: QuillmereButtonStyle.Secondary }
                            }
                        }
                    }
                }

                Section {
                    title: "CircularGlowButtonStyle"
                    RowLayout {
                        spacing: 36
                        Layout.topMargin: 12
                        Layout.bottomMargin: 16
                        Layout.leftMargin: 12
                        CircularGlowButtonStyle { text: "Scan"; diameter: 96; tint: QuillmereModule.tint("Smart Scan") }
                        CircularGlowButtonStyle { text: "Clean"; diameter: 96; tint: QuillmereModule.tint("Cleanup") }
                        CircularGlowButtonStyle { symbol: "magnifyingglass"; diameter: 72; tint: QuillmereModule.tint("Protection") }
                        CircularGlowButtonStyle { text: "Pressed"; diameter: 96; tint: QuillmereModule.tint("Disk"); down: true }
                    }
                }

                Section {
                    title: "SectionHeader"
                    SectionHeader { Layout.fillWidth: true; title: "Recommendations" }
                    Rectangle { Layout.fillWidth: true; implicitHeight: 1; color: Design.Palette.hairline }
                    SectionHeader { Layout.fillWidth: true; title: "Your computer at a glance"; subtitle: "Updated just now" }
                    Rectangle { Layout.fillWidth: true; implicitHeight: 1; color: Design.Palette.hairline }
                    SectionHeader {
                        Layout.fillWidth: true
                        title: "Large files"
                        subtitle: "Trailing button on the title's baseline"
                        trailing: Component { QuillmereButtonStyle { text: "Select all"; kind: QuillmereButtonStyle.Secondary } }
                    }
                }

                Section {
                    title: "GlassCard"
                    RowLayout {
                        spacing: 16
                        Repeater {
                            model: [8, 16, 24]
                            GlassCard {
                                required property int modelData
                                cornerRadius: modelData
                                Text {
                                    padding: 18
                                    text: "radius " + modelData
                                    font: Typo.body
                                    color: Design.Palette.textSecondary
                                }
                            }
                        }
                    }
                }
            }

            // Column 3: medallions, page headers, empty states.
            ColumnLayout {
                Layout.alignment: Qt.AlignTop
                Layout.fillWidth: true
                spacing: 20

                Section {
                    title: "HeroMedallion"
                    RowLayout {
                        spacing: 40
                        Layout.margins: 24
                        Layout.bottomMargin: 40
                        HeroMedallion { symbol: "sparkles"; tint: QuillmereModule.tint("Smart Scan"); size: 120 }
                        HeroMedallion { symbol: "externaldrive.badge.checkmark"; tint: QuillmereModule.tint("Space Lens"); size: 132 }
                        HeroMedallion { symbol: "hand.raised.fill"; tint: Theme.danger; size: 80 }
                    }
                }

                Section {
                    title: "IconMedallion"
                    RowLayout {
                        spacing: 16
                        IconMedallion { symbol: "trash"; size: 24 }
                        IconMedallion { symbol: "trash"; size: 36; tint: QuillmereModule.tint("Cleanup") }
                        IconMedallion { symbol: "checkmark.shield"; size: 36; tint: QuillmereModule.tint("Protection") }
                        IconMedallion { symbol: "bolt"; size: 48; tint: QuillmereModule.tint("Performance") }
                        IconMedallion { symbol: "icloud"; size: 64; tint: QuillmereModule.tint("Cloud Cleanup") }
                    }
                }

                Section {
                    title: "PageHeader"
                    PageHeader { Layout.fillWidth: true; title: "Title only" }
                    TintScope {
                        module: "Cleanup"
                        Layout.fillWidth: true
                        PageHeader {
                            Layout.fillWidth: true
                            title: "Cleanup"
                            subtitle: "Caches, logs, saved state, developer build caches, and files left behind by apps you removed."
                            icon: "trash"
                            trailing: Component { QuillmereButtonStyle { text: "Scan"; symbol: "magnifyingglass" } }
                            accessory: Component {
                                RowLayout {
                                    StatusBadge { text: "Trash-first · everything is reversible"; systemImage: "arrow.uturn.backward.circle"; color: Theme.accent }
                                }
                            }
                        }
                    }
                    TintScope {
                        module: "Protection"
                        Layout.fillWidth: true
                        PageHeader {
                            Layout.fillWidth: true
                            title: "Protection"
                            subtitle: "Icon tile in the module tint, trailing controls."
                            icon: "checkmark.shield"
                            trailing: Component { QuillmereButtonStyle { text: "Scan" } }
                        }
                    }
                }

                Section {
                    title: "EmptyStateView"
                    RowLayout {
                        spacing: 12
                        Layout.fillWidth: true
                        GlassCard {
                            cornerRadius: 12
                            Layout.fillWidth: true
                            Layout.preferredWidth: 1
                            EmptyStateView { width: parent.width; icon: "checkmark.circle.fill"; title: "All clean" }
                        }
                        GlassCard {
                            cornerRadius: 12
                            Layout.fillWidth: true
                            Layout.preferredWidth: 1
                            TintScope {
                                module: "Cleanup"
                                width: parent.width
                                EmptyStateView {
                                    Layout.fillWidth: true
                                    icon: "trash"
                                    title: "Nothing found"
                                    message: "Run a scan to find caches, logs and leftovers that are safe to remove."
                                    actions: Component { QuillmereButtonStyle { text: "Scan"; symbol: "magnifyingglass" } }
                                }
                            }
                        }
                        GlassCard {
                            cornerRadius: 12
                            Layout.fillWidth: true
                            Layout.preferredWidth: 1
                            EmptyStateView {
                                width: parent.width
                                icon: "exclamationmark.triangle.fill"
                                title: "Given tint"
                                message: "Uses its own colour."
                                tint: Theme.warning
                            }
                        }
                    }
                }
            }
        }
    }

    Component {
        id: symbolsPage

        ColumnLayout {
            spacing: 20

            Section {
                title: "BrandBackground"
                subtitle: "each module's tint, drawn at 1040 × 700 and shown at a quarter"
                GridLayout {
                    columns: 6
                    columnSpacing: 14
                    rowSpacing: 10
                    Repeater {
                        model: QuillmereModule.allCases
                        ColumnLayout {
                            required property string modelData
                            spacing: 4
                            Item {
                                implicitWidth: 1040 * 0.22
                                implicitHeight: 700 * 0.22
                                clip: true
                                BrandBackground {
                                    width: 1040
                                    height: 700
                                    scale: 0.22
                                    transformOrigin: Item.TopLeft
                                    module: modelData
                                }
                            }
                            RowLayout {
                                spacing: 6
                                SymbolImage { name: QuillmereModule.systemImage(modelData); size: 16; color: QuillmereModule.tint(modelData) }
                                Text { text: modelData; font: Typo.calloutMedium; color: Design.Palette.textPrimary }
                                Caption { text: QuillmereModule.shortcut(QuillmereModule.indexOf(modelData)) }
                            }
                        }
                    }
                }
            }

            Section {
                title: "Symbols"
                subtitle: "system symbol name → Material Icons glyph"
                GridLayout {
                    columns: 8
                    columnSpacing: 8
                    rowSpacing: 8
                    Repeater {
                        model: Symbols.names
                        Rectangle {
                            required property string modelData
                            implicitWidth: 180
                            implicitHeight: 52
                            radius: 8
                            color: Design.Palette.fillFaint
                            border.width: 1
                            border.color: Design.Palette.hairline
                            SymbolImage {
                                x: 10
                                anchors.verticalCenter: parent.verticalCenter
                                name: parent.modelData
                                size: 24
                                color: Theme.accent
                            }
                            Column {
                                x: 44
                                anchors.verticalCenter: parent.verticalCenter
                                Text { text: parent.parent.modelData; font: Typo.captionMedium; color: Design.Palette.textPrimary }
                                Caption { text: Symbols.materialName(parent.parent.modelData) }
                            }
                        }
                    }
                }
            }
        }
    }

    Component {
        id: motionPage

        RowLayout {
            spacing: 20

            // Column 1: count-up, progress bars, scanning placeholders.
            ColumnLayout {
                Layout.alignment: Qt.AlignTop
                Layout.preferredWidth: 470
                Layout.minimumWidth: 470
                Layout.maximumWidth: 470
                spacing: 20

                Section {
                    title: "CountUpBytes"
                    subtitle: "counted up from 0 KB on appearance"
                    Repeater {
                        model: [
                            [0, "0 bytes", Typo.system(17, Font.DemiBold)],
                            [999, "999 bytes", Typo.system(17, Font.DemiBold)],
                            [1500000, "1 500 000 bytes", Typo.system(17, Font.DemiBold)],
                            [1234567890, "1 234 567 890 bytes", Typo.metricSmall],
                        ]
                        RowLayout {
                            required property var modelData
                            spacing: 12
                            CountUpBytes {
                                bytes: modelData[0]
                                font: modelData[2]
                                Layout.preferredWidth: 150
                            }
                            Caption { text: modelData[1] }
                        }
                    }
                }

                Section {
                    title: "ScanProgressBar"
                    subtitle: "height 8; the head shows only strictly between 0 and 1"
                    Repeater {
                        model: [
                            [0, "0", "Cleanup", false],
                            [0.001, "0.001 (never narrower than its height)", "Cleanup", false],
                            [0.35, "0.35", "Protection", false],
                            [0.7, "0.7", "Cloud Cleanup", false],
                            [1, "1", "Smart Scan", false],
                            [-1, "−1 (as 0)", "Disk", false],
                            [NaN, "not a number (as 1)", "Disk", false],
                            [0.55, "0.55, reduce motion (band and head at rest)", "Space Lens", true],
                        ]
                        ColumnLayout {
                            required property var modelData
                            spacing: 4
                            Layout.fillWidth: true
                            Caption { text: modelData[1] }
                            ScanProgressBar {
                                Layout.fillWidth: true
                                height: 8
                                progress: modelData[0]
                                tint: QuillmereModule.tint(modelData[2])
                                reduceMotion: modelData[3]
                            }
                        }
                    }
                    ColumnLayout {
                        spacing: 4
                        Layout.fillWidth: true
                        Caption { text: "0.42 at height 14" }
                        ScanProgressBar {
                            Layout.fillWidth: true
                            height: 14
                            progress: 0.42
                            tint: QuillmereModule.tint("Performance")
                        }
                    }
                }

                Section {
                    title: "ScanningIndicator"
                    subtitle: "left: moving; right: reduce motion"
                    RowLayout {
                        spacing: 20
                        ScanningIndicator {
                            symbol: "doc.on.doc"
                            title: "Looking for duplicates…"
                            subtitle: "12,408 files checked"
                            tint: QuillmereModule.tint("Files")
                        }
                        ScanningIndicator {
                            symbol: "shield.lefthalf.filled"
                            title: "Scanning for threats…"
                            subtitle: "Launch agents"
                            tint: QuillmereModule.tint("Protection")
                            reduceMotion: true
                        }
                    }
                }
            }

            // Column 2: scan rings, celebration, lifts.
            ColumnLayout {
                Layout.alignment: Qt.AlignTop
                Layout.preferredWidth: 560
                Layout.minimumWidth: 560
                Layout.maximumWidth: 560
                spacing: 20

                Section {
                    title: "ScanRing"
                    subtitle: "the module tint; the sweep only while scanning"
                    TintScope {
                        module: "Smart Scan"
                        Layout.margins: 8
                        RowLayout {
                            spacing: 26
                            ScanRing {
                                implicitWidth: 118; implicitHeight: 118; lineWidth: 10
                                progress: 0; centerTitle: "0%"; centerSubtitle: "idle"
                            }
                            ScanRing {
                                implicitWidth: 118; implicitHeight: 118; lineWidth: 10
                                progress: 0.62; centerTitle: "62%"; centerSubtitle: "Scanning…"; isScanning: true
                            }
                            ScanRing {
                                implicitWidth: 118; implicitHeight: 118; lineWidth: 10
                                progress: 0.62; centerTitle: "62%"; centerSubtitle: "reduce motion"; isScanning: true
                                reduceMotion: true
                            }
                        }
                    }
                    TintScope {
                        module: "Cleanup"
                        Layout.margins: 8
                        RowLayout {
                            spacing: 26
                            ScanRing {
                                implicitWidth: 118; implicitHeight: 118; lineWidth: 10
                                progress: 1; centerTitle: "100%"; centerSubtitle: "done"
                            }
                            ColumnLayout {
                                spacing: 4
                                Rectangle {
                                    implicitWidth: 150
                                    implicitHeight: 120
                                    color: "transparent"
                                    border.width: 1
                                    border.color: Design.Palette.hairline
                                    ScanRing {
                                        anchors.fill: parent
                                        lineWidth: 12
                                        progress: 0.3; centerTitle: "30%"; centerSubtitle: "150 × 120"; isScanning: true
                                        reduceMotion: true
                                    }
                                }
                                Caption { text: "frame 150 × 120: dots at radius 54" }
                            }
                        }
                    }
                }

                Section {
                    title: "Celebration"
                    subtitle: "left: 1.2 s in (sparks gone); right: 0.35 s in"
                    RowLayout {
                        spacing: 12
                        Repeater {
                            model: [["Cleanup", 200], ["Protection", 850]]
                            GlassCard {
                                id: stage
                                required property var modelData
                                cornerRadius: 12
                                Item {
                                    implicitWidth: 250
                                    implicitHeight: 250
                                    Text {
                                        anchors.bottom: parent.bottom
                                        anchors.horizontalCenter: parent.horizontalCenter
                                        anchors.bottomMargin: 8
                                        text: "the screen beneath"
                                        font: Typo.caption
                                        color: Design.Palette.textTertiary
                                    }
                                    Celebration {
                                        id: party
                                        anchors.fill: parent
                                        tint: QuillmereModule.tint(stage.modelData[0])
                                    }
                                    // The gallery's own clock, so the picture catches the burst mid-flight.
                                    Timer {
                                        interval: stage.modelData[1]
                                        running: true
                                        onTriggered: party.active = true
                                    }
                                }
                            }
                        }
                    }
                }

                Section {
                    title: "appearLift and hoverLift"
                    subtitle: "rows lifted in 60 ms apart; the last card held lifted"
                    TintScope {
                        module: "Applications"
                        RowLayout {
                            spacing: 10
                            Repeater {
                                model: 3
                                Item {
                                    required property int index
                                    implicitWidth: 110
                                    implicitHeight: 64
                                    AppearLift { index: parent.index }
                                    GlassCard {
                                        anchors.fill: parent
                                        cornerRadius: 12
                                    }
                                    Text {
                                        anchors.centerIn: parent
                                        text: "index " + parent.index
                                        font: Typo.callout
                                        color: Design.Palette.textSecondary
                                    }
                                }
                            }
                            Item {
                                implicitWidth: 110
                                implicitHeight: 64
                                HoverLift { liftScale: 1.025; cornerRadius: 12; pinned: true }
                                GlassCard {
                                    anchors.fill: parent
                                    cornerRadius: 12
                                }
                                Text {
                                    anchors.centerIn: parent
                                    text: "hovered"
                                    font: Typo.callout
                                    color: Design.Palette.textSecondary
                                }
                            }
                        }
                    }
                }

                Section {
                    title: "GradientRing"
                    subtitle: "minimum dot, part, closed; track, gradient arc and glow"
                    RowLayout {
                        Layout.margins: 8
                        spacing: 36
                        GradientRing {
                            implicitWidth: 48; implicitHeight: 48; lineWidth: 8
                            fraction: 0; color: HealthSeverityStyle.criticalColor
                        }
                        GradientRing {
                            implicitWidth: 48; implicitHeight: 48; lineWidth: 8
                            fraction: 0.64; color: HealthSeverityStyle.warningColor
                        }
                        GradientRing {
                            implicitWidth: 48; implicitHeight: 48; lineWidth: 8
                            fraction: 1; color: HealthSeverityStyle.goodColor
                            trackColor: Design.Palette.stroke
                        }
                    }
                }
            }

            // Column 3: category cards, health tiles, recommendation cards.
            ColumnLayout {
                Layout.alignment: Qt.AlignTop
                Layout.fillWidth: true
                Layout.preferredWidth: 560
                Layout.minimumWidth: 0
                spacing: 20

                Section {
                    title: "CategoryCardView"
                    subtitle: "empty · one item · some selected · all selected and incomplete · incomplete"
                    GridLayout {
                        columns: 3
                        columnSpacing: 12
                        rowSpacing: 12
                        Layout.fillWidth: true
                        Repeater {
                            model: [
                                { kind: "userCaches", items: [], incomplete: false },
                                { kind: "logs", items: [{ bytes: 48213000, isSelected: false }], incomplete: false },
                                { kind: "savedState", items: [{ bytes: 1200000, isSelected: true }, { bytes: 800000, isSelected: false }], incomplete: false },
                                { kind: "developerCaches", items: [{ bytes: 3100000000, isSelected: true }, { bytes: 95000000, isSelected: true }], incomplete: true },
                                { kind: "appLeftovers", items: [{ bytes: 240000, isSelected: false }], incomplete: true },
                            ]
                            CategoryCardView {
                                required property var modelData
                                required property int index
                                Layout.fillWidth: true
                                Layout.preferredWidth: 1
                                category: modelData
                                AppearLift { index: parent.index }
                            }
                        }
                    }
                }

                Section {
                    title: "HealthMetricTile"
                    subtitle: "dot by severity: unknown, good, warning, critical"
                    GridLayout {
                        columns: 4
                        columnSpacing: 12
                        rowSpacing: 12
                        Layout.fillWidth: true
                        Repeater {
                            model: [
                                ["thermometer.medium", "Thermal", "—", "No reading", 0],
                                ["internaldrive", "Disk", "41%", "201.3 GB free of 494.4 GB", 1],
                                ["memorychip", "Memory", "91%", "14.6 GB of 16 GB in use, memory pressure measured over the last minutes", 2],
                                ["battery.50", "Battery", "64%", "Maximum capacity", 3],
                            ]
                            HealthMetricTile {
                                required property var modelData
                                Layout.fillWidth: true
                                Layout.preferredWidth: 1
                                icon: modelData[0]
                                title: modelData[1]
                                value: modelData[2]
                                caption: modelData[3]
                                severity: modelData[4]
                            }
                        }
                    }
                }

                Section {
                    title: "RecommendationCard"
                    subtitle: "primary button in the module tint; secondary when it leads nowhere"
                    TintScope {
                        module: "Mac Health"
                        Layout.fillWidth: true
                        ColumnLayout {
                            Layout.fillWidth: true
                            spacing: 10
                            Repeater {
                                model: [
                                    { title: "Disk is almost full", detail: "Only 5.0 GB free. Low free space slows your system down and can block updates.", severity: 3, actionLabel: "Free up space", target: "cleanup" },
                                    { title: "Time to restart", detail: "Your computer has been up 15 days. A restart clears caches and frees memory.", severity: 2, actionLabel: "Got it", target: "none" },
                                    { title: "Several startup items", detail: "6 items launch at login. Review them to speed up boot. A long explanation wraps onto more lines and the card grows to hold it instead of cutting it off.", severity: 1, actionLabel: "Review", target: "performance" },
                                    { title: "Battery reading unavailable", detail: "No battery was found.", severity: 0, actionLabel: "View battery", target: "battery" },
                                ]
                                RecommendationCard {
                                    required property var modelData
                                    required property int index
                                    Layout.fillWidth: true
                                    rec: modelData
                                    AppearLift { index: parent.index }
                                }
                            }
                        }
                    }
                }
            }
        }
    }

    Component {
        id: actionsPage

        RowLayout {
            spacing: 20

            // Column 1: the bars, the banner, the note and the spinner.
            ColumnLayout {
                Layout.alignment: Qt.AlignTop
                Layout.preferredWidth: 900
                Layout.maximumWidth: 900
                spacing: 20

                Section {
                    title: "CleanActionBar"
                    subtitle: "title and subtitle as given; the screen's buttons at the trailing end"
                    TintScope {
                        module: "Space Lens"
                        Layout.fillWidth: true
                        CleanActionBar {
                            Layout.fillWidth: true
                            title: "4.2 GB"
                            subtitle: "12 items selected"
                            QuillmereButtonStyle { kind: QuillmereButtonStyle.Secondary; text: "Review" }
                            QuillmereButtonStyle { text: "Move to Trash"; symbol: "trash" }
                        }
                    }
                    CleanActionBar {
                        Layout.fillWidth: true
                        title: "Freed 1.3 GB"
                        subtitle: "3 items in Trash · <b>not bold</b> %1"
                        QuillmereButtonStyle { kind: QuillmereButtonStyle.Secondary; text: "Undo"; symbol: "arrow.uturn.backward" }
                    }
                    Caption { text: "ActionBarFrame alone (spacing 10): spinner, text, flexible space" }
                    ActionBarFrame {
                        Layout.fillWidth: true
                        spacing: 10
                        ProgressSpinner { Layout.alignment: Qt.AlignVCenter }
                        Text {
                            text: "Moving items to Trash…"
                            textFormat: Text.PlainText
                            font: Typo.body
                            color: Design.Palette.textPrimary
                        }
                        Item { Layout.fillWidth: true }
                    }
                }

                Section {
                    title: "FullDiskAccessBanner"
                    subtitle: "short and long messages; no button"
                    FullDiskAccessBanner {
                        Layout.fillWidth: true
                        message: "Some folders in your Library could not be read."
                    }
                    FullDiskAccessBanner {
                        Layout.preferredWidth: 560
                        message: "Quillmere could not open several folders it looks through. Check those folders' permissions, then scan again to see everything that takes up space."
                    }
                }

                Section {
                    title: "ScanIncompleteNote"
                    subtitle: "one line; several lines grow the note"
                    ScanIncompleteNote {
                        Layout.fillWidth: true
                        message: "Part of ~/Library could not be read; sizes may be low."
                    }
                    ScanIncompleteNote {
                        Layout.preferredWidth: 460
                        message: "The scan stopped at its limit of 200 000 entries.\nFolders below /Users/<b>x</b>/Library/%1 were skipped, so the list may miss large files there."
                    }
                }

                Section {
                    title: "ProgressSpinner"
                    subtitle: "16, turning once a second"
                    RowLayout {
                        spacing: 24
                        ProgressSpinner {}
                        ProgressSpinner { size: 24 }
                        ProgressSpinner { color: Theme.accent }
                    }
                }
            }

            // Column 2: the alert and the confirmation, shown in place of the window overlay.
            ColumnLayout {
                Layout.alignment: Qt.AlignTop
                Layout.fillWidth: true
                spacing: 20

                Section {
                    title: "actionFailureAlert"
                    subtitle: "up while a message is present; OK clears it"
                    Item {
                        id: alertSlot
                        Layout.fillWidth: true
                        Layout.preferredHeight: 230
                        ActionFailureAlert {
                            id: galleryAlert
                            message: "2 items couldn't be moved to the Trash.\n<b>x</b>: Permission denied"
                            Component.onCompleted: {
                                popup.parent = alertSlot
                                popup.modal = false
                            }
                        }
                    }
                }

                Section {
                    title: "ConfirmationDialog"
                    subtitle: "title always shown; destructive button first, Cancel second"
                    Item {
                        id: confirmSlot
                        Layout.fillWidth: true
                        Layout.preferredHeight: 250
                        ConfirmationDialog {
                            parent: confirmSlot
                            modal: false
                            shown: true
                            title: "Permanently delete 3 items in the Trash?"
                            message: "This frees 1.2 GB but can't be undone — the items are gone for good."
                            destructiveText: "Empty Trash (1.2 GB)"
                        }
                    }
                }
            }
        }
    }
}
