#include "core/helper/DBusHelperConnection.h"

#include "protocol/HelperProtocol.h"

#include <QDBusError>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <limits>

namespace qm {
namespace {

QString uniqueConnectionName()
{
    static std::atomic<quint64> next{0};
    return QStringLiteral("qm-helper-client-") + QString::number(++next);
}

bool isDisconnection(const QDBusMessage& message)
{
    return message.type() == QDBusMessage::ErrorMessage &&
           message.errorName() == QDBusError::errorString(QDBusError::Disconnected);
}

} // namespace

DBusHelperConnection::DBusHelperConnection(QObject* parent)
    : HelperConnection(parent), m_name(uniqueConnectionName()),
      m_bus(QDBusConnection::connectToBus(QDBusConnection::SystemBus, m_name))
{
    if (!m_bus.isConnected())
        return;
    m_watcher = new QDBusServiceWatcher(HelperProtocol::serviceName(), m_bus,
                                        QDBusServiceWatcher::WatchForOwnerChange, this);
    // Stopping and starting again both count: after either, the next call is worth trying.
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] { emit interrupted(); });
}

DBusHelperConnection::~DBusHelperConnection()
{
    // The watcher and any pending-call watchers go first, so nothing is delivered from a closed bus.
    const auto children = this->children();
    qDeleteAll(children);
    QDBusConnection::disconnectFromBus(m_name);
}

void DBusHelperConnection::send(const QDBusMessage& call, std::chrono::milliseconds timeout,
                                ReplyHandler done)
{
    if (!m_bus.isConnected()) {
        const QDBusMessage error = call.createErrorReply(QDBusError::Disconnected,
                                                         QStringLiteral("Not connected to the system bus"));
        QMetaObject::invokeMethod(
            this,
            [this, done = std::move(done), error] {
                done(error);
                emit invalidated();
            },
            Qt::QueuedConnection);
        return;
    }
    sendUntil(call, QDeadlineTimer(timeout), std::move(done));
}

void DBusHelperConnection::sendUntil(const QDBusMessage& call, QDeadlineTimer deadline, ReplyHandler done)
{
    const int timeoutMs =
        int(std::clamp<qint64>(deadline.remainingTime(), 1, std::numeric_limits<int>::max()));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, call, deadline, done = std::move(done)](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusMessage reply = finished->reply();
                if (HelperProtocol::isRefusedByBusLimits(reply) &&
                    deadline.remainingTimeAsDuration() > kResendPause) {
                    QTimer::singleShot(kResendPause, this,
                                       [this, call, deadline, done] { sendUntil(call, deadline, done); });
                    return;
                }
                done(reply);
                if (isDisconnection(reply))
                    emit invalidated();
            });
}

} // namespace qm
