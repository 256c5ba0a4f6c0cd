#pragma once

#include "platform/FileSystem.h"

#include <QString>

#include <map>
#include <optional>
#include <vector>

namespace qm {

// One package of the system's package manager.
struct InstalledPackage
{
    QString name;    // the package name ("firefox-esr"), architecture qualifier dropped
    QString version; // the installed version as the manager writes it; empty when unknown

    bool operator==(const InstalledPackage&) const = default;
};

// The system's package manager, asked only what it owns: which package installed a file, and which
// files a package installed. It never installs or removes anything. Engines hold one through a
// pointer so tests can pass a fake. Safe to call from any thread; blocks on the file system.
class PackageDatabase
{
public:
    virtual ~PackageDatabase();

    // The owners of `files` (absolute paths as the manager records them, compared byte for byte),
    // one answer per file that a package owns; files no package owns are left out. One call reads the
    // database once, so callers ask for all their files together.
    virtual std::map<Path, InstalledPackage> owners(const std::vector<Path>& files) const = 0;
    // The files `package` installed, as the manager records them (folders included); empty when the
    // package is unknown or its list cannot be read.
    virtual std::vector<Path> filesOf(const QString& package) const = 0;
};

// Debian's package database read directly under a system root ("/" here, a fixture tree in tests):
// `var/lib/dpkg/info/<package>[:<arch>].list` names each package's files, `var/lib/dpkg/status` its
// version. Every file goes through the bounded reader; no dpkg child is started. A missing database
// owns nothing.
class DpkgDatabase final : public PackageDatabase
{
public:
    // The most bytes read of the status file and of one file list, and the most lists read.
    static constexpr qint64 kMaxStatusBytes = 64 * 1024 * 1024;
    static constexpr qint64 kMaxListBytes = 16 * 1024 * 1024;
    static constexpr std::size_t kMaxLists = 50'000;

    explicit DpkgDatabase(Path systemRoot = Path("/"));

    std::map<Path, InstalledPackage> owners(const std::vector<Path>& files) const override;
    std::vector<Path> filesOf(const QString& package) const override;

    // The installed versions in a status file's text: the "Version" of every paragraph whose "Status"
    // ends in "installed", by package name.
    static std::map<QString, QString> parseStatus(const QByteArray& status);

private:
    Path m_root;
};

} // namespace qm
