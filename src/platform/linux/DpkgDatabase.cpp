#include "platform/BoundedReader.h"
#include "platform/PackageDatabase.h"

#include <QList>

#include <set>
#include <string>

namespace qm {
namespace {

const Path kInfo("var/lib/dpkg/info");
const Path kStatus("var/lib/dpkg/status");

// The package a list file names: "<name>.list" or "<name>:<arch>.list".
std::optional<QString> packageOfList(const std::string& fileName)
{
    static const std::string suffix = ".list";
    if (fileName.size() <= suffix.size() ||
        fileName.compare(fileName.size() - suffix.size(), suffix.size(), suffix) != 0)
        return std::nullopt;
    std::string name = fileName.substr(0, fileName.size() - suffix.size());
    if (const auto colon = name.find(':'); colon != std::string::npos)
        name.resize(colon);
    if (name.empty())
        return std::nullopt;
    return QString::fromUtf8(name);
}

} // namespace

PackageDatabase::~PackageDatabase() = default;

DpkgDatabase::DpkgDatabase(Path systemRoot) : m_root(std::move(systemRoot)) {}

std::map<QString, QString> DpkgDatabase::parseStatus(const QByteArray& status)
{
    std::map<QString, QString> versions;
    QString package;
    QString version;
    bool installed = false;
    const auto finish = [&] {
        if (!package.isEmpty() && installed)
            versions[package] = version;
        package.clear();
        version.clear();
        installed = false;
    };
    for (const QByteArray& line : status.split('\n')) {
        if (line.trimmed().isEmpty()) {
            finish();
            continue;
        }
        if (line.startsWith(' ') || line.startsWith('\t'))
            continue; // a continuation line of a long field
        const qsizetype colon = line.indexOf(':');
        if (colon < 1)
            continue;
        const QByteArray key = line.left(colon);
        const QString value = QString::fromUtf8(line.mid(colon + 1).trimmed());
        if (key == "Package")
            package = value;
        else if (key == "Version")
            version = value;
        else if (key == "Status")
            installed = value.endsWith(QLatin1String(" installed"));
    }
    finish();
    return versions;
}

std::map<Path, InstalledPackage> DpkgDatabase::owners(const std::vector<Path>& files) const
{
    std::map<Path, InstalledPackage> found;
    if (files.empty())
        return found;
    std::set<std::string> wanted;
    for (const Path& file : files)
        wanted.insert(file.native());

    const FileSystem fs;
    const auto listing = fs.list(m_root / kInfo, kMaxLists);
    if (!listing)
        return found;
    for (const Path& name : listing->names) {
        const auto package = packageOfList(name.native());
        if (!package)
            continue;
        const auto bytes = readBounded(m_root / kInfo / name, kMaxListBytes);
        if (!bytes)
            continue;
        for (const QByteArray& line : bytes->split('\n')) {
            if (line.isEmpty())
                continue;
            const std::string path = line.toStdString();
            if (wanted.contains(path) && !found.contains(Path(path)))
                found.emplace(Path(path), InstalledPackage{*package, {}});
        }
        if (found.size() == wanted.size())
            break;
    }
    if (found.empty())
        return found;
    const auto status = readBounded(m_root / kStatus, kMaxStatusBytes);
    if (status) {
        const std::map<QString, QString> versions = parseStatus(*status);
        for (auto& [path, package] : found) {
            if (const auto v = versions.find(package.name); v != versions.end())
                package.version = v->second;
        }
    }
    return found;
}

std::vector<Path> DpkgDatabase::filesOf(const QString& package) const
{
    std::vector<Path> files;
    if (package.isEmpty() || package.contains(QLatin1Char('/')) || package.startsWith(QLatin1Char('.')))
        return files;
    const FileSystem fs;
    const auto listing = fs.list(m_root / kInfo, kMaxLists);
    if (!listing)
        return files;
    for (const Path& name : listing->names) {
        if (packageOfList(name.native()) != package)
            continue;
        const auto bytes = readBounded(m_root / kInfo / name, kMaxListBytes);
        if (!bytes)
            continue;
        for (const QByteArray& line : bytes->split('\n')) {
            if (!line.isEmpty() && line.startsWith('/'))
                files.emplace_back(line.toStdString());
        }
    }
    return files;
}

} // namespace qm
