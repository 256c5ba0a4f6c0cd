#pragma once

#include "platform/FileSystem.h"

#include <QByteArray>
#include <QString>

namespace qm {

// The answer of a keychain call, with the status codes the keychain itself uses, so callers can
// branch on "already there" and "not there" the way the keychain documents them.
enum class KeychainStatus : int {
    Success = 0,
    InvalidParameter = -50, // the account is not a usable item name
    IoError = -36,          // the store could not be read or written (unreadable, unsafe, disk full)
    DuplicateItem = -25299, // add: an item of that account exists already
    ItemNotFound = -25300,  // copy, update, remove: no item of that account
};

// What a copy from the keychain gave: the status, and the item's data when it is Success.
struct KeychainRead
{
    KeychainStatus status = KeychainStatus::ItemNotFound;
    QByteArray data;
};

// The keychain seam: generic-password items of this application's one keychain service, one item
// per account, each holding a few bytes of data. Engines hold one through a reference or pointer so
// that tests can pass a fake. Every call is synchronous, answers a status and never throws.
class Keychain
{
public:
    virtual ~Keychain();

    // The data of the item of `account`; ItemNotFound when there is none.
    virtual KeychainRead copy(const QString& account) const = 0;
    // Creates the item of `account` holding `data`; DuplicateItem (nothing changed) when it exists.
    virtual KeychainStatus add(const QString& account, const QByteArray& data) const = 0;
    // Replaces the data of the existing item of `account`; ItemNotFound when there is none.
    virtual KeychainStatus update(const QString& account, const QByteArray& data) const = 0;
    // Deletes the item of `account`; ItemNotFound when there was none.
    virtual KeychainStatus remove(const QString& account) const = 0;
};

// The keychain on this machine: one file per account, named after the account (UTF-8), in a private
// folder (by default $XDG_DATA_HOME/Quillmere/keychain, or ~/.local/share/... when XDG_DATA_HOME is
// not absolute, resolved on every call). An item file is created with mode 0600 and replaced
// atomically; one that is a link, not a regular file, larger than kMaxItemBytes, owned by another
// user or writable by group or others is refused as IoError rather than trusted. An account that is
// empty, starts with ".", or holds "/" or NUL is InvalidParameter. Safe from several threads; two
// processes adding the same account at once end with exactly one winner.
class FileKeychain final : public Keychain
{
public:
    // The largest item file read, in bytes.
    static constexpr qint64 kMaxItemBytes = 64 * 1024;

    // The store in the default folder of the current environment.
    FileKeychain();
    // The store in `folder` (created, mode 0700, by the first add).
    explicit FileKeychain(Path folder);

    // The default folder: $XDG_DATA_HOME/Quillmere/keychain when XDG_DATA_HOME is absolute, else
    // <home>/.local/share/Quillmere/keychain.
    static Path defaultFolder();

    KeychainRead copy(const QString& account) const override;
    KeychainStatus add(const QString& account, const QByteArray& data) const override;
    KeychainStatus update(const QString& account, const QByteArray& data) const override;
    KeychainStatus remove(const QString& account) const override;

private:
    Path folder() const;

    Path m_folder; // empty: defaultFolder() at each call
};

} // namespace qm
