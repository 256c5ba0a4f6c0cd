#pragma once

#include <QDBusMessage>
#include <QObject>

#include <chrono>
#include <functional>

namespace qm {

// The helper client's link to the privileged helper: sends method calls and reports what happens to
// the helper and to the link itself. Lives on the GUI thread; every handler and signal runs there.
// The client creates one lazily and replaces it once it is invalidated; tests pass a fake.
class HelperConnection : public QObject
{
    Q_OBJECT

public:
    // Receives the helper's reply, or an error message when the call could not be delivered, was
    // refused or got no reply within its timeout.
    using ReplyHandler = std::function<void(const QDBusMessage& reply)>;

    ~HelperConnection() override;

    // Sends `call` and hands the outcome to `done` exactly once, from the event loop, never before
    // `send` returns. `timeout` (milliseconds) is the transport's own limit, after which the call
    // ends with an error. A connection destroyed first calls nothing more.
    virtual void send(const QDBusMessage& call, std::chrono::milliseconds timeout, ReplyHandler done) = 0;

signals:
    // The helper's bus name changed hands: the helper stopped, or started again. The link itself still
    // works; the next call may reach (or start) the helper.
    void interrupted();
    // The link to the bus ended: it delivers nothing more and should be dropped.
    void invalidated();

protected:
    explicit HelperConnection(QObject* parent = nullptr);
};

} // namespace qm
