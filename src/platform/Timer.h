#pragma once

#include <QObject>

#include <chrono>

namespace qm {

// A timer handed out by a `Clock`: the only way engines and view models wait, so that tests can
// move time by hand. It lives in the thread that created it and fires there, from its event loop
// (the real one) or from `FakeClock::advance` (the fake one).
class Timer : public QObject
{
    Q_OBJECT

public:
    ~Timer() override;

    // (Re)arms the timer to fire `interval` (milliseconds, >= 0) from now, once or, when
    // `repeating`, every `interval` until stopped. Starting an active timer restarts it.
    virtual void start(std::chrono::milliseconds interval, bool repeating) = 0;
    // Disarms the timer; a stopped timer never fires. Stopping an inactive timer does nothing.
    virtual void stop() = 0;
    // True between `start` and `stop`, and for a single-shot timer until it has fired.
    virtual bool isActive() const = 0;

signals:
    // Emitted each time the interval elapses; a single-shot timer is already inactive when it is.
    void timeout();

protected:
    explicit Timer(QObject* parent = nullptr);
};

} // namespace qm
