#pragma once

#include "core/system/BatteryInfo.h"
#include "core/system/SystemSnapshot.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace qm {

// The live statistics of the Performance page: the last system sample and the last battery reading,
// each replaced whole by the Performance model's refresh. A holder of its own, so that a refresh
// announces a change here and never a change of the model's lists. Takes no samples itself. Lives on
// the GUI thread.
class LiveStats : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The Performance model owns its live statistics")

public:
    explicit LiveStats(QObject* parent = nullptr);

    // `SystemSnapshot::empty()` until the first refresh lands.
    const SystemSnapshot& snapshot() const { return m_snapshot; }
    // `BatteryInfo::unavailable()` until the first refresh lands.
    const BatteryInfo& battery() const { return m_battery; }

    // Replace the value and announce it, also when it equals the last one (a new sample is news).
    void setSnapshot(SystemSnapshot snapshot);
    void setBattery(BatteryInfo battery);
    // Announces that one refresh has published both values; the page's sampling loop waits for it.
    void announceRefreshed();

signals:
    void snapshotChanged();
    void batteryChanged();
    void refreshed();

private:
    SystemSnapshot m_snapshot = SystemSnapshot::empty();
    BatteryInfo m_battery = BatteryInfo::unavailable();
};

} // namespace qm
