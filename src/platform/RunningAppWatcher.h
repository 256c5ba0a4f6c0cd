#pragma once

#include <QObject>

#include <memory>
#include <set>

namespace qm {

class Clock;
class Timer;
class Workspace;

// Tells when one of the user's programs starts or stops running. The workspace has no signals, so
// this polls its running applications about once a second on a clock timer, and only while something
// is connected to `launched` or `terminated` (a listener destroyed stops it at the next tick); the
// first read after connecting only takes stock. Each
// poll emits `launched` once when some process appeared and `terminated` once when some ended, never
// more. Lives on the GUI thread; `workspace` and `clock` must outlive it.
class RunningAppWatcher : public QObject
{
    Q_OBJECT

public:
    static constexpr int kPollMilliseconds = 1'000;

    RunningAppWatcher(Workspace& workspace, Clock& clock, QObject* parent = nullptr);
    ~RunningAppWatcher() override;

    // The timer is armed (something is connected, or was until the next tick).
    bool polling() const;

signals:
    void launched();
    void terminated();

protected:
    void connectNotify(const QMetaMethod& signal) override;
    void disconnectNotify(const QMetaMethod& signal) override;

private:
    void updatePolling();
    void poll();
    std::set<qint64> runningPids() const;

    Workspace& m_workspace;
    std::unique_ptr<Timer> m_timer;
    std::set<qint64> m_known;
};

} // namespace qm
