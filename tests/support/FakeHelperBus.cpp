#include "support/FakeHelperBus.h"

#include <QDBusError>

namespace qm::test {

std::function<std::unique_ptr<HelperConnection>()> FakeHelperBus::factory()
{
    std::weak_ptr<FakeHelperBus> weak = weak_from_this();
    return [weak]() -> std::unique_ptr<HelperConnection> {
        auto connection = std::make_unique<FakeHelperConnection>(weak);
        if (const auto bus = weak.lock()) {
            ++bus->m_connectionsMade;
            bus->m_last = connection.get();
        }
        return connection;
    };
}

void FakeHelperConnection::send(const QDBusMessage& call, std::chrono::milliseconds timeout,
                                ReplyHandler done)
{
    if (const auto bus = m_bus.lock())
        bus->m_calls.push_back(FakeHelperBus::Call{call, timeout, std::move(done), this, false});
}

bool FakeHelperBus::deliver(std::size_t index, const QDBusMessage& answer)
{
    Call& call = m_calls.at(index);
    if (call.answered || call.connection.isNull())
        return false;
    call.answered = true;
    // A copy: the handler may send further calls, which grows the list.
    const HelperConnection::ReplyHandler done = call.done;
    done(answer);
    return true;
}

bool FakeHelperBus::reply(std::size_t index, bool ok, const QString& message)
{
    return deliver(
        index, HelperProtocol::reply(m_calls.at(index).message, HelperProtocol::HelperReply{ok, message}));
}

bool FakeHelperBus::fail(std::size_t index, const QString& errorName)
{
    return deliver(index, m_calls.at(index).message.createErrorReply(errorName, QStringLiteral("failed")));
}

void FakeHelperBus::interrupt()
{
    if (m_last)
        m_last->emitInterrupted();
}

void FakeHelperBus::invalidate()
{
    if (m_last)
        m_last->emitInvalidated();
}

} // namespace qm::test
