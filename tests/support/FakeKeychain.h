#pragma once

#include "platform/Keychain.h"

#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace qm::test {

// A keychain held in memory that can also be told to fail: each operation answers a forced status
// when one is set, otherwise behaves like a real keychain (DuplicateItem, ItemNotFound). Records
// every call as "<operation> <account>". Safe from several threads.
class FakeKeychain final : public Keychain
{
public:
    enum class Operation { Copy, Add, Update, Remove };

    // Puts raw item data in place, as if another program had stored it.
    void put(const QString& account, const QByteArray& data);
    // The raw data of the item of `account`, or nothing.
    std::optional<QByteArray> item(const QString& account) const;
    // From now on `operation` answers `status` without touching any item; nothing restores the
    // normal behaviour.
    void fail(Operation operation, KeychainStatus status);
    // Every call so far, in order, e.g. "add malware.defs.versionFloor".
    std::vector<QString> calls() const;

    KeychainRead copy(const QString& account) const override;
    KeychainStatus add(const QString& account, const QByteArray& data) const override;
    KeychainStatus update(const QString& account, const QByteArray& data) const override;
    KeychainStatus remove(const QString& account) const override;

private:
    std::optional<KeychainStatus> forced(Operation operation, const char* name, const QString& account) const;

    mutable std::mutex m_mutex;
    mutable std::map<QString, QByteArray> m_items;
    std::map<Operation, KeychainStatus> m_failures;
    mutable std::vector<QString> m_calls;
};

} // namespace qm::test
