import QtQuick
import QtQuick.Layouts
import Quillmere.App
import Quillmere.Design

// The glance section of the Smart Scan home: the header "Your computer at a glance" over a row of four
// metric tiles, 12 apart, in equal shares: Storage, Memory and Battery from the health model's last
// readings and Health from its last assessment. Until the first assessment the Storage and Health
// captions say "Checking…"; a disk that could not be read then says so. It reads the model only.
ColumnLayout {
    id: section

    required property MacHealthViewModel health

    readonly property bool assessed: health.hasResult
    readonly property string storageCaption: health.storageTotalBytes >= 1
                                             ? DisplayText.byteCount(health.storageUsedBytes) + " of " + DisplayText.byteCount(health.storageTotalBytes)
                                             : assessed ? "Couldn't read disk" : "Checking\u2026"
    readonly property string healthValue: assessed ? String(health.score) : "\u2014"
    readonly property string healthCaption: assessed ? health.displayRating : "Checking\u2026"
    readonly property int healthSeverity: assessed ? health.displaySeverity : HealthSeverityStyle.unknown

    spacing: 12

    SectionHeader {
        Layout.fillWidth: true
        title: "Your computer at a glance"
    }
    RowLayout {
        objectName: "glanceRow"
        Layout.fillWidth: true
        spacing: 12

        HealthMetricTile {
            objectName: "glanceStorage"
            Layout.fillWidth: true
            Layout.preferredWidth: 1
            Layout.fillHeight: true
            icon: "internaldrive"
            title: "Storage"
            value: section.health.storageValue
            caption: section.storageCaption
            severity: section.health.storageSeverity
        }
        HealthMetricTile {
            objectName: "glanceMemory"
            Layout.fillWidth: true
            Layout.preferredWidth: 1
            Layout.fillHeight: true
            icon: "memorychip"
            title: "Memory"
            value: section.health.memoryValue
            caption: section.health.memoryCaption
            severity: section.health.memorySeverity
        }
        HealthMetricTile {
            objectName: "glanceBattery"
            Layout.fillWidth: true
            Layout.preferredWidth: 1
            Layout.fillHeight: true
            icon: "battery.100"
            title: "Battery"
            value: section.health.batteryValue
            caption: section.health.batteryCaption
            severity: section.health.batterySeverity
        }
        HealthMetricTile {
            objectName: "glanceHealth"
            Layout.fillWidth: true
            Layout.preferredWidth: 1
            Layout.fillHeight: true
            icon: "heart.text.square"
            title: "Health"
            value: section.healthValue
            caption: section.healthCaption
            severity: section.healthSeverity
        }
    }
}
