#include "core/launchd/LaunchAgentScanner.h"

#include "core/cleaning/RootOnlyPath.h"
#include "core/launchd/LaunchAgentParser.h"
#include "core/launchd/SystemdUnit.h"
#include "core/xdg/DesktopEntry.h"
#include "platform/MayExist.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <cerrno>
#include <map>
#include <set>
#include <system_error>

namespace qm {
namespace {

QString nameWithoutExtension(const Path& file)
{
    return FileSystem::displayName(file.filename().stem());
}

// The coverage gathered during one scan.
class Coverage
{
public:
    // Notes a gap in `domain` at `path`: the domain is unreadable, and it stays root-only only while
    // every gap in it is one that only another owner may read.
    void gap(LaunchDomain domain, const Path& path)
    {
        if (std::find(m_unreadable.begin(), m_unreadable.end(), domain) == m_unreadable.end())
            m_unreadable.push_back(domain);
        if (!RootOnlyPath::denies(path))
            m_explainedOtherwise.insert(domain);
    }

    const std::vector<LaunchDomain>& unreadable() const { return m_unreadable; }

    std::vector<LaunchDomain> rootOnly() const
    {
        std::vector<LaunchDomain> domains;
        for (LaunchDomain domain : m_unreadable) {
            if (!m_explainedOtherwise.contains(domain))
                domains.push_back(domain);
        }
        return domains;
    }

private:
    std::vector<LaunchDomain> m_unreadable;
    std::set<LaunchDomain> m_explainedOtherwise;
};

bool endsWith(const std::string& text, std::string_view suffix)
{
    return text.size() > suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Whether `name` reads as a unit name: a stem, a dot and a type ("sync.service").
bool isUnitName(const std::string& name)
{
    const std::size_t dot = name.rfind('.');
    return dot != std::string::npos && dot > 0 && dot + 1 < name.size();
}

// The template a unit instance comes from ("a@.service" for "a@b.service"), or nothing.
std::optional<std::string> templateOf(const std::string& name)
{
    const std::size_t at = name.find('@');
    const std::size_t dot = name.rfind('.');
    if (at == std::string::npos || dot == std::string::npos || dot <= at + 1)
        return std::nullopt;
    return name.substr(0, at + 1) + name.substr(dot);
}

// Where a unit was found by name.
struct FoundUnit
{
    enum class Kind { missing, masked, unreadable, read } kind = Kind::missing;
    Path url; // the file read, or the entry that could not be
    SystemdUnit unit;
};

// The jobs and coverage of one scan, filled folder by folder.
class Gathering
{
public:
    explicit Gathering(const FileSystem& fs) : m_fs(fs) {}

    std::vector<LaunchAgent> agents;
    Coverage coverage;

    // The folder's names, or nothing when it cannot be listed (a gap unless nothing is there). "/."
    // makes the listing follow a folder that is itself a symbolic link.
    std::optional<std::vector<Path>> list(const LaunchAgentScanner::Folder& dir)
    {
        const auto listing = m_fs.list(dir.url / ".", LaunchAgentScanner::kMaxEntries);
        if (!listing) {
            if (mayExist(m_fs, dir.url))
                coverage.gap(dir.domain, dir.url);
            return std::nullopt;
        }
        if (listing->truncated)
            coverage.gap(dir.domain, dir.url);
        return listing->names;
    }

    // `overridden` holds the file ids read in earlier autostart folders, which hide the same ids here.
    void autostartEntries(const LaunchAgentScanner::Folder& dir, std::set<std::string>& overridden)
    {
        const auto names = list(dir);
        if (!names)
            return;
        std::set<std::string> readHere;
        for (const Path& name : *names) {
            if (name.extension() != ".desktop" || overridden.contains(name.native()))
                continue;
            const Path file = dir.url / name;
            const Result<DesktopEntry> entry = DesktopEntry::read(file, LaunchAgentScanner::kMaxFileBytes);
            if (!entry) {
                // An entry that cannot be read hides nothing: the one it may override is still listed.
                if (mayExist(m_fs, file))
                    coverage.gap(dir.domain, file);
                continue;
            }
            readHere.insert(name.native());
            if (entry->boolean(QStringLiteral("Hidden")) == true ||
                entry->boolean(QStringLiteral("X-GNOME-Autostart-enabled")) == false)
                continue;
            LaunchAgent agent;
            agent.url = file;
            agent.source = LaunchSource::autostartEntry;
            agent.domain = dir.domain;
            agent.runAtLoad = true;
            const QString shownName = entry->string(QStringLiteral("Name")).value_or(QString());
            agent.label = shownName.isEmpty() ? nameWithoutExtension(file) : shownName;
            if (std::optional<QStringList> arguments = entry->execArguments(file)) {
                agent.program = arguments->takeFirst();
                agent.arguments = std::move(*arguments);
                agent.script = LaunchAgentParser::scriptFor(
                    agent.program, agent.arguments.isEmpty()
                                       ? std::nullopt
                                       : std::optional<QString>(agent.arguments.front()));
            }
            agent.description = entry->string(QStringLiteral("Comment")).value_or(QString());
            agent.onlyShowIn = entry->stringList(QStringLiteral("OnlyShowIn"));
            agent.notShowIn = entry->stringList(QStringLiteral("NotShowIn"));
            agents.push_back(std::move(agent));
        }
        overridden.merge(readHere);
    }

    void units(const LaunchAgentScanner::Folder& dir)
    {
        const auto names = list(dir);
        if (!names)
            return;
        // Unit name -> its enable links, ordered by name so the jobs come out the same every time.
        std::map<std::string, std::vector<Path>> enabled;
        for (const Path& name : *names) {
            if (!endsWith(name.native(), ".wants"))
                continue;
            const Path wants = dir.url / name;
            const auto status = m_fs.status(wants);
            if (!status || !status->isDirectory()) {
                // A "*.wants" link is not followed out of its folder.
                if (status || mayExist(m_fs, wants))
                    coverage.gap(dir.domain, wants);
                continue;
            }
            const auto links = m_fs.list(wants, LaunchAgentScanner::kMaxEntries);
            if (!links || links->truncated) {
                if (links || mayExist(m_fs, wants))
                    coverage.gap(dir.domain, wants);
                if (!links)
                    continue;
            }
            for (const Path& link : links->names) {
                if (isUnitName(link.native()))
                    enabled[link.native()].push_back(wants / link);
            }
        }

        for (auto& [unitName, links] : enabled) {
            std::sort(links.begin(), links.end(),
                      [](const Path& a, const Path& b) { return a.native() < b.native(); });
            const FoundUnit found = findUnit(unitName, dir.unitPath);
            switch (found.kind) {
            case FoundUnit::Kind::masked:
                continue;
            case FoundUnit::Kind::unreadable:
                coverage.gap(dir.domain, found.url);
                continue;
            case FoundUnit::Kind::missing:
                // A link to a unit outside the folders units are read from is not followed there.
                for (const Path& link : links) {
                    if (m_fs.statusFollowingLinks(link)) {
                        coverage.gap(dir.domain, link);
                        break;
                    }
                }
                continue;
            case FoundUnit::Kind::read:
                break;
            }
            LaunchAgent agent;
            agent.url = found.url;
            agent.source = LaunchSource::systemdUnit;
            agent.domain = dir.domain;
            agent.runAtLoad = true;
            agent.label = FileSystem::displayName(unitName);
            // A timer, socket or path unit starts the service of its own name: its command is that one's.
            SystemdUnit command = found.unit;
            if (command.program.isEmpty() && !endsWith(unitName, ".service")) {
                const FoundUnit service =
                    findUnit(unitName.substr(0, unitName.rfind('.')) + ".service", dir.unitPath);
                if (service.kind == FoundUnit::Kind::read)
                    command = service.unit;
            }
            if (!command.program.isEmpty()) {
                agent.program = command.program;
                agent.arguments = command.arguments;
                agent.script = LaunchAgentParser::scriptFor(
                    agent.program, agent.arguments.isEmpty()
                                       ? std::nullopt
                                       : std::optional<QString>(agent.arguments.front()));
            }
            agent.description = found.unit.description;
            agent.enableLinks = links;
            agents.push_back(std::move(agent));
        }
    }

private:
    // The unit `name` as systemd finds it: the first folder of `unitPath` holding it, else its template.
    FoundUnit findUnit(const std::string& name, const std::vector<Path>& unitPath) const
    {
        std::vector<std::string> candidates{name};
        if (const std::optional<std::string> templateName = templateOf(name))
            candidates.push_back(*templateName);
        std::set<std::string> folders;
        for (const Path& folder : unitPath)
            folders.insert(FileSystem::standardize(folder).native());

        for (const std::string& candidate : candidates) {
            for (const Path& folder : unitPath) {
                Path entry = folder / candidate;
                const auto status = m_fs.status(entry);
                if (!status) {
                    if (status.error().isPosix(ENOENT) || status.error().isPosix(ENOTDIR))
                        continue;
                    return FoundUnit{FoundUnit::Kind::unreadable, entry, {}};
                }
                if (status->isSymlink()) {
                    std::error_code error;
                    const Path target = std::filesystem::read_symlink(entry, error);
                    if (error)
                        return FoundUnit{FoundUnit::Kind::unreadable, entry, {}};
                    if (target == "/dev/null")
                        return FoundUnit{FoundUnit::Kind::masked, entry, {}};
                    const Path resolved =
                        FileSystem::standardize(target.is_absolute() ? target : folder / target);
                    if (!folders.contains(resolved.parent_path().native())) {
                        if (!mayExist(m_fs, entry))
                            continue; // a dangling alias names nothing
                        return FoundUnit{FoundUnit::Kind::unreadable, entry, {}};
                    }
                    entry = resolved;
                }
                Result<SystemdUnit> unit = SystemdUnit::read(entry, LaunchAgentScanner::kMaxFileBytes);
                if (!unit) {
                    if (!mayExist(m_fs, entry))
                        continue;
                    return FoundUnit{FoundUnit::Kind::unreadable, entry, {}};
                }
                return FoundUnit{FoundUnit::Kind::read, entry, std::move(unit).value()};
            }
        }
        return FoundUnit{};
    }

    const FileSystem& m_fs;
};

} // namespace

LaunchAgentScanner::LaunchAgentScanner(FileSystem fileSystem, std::vector<Folder> dirs)
    : m_fs(std::move(fileSystem)), m_dirs(std::move(dirs))
{}

std::vector<LaunchAgentScanner::Folder> LaunchAgentScanner::standardDirs(const Places& places)
{
    const std::vector<Path> userUnits{places.configHome() / "systemd/user", places.system("etc/systemd/user"),
                                      places.dataHome() / "systemd/user",
                                      places.system("usr/local/lib/systemd/user"),
                                      places.system("usr/lib/systemd/user")};
    const std::vector<Path> systemUnits{
        places.system("etc/systemd/system"), places.system("usr/local/lib/systemd/system"),
        places.system("usr/lib/systemd/system"), places.system("lib/systemd/system")};
    std::vector<Folder> dirs{
        {LaunchDomain::userAgent, places.configHome() / "autostart", LaunchSource::autostartEntry, {}},
        {LaunchDomain::userAgent, places.configHome() / "systemd/user", LaunchSource::systemdUnit,
         userUnits}};
    for (const Path& configDir : places.configDirs())
        dirs.push_back(
            {LaunchDomain::systemAgent, configDir / "autostart", LaunchSource::autostartEntry, {}});
    dirs.push_back(
        {LaunchDomain::systemAgent, places.system("etc/systemd/user"), LaunchSource::systemdUnit, userUnits});
    dirs.push_back({LaunchDomain::systemDaemon, places.system("etc/systemd/system"),
                    LaunchSource::systemdUnit, systemUnits});
    return dirs;
}

std::vector<LaunchAgentScanner::Folder> LaunchAgentScanner::standardDirsOf(const Path& home,
                                                                           const Path& systemRoot)
{
    const Places current = Places::current();
    if (FileSystem::standardize(home) == current.home() && FileSystem::standardize(systemRoot) == Path("/"))
        return standardDirs(current);
    return standardDirs(Places::resolve(home, {}, systemRoot));
}

LaunchAgentScanner::Scan LaunchAgentScanner::scanWithCoverage() const
{
    Gathering gathering(m_fs);
    std::set<std::string> autostartIds;
    for (const Folder& dir : m_dirs) {
        switch (dir.source) {
        case LaunchSource::autostartEntry:
            gathering.autostartEntries(dir, autostartIds);
            break;
        case LaunchSource::systemdUnit:
            gathering.units(dir);
            break;
        }
    }
    std::vector<LaunchAgent>& agents = gathering.agents;
    const Coverage& coverage = gathering.coverage;

    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<std::pair<QString, LaunchAgent>> keyed;
    keyed.reserve(agents.size());
    for (LaunchAgent& agent : agents) {
        // Never empty: an entry without a name goes by its file's, a unit by its own name.
        QString key = agent.label;
        keyed.emplace_back(std::move(key), std::move(agent));
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [&](const auto& a, const auto& b) { return collator.compare(a.first, b.first) < 0; });

    Scan scan;
    scan.agents.reserve(keyed.size());
    for (auto& [key, agent] : keyed)
        scan.agents.push_back(std::move(agent));
    scan.unreadableDomains = coverage.unreadable();
    scan.rootOnlyDomains = coverage.rootOnly();
    return scan;
}

} // namespace qm
