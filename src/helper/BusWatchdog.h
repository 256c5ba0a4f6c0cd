#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include <chrono>

namespace qm {

// Keeps systemd's watchdog fed only while the helper still serves the bus: every half watchdog period
// it asks the bus for its id (org.freedesktop.DBus.GetId) without waiting, and tells systemd
// "WATCHDOG=1" only when that answer has come back. A running event loop alone proves nothing (a
// connection that no longer reads its socket leaves the loop spinning), so a helper whose bus round
// trips stop is restarted by systemd once the period passes. Does nothing when systemd asked for no
// watchdog (WATCHDOG_USEC unset, or meant for another process). Lives on the thread that owns it.
class BusWatchdog final : public QObject
{
    Q_OBJECT

public:
    explicit BusWatchdog(QDBusConnection bus, QObject* parent = nullptr);

    // The watchdog period systemd asked for; zero when there is none.
    std::chrono::microseconds period() const { return m_period; }

private:
    void probe();

    QDBusConnection m_bus;
    std::chrono::microseconds m_period{0};
    QTimer m_timer;
    bool m_probing = false;
};

} // namespace qm
