#include "support/FakeKeychain.h"

namespace qm::test {

void FakeKeychain::put(const QString& account, const QByteArray& data)
{
    const std::lock_guard lock(m_mutex);
    m_items[account] = data;
}

std::optional<QByteArray> FakeKeychain::item(const QString& account) const
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_items.find(account);
    if (found == m_items.end())
        return std::nullopt;
    return found->second;
}

void FakeKeychain::fail(Operation operation, KeychainStatus status)
{
    const std::lock_guard lock(m_mutex);
    m_failures[operation] = status;
}

std::vector<QString> FakeKeychain::calls() const
{
    const std::lock_guard lock(m_mutex);
    return m_calls;
}

// Records the call; the caller holds the lock.
std::optional<KeychainStatus> FakeKeychain::forced(Operation operation, const char* name,
                                                   const QString& account) const
{
    m_calls.push_back(QString::fromLatin1(name) + QLatin1Char(' ') + account);
    const auto found = m_failures.find(operation);
    if (found == m_failures.end())
        return std::nullopt;
    return found->second;
}

KeychainRead FakeKeychain::copy(const QString& account) const
{
    const std::lock_guard lock(m_mutex);
    if (const std::optional<KeychainStatus> status = forced(Operation::Copy, "copy", account))
        return {*status, {}};
    const auto found = m_items.find(account);
    if (found == m_items.end())
        return {KeychainStatus::ItemNotFound, {}};
    return {KeychainStatus::Success, found->second};
}

KeychainStatus FakeKeychain::add(const QString& account, const QByteArray& data) const
{
    const std::lock_guard lock(m_mutex);
    if (const std::optional<KeychainStatus> status = forced(Operation::Add, "add", account))
        return *status;
    if (m_items.count(account) != 0)
        return KeychainStatus::DuplicateItem;
    m_items[account] = data;
    return KeychainStatus::Success;
}

KeychainStatus FakeKeychain::update(const QString& account, const QByteArray& data) const
{
    const std::lock_guard lock(m_mutex);
    if (const std::optional<KeychainStatus> status = forced(Operation::Update, "update", account))
        return *status;
    const auto found = m_items.find(account);
    if (found == m_items.end())
        return KeychainStatus::ItemNotFound;
    found->second = data;
    return KeychainStatus::Success;
}

KeychainStatus FakeKeychain::remove(const QString& account) const
{
    const std::lock_guard lock(m_mutex);
    if (const std::optional<KeychainStatus> status = forced(Operation::Remove, "remove", account))
        return *status;
    return m_items.erase(account) != 0 ? KeychainStatus::Success : KeychainStatus::ItemNotFound;
}

} // namespace qm::test
