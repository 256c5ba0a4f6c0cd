#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <optional>

// The application's helper client in its initial state only, until the client that talks to the
// helper daemon takes its place in `ModuleModels`. It lives in its own namespace so that both can be
// built side by side.
namespace qm::interim {

// The client of the privileged helper daemon, created once by `ModuleModels` and shared by the
// Performance screen and the malware model. It reports the helper as not installed, knows nothing of
// the daemon and talks to nobody; refreshing the registration only counts the call. Lives on the GUI
// thread.
class HelperClient : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The view-model container owns the helper client")
    Q_PROPERTY(Status status READ status NOTIFY statusChanged)
    // The explanation that goes with `unavailable`; empty in every other state.
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY statusChanged)

public:
    // The helper's registration state.
    enum class Status { unavailable, notInstalled, requiresApproval, installed };
    Q_ENUM(Status)

    explicit HelperClient(QObject* parent = nullptr);

    Status status() const { return m_status; }
    QString statusMessage() const { return m_statusMessage; }
    // Whether the daemon answers requests: unknown (empty) until a request has been made.
    std::optional<bool> daemonUsable() const { return m_daemonUsable; }

    // Would re-register the helper when the application's build has changed since the last
    // registration; there is nothing to register here, so it only counts the call. Never fails.
    Q_INVOKABLE void refreshRegistrationIfAppChanged();
    // How many times the registration refresh has run.
    int registrationRefreshes() const { return m_registrationRefreshes; }

signals:
    void statusChanged();

private:
    Status m_status = Status::notInstalled;
    QString m_statusMessage;
    std::optional<bool> m_daemonUsable;
    int m_registrationRefreshes = 0;
};

} // namespace qm::interim
