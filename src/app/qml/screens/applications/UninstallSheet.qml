import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quillmere.App
import Quillmere.Design
import Quillmere.Design as Design

// The uninstall sheet of the Applications page: a modal 620 by 600 over the page it fills, on the
// Applications backdrop with its own tint (sRGB 94, 139, 240) in scope. Top to bottom: the
// application (icon, name, identifier, version), the administrator banner when the application is not
// the user's, the running banner while the application runs or after it refused to quit, a card with the
// application and the leftovers found for it, and a footer with the total, "Cancel" and
// one uninstall button (quit first, administrator or normal). The normal and administrator
// uninstalls are confirmed in a dialog first. It holds no state: everything comes from the model and
// every control is one call on it. It is up while `shown` is true; closing it any way (Cancel,
// Escape) calls `dismissUninstaller()` once, unless the model closed it itself. The model follows
// applications starting and stopping for as long as a sheet is open.
Item {
    id: sheet

    required property ApplicationsViewModel model
    // Bound to whether the model has an application selected.
    property bool shown: false
    // False while the page that holds the sheet is out of view: the confirmations close, leaving the
    // model as it is, and open again when the page comes back.
    property bool pageShown: true

    // The application as the model hands it over (appId, name, bundleID, version, path, iconId).
    readonly property var app: model.selectedApp
    readonly property string appName: app.name !== undefined ? app.name : ""
    // Worked out again whenever another application is selected.
    readonly property bool needsAdmin: model.hasSelectedApp && app.appId !== undefined
                                       && model.selectedAppNeedsAdmin()
    // The package manager owns the application: only its leftovers are moved here.
    readonly property bool packageManaged: model.hasSelectedApp && app.packageManaged === true
    readonly property bool showsRunningBanner: model.selectedAppIsRunning || model.quitRefusedMessage !== ""
    readonly property color sheetTint: Qt.rgba(94 / 255, 139 / 255, 240 / 255, 1)
    // Which of the three footer buttons shows: "quit", "admin" or "normal".
    readonly property string uninstallKind: model.selectedAppIsRunning || model.quittingApp ? "quit"
                                          : needsAdmin ? "admin" : "normal"
    // The one warning line of the leftover section, "" for none.
    readonly property string warningText: !model.inventoryComplete
        ? "Some applications couldn't be scanned, so a leftover here might belong to another app. Review each item before removing."
        : model.leftoverScanIncomplete
          ? "Some application data folders couldn't be read, so this list may be missing a few leftovers."
          : ""
    readonly property string itemCountText: DisplayText.countedNoun(model.uninstallItemCount, "item")

    readonly property alias content: content
    readonly property alias confirmDialog: confirmDialog
    readonly property alias adminConfirmDialog: adminConfirmDialog
    readonly property alias uninstallButton: uninstallButton
    readonly property alias cancelButton: cancelButton
    readonly property alias leftoverRows: leftoverRepeater
    readonly property alias adminBanner: adminBanner
    readonly property alias runningBanner: runningBanner

    readonly property bool opened: visible

    // Shows the sheet and takes the keyboard, so Escape reaches it.
    function open() {
        visible = true
        forceActiveFocus()
    }
    // Hides the sheet; `closed` follows.
    function close() {
        if (!visible)
            return
        visible = false
        closed()
    }

    // The sheet went away, whichever way.
    signal closed()

    visible: false
    focus: visible
    Keys.onEscapePressed: close()
    onShownChanged: shown ? open() : close()
    Component.onCompleted: if (shown) open()
    // Closed by the user (Cancel calls the model itself; Escape comes here) rather than by the model.
    onClosed: {
        if (sheet.model.hasSelectedApp)
            sheet.model.dismissUninstaller()
    }

    // A warning line of the leftover section: the triangle and the text, wrapping as needed.
    component SheetWarning: RowLayout {
        property alias text: warningLabel.text
        spacing: 8
        SymbolImage {
            Layout.alignment: Qt.AlignTop
            name: "exclamationmark.triangle.fill"
            size: Typo.pixelSize(Typo.callout) * 1.2
            color: Theme.warning
        }
        Text {
            id: warningLabel
            objectName: "warningText"
            Layout.fillWidth: true
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Typo.caption
            color: Design.Palette.textSecondary
        }
    }

    // Everything behind the sheet is dimmed and takes no pointer input while it is up.
    Rectangle {
        anchors.fill: parent
        color: Qt.rgba(0, 0, 0, 0.45)
        MouseArea {
            anchors.fill: parent
            acceptedButtons: Qt.AllButtons
            hoverEnabled: true
            onWheel: wheel => wheel.accepted = true
        }
    }

    Item {
        id: content
        objectName: "uninstallSheet"
        anchors.centerIn: parent
        width: 620
        height: 600
        clip: true
        ModuleTint.tint: sheet.sheetTint

        // Clicks on the sheet's empty parts stay on the sheet.
        MouseArea {
            anchors.fill: parent
        }
        BrandBackground {
            anchors.fill: parent
            module: "Applications"
        }
        Rectangle {
            anchors.fill: parent
            color: "transparent"
            border.width: 1
            border.color: Design.Palette.stroke
        }

        ColumnLayout {
            anchors.fill: parent
            anchors.margins: 20
            spacing: 16

            // ---- header ----
            RowLayout {
                objectName: "sheetHeader"
                Layout.fillWidth: true
                Layout.margins: 18
                Layout.topMargin: 0
                Layout.bottomMargin: 0
                spacing: 14

                AppIcon {
                    objectName: "headerIcon"
                    Layout.alignment: Qt.AlignVCenter
                    iconId: sheet.app.iconId !== undefined ? sheet.app.iconId : ""
                    frameSize: 52
                    fallbackSymbol: "app.dashed"
                    fallbackSize: 40
                    fallbackColor: Design.Palette.textPrimary
                }
                ColumnLayout {
                    Layout.alignment: Qt.AlignVCenter
                    Layout.fillWidth: true
                    spacing: 3
                    Text {
                        objectName: "headerName"
                        Layout.fillWidth: true
                        text: sheet.appName
                        textFormat: Text.PlainText
                        elide: Text.ElideRight
                        font: Typo.system(18, Font.DemiBold)
                        color: Design.Palette.textPrimary
                    }
                    Text {
                        objectName: "headerBundleID"
                        Layout.fillWidth: true
                        visible: text !== ""
                        text: sheet.app.bundleID !== undefined ? sheet.app.bundleID : ""
                        textFormat: Text.PlainText
                        elide: Text.ElideMiddle
                        font: Typo.callout
                        color: Design.Palette.textSecondary
                    }
                    Text {
                        objectName: "headerVersion"
                        Layout.fillWidth: true
                        visible: sheet.app.version !== undefined && sheet.app.version !== ""
                        text: "Version " + (sheet.app.version !== undefined ? sheet.app.version : "")
                        textFormat: Text.PlainText
                        elide: Text.ElideRight
                        font: Typo.caption
                        color: Design.Palette.textTertiary
                    }
                }
            }

            // ---- administrator banner ----
            Rectangle {
                id: adminBanner
                objectName: "adminBanner"
                Layout.fillWidth: true
                visible: sheet.needsAdmin
                implicitHeight: adminColumn.implicitHeight + 24
                radius: 10
                color: Theme.withOpacity(Theme.warning, 0.12)
                antialiasing: true

                ColumnLayout {
                    id: adminColumn
                    anchors.fill: parent
                    anchors.margins: 12
                    spacing: 8
                    RowLayout {
                        Layout.fillWidth: true
                        spacing: 8
                        SymbolImage {
                            Layout.alignment: Qt.AlignTop
                            name: "exclamationmark.triangle.fill"
                            size: Typo.pixelSize(Typo.body) * 1.2
                            color: Theme.warning
                        }
                        Text {
                            objectName: "adminBannerText"
                            Layout.fillWidth: true
                            text: "This app is owned by the system or its package manager. Uninstalling it needs administrator rights \u2014 Quillmere will ask for your password, then move it (and its selected leftovers) to the Trash. You can restore them from the Trash."
                            textFormat: Text.PlainText
                            wrapMode: Text.Wrap
                            font: Typo.callout
                            color: Design.Palette.textSecondary
                        }
                    }
                    T.AbstractButton {
                        id: revealButton
                        FocusRing {}
                        objectName: "revealInsteadButton"
                        hoverEnabled: true
                        implicitWidth: implicitContentWidth
                        implicitHeight: implicitContentHeight
                        opacity: down ? 0.7 : 1
                        contentItem: Row {
                            spacing: 4
                            SymbolImage {
                                anchors.verticalCenter: parent.verticalCenter
                                name: "magnifyingglass"
                                size: Typo.pixelSize(Typo.captionMedium) * 1.2
                                color: Theme.accent
                            }
                            Text {
                                anchors.verticalCenter: parent.verticalCenter
                                text: "Show in File Manager instead"
                                textFormat: Text.PlainText
                                font: Typo.captionMedium
                                color: Theme.accent
                            }
                        }
                        onClicked: sheet.model.revealSelectedApp()
                    }
                }
            }

            // ---- package banner ----
            Rectangle {
                id: packageBanner
                objectName: "packageBanner"
                Layout.fillWidth: true
                visible: sheet.packageManaged
                implicitHeight: packageColumn.implicitHeight + 24
                radius: 10
                color: Theme.withOpacity(Theme.accent, 0.1)
                antialiasing: true

                ColumnLayout {
                    id: packageColumn
                    anchors.fill: parent
                    anchors.margins: 12
                    spacing: 8
                    Text {
                        objectName: "packageBannerText"
                        Layout.fillWidth: true
                        text: sheet.appName + " was installed by the system's package manager, so Quillmere can't move it to the Trash. Uninstall moves its selected leftovers to the Trash; remove the app itself in the software centre."
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font: Typo.callout
                        color: Design.Palette.textSecondary
                    }
                    T.AbstractButton {
                        objectName: "softwareCentreButton"
                        visible: sheet.packageManaged && sheet.model.softwareCentreAvailable()
                                 && sheet.app.removalCommand !== ""
                        hoverEnabled: true
                        implicitWidth: implicitContentWidth
                        implicitHeight: implicitContentHeight
                        opacity: down ? 0.7 : 1
                        contentItem: Text {
                            text: "Open in Software"
                            textFormat: Text.PlainText
                            font: Typo.captionMedium
                            color: Theme.accent
                        }
                        onClicked: sheet.model.openInSoftwareCentre()
                    }
                    Text {
                        objectName: "removalCommandText"
                        Layout.fillWidth: true
                        // Where no software centre takes the address: the package and the command.
                        visible: sheet.packageManaged && !sheet.model.softwareCentreAvailable()
                                 && sheet.app.removalCommand !== undefined && sheet.app.removalCommand !== ""
                        text: "Package " + (sheet.app.packageName !== undefined ? sheet.app.packageName : "")
                              + " · to remove it yourself: " + (sheet.app.removalCommand !== undefined ? sheet.app.removalCommand : "")
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font: Typo.caption
                        color: Design.Palette.textSecondary
                    }
                }
            }

            // ---- running banner ----
            Rectangle {
                id: runningBanner
                objectName: "runningBanner"
                Layout.fillWidth: true
                visible: sheet.showsRunningBanner
                implicitHeight: runningRow.implicitHeight + 24
                radius: 10
                color: Theme.withOpacity(Theme.warning, 0.1)
                antialiasing: true

                RowLayout {
                    id: runningRow
                    anchors.fill: parent
                    anchors.margins: 12
                    spacing: 8
                    SymbolImage {
                        Layout.alignment: Qt.AlignTop
                        name: "play.circle.fill"
                        size: Typo.pixelSize(Typo.body) * 1.2
                        color: Theme.warning
                    }
                    Text {
                        objectName: "runningBannerText"
                        Layout.fillWidth: true
                        text: sheet.model.quitRefusedMessage !== "" ? sheet.model.quitRefusedMessage
                              : sheet.appName + " is running. Quit & Uninstall asks it to quit first, so it can save your work, then removes it."
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font: Typo.callout
                        color: Design.Palette.textSecondary
                    }
                }
            }

            // ---- card ----
            GlassCard {
                objectName: "sheetCard"
                Layout.fillWidth: true
                Layout.fillHeight: true
                cornerRadius: 16

                contentItem: Flickable {
                    id: cardScroll
                    objectName: "cardScroll"
                    clip: true
                    contentWidth: width
                    contentHeight: cardColumn.implicitHeight + 12
                    boundsBehavior: Flickable.StopAtBounds

                    T.ScrollBar.vertical: T.ScrollBar {
                        id: cardScrollBar
                        policy: T.ScrollBar.AsNeeded
                        padding: 2
                        implicitWidth: 10
                        contentItem: Rectangle {
                            implicitWidth: 6
                            radius: width / 2
                            color: Qt.rgba(1, 1, 1, 0.32)
                            opacity: cardScrollBar.size < 1 ? 1 : 0
                        }
                    }

                    ColumnLayout {
                        id: cardColumn
                        y: 6
                        width: cardScroll.width
                        spacing: 0

                        // ---- application row ----
                        RowLayout {
                            objectName: "bundleRow"
                            Layout.fillWidth: true
                            Layout.leftMargin: 16
                            Layout.rightMargin: 16
                            Layout.topMargin: 10
                            Layout.bottomMargin: 10
                            spacing: 12

                            AppIcon {
                                objectName: "bundleIcon"
                                Layout.alignment: Qt.AlignVCenter
                                iconId: sheet.app.iconId !== undefined ? sheet.app.iconId : ""
                                frameSize: 22
                                fallbackSymbol: "app.fill"
                                fallbackSize: 15
                                fallbackColor: Design.Palette.textSecondary
                            }
                            ColumnLayout {
                                Layout.alignment: Qt.AlignVCenter
                                Layout.fillWidth: true
                                spacing: 1
                                Text {
                                    text: "Application"
                                    textFormat: Text.PlainText
                                    font: Typo.bodyMedium
                                    color: Design.Palette.textPrimary
                                }
                                Text {
                                    objectName: "bundlePath"
                                    Layout.fillWidth: true
                                    text: sheet.app.path !== undefined ? sheet.app.path : ""
                                    textFormat: Text.PlainText
                                    elide: Text.ElideMiddle
                                    maximumLineCount: 1
                                    font: Typo.caption
                                    color: Design.Palette.textTertiary
                                }
                            }
                            Text {
                                objectName: "bundleSize"
                                Layout.alignment: Qt.AlignVCenter
                                text: sheet.model.selectedAppBytes < 1 ? "\u2014"
                                      : DisplayText.byteCount(sheet.model.selectedAppBytes)
                                textFormat: Text.PlainText
                                font: Typo.system(12, Font.Normal)
                                color: Design.Palette.textSecondary
                            }
                            SymbolImage {
                                id: lockSymbol
                                objectName: "lockSymbol"
                                // The package manager keeps an application it owns: nothing says it goes.
                                visible: !sheet.packageManaged
                                Layout.alignment: Qt.AlignVCenter
                                name: "lock.fill"
                                size: Typo.pixelSize(Typo.caption) * 1.2
                                color: Design.Palette.textTertiary
                                HoverHandler { id: lockHover }
                                HelpTip {
                                    text: "The app itself is always removed"
                                    visible: lockHover.hovered
                                }
                            }
                        }

                        Rectangle {
                            Layout.fillWidth: true
                            Layout.leftMargin: 14
                            Layout.rightMargin: 14
                            implicitHeight: 1
                            color: Design.Palette.stroke
                            opacity: 0.5
                        }

                        // ---- leftover section ----
                        RowLayout {
                            objectName: "findingLeftovers"
                            Layout.fillWidth: true
                            Layout.leftMargin: 18
                            Layout.rightMargin: 18
                            Layout.topMargin: 12
                            Layout.bottomMargin: 12
                            visible: sheet.model.findingLeftovers
                            spacing: 10
                            ProgressSpinner {
                                Layout.alignment: Qt.AlignVCenter
                            }
                            Text {
                                Layout.fillWidth: true
                                text: "Looking for leftover files\u2026"
                                textFormat: Text.PlainText
                                font: Typo.callout
                                color: Design.Palette.textSecondary
                            }
                        }
                        SheetWarning {
                            objectName: "sheetWarning"
                            Layout.fillWidth: true
                            Layout.leftMargin: 18
                            Layout.rightMargin: 18
                            Layout.topMargin: 8
                            Layout.bottomMargin: 8
                            visible: !sheet.model.findingLeftovers && sheet.warningText !== ""
                            text: sheet.warningText
                        }
                        Text {
                            objectName: "noLeftovers"
                            Layout.fillWidth: true
                            Layout.leftMargin: 18
                            Layout.rightMargin: 18
                            Layout.topMargin: 12
                            Layout.bottomMargin: 12
                            visible: !sheet.model.findingLeftovers && sheet.model.leftovers.length === 0
                            text: "No leftover files found."
                            textFormat: Text.PlainText
                            font: Typo.callout
                            color: Design.Palette.textSecondary
                        }
                        Text {
                            objectName: "leftoverHeading"
                            Layout.fillWidth: true
                            Layout.leftMargin: 18
                            Layout.rightMargin: 18
                            Layout.topMargin: 8
                            Layout.bottomMargin: 2
                            visible: !sheet.model.findingLeftovers && sheet.model.leftovers.length > 0
                            text: "Leftover files (" + sheet.model.leftovers.length + ")"
                            textFormat: Text.PlainText
                            font: Typo.captionMedium
                            color: Design.Palette.textSecondary
                        }
                        Repeater {
                            id: leftoverRepeater
                            model: sheet.model.findingLeftovers ? [] : sheet.model.leftovers
                            LeftoverRow {
                                required property var modelData
                                objectName: "leftover:" + modelData.name
                                Layout.fillWidth: true
                                name: modelData.name
                                location: modelData.location
                                bytes: modelData.bytes
                                isSelected: modelData.isSelected
                                onToggled: sheet.model.toggleLeftover(modelData.id)
                            }
                        }
                    }
                }
            }

            // ---- footer ----
            RowLayout {
                id: footer
                objectName: "sheetFooter"
                Layout.fillWidth: true
                Layout.leftMargin: 18
                Layout.rightMargin: 18
                Layout.bottomMargin: 0
                spacing: 10

                ColumnLayout {
                    id: footerTotals
                    Layout.alignment: Qt.AlignVCenter
                    spacing: 1
                    Text {
                        objectName: "footerTotal"
                        text: sheet.model.formattedUninstallTotal
                        textFormat: Text.PlainText
                        font: Typo.cardTitleLarge
                        color: Design.Palette.textPrimary
                    }
                    Text {
                        objectName: "footerCount"
                        text: sheet.itemCountText
                        textFormat: Text.PlainText
                        font: Typo.caption
                        color: Design.Palette.textSecondary
                    }
                }
                Item { Layout.fillWidth: true }
                QuillmereButtonStyle {
                    id: cancelButton
                    objectName: "sheetCancelButton"
                    Layout.alignment: Qt.AlignVCenter
                    kind: QuillmereButtonStyle.Secondary
                    text: "Cancel"
                    onClicked: sheet.model.dismissUninstaller()
                }
                QuillmereButtonStyle {
                    id: uninstallButton
                    objectName: "uninstallButton"
                    Layout.alignment: Qt.AlignVCenter
                    kind: QuillmereButtonStyle.Primary
                    // The label gives way to a spinner while quitting (with its text) or while the
                    // administrator move runs (alone).
                    readonly property bool busy: sheet.uninstallKind === "quit" ? sheet.model.quittingApp
                                               : sheet.uninstallKind === "admin" && sheet.model.adminUninstalling
                    // The footer's room for the button: a long name in "Quitting {name}…" never widens
                    // the sheet; the name alone is cut, never the words around it.
                    readonly property real widest: Math.max(0, footer.width - footerTotals.implicitWidth
                                                               - cancelButton.implicitWidth - 2 * footer.spacing)
                    Layout.maximumWidth: widest
                    TextMetrics {
                        id: quittingName
                        font: uninstallButton.font
                        text: sheet.appName
                        elide: Text.ElideRight
                        elideWidth: Math.max(0, uninstallButton.widest - uninstallButton.leftPadding
                                                - uninstallButton.rightPadding - 14 - buttonRow.spacing
                                                - quittingWords.advanceWidth - 2)
                    }
                    TextMetrics {
                        id: quittingWords
                        font: uninstallButton.font
                        text: "Quitting \u2026"
                    }
                    text: sheet.uninstallKind === "quit"
                          ? (sheet.model.quittingApp ? "Quitting " + quittingName.elidedText
                                                        + (quittingName.elidedText === sheet.appName ? "\u2026" : "")
                                                      : "Quit & Uninstall")
                          : (busy ? "" : "Uninstall")
                    symbol: busy ? "" : sheet.uninstallKind === "quit" ? "power" : "trash"
                    // An application that stays installed with none of its data chosen has nothing
                    // to move.
                    enabled: sheet.model.canUninstall && (sheet.uninstallKind === "quit"
                             ? !sheet.model.findingLeftovers && !sheet.model.quittingApp && !sheet.model.adminUninstalling
                             : sheet.uninstallKind === "admin"
                               ? !sheet.model.findingLeftovers && !sheet.model.adminUninstalling
                               : !sheet.model.findingLeftovers)
                    opacity: !enabled && !busy ? 0.45 : down ? 0.85 : 1
                    contentItem: Item {
                        implicitWidth: buttonRow.implicitWidth
                        implicitHeight: buttonRow.implicitHeight
                        Row {
                            id: buttonRow
                            anchors.centerIn: parent
                            spacing: 6
                            ProgressSpinner {
                                objectName: "uninstallSpinner"
                                anchors.verticalCenter: parent.verticalCenter
                                visible: uninstallButton.busy
                                size: 14
                                color: uninstallButton.foregroundColor
                            }
                            SymbolImage {
                                anchors.verticalCenter: parent.verticalCenter
                                visible: uninstallButton.symbol !== ""
                                name: uninstallButton.symbol
                                size: Typo.pixelSize(uninstallButton.font) * 1.2
                                color: uninstallButton.foregroundColor
                            }
                            Text {
                                anchors.verticalCenter: parent.verticalCenter
                                visible: uninstallButton.text !== ""
                                text: uninstallButton.text
                                textFormat: Text.PlainText
                                maximumLineCount: 1
                                font: uninstallButton.font
                                color: uninstallButton.foregroundColor
                            }
                        }
                    }
                    onClicked: {
                        switch (sheet.uninstallKind) {
                        case "quit":
                            sheet.model.quitAndUninstall(sheet.needsAdmin)
                            break
                        case "admin":
                            sheet.model.showAdminConfirm = true
                            break
                        default:
                            sheet.model.showConfirm = true
                        }
                    }
                }
            }
        }
    }

    ConfirmationDialog {
        id: confirmDialog
        shown: sheet.model.showConfirm && sheet.pageShown
        title: "Move " + sheet.itemCountText + " to the Trash?"
        message: sheet.packageManaged
                 ? "The selected leftover files of " + sheet.appName + " go to the Trash and can be restored. The app itself stays installed."
                 : sheet.appName + " and its selected leftover files go to the Trash and can be restored."
        destructiveText: "Move " + sheet.model.formattedUninstallTotal + " to Trash"
        onConfirmed: sheet.model.confirmUninstall()
        onDismissed: {
            if (!sheet.pageShown)
                return
            sheet.model.showConfirm = false
            if (sheet.visible)
                sheet.forceActiveFocus()
        }
    }
    ConfirmationDialog {
        id: adminConfirmDialog
        shown: sheet.model.showAdminConfirm && sheet.pageShown
        title: "Uninstall " + sheet.appName + "?"
        message: sheet.appName + " is owned by the system or its package manager. Quillmere will ask for your admin password, then move it and its selected leftovers to the Trash. You can restore them from the Trash."
        destructiveText: "Uninstall (asks for password)"
        onConfirmed: sheet.model.confirmAdminUninstall()
        onDismissed: {
            if (!sheet.pageShown)
                return
            sheet.model.showAdminConfirm = false
            if (sheet.visible)
                sheet.forceActiveFocus()
        }
    }
}
