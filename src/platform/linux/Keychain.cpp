#include "platform/Keychain.h"

#include "platform/BoundedReader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace qm {

namespace {

// Attempts at finding a free name for the file written before it replaces an item.
constexpr int kTempNameAttempts = 16;

// The file name of an account's item, or empty when the account cannot name a file in the store
// without escaping it or colliding with a temporary file (those start with ".").
std::string itemName(const QString& account)
{
    const QByteArray name = account.toUtf8();
    if (name.isEmpty() || name.startsWith('.') || name.contains('/') || name.contains('\0'))
        return {};
    return name.toStdString();
}

bool missing(int errnoValue)
{
    return errnoValue == ENOENT || errnoValue == ENOTDIR;
}

// Writes `data` to a new private file beside the item and answers its path, or an empty path.
Path writeTemporary(const FileSystem& fs, const Path& folder, const std::string& name, const QByteArray& data)
{
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        char suffix[64];
        std::snprintf(suffix, sizeof suffix, ".new.%ld.%u", static_cast<long>(::getpid()), counter++);
        const Path temp = folder / ("." + name + suffix);
        const Result<void> created = fs.createExclusive(temp, data, 0600);
        if (created)
            return temp;
        if (!created.error().isPosix(EEXIST))
            return {};
    }
    return {};
}

// Creates the store folder (mode 0700) and its parents when missing.
bool ensureFolder(const FileSystem& fs, const Path& folder)
{
    if (!fs.createDirectories(folder.parent_path()))
        return false;
    if (::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST)
        return true;
    return false;
}

} // namespace

Keychain::~Keychain() = default;

FileKeychain::FileKeychain() = default;

FileKeychain::FileKeychain(Path folder) : m_folder(std::move(folder)) {}

Path FileKeychain::defaultFolder()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const Path base =
        dataHome && dataHome[0] == '/' ? Path(dataHome) : FileSystem::homeDirectory() / ".local" / "share";
    return base / "Quillmere" / "keychain";
}

Path FileKeychain::folder() const
{
    return m_folder.empty() ? defaultFolder() : m_folder;
}

KeychainRead FileKeychain::copy(const QString& account) const
{
    const std::string name = itemName(account);
    if (name.empty())
        return {KeychainStatus::InvalidParameter, {}};
    const Path item = folder() / name;
    const FileSystem fs;
    const Result<FileStatus> status = fs.status(item);
    if (!status)
        return {missing(status.error().code()) ? KeychainStatus::ItemNotFound : KeychainStatus::IoError, {}};
    // Another user who could write this file could lower what it holds; such an item is not ours.
    if (!status->isRegular() || status->owner != ::geteuid() || (status->mode & (S_IWGRP | S_IWOTH)) != 0)
        return {KeychainStatus::IoError, {}};
    Result<QByteArray> data = readBounded(item, kMaxItemBytes);
    if (!data)
        return {missing(data.error().code()) ? KeychainStatus::ItemNotFound : KeychainStatus::IoError, {}};
    return {KeychainStatus::Success, std::move(data).value()};
}

KeychainStatus FileKeychain::add(const QString& account, const QByteArray& data) const
{
    const std::string name = itemName(account);
    if (name.empty())
        return KeychainStatus::InvalidParameter;
    const Path store = folder();
    const FileSystem fs;
    if (!ensureFolder(fs, store))
        return KeychainStatus::IoError;
    const Path temp = writeTemporary(fs, store, name, data);
    if (temp.empty())
        return KeychainStatus::IoError;
    const Result<void> moved = fs.moveNoReplace(temp, store / name);
    if (moved)
        return KeychainStatus::Success;
    ::unlink(temp.c_str());
    return moved.error().isPosix(EEXIST) ? KeychainStatus::DuplicateItem : KeychainStatus::IoError;
}

KeychainStatus FileKeychain::update(const QString& account, const QByteArray& data) const
{
    const std::string name = itemName(account);
    if (name.empty())
        return KeychainStatus::InvalidParameter;
    const Path store = folder();
    const Path item = store / name;
    const FileSystem fs;
    const Result<FileStatus> status = fs.status(item);
    if (!status)
        return missing(status.error().code()) ? KeychainStatus::ItemNotFound : KeychainStatus::IoError;
    if (status->isDirectory())
        return KeychainStatus::IoError;
    const Path temp = writeTemporary(fs, store, name, data);
    if (temp.empty())
        return KeychainStatus::IoError;
    // The store's own file is replaced in one step, so a reader sees the old data or the new.
    if (::rename(temp.c_str(), item.c_str()) != 0) {
        ::unlink(temp.c_str());
        return KeychainStatus::IoError;
    }
    return KeychainStatus::Success;
}

KeychainStatus FileKeychain::remove(const QString& account) const
{
    const std::string name = itemName(account);
    if (name.empty())
        return KeychainStatus::InvalidParameter;
    const Path item = folder() / name;
    if (::unlink(item.c_str()) == 0)
        return KeychainStatus::Success;
    return missing(errno) ? KeychainStatus::ItemNotFound : KeychainStatus::IoError;
}

} // namespace qm
