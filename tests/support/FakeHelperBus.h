#pragma once

#include "core/helper/HelperConnection.h"
#include "protocol/HelperProtocol.h"

#include <QDBusMessage>
#include <QPointer>

#include <chrono>
#include <memory>
#include <vector>

namespace qm::test {

class FakeHelperConnection;

// A helper on a bus in memory: hands out connections to the client under test, keeps every call they
// send, and lets the test answer each call (or let it hang), fail it, and stop the helper or the bus.
// A call whose connection is gone is never answered, as on the real bus.
class FakeHelperBus : public std::enable_shared_from_this<FakeHelperBus>
{
public:
    struct Call
    {
        QDBusMessage message;
        std::chrono::milliseconds timeout{0};
        HelperConnection::ReplyHandler done;
        QPointer<FakeHelperConnection> connection;
        bool answered = false;
    };

    // The factory the client gets: each call opens a new connection on this bus.
    std::function<std::unique_ptr<HelperConnection>()> factory();

    int connectionsMade() const { return m_connectionsMade; }
    // Whether the connection opened last still exists.
    bool lastConnectionAlive() const { return !m_last.isNull(); }
    const std::vector<Call>& calls() const { return m_calls; }
    // The member (method name) of call `index`.
    QString member(std::size_t index) const { return m_calls.at(index).message.member(); }

    // Answers call `index` with the helper's (ok, message); false when the call cannot be answered
    // any more (answered already, or its connection is gone).
    bool reply(std::size_t index, bool ok, const QString& message);
    // Answers call `index` with the D-Bus error `errorName`.
    bool fail(std::size_t index, const QString& errorName);
    // The helper's name lost its owner / the bus connection ended, on the last connection.
    void interrupt();
    void invalidate();

private:
    friend class FakeHelperConnection;
    bool deliver(std::size_t index, const QDBusMessage& answer);

    std::vector<Call> m_calls;
    int m_connectionsMade = 0;
    QPointer<FakeHelperConnection> m_last;
};

class FakeHelperConnection final : public HelperConnection
{
public:
    explicit FakeHelperConnection(std::weak_ptr<FakeHelperBus> bus) : m_bus(std::move(bus)) {}

    void send(const QDBusMessage& call, std::chrono::milliseconds timeout, ReplyHandler done) override;

    void emitInterrupted() { emit interrupted(); }
    void emitInvalidated() { emit invalidated(); }

private:
    std::weak_ptr<FakeHelperBus> m_bus;
};

} // namespace qm::test
