#include "app/models/LiveStats.h"

#include <utility>

namespace qm {

LiveStats::LiveStats(QObject* parent) : QObject(parent) {}

void LiveStats::setSnapshot(SystemSnapshot snapshot)
{
    m_snapshot = std::move(snapshot);
    emit snapshotChanged();
}

void LiveStats::setBattery(BatteryInfo battery)
{
    m_battery = std::move(battery);
    emit batteryChanged();
}

void LiveStats::announceRefreshed()
{
    emit refreshed();
}

} // namespace qm
