#include "core/system/StorageMonitor.h"

#include "core/model/Formatting.h"
#include "platform/AppActivity.h"
#include "platform/Clock.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include <cmath>

namespace qm {
namespace {

constexpr std::chrono::milliseconds kTickInterval{4000};

double usedFraction(const MacHealth& h)
{
    return h.totalBytes < 1 ? 0.0 : double(h.usedBytes) / double(h.totalBytes);
}

} // namespace

StorageMonitor::StorageMonitor(Clock& clock, AppActivity& activity, Reader reader, QObject* parent)
    : QObject(parent), m_clock(clock), m_reader(reader ? std::move(reader) : Reader(&MacHealth::current))
{
    // The timer starts whatever the state at creation: the first activity change after launch may
    // come late or not at all, and only resigning active stops it.
    refresh();
    startTimer();
    connect(&activity, &AppActivity::resignedActive, this, [this] { m_tick.reset(); });
    connect(&activity, &AppActivity::becameActive, this, [this] {
        refresh();
        startTimer();
    });
}

StorageMonitor::~StorageMonitor() = default;

bool StorageMonitor::shouldPublish(const MacHealth& shown, const MacHealth& next)
{
    if (next.totalBytes < 1)
        return false;
    if (Formatting::byteCount(next.usedBytes) != Formatting::byteCount(shown.usedBytes))
        return true;
    if (Formatting::byteCount(next.totalBytes) != Formatting::byteCount(shown.totalBytes))
        return true;
    return std::abs(usedFraction(next) - usedFraction(shown)) >= 0.001;
}

void StorageMonitor::refresh()
{
    const quint64 generation = ++m_generation;
    QPointer<StorageMonitor> self(this);
    QThreadPool::globalInstance()->start([self, generation, reader = m_reader] {
        const MacHealth reading = reader();
        // The application object outlives every monitor; the monitor itself is checked on arrival.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, generation, reading] {
                if (self)
                    self->deliver(generation, reading);
            },
            Qt::QueuedConnection);
    });
}

void StorageMonitor::deliver(quint64 generation, MacHealth reading)
{
    if (generation != m_generation || !shouldPublish(m_health, reading))
        return;
    m_health = reading;
    emit healthChanged();
}

void StorageMonitor::startTimer()
{
    m_tick = m_clock.createTimer();
    connect(m_tick.get(), &Timer::timeout, this, &StorageMonitor::refresh);
    m_tick->start(kTickInterval, true);
}

} // namespace qm
