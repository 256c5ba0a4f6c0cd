#pragma once

#include "core/helper/HelperConnection.h"

#include <QDBusConnection>

class QDBusServiceWatcher;

namespace qm {

// The helper connection over the D-Bus system bus (DBUS_SYSTEM_BUS_ADDRESS when set). Each instance
// opens a private connection of its own and closes it when destroyed, so a dropped connection is
// really gone and the next one starts afresh. The helper's name changing hands (the helper stopped, or
// started again) is reported as `interrupted`; a call that finds the bus gone is answered with a Disconnected
// error and followed by `invalidated`.
class DBusHelperConnection final : public HelperConnection
{
    Q_OBJECT

public:
    explicit DBusHelperConnection(QObject* parent = nullptr);
    ~DBusHelperConnection() override;

    void send(const QDBusMessage& call, std::chrono::milliseconds timeout, ReplyHandler done) override;

private:
    QString m_name;
    QDBusConnection m_bus;
    QDBusServiceWatcher* m_watcher = nullptr;
};

} // namespace qm
