#pragma once

#include "platform/AppActivity.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

#include <chrono>
#include <functional>
#include <memory>

namespace qm {

class Clock;
class Timer;

// A page's sampling loop: one sample at once, then the next a fixed pause after each sample has
// finished, so two samples never run at the same time. It runs while the application is active or
// inactive, stops when it enters the background (a sample in flight ends on its own, and nothing
// follows it) and starts again, with a sample at once, when it leaves the background. Takes no
// sample itself: `sample` starts one and calls its argument, on the GUI thread, when it has finished.
// Lives on the GUI thread; the page that shows the samples owns it.
class StatisticsLoop : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application makes a page's sampling loop")
    // Between a start and the next stop (entering the background).
    Q_PROPERTY(bool running READ running NOTIFY runningChanged)
    // A sample has been started and has not finished yet.
    Q_PROPERTY(bool sampling READ sampling NOTIFY samplingChanged)

public:
    // Starts one sample; `finished` is to be called once, on the GUI thread, when it has finished.
    using Sample = std::function<void(std::function<void()> finished)>;

    // The Performance page's pause between one sample's end and the next one's start.
    static constexpr std::chrono::milliseconds kPerformancePause{3000};

    // Starts at once unless `activity` is in the background. `clock` and `activity` must outlive
    // the loop.
    StatisticsLoop(Clock& clock, AppActivity& activity, std::chrono::milliseconds pause, Sample sample,
                   QObject* parent = nullptr);
    ~StatisticsLoop() override;

    bool running() const { return m_running; }
    bool sampling() const { return m_sampling; }
    // How many samples have been started.
    int samplesStarted() const { return m_started; }

signals:
    void runningChanged();
    void samplingChanged();

private:
    void start();
    void stop();
    void startSample();
    void sampleFinished(quint64 number);
    void setSampling(bool value);
    void followActivity(AppActivity::State state);

    std::chrono::milliseconds m_pause;
    Sample m_sample;
    std::unique_ptr<Timer> m_timer;
    bool m_running = false;
    bool m_sampling = false;
    // A restart came while a sample was in flight: the next one starts as soon as it finishes.
    bool m_sampleWhenFinished = false;
    quint64 m_current = 0;
    int m_started = 0;
};

} // namespace qm
