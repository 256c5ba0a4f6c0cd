#include "core/launchd/LaunchAgentScanner.h"

#include "core/apps/PropertyList.h"
#include "core/cleaning/RootOnlyPath.h"
#include "core/launchd/LaunchAgentParser.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <cerrno>
#include <set>

namespace qm {
namespace {

// Whether anything is at `path`, following links. Only "does not exist" counts as absent (a missing
// item, a missing parent, a dangling or looping link); any other failure, such as a parent that may
// not be searched, leaves the item possibly there.
bool mayExist(const FileSystem& fs, const Path& path)
{
    const auto status = fs.statusFollowingLinks(path);
    if (status)
        return true;
    const Error& error = status.error();
    return !(error.isPosix(ENOENT) || error.isPosix(ENOTDIR) || error.isPosix(ELOOP));
}

// Whether the strings a job is described by are text. The property-list format holds only Unicode
// text, so bytes that are not UTF-8 make the list malformed; decoding them would name another file.
bool describesJobInText(plist_t dictionary)
{
    const plist_t arguments = plist_dict_get_item(dictionary, "ProgramArguments");
    const auto argument = [&](uint32_t index) -> plist_t {
        if (!arguments || plist_get_node_type(arguments) != PLIST_ARRAY ||
            plist_array_get_size(arguments) <= index)
            return nullptr;
        return plist_array_get_item(arguments, index);
    };
    return PropertyList::isTextOrNotString(plist_dict_get_item(dictionary, "Label")) &&
           PropertyList::isTextOrNotString(plist_dict_get_item(dictionary, "Program")) &&
           PropertyList::isTextOrNotString(argument(0)) && PropertyList::isTextOrNotString(argument(1));
}

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

} // namespace

LaunchAgentScanner::LaunchAgentScanner(FileSystem fileSystem, std::vector<Folder> dirs)
    : m_fs(std::move(fileSystem)), m_dirs(std::move(dirs))
{}

Path LaunchAgentScanner::systemAgentsDir()
{
    return "/Library/LaunchAgents";
}

Path LaunchAgentScanner::systemDaemonsDir()
{
    return "/Library/LaunchDaemons";
}

std::vector<LaunchAgentScanner::Folder> LaunchAgentScanner::standardDirs(const Path& home,
                                                                         const Path& systemRoot)
{
    return {{LaunchDomain::userAgent, home / "Library/LaunchAgents"},
            {LaunchDomain::systemAgent, systemRoot / "Library/LaunchAgents"},
            {LaunchDomain::systemDaemon, systemRoot / "Library/LaunchDaemons"}};
}

LaunchAgentScanner::Scan LaunchAgentScanner::scanWithCoverage() const
{
    std::vector<LaunchAgent> agents;
    Coverage coverage;

    for (const Folder& dir : m_dirs) {
        // "/." makes the listing follow a folder that is itself a symbolic link.
        const auto listing = m_fs.list(dir.url / ".", kMaxEntries);
        if (!listing) {
            if (mayExist(m_fs, dir.url))
                coverage.gap(dir.domain, dir.url);
            continue;
        }
        if (listing->truncated)
            coverage.gap(dir.domain, dir.url);

        for (const Path& name : listing->names) {
            if (name.extension() != ".plist")
                continue;
            const Path entry = dir.url / name;
            // One descriptor decides: no link followed, a regular file, at most kMaxPlistBytes read, so
            // a FIFO or device put in the file's place never blocks the scan.
            const auto list = PropertyList::read(entry, kMaxPlistBytes);
            if (!list || !list->isDictionary() || !describesJobInText(list->root())) {
                if (mayExist(m_fs, entry))
                    coverage.gap(dir.domain, entry);
                continue;
            }
            const LaunchAgentParser::Parsed parsed = LaunchAgentParser::parse(list->root());
            LaunchAgent agent;
            agent.url = entry;
            agent.label = parsed.label.value_or(nameWithoutExtension(entry));
            agent.program = parsed.program.value_or(LaunchAgent::noProgram());
            agent.runAtLoad = parsed.runAtLoad;
            agent.domain = dir.domain;
            agent.script = parsed.script;
            agents.push_back(std::move(agent));
        }
    }

    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<std::pair<QString, LaunchAgent>> keyed;
    keyed.reserve(agents.size());
    for (LaunchAgent& agent : agents) {
        QString key = agent.label.isEmpty() ? nameWithoutExtension(agent.url) : agent.label;
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
