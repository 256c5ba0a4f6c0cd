#pragma once

#include "core/helper/HelperConnection.h"

#include <QDBusConnection>
#include <QDeadlineTimer>

#include <chrono>

class QDBusServiceWatcher;

namespace qm {

// The helper connection over the D-Bus system bus (DBUS_SYSTEM_BUS_ADDRESS when set). Each instance
// opens a private connection of its own and closes it when destroyed, so a dropped connection is
// really gone and the next one starts afresh. The helper's name changing hands (the helper stopped, or
// started again) is reported as `interrupted`; a call that finds the bus gone is answered with a Disconnected
// error and followed by `invalidated`. A call the bus itself turns away for its limits (the bus's queue
// for the helper is full while others flood it: nothing of the call reached the helper) is sent again
// `kResendPause` later, for as long as the call's timeout lasts; the last refusal is what `done` gets.
class DBusHelperConnection final : public HelperConnection
{
    Q_OBJECT

public:
    explicit DBusHelperConnection(QObject* parent = nullptr);
    ~DBusHelperConnection() override;

    // How long a call the bus turned away waits before it is sent again.
    static constexpr std::chrono::milliseconds kResendPause{25};

    void send(const QDBusMessage& call, std::chrono::milliseconds timeout, ReplyHandler done) override;

private:
    void sendUntil(const QDBusMessage& call, QDeadlineTimer deadline, ReplyHandler done);

    QString m_name;
    QDBusConnection m_bus;
    QDBusServiceWatcher* m_watcher = nullptr;
};

} // namespace qm
