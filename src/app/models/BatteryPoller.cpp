#include "app/models/BatteryPoller.h"

#include "app/models/BatteryDisplay.h"
#include "core/system/BatteryStats.h"
#include "platform/Clock.h"
#include "platform/PowerSources.h"
#include "platform/Timer.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include <utility>

namespace qm {
namespace {

// The queue priority of periodic background work, below what the user waits for.
constexpr int kUtilityPriority = 0;

} // namespace

BatteryPoller::BatteryPoller(Services services, QObject* parent)
    : QObject(parent), m_read(std::move(services.read)), m_timer(services.clock.createTimer())
{
    if (!m_read) {
        m_read = [root = services.powerSupplyRoot](const std::optional<BatteryInfo>& previous) {
            const SysfsPowerSources sources(root);
            return BatteryStats::read(previous, &sources);
        };
    }
    connect(m_timer.get(), &Timer::timeout, this, &BatteryPoller::readNow);
    connect(&services.activity, &AppActivity::stateChanged, this, &BatteryPoller::activityChanged);
    if (services.activity.state() != AppActivity::State::Background)
        start();
}

BatteryPoller::~BatteryPoller() = default;

void BatteryPoller::activityChanged(AppActivity::State state)
{
    const bool background = state == AppActivity::State::Background;
    if (background && m_polling)
        stop();
    else if (!background && !m_polling)
        start();
}

void BatteryPoller::start()
{
    m_polling = true;
    ++m_generation;
    readNow();
}

void BatteryPoller::stop()
{
    m_polling = false;
    ++m_generation;
    m_reading = false;
    m_timer->stop();
}

void BatteryPoller::readNow()
{
    if (!m_polling)
        return;
    m_reading = true;
    const int generation = m_generation;
    const QPointer<BatteryPoller> self(this);
    QThreadPool::globalInstance()->start(
        [self, generation, read = m_read, previous = m_battery] {
            const BatteryInfo reading = read(previous);
            // Queued on the application object, which outlives every page; dropped once the poller
            // is gone.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, generation, previous, reading] {
                    if (self)
                        self->finish(generation, previous, reading);
                },
                Qt::QueuedConnection);
        },
        kUtilityPriority);
}

void BatteryPoller::finish(int generation, const BatteryInfo& previous, const BatteryInfo& reading)
{
    if (generation != m_generation)
        return; // the loop stopped or started again meanwhile
    m_reading = false;
    const BatteryInfo merged = reading.coalesced(previous);
    if (merged != m_battery) {
        m_battery = merged;
        emit batteryChanged();
    }
    if (!m_hasLoaded) {
        m_hasLoaded = true;
        emit hasLoadedChanged();
    }
    m_timer->start(kInterval, false);
}

bool BatteryPoller::isFull() const
{
    return BatteryDisplay::isFull(m_battery);
}

QString BatteryPoller::statusTitle() const
{
    return BatteryDisplay::statusTitle(m_battery);
}

QString BatteryPoller::statusDetail() const
{
    return BatteryDisplay::statusDetail(m_battery).value_or(QString());
}

QString BatteryPoller::chargeText() const
{
    return BatteryDisplay::chargeText(m_battery);
}

double BatteryPoller::fillFraction() const
{
    return BatteryDisplay::fillFraction(m_battery);
}

QString BatteryPoller::powerSourceText() const
{
    return BatteryDisplay::powerSourceText(m_battery);
}

QString BatteryPoller::healthText() const
{
    return BatteryDisplay::healthText(m_battery);
}

QString BatteryPoller::cycleText() const
{
    return BatteryDisplay::cycleText(m_battery);
}

QString BatteryPoller::conditionText() const
{
    return BatteryDisplay::conditionText(m_battery);
}

QString BatteryPoller::conditionIcon() const
{
    return BatteryDisplay::conditionIcon(m_battery);
}

QString BatteryPoller::temperatureText() const
{
    return BatteryDisplay::temperatureText(m_battery);
}

QString BatteryPoller::timeTileTitle() const
{
    return BatteryDisplay::timeTileTitle(m_battery);
}

QString BatteryPoller::timeRemainingTileValue() const
{
    return BatteryDisplay::timeRemainingTileValue(m_battery);
}

QColor BatteryPoller::chargeColor() const
{
    return BatteryDisplay::chargeColor(m_battery);
}

QColor BatteryPoller::healthColor() const
{
    return BatteryDisplay::healthColor(m_battery);
}

QColor BatteryPoller::conditionColor() const
{
    return BatteryDisplay::conditionColor(m_battery);
}

} // namespace qm
