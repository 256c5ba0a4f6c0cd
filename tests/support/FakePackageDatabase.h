#pragma once

#include "platform/PackageDatabase.h"

#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace qm::test {

// A package database that owns what the test told it: each package with its version and files (paths
// compare byte for byte). Counts its queries. Safe to call from several threads.
class FakePackageDatabase final : public PackageDatabase
{
public:
    // `name` at `version` owns `files` from now on.
    void install(const QString& name, const QString& version, std::vector<Path> files)
    {
        const std::lock_guard lock(m_mutex);
        m_packages[name] = Package{version, std::move(files)};
    }

    std::map<Path, InstalledPackage> owners(const std::vector<Path>& files) const override
    {
        const std::lock_guard lock(m_mutex);
        ++m_queries;
        std::map<Path, InstalledPackage> found;
        for (const Path& file : files) {
            for (const auto& [name, package] : m_packages) {
                for (const Path& owned : package.files) {
                    if (owned.native() == file.native())
                        found.emplace(file, InstalledPackage{name, package.version});
                }
            }
        }
        return found;
    }

    std::vector<Path> filesOf(const QString& name) const override
    {
        const std::lock_guard lock(m_mutex);
        const auto found = m_packages.find(name);
        return found == m_packages.end() ? std::vector<Path>{} : found->second.files;
    }

    int queries() const
    {
        const std::lock_guard lock(m_mutex);
        return m_queries;
    }

private:
    struct Package
    {
        QString version;
        std::vector<Path> files;
    };
    mutable std::mutex m_mutex;
    mutable int m_queries = 0;
    std::map<QString, Package> m_packages;
};

} // namespace qm::test
