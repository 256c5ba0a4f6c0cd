#include "helper/BusWatchdog.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>

#include <systemd/sd-daemon.h>

#include <algorithm>

namespace qm {

BusWatchdog::BusWatchdog(QDBusConnection bus, QObject* parent) : QObject(parent), m_bus(std::move(bus))
{
    uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) <= 0 || usec == 0)
        return;
    m_period = std::chrono::microseconds(usec);
    const auto interval = std::chrono::duration_cast<std::chrono::milliseconds>(m_period / 2);
    m_timer.setInterval(std::max<std::chrono::milliseconds>(interval, std::chrono::milliseconds(1)));
    connect(&m_timer, &QTimer::timeout, this, &BusWatchdog::probe);
    m_timer.start();
    probe();
}

void BusWatchdog::probe()
{
    // One question at a time: a bus that stopped answering must not pile up unanswered ones.
    if (m_probing)
        return;
    m_probing = true;
    const QDBusMessage getId = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId"));
    const int timeoutMs = int(std::chrono::duration_cast<std::chrono::milliseconds>(m_period).count());
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(getId, std::max(timeoutMs, 1)), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        m_probing = false;
        if (done->reply().type() == QDBusMessage::ReplyMessage)
            sd_notify(0, "WATCHDOG=1");
    });
}

} // namespace qm
