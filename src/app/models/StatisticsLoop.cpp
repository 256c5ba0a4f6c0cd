#include "app/models/StatisticsLoop.h"

#include "platform/Clock.h"
#include "platform/Timer.h"

#include <QPointer>

#include <utility>

namespace qm {

StatisticsLoop::StatisticsLoop(Clock& clock, AppActivity& activity, std::chrono::milliseconds pause,
                               Sample sample, QObject* parent)
    : QObject(parent), m_pause(pause), m_sample(std::move(sample)), m_timer(clock.createTimer())
{
    connect(m_timer.get(), &Timer::timeout, this, [this] {
        if (m_running && !m_sampling)
            startSample();
    });
    connect(&activity, &AppActivity::stateChanged, this, &StatisticsLoop::followActivity);
    if (activity.state() != AppActivity::State::Background)
        start();
}

StatisticsLoop::~StatisticsLoop() = default;

void StatisticsLoop::followActivity(AppActivity::State state)
{
    const bool background = state == AppActivity::State::Background;
    if (background && m_running)
        stop();
    else if (!background && !m_running)
        start();
}

void StatisticsLoop::start()
{
    m_running = true;
    emit runningChanged();
    // The sample still in flight from before the background is not the fresh one a return asks for.
    if (m_sampling)
        m_sampleWhenFinished = true;
    else
        startSample();
}

void StatisticsLoop::stop()
{
    m_running = false;
    m_sampleWhenFinished = false;
    m_timer->stop();
    emit runningChanged();
}

void StatisticsLoop::startSample()
{
    const quint64 number = ++m_current;
    ++m_started;
    setSampling(true);
    m_sample([self = QPointer<StatisticsLoop>(this), number] {
        if (self != nullptr)
            self->sampleFinished(number);
    });
}

void StatisticsLoop::sampleFinished(quint64 number)
{
    // A second call for the same sample, or one for a sample long gone, changes nothing.
    if (number != m_current || !m_sampling)
        return;
    setSampling(false);
    if (!m_running)
        return;
    if (m_sampleWhenFinished) {
        m_sampleWhenFinished = false;
        startSample();
        return;
    }
    m_timer->start(m_pause, false);
}

void StatisticsLoop::setSampling(bool value)
{
    if (m_sampling == value)
        return;
    m_sampling = value;
    emit samplingChanged();
}

} // namespace qm
