#pragma once

#include "core/system/MacHealth.h"

#include <QObject>

#include <functional>
#include <memory>

namespace qm {

class AppActivity;
class Clock;
class Timer;

// Keeps the reading of the home volume fresh for the storage gauge: reads every 4 seconds while
// the application is active, stops while it is not, reads at once when it becomes active again,
// and publishes only a reading that would change what the gauge shows (its used or total text,
// or the used fraction by at least a thousandth). Lives on the GUI thread; the reading itself
// runs on the global thread pool and only the newest one counts.
class StorageMonitor : public QObject
{
    Q_OBJECT
    Q_PROPERTY(qint64 usedBytes READ usedBytes NOTIFY healthChanged)
    Q_PROPERTY(qint64 totalBytes READ totalBytes NOTIFY healthChanged)

public:
    using Reader = std::function<MacHealth()>;

    // Starts at once: a first reading and the 4-second timer, whatever the application's state (the
    // timer stops when the application next resigns active). `reader` defaults to
    // `MacHealth::current`; `clock` and `activity` must outlive the monitor.
    StorageMonitor(Clock& clock, AppActivity& activity, Reader reader = {}, QObject* parent = nullptr);
    ~StorageMonitor() override;

    MacHealth health() const { return m_health; }
    qint64 usedBytes() const { return m_health.usedBytes; }
    qint64 totalBytes() const { return m_health.totalBytes; }

    // Starts one reading in the background; a newer call makes every older reading stale.
    Q_INVOKABLE void refresh();

    // Whether `next` would change what the gauge shows compared with `shown`.
    static bool shouldPublish(const MacHealth& shown, const MacHealth& next);

signals:
    void healthChanged();

private:
    void startTimer();
    void deliver(quint64 generation, MacHealth reading);

    Clock& m_clock;
    Reader m_reader;
    MacHealth m_health;
    std::unique_ptr<Timer> m_tick;
    quint64 m_generation = 0;
};

} // namespace qm
