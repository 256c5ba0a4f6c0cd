#pragma once

#include "helper/HelperSettings.h"
#include "helper/MaintenanceActions.h"
#include "helper/SystemThreatRemover.h"
#include "platform/CodeSigner.h"
#include "platform/ProcessRunner.h"

#include <QDBusVirtualObject>
#include <QThreadPool>

#include <functional>
#include <memory>

namespace qm {

// The helper's one object on the system bus. Every call to its interface first has its caller
// checked: a process that is not the installed application gets an access-denied error and nothing
// runs. The version is answered at once; actions and removals run on worker threads and are answered
// when they finish, so a slow action never holds up another request. Malformed calls get a D-Bus error,
// and so does an action or removal that arrives while `kMaxOutstandingRequests` are still unanswered.
// Holds nothing between requests. Lives on the thread that owns the bus connection.
class HelperService final : public QDBusVirtualObject
{
    Q_OBJECT

public:
    // Requests that may run at the same time; further ones wait for a free worker.
    static constexpr int kMaxConcurrentRequests = 64;
    // Actions and removals accepted but not yet answered (running or waiting); beyond this the caller
    // gets a limits-exceeded error, so queued requests cannot grow without bound.
    static constexpr int kMaxOutstandingRequests = 256;

    HelperService(const HelperSettings& settings, std::shared_ptr<const ProcessRunner> runner,
                  std::shared_ptr<const CodeSigner> signer, QObject* parent = nullptr);
    // Waits for requests still running.
    ~HelperService() override;

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    bool callerAdmitted(const QDBusMessage& message, const QDBusConnection& connection) const;
    void answerLater(const QDBusMessage& call, const QDBusConnection& connection,
                     std::function<HelperProtocol::HelperReply()> work);
    // Counts `call` as outstanding and returns what answers it (once, from any thread).
    MaintenanceActions::Delivery replyTo(const QDBusMessage& call, const QDBusConnection& connection);

    Path m_trustedClient;
    MaintenanceActions m_actions;
    SystemThreatRemover m_remover;
    QThreadPool m_workers;
    // Counted on the service's own thread only.
    int m_outstanding = 0;
};

} // namespace qm
