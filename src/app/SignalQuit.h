#pragma once

#include <QObject>

class QSocketNotifier;

namespace qm {

// Turns SIGTERM and SIGINT into QCoreApplication::quit(), so the event loop ends normally (windows
// closed, settings written, exit status 0) instead of the process dying inside a handler. The handler
// only writes the signal number to a self-pipe; the quit happens on the thread that owns this object.
// One instance at a time; the destructor puts the previous handlers back.
class SignalQuit : public QObject
{
    Q_OBJECT

public:
    explicit SignalQuit(QObject* parent = nullptr);
    ~SignalQuit() override;

    // Whether the handlers are installed; false when the pipe or a handler could not be set up (the
    // signals then keep their previous behaviour).
    bool isActive() const { return m_notifier != nullptr; }

private:
    void drain();

    int m_readFd = -1;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace qm
